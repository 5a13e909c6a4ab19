// The decimals of a computation's texts, from the size of its pairs.

#include "sinusfit/textprecision.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sinusfit {

namespace {

// The usual scale's bounds.
constexpr double kLargestX = 1000;
constexpr double kLeastLargestY = 0.1;
constexpr double kLargestY = 1000;

struct Extent {
  double largestMagnitude = 0;  // the largest |v|
  double range = 0;             // the largest v minus the smallest
};

// Over the finite values only.
Extent ExtentOf(const std::vector<double>& values) {
  Extent e;
  bool any = false;
  double low = 0, high = 0;
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    low = any ? std::min(low, v) : v;
    high = any ? std::max(high, v) : v;
    any = true;
    e.largestMagnitude = std::max(e.largestMagnitude, std::fabs(v));
  }
  e.range = high - low;  // may overflow to infinity for values near the largest double
  return e;
}

// The size the values' texts must resolve: their range, or their size where
// they are all equal, or 1 where they are all 0.
double Resolution(const Extent& e) {
  if (e.range > 0) return e.range;
  if (e.largestMagnitude > 0) return e.largestMagnitude;
  return 1;
}

}  // namespace

bool OnUsualScale(const FitData& data) {
  if (data.x.empty()) return true;
  if (data.x.size() > kTablePairs || !data.sigma.empty()) return false;
  for (const double v : data.x)
    if (!(std::fabs(v) <= kLargestX)) return false;  // also for NaN
  for (const double v : data.y)
    if (!std::isfinite(v)) return false;
  const double largestY = ExtentOf(data.y).largestMagnitude;
  return largestY >= kLeastLargestY && largestY <= kLargestY &&
         FlatLineError(data) <= kErrorCeiling;
}

int DecimalsFor(double tolerance, int least) {
  if (!(tolerance > 0)) return kMostDecimals;
  if (!std::isfinite(tolerance)) return least;
  // ½·10^-d <= tolerance  ⟺  d >= −log10(2·tolerance); a little slack keeps
  // exact powers of ten from taking one more decimal through rounding.
  const double needed = std::ceil(-std::log10(2 * tolerance) - 1e-9);
  if (needed <= least) return least;
  if (needed >= kMostDecimals) return kMostDecimals;
  return static_cast<int>(needed);
}

TextPrecision ChooseTextPrecision(const FitData& data) {
  TextPrecision p;
  if (OnUsualScale(data)) return p;
  const TextPrecision usual;
  p.specifiedScale = false;
  const Extent x = ExtentOf(data.x);
  const Extent y = ExtentOf(data.y);
  const double yResolution = Resolution(y);
  p.a = DecimalsFor(kModelShare * yResolution, usual.a);
  p.d = DecimalsFor(kModelShare * yResolution, usual.d);
  p.c = DecimalsFor(kModelShare, usual.c);
  p.b = DecimalsFor(kModelShare / x.largestMagnitude, usual.b);
  p.errorDigits = kErrorDigits;
  p.fittedValue = DecimalsFor(kFittedValueShare * yResolution, usual.fittedValue);
  p.plotX = DecimalsFor(kPlotShare * Resolution(x), usual.plotX);
  p.plotY = DecimalsFor(kPlotShare * yResolution, usual.plotY);
  return p;
}

}  // namespace sinusfit
