// The handlers of the fit: Button1 starts or stops a computation, a click on a
// result line shows that result. The computation itself is SineFit; the
// handler reads the window, drives the passes and keeps the window alive by
// running its pending events once at the start and once per pass.

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::AddPlotPair;
using sinusfit::BeginResultPlotList;
using sinusfit::EndResultPlotList;
using sinusfit::FitMode;
using sinusfit::FittedValueText;
using sinusfit::kFitPasses;
using sinusfit::PassResult;
using sinusfit::SineFit;
using sinusfit::TermOfEntry;

namespace {

std::string Latin1(const QLineEdit* edit) { return edit->text().toLatin1().toStdString(); }

}  // namespace

int TForm1::CheckedFitMode() const {
  int mode = 1;
  const QRadioButton* fixedModes[] = {rt2, rt3, rt4, rt5};
  for (int i = 0; i < 4; ++i) {
    if (fixedModes[i]->isChecked()) mode = i + 2;
  }
  return mode;
}

double TForm1::FixedValue(int fitMode) const {
  const QLineEdit* fields[] = {Edit1, Edit2, Edit3, Edit4};
  if (fitMode < 2 || fitMode > 5) return 0;
  return grund::ReadEditValue(Latin1(fields[fitMode - 2]));
}

void TForm1::EndComputation() {
  CalcIdle = 1;
  Button1->setText(QStringLiteral("Berechnung"));
}

void TForm1::D18C() {
  // A click while a computation runs further down the call stack: ask it to
  // stop. It notices at the end of its current pass.
  if (CalcIdle == 0) {
    EndComputation();
    return;
  }

  CalcIdle = 0;
  // The window may close, or even be destroyed, while its events run.
  const QPointer<TForm1> self(this);
  const auto windowGone = [&] { return self.isNull() || closed_; };
  QCoreApplication::processEvents();
  if (windowGone()) {
    CalcIdle = 1;
    return;
  }
  // An abort click in that pumping (or a fit nested in it that has ended)
  // left CalcIdle at 1 and the caption at "Berechnung": this computation
  // stops after its first pass, and the caption must not offer to abort it.
  if (CalcIdle == 0) Button1->setText(QStringLiteral("Abbruch"));

  const int mode = CheckedFitMode();
  const double fixedValue = FixedValue(mode);
  TablePairs pairs = ReadPairs(*SG4);
  Label2->setText(QString::number(pairs.x.size()));
  Listbox1->clear();
  resultRecords_.clear();
  ClearStatistics();

  SineFit fit(static_cast<FitMode>(mode), fixedValue, pairs.x, pairs.y);
  const auto readBound = [this] { return grund::ReadEditValue(Latin1(Edit5)); };
  if (FrequencyScanWanted(fit.Mode())) {
    RunFrequencyScanPass(fit, readBound);
    if (windowGone()) {
      CalcIdle = 1;
      return;
    }
    if (CalcIdle == 1) {  // stopped during the scan or right after it
      EndComputation();
      return;
    }
  }
  std::string term, shownEntry;
  for (int pass = 0; pass < kFitPasses; ++pass) {
    const PassResult result = fit.RunPass(readBound);
    term = result.term;
    shownEntry = result.entry;
    const QString entry = QString::fromLatin1(result.entry);
    if (Listbox1->findItems(entry, Qt::MatchExactly).isEmpty()) {
      Listbox1->addItem(entry);
      resultRecords_[result.entry] = {fit.Mode(), result.parameters, result.error};
    }

    QCoreApplication::processEvents();
    if (windowGone()) {
      // Nothing of the window is touched any more; the program may be ending.
      CalcIdle = 1;
      return;
    }
    if (CalcIdle == 1) {  // stopped: the finished passes' entries stay
      EndComputation();
      return;
    }
  }

  // The last pass's result: its values in the f(x) column and its curve with
  // the pairs in the plot.
  for (std::size_t i = 0; i < pairs.rows.size(); ++i) {
    SG4->SetCellLatin1(pairs.rows[i], 2, FittedValueText(term, pairs.x[i]));
  }
  if (grund::PlotList* list = PlotList()) {
    BeginResultPlotList(*list, term);
    for (std::size_t i = 0; i < pairs.x.size(); ++i) AddPlotPair(*list, pairs.x[i], pairs.y[i]);
    EndResultPlotList(*list);
  }
  PB4Paint();
  ShowStatistics(shownEntry, pairs.x, pairs.y);
  EndComputation();
}

const ResultRecord* TForm1::FindResultRecord(const std::string& entry) const {
  const auto found = resultRecords_.find(entry);
  return found == resultRecords_.end() ? nullptr : &found->second;
}

void TForm1::Listbox1Click() {
  const QListWidgetItem* chosen = Listbox1->currentItem();
  if (chosen == nullptr || !chosen->isSelected() || PlotList() == nullptr) return;
  const std::string entry = chosen->text().toLatin1().toStdString();
  const std::string term(TermOfEntry(entry));

  // The pairs as the table holds them now, not as the fit saw them.
  const TablePairs pairs = ReadPairs(*SG4);
  grund::PlotList& list = *PlotList();
  BeginResultPlotList(list, term);
  for (std::size_t i = 0; i < pairs.rows.size(); ++i) {
    SG4->SetCellLatin1(pairs.rows[i], 2, FittedValueText(term, pairs.x[i]));
    AddPlotPair(list, pairs.x[i], pairs.y[i]);
  }
  EndResultPlotList(list);
  PB4Paint();
  ShowStatistics(entry, pairs.x, pairs.y);
}

}  // namespace app
