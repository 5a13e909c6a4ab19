// The list of models, and what their family shares: the normal form, the
// pieces of the term texts and the propagation of uncertainties.

#include "sinusfit/model.h"

#include <cmath>

#include "_grund/grund.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit {

namespace {
constexpr double kTwoPi = 2 * 3.14159265358979323846;
}

const Model& ModelOf(ModelKind kind, int frequencies) {
  switch (kind) {
    case ModelKind::kSeveralFrequencies:
      return family::SumOfSinesModel(frequencies);
    case ModelKind::kHarmonics:
      return family::HarmonicsModel(frequencies);
    case ModelKind::kSineWithTrend:
      return family::TrendModel();
    case ModelKind::kDampedOscillation:
      return family::DampedModel();
    case ModelKind::kSine:
      break;
  }
  return family::SineModel();
}

const Model& ModelOf(ModelKind kind, std::span<const double> values) {
  const int count = static_cast<int>(values.size());
  if (kind == ModelKind::kSeveralFrequencies) return ModelOf(kind, (count - 1) / 3);
  if (kind == ModelKind::kHarmonics) return ModelOf(kind, (count - 2) / 2);
  return ModelOf(kind);
}

void Model::Normalise(std::span<double> p, int held) const {
  if (held == 1 || held == 2 || p.size() < 4) return;
  if (p[1] < 0) {
    if (held != 0) p[0] = -p[0];
    p[1] = -p[1];
    p[2] = held == 0 ? kTwoPi / 2 - p[2] : -p[2];
  }
  if (!std::isfinite(p[2])) return;
  p[2] = std::fmod(p[2], kTwoPi);
  if (p[2] < 0) p[2] += kTwoPi;
}

double PropagatedUncertainty(std::span<const double> gradient,
                             std::span<const double> covariance) {
  const std::size_t n = gradient.size();
  if (covariance.size() < n * n) return std::nan("");
  double variance = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (gradient[i] == 0) continue;
    for (std::size_t j = 0; j < n; ++j) {
      if (gradient[j] == 0) continue;
      variance += gradient[i] * covariance[i * n + j] * gradient[j];
    }
  }
  return variance >= 0 ? std::sqrt(variance) : std::nan("");
}

namespace family {

std::string XAbout(std::string_view originText) {
  if (originText.empty()) return "X";
  if (originText.front() == '-') return "(X+" + std::string(originText.substr(1)) + ")";
  return "(X-" + std::string(originText) + ")";
}

std::string SineText(std::span<const double> p, std::span<const int> decimals,
                     std::string_view originText) {
  return grund::FormatComma(p[0], 0, decimals[0]) + "*SIN(" +
         grund::FormatComma(p[1], 0, decimals[1]) + "*" + XAbout(originText) +
         grund::FormatSigned(p[2], 0, decimals[2]) + ")";
}

DerivedQuantity Period(double b, double varianceB) {
  const double period = kTwoPi / std::fabs(b);
  return {"Periode 2π/|b|", "period", period, kTwoPi / (b * b) * std::sqrt(varianceB)};
}

void AmplitudeAndPhase(double sineCoefficient, double cosineCoefficient, double& a, double& c) {
  a = std::hypot(sineCoefficient, cosineCoefficient);
  c = std::atan2(cosineCoefficient, sineCoefficient);
  if (c < 0) c += kTwoPi;
}

}  // namespace family
}  // namespace sinusfit
