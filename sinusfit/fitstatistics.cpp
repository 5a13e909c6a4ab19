// The statistics of a fit: standard errors through a QR factorisation of the
// scaled Jacobian, R², RMSE and, with Δy, χ² and its probability.

#include "sinusfit/fitstatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>

#include "sonderfunktionen/sonderfunktionen.h"

namespace sinusfit {

using grund::Extended;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Beyond this condition number of the column-scaled Jacobian the inverse of
// JᵀJ loses its leading digits to the rounding of J itself (its relative
// error grows like the square of the condition times the double epsilon),
// so the standard errors are reported as not determined.
constexpr Extended kMaxCondition = 1e7;

// Which of a, b, c, d (0..3) each free parameter is, per mode 1..5.
constexpr int kFreeToParameter[5][4] = {
    {0, 1, 2, 3}, {1, 2, 3, -1}, {0, 2, 3, -1}, {0, 1, 3, -1}, {0, 1, 2, -1}};

// The diagonal of (JᵀJ)⁻¹ for the n × m Jacobian held column by column, or
// false when it cannot be computed with digits to spare. Works on J with
// unit-norm columns (D⁻¹ scaling) through a Householder QR: (JᵀJ)⁻¹ =
// D⁻¹ R⁻¹ R⁻ᵀ D⁻¹, so no normal matrix is ever formed and squared.
bool InverseNormalDiagonal(std::array<std::vector<Extended>, 4>& columns, int m,
                           std::array<Extended, 4>& diagonal) {
  const std::size_t n = columns[0].size();
  std::array<Extended, 4> norm{};
  for (int k = 0; k < m; ++k) {
    Extended sum = 0;
    for (const Extended v : columns[k]) sum += v * v;
    norm[k] = std::sqrt(sum);
    if (!(norm[k] > 0) || !std::isfinite(norm[k])) return false;
    for (Extended& v : columns[k]) v /= norm[k];
  }

  // Householder QR: R goes to r, the columns end up holding the reflectors.
  std::array<std::array<Extended, 4>, 4> r{};
  for (int k = 0; k < m; ++k) {
    std::vector<Extended>& a = columns[k];
    Extended sum = 0;
    for (std::size_t i = k; i < n; ++i) sum += a[i] * a[i];
    const Extended alpha = a[k] > 0 ? -std::sqrt(sum) : std::sqrt(sum);
    if (alpha == 0) return false;
    a[k] -= alpha;                      // a[k..n) is now the reflector v
    const Extended vv = -alpha * a[k];  // vᵀv / 2 = alpha·(alpha − a_kk)
    for (int j = k + 1; j < m; ++j) {
      std::vector<Extended>& b = columns[j];
      Extended dot = 0;
      for (std::size_t i = k; i < n; ++i) dot += a[i] * b[i];
      const Extended f = dot / vv;
      for (std::size_t i = k; i < n; ++i) b[i] -= f * a[i];
      r[k][j] = b[k];
    }
    r[k][k] = alpha;
  }

  // R⁻¹ by back substitution, column by column.
  std::array<std::array<Extended, 4>, 4> inv{};
  Extended frobenius = 0;
  for (int j = 0; j < m; ++j) {
    for (int i = j; i >= 0; --i) {
      Extended sum = i == j ? 1 : 0;
      for (int t = i + 1; t <= j; ++t) sum -= r[i][t] * inv[t][j];
      inv[i][j] = sum / r[i][i];
      frobenius += inv[i][j] * inv[i][j];
    }
  }
  // The unit columns give ‖J‖_F = √m; ‖J‖_F·‖R⁻¹‖_F bounds the condition.
  const Extended condition = std::sqrt(static_cast<Extended>(m) * frobenius);
  if (!(condition <= kMaxCondition)) return false;

  for (int k = 0; k < m; ++k) {
    Extended sum = 0;
    for (int j = k; j < m; ++j) sum += inv[k][j] * inv[k][j];
    diagonal[k] = sum / (norm[k] * norm[k]);
  }
  return true;
}

// χ², χ²/ν and the probability of a χ² at least as large, Q(ν/2, χ²/2).
void AddChiSquared(FitStatistics& s, Extended chiSquared) {
  s.chiSquared = static_cast<double>(chiSquared);
  if (s.degreesOfFreedom <= 0 || !std::isfinite(s.chiSquared)) return;
  const double nu = s.degreesOfFreedom;
  s.reducedChiSquared = s.chiSquared / nu;
  s.pValue = sonderfunktionen::RegularizedGammaQ(nu / 2, s.chiSquared / 2);
}

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
    AddChiSquared(s, chiSquared);
  }

  const Extended spread = weighted ? chiSquared : sse;
  if (static_cast<std::size_t>(m) >= n || !std::isfinite(spread)) return s;
  for (int k = 0; k < m; ++k) {
    for (const Extended v : columns[k])
      if (!std::isfinite(v)) return s;
  }
  std::array<Extended, 4> diagonal{};
  if (!InverseNormalDiagonal(columns, m, diagonal)) return s;

  // Given uncertainties set the scale: the errors are not scaled by the
  // scatter, as they are without them.
  const Extended s2 = weighted ? 1 : sse / static_cast<Extended>(n - static_cast<std::size_t>(m));
  const int* parameterOf = kFreeToParameter[static_cast<int>(effective) - 1];
  for (int k = 0; k < m; ++k) {
    const double error = static_cast<double>(std::sqrt(s2 * diagonal[k]));
    if (std::isfinite(error)) s.standardError[parameterOf[k]] = error;
  }
  return s;
}

}  // namespace sinusfit
