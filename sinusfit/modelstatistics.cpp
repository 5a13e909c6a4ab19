// The statistics of a fit of any model: the same sums, QR factorisation and
// rules for what is not determined as the sine's (see fitstatistics.cpp),
// but the full covariance for the derived quantities; their text; and the
// F-test between two nested models.

#include "sinusfit/modelstatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "sinusfit/statisticsmath.h"
#include "sinusfit/statisticstext.h"

namespace sinusfit {

using grund::Extended;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The covariance of the free parameters (parameterOf[k] is the k-th one's
// index) from their Jacobian, into s; s stays as it is where the rules of
// the sine's statistics call it not determined.
void AddCovariance(ModelStatistics& s, std::vector<std::vector<Extended>>& columns,
                   const std::vector<int>& parameterOf, Extended spread, Extended sse) {
  const std::size_t n = static_cast<std::size_t>(s.summary.n);
  const std::size_t m = parameterOf.size();
  if (m >= n || !std::isfinite(spread)) return;
  for (const std::vector<Extended>& column : columns) {
    for (const Extended v : column)
      if (!std::isfinite(v)) return;
  }
  statistics::InverseFactor factor;
  if (!statistics::FactorJacobian(columns, factor)) return;

  // With Δy the given uncertainties set the scale, without them the scatter.
  const Extended s2 = s.summary.weighted ? 1 : sse / static_cast<Extended>(n - m);
  const std::size_t count = s.values.size();
  for (std::size_t k = 0; k < m; ++k) {
    const auto pk = static_cast<std::size_t>(parameterOf[k]);
    const Extended variance = s2 * factor.InverseNormal(static_cast<int>(k), static_cast<int>(k));
    // The sine's own rounding of the error, so that both agree to the bit.
    const double error = static_cast<double>(std::sqrt(variance));
    if (std::isfinite(error)) s.standardError[pk] = error;
    for (std::size_t l = 0; l < m; ++l) {
      const auto pl = static_cast<std::size_t>(parameterOf[l]);
      const double entry = static_cast<double>(
          l == k ? variance : s2 * factor.InverseNormal(static_cast<int>(k), static_cast<int>(l)));
      s.covariance[pk * count + pl] = std::isfinite(entry) ? entry : kNaN;
    }
  }
}

// I_x(a, b), the regularised incomplete beta function, with y = 1 − x given
// as well so that neither loses digits near 1. The continued fraction
//   I_x(a, b) = x^a·y^b / (a·B(a, b)) / (1 + d₁/(1 + d₂/(1 + …))),
//   d₂ₖ₊₁ = −(a + k)(a + b + k)·x / ((a + 2k)(a + 2k + 1)),
//   d₂ₖ = k(b − k)·x / ((a + 2k − 1)(a + 2k)),
// converges fast for x < (a + 1)/(a + b + 2); above it the symmetry
// I_x(a, b) = 1 − I_y(b, a) is used. Evaluated from the front by the
// modified Lentz method, in extended precision.
double RegularizedBeta(Extended x, Extended y, Extended a, Extended b) {
  if (x <= 0) return 0;
  if (y <= 0) return 1;
  const bool mirrored = x > (a + 1) / (a + b + 2);
  if (mirrored) {
    std::swap(x, y);
    std::swap(a, b);
  }
  constexpr Extended kEpsilon = std::numeric_limits<Extended>::epsilon();
  // The stand-in for a zero denominator.
  constexpr Extended kTiny = std::numeric_limits<Extended>::min() / kEpsilon;
  // Some √max(a, b) terms suffice; this bounds them for any n of pairs.
  constexpr int kMostTerms = 1'000'000;
  const auto guarded = [&](Extended v) { return std::fabs(v) < kTiny ? kTiny : v; };

  Extended fraction = 1, c = 1, d = 0;
  for (int j = 1; j < kMostTerms; ++j) {
    const Extended k = j / 2;
    const Extended coefficient = j % 2 == 1
                                     ? -(a + k) * (a + b + k) * x / ((a + 2 * k) * (a + 2 * k + 1))
                                     : k * (b - k) * x / ((a + 2 * k - 1) * (a + 2 * k));
    d = 1 / guarded(1 + coefficient * d);
    c = guarded(1 + coefficient / c);
    const Extended step = c * d;
    fraction *= step;
    if (std::fabs(step - 1) < kEpsilon) break;
  }
  const Extended logFront =
      a * std::log(x) + b * std::log(y) + std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b);
  const Extended value = std::exp(logFront) / (a * fraction);
  return static_cast<double>(mirrored ? 1 - value : value);
}

}  // namespace

