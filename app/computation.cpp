// The computation handler: Button1 starts a computation or asks a running
// one to stop. The fit itself is SineFit (sinusfit); the handler reads the
// window's settings, drives the passes (the frequency scan's first, where it
// is wanted) and keeps the window alive by running its pending events once at
// the start and once per pass.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "_grund/grund.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::FitMode;
using sinusfit::PassResult;
using sinusfit::SineFit;

TForm1::Pumping TForm1::WindowState(const QPointer<TForm1>& self) {
  if (self.isNull() || self->closed_) return Pumping::kWindowGone;
  return CalcIdle == 1 ? Pumping::kAborted : Pumping::kGoOn;
}

TForm1::Pumping TForm1::PumpEvents(const QPointer<TForm1>& self) {
  QCoreApplication::processEvents();
  return WindowState(self);
}

void TForm1::StopComputation(const QPointer<TForm1>& self) {
  // Nothing of a window that is gone is touched any more; the program may be
  // ending.
  if (WindowState(self) == Pumping::kWindowGone) {
    CalcIdle = 1;
    return;
  }
  self->EndComputation();
}

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
  return grund::ReadEditValue(platform::ToLatin1(fields[fitMode - 2]->text()));
}

// Read afresh for every candidate: the field holds a term.
double TForm1::BoundOnB() const { return grund::ReadEditValue(platform::ToLatin1(Edit5->text())); }

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
  const Pumping started = PumpEvents(self);
  if (started == Pumping::kWindowGone) {
    StopComputation(self);
    return;
  }
  // An abort click in that pumping (or a fit nested in it that has ended)
  // left CalcIdle at 1 and the caption at "Berechnung": this computation
  // stops after its first pass, and the caption must not offer to abort it.
  if (started == Pumping::kGoOn) Button1->setText(QStringLiteral("Abbruch"));

  const int mode = CheckedFitMode();
  const double fixedValue = FixedValue(mode);
  const TablePairs pairs = ReadPairs(*SG4);
  Label2->setText(QString::number(pairs.x.size()));
  ClearResults();

  SineFit fit(static_cast<FitMode>(mode), fixedValue, pairs.x, pairs.y);
  const std::optional<PassResult> last = RunPasses(fit, self);
  if (!last) return;  // stopped: the finished passes' lines stay
  // The last pass's result: its values in the f(x) column and its curve with
  // the pairs in the plot.
  ShowResult(last->term, last->entry, pairs);
  EndComputation();
}

std::optional<PassResult> TForm1::RunPasses(SineFit& fit, const QPointer<TForm1>& self) {
  const auto readBound = [this] { return BoundOnB(); };
  if (FrequencyScanWanted(fit.Mode()) &&
      RunFrequencyScanPass(fit, readBound, self) != Pumping::kGoOn) {
    StopComputation(self);  // stopped during the scan or right after it
    return std::nullopt;
  }
  PassResult result;
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
    result = fit.RunPass(readBound);
    AddResultLine(fit.Mode(), result);
    if (PumpEvents(self) != Pumping::kGoOn) {
      StopComputation(self);
      return std::nullopt;
    }
  }
  return result;
}

bool TForm1::FrequencyScanWanted(FitMode mode) const {
  return CheckFrequenzsuche->isChecked() && sinusfit::EffectiveMode(mode) != FitMode::kFixedB;
}

TForm1::Pumping TForm1::RunFrequencyScanPass(const SineFit& fit,
                                             const std::function<double()>& readBound,
                                             const QPointer<TForm1>& self) {
  // The scan pumps the window's events as it goes; an abort click or the
  // window closing ends it at once.
  const auto keepGoing = [&self] { return PumpEvents(self) == Pumping::kGoOn; };
  const std::optional<PassResult> result = sinusfit::RunFrequencyScan(fit, readBound, keepGoing);
  const Pumping state = WindowState(self);
  if (state != Pumping::kGoOn) return state;
  if (result) AddResultLine(fit.Mode(), *result);
  // As at the end of a pass: the window's events run, an abort is seen.
  return PumpEvents(self);
}

}  // namespace app
