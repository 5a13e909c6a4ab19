// y = a·sin(b·x + c) + d + e·x: a sine on a straight line (a drifting
// sensor, a rising concentration with its yearly cycle).

#include <array>
#include <cmath>

#include "_grund/grund.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit::family {

namespace {

class SineWithTrend final : public Model {
 public:
  ModelKind Kind() const override { return ModelKind::kSineWithTrend; }
  std::string_view Title() const override { return "Sinus mit Trend"; }
  std::string_view Formula() const override { return "y = a sin (bx + c) + d + ex"; }
  int ParameterCount() const override { return 5; }
  std::string_view ParameterName(int k) const override { return kNames[static_cast<std::size_t>(k)]; }

  // The sine's value, derivatives and phase, and the line on top.
  double Evaluate(std::span<const double> p, double x, const ModelOrigin& origin,
                  std::span<double> dp) const override {
    const double t = x - origin.phase;
    const double sine = SineModel().Evaluate(p.first(4), x, origin, dp.empty() ? dp : dp.first(4));
    if (!dp.empty()) dp[4] = t;
    return sine + p[4] * t;
  }

  std::vector<double> MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                      const ModelOrigin& to) const override {
    std::vector<double> moved = SineModel().MovePhaseOrigin(p.first(4), from, to);
    // d + e·(x − from) = d' + e·(x − to)
    moved[3] = static_cast<double>(static_cast<grund::Extended>(p[3]) +
                                   static_cast<grund::Extended>(p[4]) *
                                       (static_cast<grund::Extended>(to.phase) - from.phase));
    moved.push_back(p[4]);
    return moved;
  }

  std::string TermText(std::span<const double> p, std::span<const int> decimals, std::string_view,
                       std::string_view phaseText) const override {
    return SineText(p, decimals, phaseText) + grund::FormatSigned(p[3], 0, decimals[3]) +
           grund::FormatSigned(p[4], 0, decimals[4]) + "*" + XAbout(phaseText);
  }

  int LinearCount() const override { return 4; }
  void LinearBasis(std::span<const double> nonlinear, double x, const ModelOrigin& origin,
                   std::span<double> out) const override {
    SineModel().LinearBasis(nonlinear, x, origin, out.first(3));
    out[3] = x - origin.phase;
  }
  std::vector<double> FromLinear(std::span<const double> nonlinear,
                                 std::span<const double> k) const override {
    std::vector<double> p = SineModel().FromLinear(nonlinear, k.first(3));
    p.push_back(k[3]);
    return p;
  }

  std::vector<DerivedQuantity> Derived(std::span<const double> p,
                                       std::span<const double> covariance) const override {
    return {Period(p[1], CovarianceAt(covariance, 5, 1, 1))};
  }

 private:
  static constexpr std::array<std::string_view, 5> kNames{"a", "b", "c", "d", "e"};
};

}  // namespace

const Model& TrendModel() {
  static const SineWithTrend model;
  return model;
}

}  // namespace sinusfit::family
