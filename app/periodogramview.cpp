// "Periodogramm": the plot area shows, instead of the pairs, the power of a
// sine at every b up to the bound, for the pairs (blue) and for the shown
// fit's residuals (orange), with the fit's b marked. It is a view like the
// pairs' (zoom, drag, "An Daten anpassen", every export); unchecked, the
// pairs come back in the view they had.

#include <QAction>
#include <algorithm>
#include <cmath>

#include "app/controls.h"
#include "app/fitinput.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"

namespace app {

namespace {

constexpr platform::Color kDataPower{0, 0, 255};
constexpr platform::Color kResidualPower{230, 80, 0};
constexpr platform::Color kFoundMark{200, 0, 0};

}  // namespace

void TForm1::CreatePeriodogramAction() {
  actionPeriodogram = new QAction(QStringLiteral("Periodogramm"), this);
  actionPeriodogram->setObjectName(QStringLiteral("actionPeriodogram"));
  actionPeriodogram->setCheckable(true);
  actionPeriodogram->setToolTip(
      QStringLiteral("Zeigt die Leistung eines Sinus bei jedem b bis zur Grenze für |b|: "
                     "der Wertepaare (blau) und der Residuen des angezeigten Ergebnisses "
                     "(orange), dessen b rot markiert ist"));
  connect(actionPeriodogram, &QAction::toggled, this, &TForm1::ShowPeriodogram);
}

bool TForm1::PeriodogramShown() const {
  return actionPeriodogram != nullptr && actionPeriodogram->isChecked();
}

void TForm1::ShowPeriodogram(bool shown) {
  // The pairs' view waits while the periodogram shows all its range.
  if (shown) {
    otherView_ = userView_;
    FitViewToData();
  } else {
    userView_ = otherView_;
  }
  dragStartView_.reset();
  PB4->update();
}

const TForm1::ShownSpectra* TForm1::CurrentSpectra() {
  const std::string term = ShownTerm();
  const double bound = BoundOnB();
  const ValueTable::Revision revision = SG4->CurrentRevision();
  if (spectra_ && spectra_->revision == revision && spectra_->term == term &&
      spectra_->bound == bound)
    return spectra_->data.power.empty() ? nullptr : &*spectra_;
  ShownSpectra spectra;
  spectra.revision = revision;
  spectra.term = term;
  spectra.bound = bound;
  const FitInput input = ReadFitInput(ReadNumericPairs(*SG4));
  const auto always = [] { return true; };
  if (auto power = sinusfit::ComputePowerSpectrum(input.data, bound, always))
    spectra.data = std::move(*power);
  if (!spectra.data.power.empty() && term.find_first_not_of(' ') != std::string::npos) {
    sinusfit::FitData residuals = input.data;
    for (std::size_t i = 0; i < residuals.x.size(); ++i)
      residuals.y[i] -= fktint::EvaluateTerm(term, residuals.x[i]);
    if (fktint::EvalError < 3) {
      spectra.residuals = sinusfit::ComputePowerSpectrum(residuals, bound, always);
      // Every model carries b second.
      if (!captionLines_.empty() && shownStatistics_.values.size() > 1)
        spectra.marks.push_back(std::fabs(shownStatistics_.values[1]));
    }
  }
  spectra_ = std::move(spectra);
  return spectra_->data.power.empty() ? nullptr : &*spectra_;
}

std::optional<graph_reduziert::PlotView> TForm1::PeriodogramFitView() {
  const ShownSpectra* spectra = CurrentSpectra();
  if (spectra == nullptr) return std::nullopt;
  double highest = *std::max_element(spectra->data.power.begin(), spectra->data.power.end());
  if (spectra->residuals && !spectra->residuals->power.empty())
    highest = std::max(highest, *std::max_element(spectra->residuals->power.begin(),
                                                  spectra->residuals->power.end()));
  const double right = spectra->data.B(spectra->data.power.size() - 1);
  return graph_reduziert::PlotView{0, right, 0, std::max(highest, 1e-3) * 1.05};
}

void TForm1::PaintPeriodogram(platform::Canvas& canvas) {
  const ShownSpectra* spectra = CurrentSpectra();
  if (spectra == nullptr) return;
  graph_reduziert::DrawSpectrum(canvas, spectra->data.power, spectra->data.step, kDataPower);
  if (spectra->residuals)
    graph_reduziert::DrawSpectrum(canvas, spectra->residuals->power, spectra->residuals->step,
                                  kResidualPower);
  for (const double b : spectra->marks) graph_reduziert::DrawFrequencyMark(canvas, b, kFoundMark);
  canvas.SetPenColor(platform::kBlack);
}

}  // namespace app
