#include "sinusfit/significance.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>
#include <utility>

#include "_grund/grund.h"
#include "sinusfit/modelstatistics.h"
#include "sinusfit/statisticstext.h"

namespace sinusfit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The residual spectrum is sampled at this many points per 1/span of x.
constexpr int kNoiseOversampling = 5;
constexpr int kMaxNoiseFrequencies = 400;
constexpr int kNoiseResolutions = 25;
constexpr double kSmallestFap = 1e-15;

double Weight(std::span<const double> w, std::size_t i) { return i < w.size() ? w[i] : 1; }

// Σw·(v − v̄)² about the weighted mean v̄, and Σw.
std::pair<double, double> WeightedSpread(std::span<const double> v, std::span<const double> w) {
  long double sum = 0, weightSum = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    sum += Weight(w, i) * v[i];
    weightSum += Weight(w, i);
  }
  const long double mean = sum / weightSum;
  long double spread = 0;
  for (std::size_t i = 0; i < v.size(); ++i) spread += Weight(w, i) * (v[i] - mean) * (v[i] - mean);
  return {static_cast<double>(spread), static_cast<double>(weightSum)};
}

// The variance of x, weighted as the fit weights the pairs.
double TimeVariance(std::span<const double> x, std::span<const double> w) {
  const auto [spread, weightSum] = WeightedSpread(x, w);
  return spread / weightSum;
}

// The error of the flat line through r.
double FlatError(std::span<const double> r, std::span<const double> w) {
  return WeightedSpread(r, w).first;
}

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
  const double variance = TimeVariance(std::span(data.x).first(n), WeightsOf(data));
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
  // A span so small that the resolution is no number tells nothing.
  const double wanted = 2 * halfWidth / resolution * kNoiseOversampling;
  if (!std::isfinite(resolution) || !(wanted >= 0)) return kNaN;
  const int steps = static_cast<int>(
      std::clamp(std::ceil(wanted), 2.0, static_cast<double>(kMaxNoiseFrequencies)));
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

std::vector<SineSignificance> SinesSignificance(const Model& model, std::span<const double> p,
                                                const ModelOrigin& origin,
                                                std::span<const double> x,
                                                std::span<const double> y,
                                                std::span<const double> w, double bound) {
  const std::size_t n = std::min(x.size(), y.size());
  const int sines = model.FrequencyCount();
  std::vector<SineSignificance> found(static_cast<std::size_t>(sines), {kNaN, kNaN});
  if (n < 5 || p.size() != static_cast<std::size_t>(model.ParameterCount())) return found;
  std::vector<double> residuals(n);
  for (std::size_t i = 0; i < n; ++i) residuals[i] = y[i] - model.Evaluate(p, x[i], origin, {});
  double error = 0;
  for (std::size_t i = 0; i < n; ++i) error += Weight(w, i) * residuals[i] * residuals[i];
  double low = INFINITY, high = -INFINITY;
  for (std::size_t i = 0; i < n; ++i) low = std::min(low, x[i]), high = std::max(high, x[i]);
  const double variance = TimeVariance(x.first(n), w);
  const bool harmonics = model.Kind() == ModelKind::kHarmonics;
  // A sine's own value at x: the model's derivative by its amplitude times it.
  std::vector<double> dp(p.size());
  for (int k = 0; k < sines; ++k) {
    const auto amplitudeIndex = static_cast<std::size_t>(model.AmplitudeIndex(k));
    const double amplitude = p[amplitudeIndex];
    std::vector<double> others(n);
    for (std::size_t i = 0; i < n; ++i) {
      model.Evaluate(p, x[i], origin, dp);
      others[i] = residuals[i] + amplitude * dp[amplitudeIndex];
    }
    const double without = FlatError(others, w);
    SineSignificance& s = found[static_cast<std::size_t>(k)];
    if (harmonics && k > 0) {
      const int count = model.ParameterCount();
      s.fap = FTestProbability(without, count - 2, error, count, static_cast<int>(n));
    } else {
      const double z = without > 0 ? std::clamp(1 - error / without, 0.0, 1.0) : kNaN;
      s.fap = FalseAlarmProbability(z, static_cast<double>(n), bound / (2 * std::numbers::pi),
                                    variance);
    }
    s.signalToNoise = SignalToNoise(x.first(n), residuals, model.AngularFrequency(p, k), amplitude,
                                    NoiseHalfWidth(high - low));
  }
  return found;
}

double NoiseHalfWidth(double span) {
  return kNoiseResolutions * 2 * std::numbers::pi / span;
}

std::string SignalToNoiseText(double signalToNoise) {
  if (!std::isfinite(signalToNoise)) return "S/N = –";
  return "S/N = " + grund::FormatComma(signalToNoise, 0, 1);
}

std::vector<std::string> SignificanceTexts(const std::vector<SineSignificance>& sines) {
  std::vector<std::string> lines;
  for (std::size_t k = 0; k < sines.size(); ++k) {
    std::string fap = FalseAlarmText(sines[k].fap);
    fap = fap.substr(0, fap.find("   "));
    std::string line = "Sinus " + std::to_string(k + 1) + ": " + fap + "   " +
                       SignalToNoiseText(sines[k].signalToNoise);
    if (!sines[k].Significant()) line += "   nicht signifikant";
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string FalseAlarmText(double fap) {
  std::string text = "FAP = ";
  if (!std::isfinite(fap)) return text + "–";
  // Below that the sums that give it are not exact enough to tell more.
  if (fap < kSmallestFap) return "FAP < 10⁻¹⁵";
  std::string value =
      fap < 1e-4 ? statistics::Significant(fap, 1, true) : statistics::Significant(fap, 2, true);
  // Just above the limit, enough digits to show it is above.
  if (fap > kSignificantFap && value == "0,01") value = statistics::Significant(fap, 3, true);
  text += value;
  if (fap > kSignificantFap) text += "   nicht signifikant";
  return text;
}

}  // namespace sinusfit
