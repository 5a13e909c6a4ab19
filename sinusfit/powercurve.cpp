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

}  // namespace

std::optional<PowerSpectrum> ComputePowerSpectrum(const FitData& data, double bound,
                                                  const std::function<bool()>& keepGoing) {
  const std::size_t n = std::min(data.x.size(), data.y.size());
  const std::vector<double> x(data.x.begin(), data.x.begin() + static_cast<std::ptrdiff_t>(n));
  const std::vector<double> y(data.y.begin(), data.y.begin() + static_cast<std::ptrdiff_t>(n));
  const bool longSeries = n > kTablePairs;
  // As the scan: nothing where a value is not a number.
  if (!std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); }))
    return std::nullopt;
  FrequencyGrid grid = ScanGrid(FitMode::kAllFree, x, bound);
  if (grid.count == 0) return std::nullopt;
  const scan::ShiftedPairs pairs = scan::Shift(x, y, WeightsOf(data));
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
    if (FastWay(largest, n, fast)) grid = fast;
  }
  const scan::Periodogram periodogram(FitMode::kAllFree, 0, pairs);
  std::vector<double> residual;
  // The direct way only over ScanGrid's grid, whose length is bounded by
  // the work it takes.
  const bool done = FastWay(largest, n, grid)
                        ? scan::FastScanPeriodogram(pairs, grid, periodogram, residual, keepGoing)
                        : scan::ScanPeriodogram(pairs, grid, periodogram, residual, keepGoing);
  if (!done) return std::nullopt;
  PowerSpectrum spectrum;
  spectrum.step = grid.step;
  spectrum.power.resize(residual.size());
  const double baseline = periodogram.Baseline();
  for (std::size_t k = 0; k < residual.size(); ++k)
    spectrum.power[k] = baseline > 0 ? std::clamp(1 - residual[k] / baseline, 0.0, 1.0) : 0;
  return spectrum;
}

}  // namespace sinusfit
