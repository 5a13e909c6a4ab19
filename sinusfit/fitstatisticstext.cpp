// The German text of a fit's statistics, written without the process locale.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "sinusfit/fitstatistics.h"
#include "sinusfit/statisticstext.h"

namespace sinusfit {

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

}  // namespace

namespace statistics {

std::string Significant(double v, int digits, bool trim) {
  if (!std::isfinite(v)) return std::string(kDash);
  if (v == 0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
  std::string text = magnitude < -4 || magnitude >= 9
                         ? Scientific(v, digits)
                         : Fixed(v, std::max(0, digits - 1 - magnitude));
  return trim ? TrimZeros(std::move(text)) : text;
}

std::string RSquaredText(double r2) {
  if (!std::isfinite(r2)) return std::string(kDash);
  if (r2 < -999) return Significant(r2, 4, false);
  const double rest = 1 - r2;
  int decimals = 4;
  if (rest > 0) decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(rest))), 4, 8);
  return Fixed(r2, decimals);
}

}  // namespace statistics

using statistics::ChiSquaredLines;
using statistics::RSquaredText;
using statistics::Significant;

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

std::string statistics::ChiSquaredLines(const FitStatistics& s) {
  std::string text = "χ² = " + Significant(s.chiSquared, 3, false);
  text += "   ν = " + std::to_string(s.degreesOfFreedom) + '\n';
  text += "χ²/ν = " + Significant(s.reducedChiSquared, 3, false);
  text += "   P = " + Significant(s.pValue, 2, false) + '\n';
  const std::string_view warning = ChiSquaredWarning(s.pValue);
  if (!warning.empty()) text += std::string(warning) + '\n';
  return text;
}

std::string_view ChiSquaredWarning(double pValue) {
  if (pValue < 0.05) return "Δy zu klein oder Modell passt nicht";
  if (pValue > 0.95) return "Δy vermutlich zu groß";
  return {};
}

std::string FormatFitStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s) {
  const FitMode effective = EffectiveMode(mode);
  const int held = effective == FitMode::kAllFree ? -1 : static_cast<int>(effective) - 2;
  const std::array<double, 4> values{p.a, p.b, p.c, p.d};
  static constexpr const char* kNames[4] = {"a", "b", "c", "d"};

  std::string text;
  if (s.weighted) text += ChiSquaredLines(s) + "Unsicherheiten aus Δy:\n";
  for (int k = 0; k < 4; ++k) {
    text += kNames[k];
    text += " = ";
    text += k == held ? Significant(values[k], 10, true) + " (fest)"
                      : FormatValueWithError(values[k], s.standardError[k]);
    text += '\n';
  }
  text += "R² = " + RSquaredText(s.rSquared);
  text += "   RMSE = " + Significant(s.rmse, 3, false) + '\n';
  if (s.weighted) text += "(R² und RMSE ungewichtet)\n";

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
