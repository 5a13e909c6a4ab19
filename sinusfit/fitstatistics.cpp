// The statistics of a fit (standard errors through a QR factorisation of the
// scaled Jacobian) and their German text, written without the process locale.

#include "sinusfit/fitstatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

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

}  // namespace

FitStatistics ComputeFitStatistics(FitMode mode, const ModelParameters& p,
                                   const std::vector<double>& x, const std::vector<double>& y) {
  const FitMode effective = EffectiveMode(mode);
  const int m = FreeParameterCount(effective);
  const std::size_t n = std::min(x.size(), y.size());

  FitStatistics s;
  s.n = static_cast<int>(n);
  s.freeParameters = m;
  s.standardError.fill(kNaN);

  std::array<std::vector<Extended>, 4> columns;
  for (int k = 0; k < m; ++k) columns[k].resize(n);
  Extended sse = 0, ySum = 0;
  std::array<double, 4> derivatives{};
  for (std::size_t i = 0; i < n; ++i) {
    const SinCos sc = ModelSinCos(p, x[i]);
    const Extended residual = y[i] - ModelValue(p, sc);
    sse += residual * residual;
    ySum += y[i];
    ModelDerivativesFrom(effective, p, x[i], sc, std::span(derivatives).first(m));
    for (int k = 0; k < m; ++k) columns[k][i] = derivatives[k];
  }
  Extended sst = 0;
  if (n > 0) {
    const Extended mean = ySum / static_cast<Extended>(n);
    for (std::size_t i = 0; i < n; ++i) sst += (y[i] - mean) * (y[i] - mean);
  }
  s.sse = static_cast<double>(sse);
  s.rmse = n > 0 ? static_cast<double>(std::sqrt(sse / static_cast<Extended>(n))) : kNaN;
  s.rSquared = sst > 0 && std::isfinite(sst) ? static_cast<double>(1 - sse / sst) : kNaN;

  if (static_cast<std::size_t>(m) >= n || !std::isfinite(sse)) return s;
  for (int k = 0; k < m; ++k) {
    for (const Extended v : columns[k])
      if (!std::isfinite(v)) return s;
  }
  std::array<Extended, 4> diagonal{};
  if (!InverseNormalDiagonal(columns, m, diagonal)) return s;

  const Extended s2 = sse / static_cast<Extended>(n - static_cast<std::size_t>(m));
  const int* parameterOf = kFreeToParameter[static_cast<int>(effective) - 1];
  for (int k = 0; k < m; ++k) {
    const double error = static_cast<double>(std::sqrt(s2 * diagonal[k]));
    if (std::isfinite(error)) s.standardError[parameterOf[k]] = error;
  }
  return s;
}

// ---------------------------------------------------------------------------
// The German text

namespace {

constexpr std::string_view kDash = "–";  // U+2013 in UTF-8

// Digits after the comma are trailing zeros kept; a value that rounds to
// zero loses its minus sign. |v| stays below 1e17 in every caller.
std::string Fixed(double v, int decimals) {
  if (decimals < 0) {  // rounded to tens, hundreds, ...
    const double unit = std::pow(10.0, -decimals);
    v = std::nearbyint(v / unit) * unit;
    decimals = 0;
  }
  char buffer[128];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  if (ec != std::errc{}) return std::string(kDash);
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  if (text.front() == '-' && text.find_first_not_of("-0,") == std::string::npos) text.erase(0, 1);
  return text;
}

// Cuts trailing zeros after the comma, and the comma when nothing follows.
std::string TrimZeros(std::string text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return text;
  const std::size_t exponent = text.find('E');
  const std::size_t stop = exponent == std::string::npos ? text.size() : exponent;
  std::size_t last = stop;
  while (last > comma + 1 && text[last - 1] == '0') --last;
  if (last == comma + 1) --last;
  text.erase(last, stop - last);
  return text;
}

// "3,1E-16": the mantissa with `digits` significant digits, the exponent
// without "+" or leading zeros.
std::string Scientific(double v, int digits) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, digits - 1);
  if (ec != std::errc{}) return std::string(kDash);
  const std::string_view raw(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e = raw.find('e');
  std::string text(raw.substr(0, e));
  std::replace(text.begin(), text.end(), '.', ',');
  int exponent = 0;
  std::from_chars(raw.data() + e + 1 + (raw[e + 1] == '+' ? 1 : 0), raw.data() + raw.size(),
                  exponent);
  return text + "E" + std::to_string(exponent);
}

