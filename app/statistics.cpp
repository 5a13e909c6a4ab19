// The statistics label LabelStatistik below the fit's settings: how far the
// shown result can be trusted. The numbers and their text come from
// sinusfit's fit statistics; this only wires them to the window.

#include <QLabel>
#include <string>
#include <vector>

#include "app/tform1.h"
#include "app/valuetable.h"
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
  LabelStatistik = new QLabel(panel);
  LabelStatistik->setObjectName(QStringLiteral("LabelStatistik"));
  LabelStatistik->setGeometry(kStatisticsPlace);
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
  connect(SG4, &ValueTable::PairsChanged, this, &TForm1::ClearStatistics);
}

void TForm1::ShowStatistics(const std::string& entry, const std::vector<double>& x,
                            const std::vector<double>& y) {
  const ResultRecord* record = FindResultRecord(entry);
  if (record == nullptr || LabelStatistik == nullptr) {
    ClearStatistics();
    return;
  }
  const FitStatistics statistics = ComputeFitStatistics(record->mode, record->parameters, x, y);
  LabelStatistik->setText(
      QString::fromStdString(FormatFitStatistics(record->mode, record->parameters, statistics)));
}

void TForm1::ClearStatistics() {
  if (LabelStatistik != nullptr) LabelStatistik->clear();
}

}  // namespace app
