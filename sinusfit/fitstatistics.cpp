// The statistics of a fit: standard errors through a QR factorisation of the
// scaled Jacobian, R², RMSE and, with Δy, χ² and its probability.

#include "sinusfit/fitstatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>

#include "sinusfit/statisticsmath.h"

namespace sinusfit {

using grund::Extended;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Which of a, b, c, d (0..3) each free parameter is, per mode 1..5.
constexpr int kFreeToParameter[5][4] = {
    {0, 1, 2, 3}, {1, 2, 3, -1}, {0, 2, 3, -1}, {0, 1, 3, -1}, {0, 1, 2, -1}};

}  // namespace

FitStatistics ComputeFitStatistics(FitMode mode, const ModelParameters& p,
                                   const std::vector<double>& x, const std::vector<double>& y) {
  return ComputeFitStatistics(mode, p, x, y, {});
}

FitStatistics ComputeFitStatistics(FitMode mode, const ModelParameters& p,
                                   const std::vector<double>& x, const std::vector<double>& y,
                                   const std::vector<double>& sigma) {
  const FitMode effective = EffectiveMode(mode);
  const int m = FreeParameterCount(effective);
  const bool weighted = !sigma.empty();
  const std::size_t n = std::min({x.size(), y.size(), weighted ? sigma.size() : y.size()});

  FitStatistics s;
  s.n = static_cast<int>(n);
  s.freeParameters = m;
  s.standardError.fill(kNaN);
  s.weighted = weighted;
  s.degreesOfFreedom = s.n - m;

  // The Jacobian's rows divided by Δy, so that JᵀJ of the columns is JᵀWJ.
  std::array<std::vector<Extended>, 4> columns;
  for (int k = 0; k < m; ++k) columns[k].resize(n);
  Extended sse = 0, chiSquared = 0, ySum = 0;
  std::array<double, 4> derivatives{};
  for (std::size_t i = 0; i < n; ++i) {
    const SinCos sc = ModelSinCos(p, x[i]);
    const Extended residual = y[i] - ModelValue(p, sc);
    sse += residual * residual;
    ySum += y[i];
    ModelDerivativesFrom(effective, p, x[i], sc, std::span(derivatives).first(m));
    if (weighted) {
      const Extended scaled = residual / sigma[i];
      chiSquared += scaled * scaled;
      for (int k = 0; k < m; ++k) columns[k][i] = derivatives[k] / static_cast<Extended>(sigma[i]);
    } else {
      for (int k = 0; k < m; ++k) columns[k][i] = derivatives[k];
    }
  }
  Extended sst = 0;
  if (n > 0) {
    const Extended mean = ySum / static_cast<Extended>(n);
    for (std::size_t i = 0; i < n; ++i) sst += (y[i] - mean) * (y[i] - mean);
  }
  s.sse = static_cast<double>(sse);
  s.rmse = n > 0 ? static_cast<double>(std::sqrt(sse / static_cast<Extended>(n))) : kNaN;
  s.rSquared = sst > 0 && std::isfinite(sst) ? static_cast<double>(1 - sse / sst) : kNaN;
  if (weighted) {
    // A Δy that is no positive number weights nothing it could mean.
    if (!std::all_of(sigma.begin(), sigma.begin() + static_cast<std::ptrdiff_t>(n),
                     [](double v) { return v > 0 && std::isfinite(v); }))
      return s;
    statistics::AddChiSquared(s, chiSquared);
  }

  const Extended spread = weighted ? chiSquared : sse;
  if (static_cast<std::size_t>(m) >= n || !std::isfinite(spread)) return s;
  for (int k = 0; k < m; ++k) {
    for (const Extended v : columns[k])
      if (!std::isfinite(v)) return s;
  }
  statistics::InverseFactor factor;
  if (!statistics::FactorJacobian(std::span(columns).first(static_cast<std::size_t>(m)), factor))
    return s;

  // Given uncertainties set the scale: the errors are not scaled by the
  // scatter, as they are without them.
  const Extended s2 = weighted ? 1 : sse / static_cast<Extended>(n - static_cast<std::size_t>(m));
  const int* parameterOf = kFreeToParameter[static_cast<int>(effective) - 1];
  for (int k = 0; k < m; ++k) {
    const double error = static_cast<double>(std::sqrt(s2 * factor.InverseNormal(k, k)));
    if (std::isfinite(error)) s.standardError[parameterOf[k]] = error;
  }
  return s;
}

}  // namespace sinusfit