// Fixed notation with `digits` significant digits for ordinary sizes,
// exponent notation for very small and very large values.
std::string Significant(double v, int digits, bool trim) {
  if (!std::isfinite(v)) return std::string(kDash);
  if (v == 0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
  std::string text = magnitude < -4 || magnitude >= 9
                         ? Scientific(v, digits)
                         : Fixed(v, std::max(0, digits - 1 - magnitude));
  return trim ? TrimZeros(std::move(text)) : text;
}

// 1 − R² with two significant digits, R² itself with 4 to 8 decimals.
std::string RSquaredText(double r2) {
  if (!std::isfinite(r2)) return std::string(kDash);
  if (r2 < -999) return Significant(r2, 4, false);
  const double rest = 1 - r2;
  int decimals = 4;
  if (rest > 0) decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(rest))), 4, 8);
  return Fixed(r2, decimals);
}

}  // namespace

std::string FormatValueWithError(double value, double error) {
  if (!std::isfinite(value)) return std::string(kDash);
  if (!std::isfinite(error) || error < 0)
    return Significant(value, 6, true) + " ± " + std::string(kDash);
  if (error == 0) return Significant(value, 10, true) + " ± 0";
  const int magnitude = static_cast<int>(std::floor(std::log10(error)));
  int decimals = 1 - magnitude;
  // Rounding the error may carry into a third digit (0,0996 → 0,100).
  if (decimals <= 300 && std::nearbyint(error * std::pow(10.0, decimals)) >= 100) --decimals;
  const int valueMagnitude =
      value == 0 ? magnitude : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  if (decimals > 9 || std::fabs(value) >= 1e9 || error >= 1e9 || valueMagnitude - magnitude > 10) {
    // Too many places for fixed notation in a narrow label: the value with
    // the digits the error supports (at most 10), the error with exponent.
    const int digits = std::clamp(valueMagnitude - magnitude + 2, 1, 10);
    return Significant(value, digits, true) + " ± " + Scientific(error, 2);
  }
  return Fixed(value, decimals) + " ± " + Fixed(error, decimals);
}

std::string FormatFitStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s) {
  const FitMode effective = EffectiveMode(mode);
  const int held = effective == FitMode::kAllFree ? -1 : static_cast<int>(effective) - 2;
  const std::array<double, 4> values{p.a, p.b, p.c, p.d};
  static constexpr const char* kNames[4] = {"a", "b", "c", "d"};

  std::string text;
  for (int k = 0; k < 4; ++k) {
    text += kNames[k];
    text += " = ";
    text += k == held ? Significant(values[k], 10, true) + " (fest)"
                      : FormatValueWithError(values[k], s.standardError[k]);
    text += '\n';
  }
  text += "R² = " + RSquaredText(s.rSquared);
  text += "   RMSE = " + Significant(s.rmse, 3, false) + '\n';

  text += "Periode 2π/|b| = ";
  const double period = 2 * std::numbers::pi / std::fabs(p.b);
  if (!std::isfinite(period)) {
    text += kDash;
  } else if (held == 1) {
    text += Significant(period, 10, true);
  } else {
    // The error of the period from that of b: |dT/db| = 2π/b².
    const double periodError = 2 * std::numbers::pi * s.standardError[1] / (p.b * p.b);
    text += FormatValueWithError(period, periodError);
  }
  return text;
}

}  // namespace sinusfit
