#include "sinusfit/significance.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>

#include "sinusfit/statisticstext.h"

namespace sinusfit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The residual spectrum is sampled at this many points per 1/span of x.
constexpr int kNoiseOversampling = 5;
constexpr int kMaxNoiseFrequencies = 400;

}  // namespace

double FalseAlarmProbability(double z, double n, double maxFrequency, double timeVariance) {
  if (!(n >= 5) || !(z >= 0 && z <= 1) || !(maxFrequency > 0) || !(timeVariance > 0) ||
      !std::isfinite(maxFrequency * timeVariance))
    return kNaN;
  if (z == 1) return 0;
  // Degrees of freedom of the flat line and of the sine beside it.
  const double flat = n - 1, sine = n - 3;
  const double logRest = std::log1p(-z);
  // One frequency: z follows a Beta(1, (n − 3)/2) distribution.
  const double single = std::exp(sine / 2 * logRest);
  // The expected number of upcrossings of z over the range (Baluev's τ for
  // this normalization), with W = f_max·√(4π·D_t) and his γ factor.
  const double logGamma = 0.5 * std::log(2 / flat) + std::lgamma(flat / 2) -
                          std::lgamma((flat - 1) / 2);
  const double logW = std::log(maxFrequency) + 0.5 * std::log(4 * std::numbers::pi * timeVariance);
  const double tau =
      z == 0 ? 0
             : std::exp(logGamma + logW + (sine - 1) / 2 * logRest + 0.5 * std::log(flat * z / 2));
  // 1 − (1 − single)·e^(−τ), without cancelling where both are small.
  const double fap = -std::expm1(std::log1p(-std::min(single, 1.0)) - tau);
  return std::clamp(fap, 0.0, 1.0);
}

double PeriodFalseAlarm(const FitData& data, double error, double bound) {
  const std::size_t n = std::min(data.x.size(), data.y.size());
  const double flat = FlatLineError(data);
  if (n < 5 || !(flat > 0) || !(error >= 0)) return kNaN;
  const std::vector<double> weights = WeightsOf(data);
  long double sum = 0, weightSum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double w = i < weights.size() ? weights[i] : 1;
    sum += w * data.x[i];
    weightSum += w;
  }
  const long double mean = sum / weightSum;
  long double spread = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double w = i < weights.size() ? weights[i] : 1;
    spread += w * (data.x[i] - mean) * (data.x[i] - mean);
  }
  const double variance = static_cast<double>(spread / weightSum);
  const double z = std::clamp(1 - error / flat, 0.0, 1.0);
  return FalseAlarmProbability(z, static_cast<double>(n), bound / (2 * std::numbers::pi), variance);
}

double SignalToNoise(std::span<const double> x, std::span<const double> residuals, double b,
                     double amplitude, double halfWidth) {
  const std::size_t n = std::min(x.size(), residuals.size());
  if (n < 2 || !(halfWidth > 0) || !std::isfinite(b) || !std::isfinite(amplitude)) return kNaN;
  const auto [low, high] = std::minmax_element(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
  const double span = *high - *low;
  if (!(span > 0)) return kNaN;
  // Steps of a fraction of the resolution 2π/span, at most a few hundred.
  const double resolution = 2 * std::numbers::pi / span;
  const int steps = std::clamp(
      static_cast<int>(std::ceil(2 * halfWidth / resolution * kNoiseOversampling)), 2,
      kMaxNoiseFrequencies);
  const double from = std::max(0.0, b - halfWidth), step = (b + halfWidth - from) / steps;
  // Each pair's phase turns by the same angle from one frequency to the
  // next: one complex product per pair and frequency.
  std::vector<std::complex<double>> sums(static_cast<std::size_t>(steps) + 1);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = x[i] - *low;
    std::complex<double> turn = std::polar(1.0, -from * t);
    const std::complex<double> advance = std::polar(1.0, -step * t);
    for (std::complex<double>& s : sums) {
      s += residuals[i] * turn;
      turn *= advance;
    }
  }
  double total = 0;
  for (const std::complex<double>& s : sums) total += 2 * std::abs(s) / static_cast<double>(n);
  const double noise = total / static_cast<double>(sums.size());
  return noise > 0 ? std::fabs(amplitude) / noise : kNaN;
}

std::string FalseAlarmText(double fap) {
  std::string text = "FAP = ";
  if (!std::isfinite(fap)) return text + "–";
  std::string value =
      fap < 1e-4 ? statistics::Significant(fap, 1, true) : statistics::Significant(fap, 2, true);
  // Just above the limit, enough digits to show it is above.
  if (fap > kSignificantFap && value == "0,01") value = statistics::Significant(fap, 3, true);
  text += value;
  if (fap > kSignificantFap) text += "   nicht signifikant";
  return text;
}

}  // namespace sinusfit
