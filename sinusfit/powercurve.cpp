#include "sinusfit/powercurve.h"

#include <algorithm>
#include <cmath>

#include "sinusfit/fastperiodogram.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/longseries.h"
#include "sinusfit/periodogram.h"

namespace sinusfit {

namespace {

bool FastWay(double largestX, std::size_t n, const FrequencyGrid& grid) {
  return scan::FastPeriodogramTakes(largestX, grid) && scan::FastPeriodogramPays(n, grid.count);
}

// The pairs shifted to their means, the grid of trial values and whether
// the fast periodogram sums it: shared by the power and the window, so that
// both lie on one grid.
struct SpectrumGrid {
  scan::ShiftedPairs pairs;
  FrequencyGrid grid;
  bool fast = false;
};

std::optional<SpectrumGrid> ChooseGrid(const FitData& data, double bound) {
  const std::size_t n = std::min(data.x.size(), data.y.size());
  const std::vector<double> x(data.x.begin(), data.x.begin() + static_cast<std::ptrdiff_t>(n));
  const std::vector<double> y(data.y.begin(), data.y.begin() + static_cast<std::ptrdiff_t>(n));
  const bool longSeries = n > kTablePairs;
  // As the scan: nothing where a value is not a number.
  if (!std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); }))
    return std::nullopt;
  SpectrumGrid chosen;
  chosen.grid = ScanGrid(FitMode::kAllFree, x, bound);
  if (chosen.grid.count == 0) return std::nullopt;
  chosen.pairs = scan::Shift(x, y, WeightsOf(data));
  const scan::ShiftedPairs& pairs = chosen.pairs;
  if (!std::isfinite(pairs.syy) || !std::isfinite(pairs.xMean) ||
      !std::isfinite(pairs.weightSum) || !(pairs.weightSum > 0))
    return std::nullopt;
  double largest = 0;
  for (const double v : pairs.x) largest = std::max(largest, std::fabs(v));
  if (longSeries) {
    // Long series: the fast periodogram's grid, as their scan takes it.
    const auto [low, high] = std::minmax_element(x.begin(), x.end());
    const FrequencyGrid fast =
        scan::GridUpTo(*high - *low, bound, kLongScanOversampling, kScanMaxTrials);
    if (FastWay(largest, n, fast)) chosen.grid = fast;
  }
  // The direct way only over ScanGrid's grid, whose length is bounded by
  // the work it takes.
  chosen.fast = FastWay(largest, n, chosen.grid);
  return chosen;
}

// W at b = k·step for k = 1..count, summed directly: each pair's phase
// e^{i·b·x} turns by its own constant rotation e^{i·step·x} from one trial
// value to the next, one complex multiply per pair and trial value.
bool SumWindowDirectly(const scan::ShiftedPairs& pairs, const FrequencyGrid& grid,
                       std::vector<double>& window, const std::function<bool()>& keepGoing) {
  const std::size_t n = pairs.x.size();
  std::vector<double> turnCos(n), turnSin(n), re(n), im(n);
  for (std::size_t i = 0; i < n; ++i) {
    turnCos[i] = re[i] = std::cos(grid.step * pairs.x[i]);
    turnSin[i] = im[i] = std::sin(grid.step * pairs.x[i]);
  }
  std::vector<double> w(n, 1.0);
  if (!pairs.w.empty()) std::copy_n(pairs.w.begin(), n, w.begin());
  const double total = pairs.weightSum * pairs.weightSum;
  // keepGoing is asked after about kLongCheckWork pairs.
  const std::size_t checkEvery = std::max<std::size_t>(
      1, static_cast<std::size_t>(kLongCheckWork) / std::max<std::size_t>(n, 1));
  window.assign(static_cast<std::size_t>(grid.count), 0.0);
  for (std::size_t k = 0; k < window.size(); ++k) {
    if (k % checkEvery == 0 && keepGoing && !keepGoing()) return false;
    double sumRe = 0, sumIm = 0;
    for (std::size_t i = 0; i < n; ++i) {
      sumRe += w[i] * re[i];
      sumIm += w[i] * im[i];
      const double turned = re[i] * turnCos[i] - im[i] * turnSin[i];
      im[i] = re[i] * turnSin[i] + im[i] * turnCos[i];
      re[i] = turned;
    }
    window[k] = (sumRe * sumRe + sumIm * sumIm) / total;
  }
  return true;
}

enum class Summed { kDone, kStopped, kNotTaken };

// The same from the fast periodogram's sums Σw·sin(b·x) and Σw·cos(b·x).
Summed SumWindowFast(const scan::ShiftedPairs& pairs, const FrequencyGrid& grid,
                     std::vector<double>& window, const std::function<bool()>& keepGoing) {
  std::vector<scan::Sums<double>> sums;
  if (!scan::FastPeriodogramSums(pairs, grid, sums, keepGoing)) return Summed::kStopped;
  if (sums.size() != static_cast<std::size_t>(grid.count)) return Summed::kNotTaken;
  const double total = pairs.weightSum * pairs.weightSum;
  window.resize(sums.size());
  for (std::size_t k = 0; k < sums.size(); ++k) {
    if (!std::isfinite(sums[k].s) || !std::isfinite(sums[k].c)) return Summed::kNotTaken;
    window[k] = (sums[k].s * sums[k].s + sums[k].c * sums[k].c) / total;
  }
  return Summed::kDone;
}

}  // namespace

std::optional<PowerSpectrum> ComputePowerSpectrum(const FitData& data, double bound,
                                                  const std::function<bool()>& keepGoing) {
  const std::optional<SpectrumGrid> chosen = ChooseGrid(data, bound);
  if (!chosen) return std::nullopt;
  const scan::Periodogram periodogram(FitMode::kAllFree, 0, chosen->pairs);
  std::vector<double> residual;
  const bool done =
      chosen->fast
          ? scan::FastScanPeriodogram(chosen->pairs, chosen->grid, periodogram, residual, keepGoing)
          : scan::ScanPeriodogram(chosen->pairs, chosen->grid, periodogram, residual, keepGoing);
  if (!done) return std::nullopt;
  PowerSpectrum spectrum;
  spectrum.step = chosen->grid.step;
  spectrum.power.resize(residual.size());
  const double baseline = periodogram.Baseline();
  for (std::size_t k = 0; k < residual.size(); ++k)
    spectrum.power[k] = baseline > 0 ? std::clamp(1 - residual[k] / baseline, 0.0, 1.0) : 0;
  return spectrum;
}

std::optional<PowerSpectrum> ComputeSpectralWindow(const FitData& data, double bound,
                                                   const std::function<bool()>& keepGoing) {
  const std::optional<SpectrumGrid> chosen = ChooseGrid(data, bound);
  if (!chosen) return std::nullopt;
  PowerSpectrum window;
  window.step = chosen->grid.step;
  // As the power: the direct way where the fast one does not take the grid.
  const Summed fast = chosen->fast
                          ? SumWindowFast(chosen->pairs, chosen->grid, window.power, keepGoing)
                          : Summed::kNotTaken;
  if (fast == Summed::kStopped) return std::nullopt;
  if (fast == Summed::kNotTaken &&
      !SumWindowDirectly(chosen->pairs, chosen->grid, window.power, keepGoing))
    return std::nullopt;
  for (double& w : window.power) w = std::isfinite(w) ? std::clamp(w, 0.0, 1.0) : 0;
  return window;
}

}  // namespace sinusfit
