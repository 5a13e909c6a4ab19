// y = a·sin(b·x + c) + d as one model among the others: its statistics,
// texts and exports go through the same interface. (Its search is the
// window's own random passes, see SineFit.)

#include <array>
#include <cmath>

#include "_grund/grund.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit::family {

namespace {

class Sine final : public Model {
 public:
  ModelKind Kind() const override { return ModelKind::kSine; }
  std::string_view Title() const override { return "Sinus"; }
  std::string_view Formula() const override { return "y = a sin (bx + c) + d"; }
  int ParameterCount() const override { return 4; }
  std::string_view ParameterName(int k) const override { return kNames[static_cast<std::size_t>(k)]; }

  double Evaluate(std::span<const double> p, double x, const ModelOrigin& origin,
                  std::span<double> dp) const override {
    const double t = x - origin.phase;
    const double s = std::sin(p[1] * t + p[2]);
    if (!dp.empty()) {
      const double c = std::cos(p[1] * t + p[2]);
      dp[0] = s;
      dp[1] = p[0] * t * c;
      dp[2] = p[0] * c;
      dp[3] = 1;
    }
    return p[0] * s + p[3];
  }

  std::vector<double> MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                      const ModelOrigin& to) const override;

  std::string TermText(std::span<const double> p, std::span<const int> decimals, std::string_view,
                       std::string_view phaseText) const override {
    return SineText(p, decimals, phaseText) + grund::FormatSigned(p[3], 0, decimals[3]);
  }

  int LinearCount() const override { return 3; }
  void LinearBasis(std::span<const double> nonlinear, double x, const ModelOrigin& origin,
                   std::span<double> out) const override {
    const double t = x - origin.phase;
    out[0] = std::sin(nonlinear[0] * t);
    out[1] = std::cos(nonlinear[0] * t);
    out[2] = 1;
  }
  std::vector<double> FromLinear(std::span<const double> nonlinear,
                                 std::span<const double> k) const override {
    std::vector<double> p{0, nonlinear[0], 0, k[2]};
    AmplitudeAndPhase(k[0], k[1], p[0], p[2]);
    return p;
  }

  std::vector<DerivedQuantity> Derived(std::span<const double> p,
                                       std::span<const double> covariance) const override {
    return {Period(p[1], CovarianceAt(covariance, 4, 1, 1))};
  }

 private:
  static constexpr std::array<std::string_view, 4> kNames{"a", "b", "c", "d"};
};

}  // namespace

double MovedPhase(double b, double c, double from, double to) {
  if (from == to) return c;
  const grund::Extended moved =
      static_cast<grund::Extended>(c) +
      static_cast<grund::Extended>(b) * (static_cast<grund::Extended>(to) - from);
  const grund::Extended twoPi = 2 * static_cast<grund::Extended>(grund::kPi);
  grund::Extended reduced = std::fmod(moved, twoPi);
  if (reduced < 0) reduced += twoPi;
  return static_cast<double>(reduced);
}

std::vector<double> Sine::MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                          const ModelOrigin& to) const {
  std::vector<double> moved(p.begin(), p.end());
  moved[2] = MovedPhase(p[1], p[2], from.phase, to.phase);
  return moved;
}

const Model& SineModel() {
  static const Sine model;
  return model;
}

}  // namespace sinusfit::family
