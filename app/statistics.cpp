// The statistics label LabelStatistik below the fit's settings: how far the
// shown result can be trusted. The numbers and their text come from
// sinusfit's fit statistics; this only wires them to the window.

#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/fitinput.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::ComputeFitStatistics;
using sinusfit::FitStatistics;
using sinusfit::FormatFitStatistics;

namespace {

// The place kept free for the label below the bound on |b|.
const QRect kStatisticsPlace(10, 602, 229, 105);

}  // namespace

void TForm1::BuildStatistics(QWidget* panel) {
  // A weighted fit's statistics take more lines than the place holds: they
  // scroll, without a frame or a background of their own.
  auto* place = new QScrollArea(panel);
  place->setObjectName(QStringLiteral("StatistikScroll"));
  place->setGeometry(kStatisticsPlace);
  place->setFrameShape(QFrame::NoFrame);
  place->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  place->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  place->setWidgetResizable(true);
  place->setFocusPolicy(Qt::NoFocus);
  place->viewport()->setAutoFillBackground(false);
  LabelStatistik = new QLabel;
  LabelStatistik->setObjectName(QStringLiteral("LabelStatistik"));
  LabelStatistik->setAutoFillBackground(false);
  place->setWidget(LabelStatistik);
  LabelStatistik->setTextFormat(Qt::PlainText);
  LabelStatistik->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LabelStatistik->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // Selectable by keyboard once clicked, but kept out of the Tab order.
  LabelStatistik->setFocusPolicy(Qt::ClickFocus);
  LabelStatistik->setToolTip(
      QStringLiteral("Standardfehler der Parameter, Bestimmtheitsmaß R² und mittlerer Fehler "
                     "(RMSE) des angezeigten Ergebnisses"));

  // Statistics belong to the pairs they were computed from: a change of an x
  // or y cell (typing, pasting, "B", "x", undoing) makes them stale.
  // So does the hint of the scan, which was about the pairs as they were.
  connect(SG4, &ValueTable::PairsChanged, this, [this] {
    scanHint_.clear();
    modelHint_.clear();
    ClearStatistics();
    ForgetPairsOnly();
  });
}

void TForm1::ShowStatistics(const std::string& entry, const TablePairs& pairs) {
  const ResultRecord* record = FindResultRecord(entry);
  if (record == nullptr || LabelStatistik == nullptr) {
    ClearStatistics();
    return;
  }
  // On the pairs the table holds, weighted where their Δy are all given.
  const FitInput input = ReadFitInput(pairs);
  const sinusfit::FitData& data = input.data;
  const sinusfit::Model& model = sinusfit::ModelOf(record->model, record->values);
  shownSignificance_.clear();
  if (record->model != sinusfit::ModelKind::kSine) {
    const int held = static_cast<int>(sinusfit::EffectiveMode(record->mode)) - 2;
    const sinusfit::ModelStatistics statistics = sinusfit::ComputeModelStatistics(
        model, record->values, record->origin, held, data.x, data.y, data.sigma);
    statisticsText_ =
        QString::fromStdString(sinusfit::FormatModelStatistics(model, statistics, held));
    if (sinusfit::IsSumOfSines(record->model)) {
      // Whether each sine stands out of the noise, on the table's pairs.
      shownSignificance_ = sinusfit::SignificanceTexts(sinusfit::SinesSignificance(
          model, record->values, record->origin, data.x, data.y, sinusfit::WeightsOf(data),
          record->searchedUpTo));
      for (const std::string& line : shownSignificance_)
        statisticsText_ += '\n' + QString::fromStdString(line);
    }
    shownStatistics_ = statistics;
    shownHeld_ = held;
  } else {
    const FitStatistics statistics =
        ComputeFitStatistics(record->mode, record->parameters, data.x, data.y, data.sigma);
    statisticsText_ =
        QString::fromStdString(FormatFitStatistics(record->mode, record->parameters, statistics));
    // After a scan: whether the period it found stands out of the noise.
    if (record->scanBound > 0 && record->data != nullptr) statisticsText_ += FoundPeriodText(*record);
    shownStatistics_ = sinusfit::SineModelStatistics(record->mode, record->parameters, statistics);
    const sinusfit::FitMode effective = sinusfit::EffectiveMode(record->mode);
    shownHeld_ = effective == sinusfit::FitMode::kAllFree ? -1 : static_cast<int>(effective) - 2;
  }
  shownEntry_ = entry;
  shownModel_ = record->model;
  shownValues_ = record->values;
  captionLines_ = sinusfit::CaptionLines(model, shownStatistics_, shownHeld_);
  if (actionResultInPlot != nullptr && actionResultInPlot->isChecked()) PB4->update();
  LabelStatistik->setText(statisticsText_);
  AppendScanHint();
}

QString TForm1::FoundPeriodText(const ResultRecord& shown) const {
  // The period found is the best line, the bold one (of equal errors the
  // lowest |b|, so not an alias): the highest peak the scan searched.
  const ResultRecord* best = &shown;
  for (int row = 0; row < Listbox1->count(); ++row) {
    const QListWidgetItem* item = Listbox1->item(row);
    if (!item->font().bold()) continue;
    const ResultRecord* bold = FindResultRecord(platform::ToLatin1(item->text()));
    if (bold != nullptr && bold->data == shown.data && bold->model == sinusfit::ModelKind::kSine)
      best = bold;
  }
  const double fap = sinusfit::PeriodFalseAlarm(*best->data, best->error, best->scanBound);
  return QStringLiteral("\nFrequenzsuche: b = %1\n%2")
      .arg(QString::fromStdString(grund::FormatPoint(std::fabs(best->parameters.b), 1, 6))
               .replace(QLatin1Char('.'), QLatin1Char(',')),
           QString::fromStdString(sinusfit::FalseAlarmText(fap)));
}

void TForm1::AppendScanHint() {
  if (LabelStatistik == nullptr || (scanHint_.isEmpty() && modelHint_.isEmpty())) return;
  QString text = statisticsText_;
  for (const QString& hint : {scanHint_, modelHint_}) {
    if (hint.isEmpty()) continue;
    if (!text.isEmpty()) text += '\n';
    text += hint;
  }
  LabelStatistik->setText(text);
}

void TForm1::ClearStatistics() {
  statisticsText_.clear();
  shownEntry_.clear();
  if (!captionLines_.empty()) {
    captionLines_.clear();
    shownStatistics_ = {};
    shownSignificance_.clear();
    PB4->update();
  }
  if (LabelStatistik != nullptr) LabelStatistik->clear();
}

}  // namespace app
