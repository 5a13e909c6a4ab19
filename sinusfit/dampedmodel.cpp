// y = a·e^(−δ(x − x₀))·sin(b·x + c) + d: a free oscillation that dies away
// (δ > 0) or grows (δ < 0). The decay counts from x₀, the smallest x, so
// that the exponential stays finite for x in Unix time.

#include <array>
#include <cmath>

#include "_grund/grund.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit::family {

namespace {

constexpr int kDelta = 4;

class DampedOscillation final : public Model {
 public:
  ModelKind Kind() const override { return ModelKind::kDampedOscillation; }
  std::string_view Title() const override { return "gedämpfte Schwingung"; }
  std::string_view Formula() const override { return "y = a e^(−δ(x−x₀)) sin (bx + c) + d"; }
  int ParameterCount() const override { return 5; }
  std::string_view ParameterName(int k) const override { return kNames[static_cast<std::size_t>(k)]; }
  std::string_view ParameterKey(int k) const override {
    return k == kDelta ? "delta" : kNames[static_cast<std::size_t>(k)];
  }

  double Evaluate(std::span<const double> p, double x, const ModelOrigin& origin,
                  std::span<double> dp) const override {
    const double t = x - origin.phase;
    const double u = x - origin.x0;
    const double envelope = std::exp(-p[kDelta] * u);
    const double s = std::sin(p[1] * t + p[2]);
    if (!dp.empty()) {
      const double c = std::cos(p[1] * t + p[2]);
      dp[0] = envelope * s;
      dp[1] = p[0] * envelope * t * c;
      dp[2] = p[0] * envelope * c;
      dp[3] = 1;
      dp[kDelta] = -u * p[0] * envelope * s;
    }
    return p[0] * envelope * s + p[3];
  }

  std::vector<double> MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                      const ModelOrigin& to) const override {
    std::vector<double> moved(p.begin(), p.end());
    moved[2] = MovedPhase(p[1], p[2], from.phase, to.phase);
    return moved;
  }

  std::string TermText(std::span<const double> p, std::span<const int> decimals,
                       std::string_view x0Text, std::string_view phaseText) const override {
    const std::string sine = SineText(p, decimals, phaseText);
    const std::size_t times = sine.find("*SIN(");
    return sine.substr(0, times) + "*EXP(" + grund::FormatComma(-p[kDelta], 0, decimals[kDelta]) +
           "*" + XAbout(x0Text) + ")" + sine.substr(times) +
           grund::FormatSigned(p[3], 0, decimals[3]);
  }

  int ExtraNonlinearCount() const override { return 1; }
  int ExtraNonlinearIndex(int) const override { return kDelta; }
  int LinearCount() const override { return 3; }
  void LinearBasis(std::span<const double> nonlinear, double x, const ModelOrigin& origin,
                   std::span<double> out) const override {
    const double t = x - origin.phase;
    const double envelope = std::exp(-nonlinear[1] * (x - origin.x0));
    out[0] = envelope * std::sin(nonlinear[0] * t);
    out[1] = envelope * std::cos(nonlinear[0] * t);
    out[2] = 1;
  }
  std::vector<double> FromLinear(std::span<const double> nonlinear,
                                 std::span<const double> k) const override {
    std::vector<double> p{0, nonlinear[0], 0, k[2], nonlinear[1]};
    AmplitudeAndPhase(k[0], k[1], p[0], p[2]);
    return p;
  }

  std::vector<DerivedQuantity> Derived(std::span<const double> p,
                                       std::span<const double> covariance) const override;

 private:
  static constexpr std::array<std::string_view, 5> kNames{"a", "b", "c", "d", "δ"};
};

std::vector<DerivedQuantity> DampedOscillation::Derived(std::span<const double> p,
                                                        std::span<const double> covariance) const {
  const double b = p[1];
  const double delta = p[kDelta];
  const double pi = static_cast<double>(grund::kPi);
  const double omega0 = std::hypot(b, delta);
  const double signB = b < 0 ? -1 : 1;
  const double signDelta = delta < 0 ? -1 : 1;
  // Each quantity depends on b and δ only: its gradient is (∂/∂b, ∂/∂δ).
  const auto quantity = [&](const char* name, const char* key, double value, double byB,
                            double byDelta) {
    std::array<double, 5> gradient{0, byB, 0, 0, byDelta};
    return DerivedQuantity{name, key, value, PropagatedUncertainty(gradient, covariance)};
  };
  return {
      quantity("τ = 1/δ", "tau", 1 / delta, 0, -1 / (delta * delta)),
      quantity("Halbwertszeit ln 2/δ", "half_life", std::log(2.0) / delta, 0,
               -std::log(2.0) / (delta * delta)),
      quantity("Λ = 2πδ/|b|", "log_decrement", 2 * pi * delta / std::fabs(b),
               -2 * pi * delta * signB / (b * b), 2 * pi / std::fabs(b)),
      quantity("Q = ω₀/(2|δ|)", "q", omega0 / (2 * std::fabs(delta)),
               b / (2 * std::fabs(delta) * omega0),
               delta / (2 * std::fabs(delta) * omega0) - omega0 * signDelta / (2 * delta * delta)),
      quantity("ω₀ = √(b² + δ²)", "omega0", omega0, b / omega0, delta / omega0),
      Period(b, CovarianceAt(covariance, 5, 1, 1)),
  };
}

}  // namespace

const Model& DampedModel() {
  static const DampedOscillation model;
  return model;
}

}  // namespace sinusfit::family