ModelStatistics ComputeModelStatistics(const Model& model, std::span<const double> p,
                                       const ModelOrigin& origin, int held,
                                       const std::vector<double>& x, const std::vector<double>& y,
                                       const std::vector<double>& sigma) {
  const int count = model.ParameterCount();
  const auto size = static_cast<std::size_t>(count);
  if (held < 0 || held >= count) held = -1;
  std::vector<int> parameterOf;
  for (int k = 0; k < count; ++k)
    if (k != held) parameterOf.push_back(k);
  const std::size_t m = parameterOf.size();
  const bool weighted = !sigma.empty();
  const std::size_t n = std::min({x.size(), y.size(), weighted ? sigma.size() : y.size()});

  ModelStatistics s;
  FitStatistics& summary = s.summary;
  summary.n = static_cast<int>(n);
  summary.freeParameters = static_cast<int>(m);
  summary.standardError.fill(kNaN);
  summary.weighted = weighted;
  summary.degreesOfFreedom = summary.n - summary.freeParameters;
  s.values.assign(size, kNaN);
  std::copy_n(p.begin(), std::min(size, p.size()), s.values.begin());
  s.standardError.assign(size, kNaN);
  s.covariance.assign(size * size, kNaN);
  if (held >= 0) {
    const auto h = static_cast<std::size_t>(held);
    for (std::size_t k = 0; k < size; ++k)
      s.covariance[h * size + k] = s.covariance[k * size + h] = 0;
  }

  // The Jacobian's rows divided by Δy, so that JᵀJ of the columns is JᵀWJ.
  std::vector<std::vector<Extended>> columns(m, std::vector<Extended>(n));
  std::vector<double> derivatives(size);
  Extended sse = 0, chiSquared = 0, ySum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double value = model.Evaluate(s.values, x[i], origin, derivatives);
    const Extended residual = static_cast<Extended>(y[i]) - value;
    sse += residual * residual;
    ySum += y[i];
    const Extended scale = weighted ? static_cast<Extended>(sigma[i]) : 1;
    if (weighted) chiSquared += (residual / scale) * (residual / scale);
    for (std::size_t k = 0; k < m; ++k)
      columns[k][i] = derivatives[static_cast<std::size_t>(parameterOf[k])] / scale;
  }
  Extended sst = 0;
  if (n > 0) {
    const Extended mean = ySum / static_cast<Extended>(n);
    for (std::size_t i = 0; i < n; ++i) sst += (y[i] - mean) * (y[i] - mean);
  }
  summary.sse = static_cast<double>(sse);
  summary.rmse = n > 0 ? static_cast<double>(std::sqrt(sse / static_cast<Extended>(n))) : kNaN;
  summary.rSquared = sst > 0 && std::isfinite(sst) ? static_cast<double>(1 - sse / sst) : kNaN;

  // A Δy that is no positive number weights nothing it could mean.
  const bool sigmaUsable =
      !weighted || std::all_of(sigma.begin(), sigma.begin() + static_cast<std::ptrdiff_t>(n),
                               [](double v) { return v > 0 && std::isfinite(v); });
  if (sigmaUsable) {
    if (weighted) statistics::AddChiSquared(summary, chiSquared);
    AddCovariance(s, columns, parameterOf, weighted ? chiSquared : sse, sse);
  }
  s.derived = model.Derived(s.values, s.covariance);
  return s;
}

std::vector<std::string> ParameterTexts(const Model& model, const ModelStatistics& s, int held) {
  const int count = std::min(model.ParameterCount(), static_cast<int>(s.values.size()));
  std::vector<std::string> texts;
  for (int k = 0; k < count; ++k) {
    const double value = s.values[static_cast<std::size_t>(k)];
    const double error = k < static_cast<int>(s.standardError.size())
                             ? s.standardError[static_cast<std::size_t>(k)]
                             : kNaN;
    std::string text(model.ParameterName(k));
    text += " = ";
    text += k == held ? statistics::Significant(value, 10, true) + " (fest)"
                      : FormatValueWithError(value, error);
    texts.push_back(std::move(text));
  }
  return texts;
}

