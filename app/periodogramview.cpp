// "Periodogramm": the plot area shows, instead of the pairs, the power of a
// sine at every b up to the bound, for the pairs (blue) and for the shown
// fit's residuals (orange), with every sine's b of the fit marked. It is a
// view like the pairs' (zoom, drag, "An Daten anpassen", every export);
// unchecked, the pairs come back in the view they had. Its x axis is b or
// the period 2π/b; the pairs' spectral window (grey) shows on request.

#include <QAction>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/controls.h"
#include "app/fitinput.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"
#include "sinusfit/model.h"

namespace app {

namespace {

constexpr platform::Color kDataPower{0, 0, 255};
constexpr platform::Color kResidualPower{230, 80, 0};
constexpr platform::Color kWindowPower{140, 140, 140};
constexpr platform::Color kFoundMark{200, 0, 0};
constexpr double kTwoPi = 2 * std::numbers::pi;

// The angular frequency of every sine of a result: one for the sine, each
// term's of a sum. Parameters too few for the model give none.
std::vector<double> FrequenciesOf(sinusfit::ModelKind kind, const std::vector<double>& values) {
  const sinusfit::Model& model = sinusfit::ModelOf(kind, values);
  std::vector<double> frequencies;
  if (static_cast<int>(values.size()) < model.ParameterCount()) return frequencies;
  for (int k = 0; k < model.FrequencyCount(); ++k) {
    const double b = std::fabs(model.AngularFrequency(values, k));
    if (std::isfinite(b) && b > 0) frequencies.push_back(b);
  }
  return frequencies;
}

// The lowest b at which the power reaches level; 0 where it never does.
double LowestReaching(const sinusfit::PowerSpectrum& spectrum, double level) {
  for (std::size_t k = 0; k < spectrum.power.size(); ++k)
    if (spectrum.power[k] >= level) return spectrum.B(k);
  return 0;
}

// The highest power at b of at least fromB; 0 without.
double HighestFrom(const sinusfit::PowerSpectrum& spectrum, double fromB) {
  double highest = 0;
  for (std::size_t k = 0; k < spectrum.power.size(); ++k)
    if (spectrum.B(k) >= fromB) highest = std::max(highest, spectrum.power[k]);
  return highest;
}

// The right end of the view over the period. The samples crowd at short
// periods: the view reaches a half beyond the longest period of a mark or
// of a peak at least half as high as the highest, and never beyond the span
// the pairs cover once nor the grid's longest period.
double PeriodViewEnd(const sinusfit::PowerSpectrum& data, const sinusfit::PowerSpectrum* residuals,
                     const std::vector<double>& marks, double span) {
  double highest = HighestFrom(data, 0);
  if (residuals != nullptr) highest = std::max(highest, HighestFrom(*residuals, 0));
  double lowest = 0;
  const auto take = [&](double b) {
    if (b > 0) lowest = lowest > 0 ? std::min(lowest, b) : b;
  };
  if (highest > 0) {
    take(LowestReaching(data, highest / 2));
    if (residuals != nullptr) take(LowestReaching(*residuals, highest / 2));
  }
  for (const double b : marks) take(b);
  double end = kTwoPi / data.B(0);
  if (lowest > 0) end = std::min(end, 1.5 * kTwoPi / lowest);
  if (span > 0) end = std::min(end, span);
  return end;
}

}  // namespace

void TForm1::CreatePeriodogramAction() {
  actionPeriodogram = new QAction(QStringLiteral("Periodogramm"), this);
  actionPeriodogram->setObjectName(QStringLiteral("actionPeriodogram"));
  actionPeriodogram->setCheckable(true);
  actionPeriodogram->setToolTip(
      QStringLiteral("Zeigt die Leistung eines Sinus bei jedem b bis zur Grenze für |b|: "
                     "der Wertepaare (blau) und der Residuen des angezeigten Ergebnisses "
                     "(orange), dessen Frequenzen rot markiert sind"));
  connect(actionPeriodogram, &QAction::toggled, this, &TForm1::ShowPeriodogram);

  // Both change the periodogram only: usable while it is shown.
  actionPeriodAxis = new QAction(QStringLiteral("Periode statt Frequenz"), this);
  actionPeriodAxis->setObjectName(QStringLiteral("actionPeriodAxis"));
  actionPeriodAxis->setCheckable(true);
  actionPeriodAxis->setEnabled(false);
  actionPeriodAxis->setToolTip(
      QStringLiteral("Zeigt das Periodogramm über der Periode 2π/b statt über b"));
  connect(actionPeriodAxis, &QAction::toggled, this, [this] {
    // The x axis has other units: the view is fitted anew.
    dragStartView_.reset();
    if (PeriodogramShown()) FitViewToData();
  });
  actionSpectralWindow = new QAction(QStringLiteral("Spektralfenster"), this);
  actionSpectralWindow->setObjectName(QStringLiteral("actionSpectralWindow"));
  actionSpectralWindow->setCheckable(true);
  actionSpectralWindow->setEnabled(false);
  actionSpectralWindow->setToolTip(
      QStringLiteral("Zeigt grau das Spektralfenster der x-Werte: wo es Spitzen hat, "
                     "zeigt jeder Sinus Nebenspitzen (Aliase)"));
  // The window may stand higher than the power: the view is fitted anew.
  connect(actionSpectralWindow, &QAction::toggled, this, [this] {
    dragStartView_.reset();
    if (PeriodogramShown()) FitViewToData();
  });
}

bool TForm1::PeriodogramShown() const {
  return actionPeriodogram != nullptr && actionPeriodogram->isChecked();
}

graph_reduziert::SpectrumAxis TForm1::PeriodogramAxis() const {
  return actionPeriodAxis != nullptr && actionPeriodAxis->isChecked()
             ? graph_reduziert::SpectrumAxis::kPeriod
             : graph_reduziert::SpectrumAxis::kFrequency;
}

graph_reduziert::AxisTitles TForm1::PeriodogramTitles() const {
  return {
      PeriodogramAxis() == graph_reduziert::SpectrumAxis::kPeriod ? "Periode" : "b (Kreisfrequenz)",
      "Leistung z"};
}

void TForm1::ShowPeriodogram(bool shown) {
  actionPeriodAxis->setEnabled(shown);
  actionSpectralWindow->setEnabled(shown);
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
      if (!captionLines_.empty())
        spectra.marks = FrequenciesOf(shownModel_, shownStatistics_.values);
    }
  }
  spectraSpan_ = 0;
  if (!spectra.data.power.empty()) {
    // Finite x, as a spectrum has.
    const auto [low, high] = std::minmax_element(input.data.x.begin(), input.data.x.end());
    spectraSpan_ = *high - *low;
  }
  spectra_ = std::move(spectra);
  return spectra_->data.power.empty() ? nullptr : &*spectra_;
}

