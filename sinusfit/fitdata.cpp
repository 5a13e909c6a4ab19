// The weights of a computation's pairs and its ceiling.

#include "sinusfit/fitdata.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "_grund/grund.h"

namespace sinusfit {

using grund::Extended;

std::vector<double> WeightsOf(const FitData& data) {
  if (data.sigma.empty()) return {};
  std::vector<double> w(data.x.size(), 1.0);
  for (std::size_t i = 0; i < w.size() && i < data.sigma.size(); ++i)
    w[i] = 1 / (data.sigma[i] * data.sigma[i]);
  return w;
}

double FlatLineError(const FitData& data) {
  const std::vector<double> w = WeightsOf(data);
  const std::size_t n = std::min(data.x.size(), data.y.size());
  if (n == 0) return 0;
  const auto weight = [&](std::size_t i) -> Extended { return w.empty() ? 1 : w[i]; };
  Extended sumW = 0, sumWY = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sumW += weight(i);
    sumWY += weight(i) * data.y[i];
  }
  const Extended mean = sumWY / sumW;
  Extended spread = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Extended deviation = data.y[i] - mean;
    spread += weight(i) * deviation * deviation;
  }
  return static_cast<double>(spread);
}

double ErrorCeiling(const FitData& data) {
  const double spread = FlatLineError(data);
  // A spread beyond a double (or made of values that are none): no error of
  // a candidate is too large to be taken.
  if (!std::isfinite(spread)) return std::numeric_limits<double>::infinity();
  return std::max(spread, kErrorCeiling);
}

}  // namespace sinusfit