std::vector<std::string> DerivedTexts(const Model& model, const ModelStatistics& s, int held) {
  // A quantity of the held parameter alone is as exact as that one and shows
  // no error, as the sine's period does with b held. Which ones those are: the
  // ones that a unit variance of every free parameter leaves without one.
  const int count = std::min(model.ParameterCount(), static_cast<int>(s.values.size()));
  std::vector<DerivedQuantity> probe;
  if (held >= 0 && held < count) {
    const auto size = static_cast<std::size_t>(count);
    std::vector<double> unit(size * size, 0);
    for (std::size_t k = 0; k < size; ++k)
      if (k != static_cast<std::size_t>(held)) unit[k * size + k] = 1;
    probe = model.Derived(s.values, unit);
  }
  std::vector<std::string> texts;
  for (std::size_t q = 0; q < s.derived.size(); ++q) {
    const DerivedQuantity& quantity = s.derived[q];
    const bool exact = q < probe.size() && probe[q].uncertainty == 0;
    texts.push_back(quantity.name + " = " +
                    (exact ? statistics::Significant(quantity.value, 10, true)
                           : FormatValueWithError(quantity.value, quantity.uncertainty)));
  }
  return texts;
}

std::string FormatModelStatistics(const Model& model, const ModelStatistics& s, int held) {
  std::string text;
  if (s.summary.weighted)
    text += statistics::ChiSquaredLines(s.summary) + "Unsicherheiten aus Δy:\n";
  for (const std::string& line : ParameterTexts(model, s, held)) text += line + '\n';
  text += "R² = " + statistics::RSquaredText(s.summary.rSquared);
  text += "   RMSE = " + statistics::Significant(s.summary.rmse, 3, false);
  if (s.summary.weighted) text += "\n(R² und RMSE ungewichtet)";
  for (const std::string& line : DerivedTexts(model, s, held)) text += '\n' + line;
  return text;
}

std::vector<std::string> GoodnessTexts(const FitStatistics& s) {
  using statistics::Significant;
  std::vector<std::string> lines{"Wertepaare n = " + std::to_string(s.n),
                                 "Freiheitsgrade ν = " + std::to_string(s.n - s.freeParameters),
                                 "Bestimmtheitsmaß R² = " + statistics::RSquaredText(s.rSquared),
                                 "Mittlerer Fehler RMSE = " + Significant(s.rmse, 3, false)};
  if (s.weighted) {
    lines.push_back("χ² = " + Significant(s.chiSquared, 3, false));
    lines.push_back("χ²/ν = " + Significant(s.reducedChiSquared, 3, false));
    lines.push_back("P = " + Significant(s.pValue, 2, false));
  }
  return lines;
}

std::vector<std::string> CaptionLines(const Model& model, const ModelStatistics& s, int held) {
  std::vector<std::string> lines{std::string(model.Formula())};
  for (std::string& line : ParameterTexts(model, s, held)) lines.push_back(std::move(line));
  if (s.summary.weighted)
    lines.push_back("χ²/ν = " + statistics::Significant(s.summary.reducedChiSquared, 3, false));
  else
    lines.push_back("R² = " + statistics::RSquaredText(s.summary.rSquared));
  return lines;
}

ModelStatistics SineModelStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s) {
  ModelStatistics m;
  m.summary = s;
  m.values = {p.a, p.b, p.c, p.d};
  const FitMode effective = EffectiveMode(mode);
  const int held = effective == FitMode::kAllFree ? -1 : static_cast<int>(effective) - 2;
  m.standardError.assign(s.standardError.begin(), s.standardError.end());
  // The sine's statistics keep no correlations: the variances alone, which is
  // all its period needs.
  m.covariance.assign(16, kNaN);
  for (int k = 0; k < 4; ++k) {
    const double e = m.standardError[static_cast<std::size_t>(k)];
    m.covariance[static_cast<std::size_t>(k * 5)] = k == held ? 0 : e * e;
  }
  m.derived = ModelOf(ModelKind::kSine).Derived(m.values, m.covariance);
  return m;
}

double FTestProbability(double sseSmall, int parametersSmall, double sseLarge, int parametersLarge,
                        int n) {
  // Wider than int: a count near its limit must not wrap.
  const double d1 = static_cast<double>(parametersLarge) - parametersSmall;
  const double d2 = static_cast<double>(n) - parametersLarge;
  if (!std::isfinite(sseSmall) || !std::isfinite(sseLarge) || sseLarge < 0 || parametersSmall < 0 ||
      !(d1 > 0) || !(d2 > 0))
    return kNaN;
  if (sseLarge >= sseSmall) return 1;
  if (sseLarge == 0) return 0;
  // With F = ((sseSmall − sseLarge)/d1) / (sseLarge/d2), the argument
  // d2/(d2 + d1·F) of P = I(d2/2, d1/2) is sseLarge/sseSmall, and formed so
  // F can neither overflow nor cancel.
  const Extended small = sseSmall;
  return RegularizedBeta(sseLarge / small, (small - sseLarge) / small, d2 / 2, d1 / 2);
}

}  // namespace sinusfit