const sinusfit::PowerSpectrum* TForm1::CurrentWindow() {
  const double bound = BoundOnB();
  const ValueTable::Revision revision = SG4->CurrentRevision();
  if (!window_ || window_->revision != revision || window_->bound != bound) {
    window_.emplace();
    window_->revision = revision;
    window_->bound = bound;
    const FitInput input = ReadFitInput(ReadNumericPairs(*SG4));
    if (auto window = sinusfit::ComputeSpectralWindow(input.data, bound, [] { return true; }))
      window_->power = std::move(*window);
  }
  return window_->power.power.empty() ? nullptr : &window_->power;
}

std::optional<graph_reduziert::PlotView> TForm1::PeriodogramFitView() {
  const ShownSpectra* spectra = CurrentSpectra();
  if (spectra == nullptr) return std::nullopt;
  const sinusfit::PowerSpectrum& data = spectra->data;
  double left = 0, right = data.B(data.power.size() - 1), fromB = 0;
  if (PeriodogramAxis() == graph_reduziert::SpectrumAxis::kPeriod) {
    right = PeriodViewEnd(data, spectra->residuals ? &*spectra->residuals : nullptr, spectra->marks,
                          spectraSpan_);
    fromB = kTwoPi / right;
  }
  double highest = HighestFrom(data, fromB);
  if (spectra->residuals) highest = std::max(highest, HighestFrom(*spectra->residuals, fromB));
  if (actionSpectralWindow->isChecked())
    if (const sinusfit::PowerSpectrum* window = CurrentWindow())
      highest = std::max(highest, HighestFrom(*window, fromB));
  return graph_reduziert::PlotView{left, right, 0, std::max(highest, 1e-3) * 1.05};
}

void TForm1::PaintPeriodogram(platform::Canvas& canvas) {
  const ShownSpectra* spectra = CurrentSpectra();
  if (spectra == nullptr) return;
  const graph_reduziert::SpectrumAxis axis = PeriodogramAxis();
  // Under the power, which it explains.
  if (actionSpectralWindow->isChecked())
    if (const sinusfit::PowerSpectrum* window = CurrentWindow())
      graph_reduziert::DrawSpectrum(canvas, window->power, window->step, kWindowPower, axis);
  graph_reduziert::DrawSpectrum(canvas, spectra->data.power, spectra->data.step, kDataPower, axis);
  if (spectra->residuals)
    graph_reduziert::DrawSpectrum(canvas, spectra->residuals->power, spectra->residuals->step,
                                  kResidualPower, axis);
  for (const double b : spectra->marks)
    graph_reduziert::DrawFrequencyMark(canvas, b, kFoundMark, axis);
  canvas.SetPenColor(platform::kBlack);
}

}  // namespace app
