// Sums of sines: y = Σ aₖ sin(bₖx + cₖ) + d for several periods (tides, a
// pulsating star) and y = Σ aₖ sin(k·bx + cₖ) + d for one period whose
// shape is no pure sine (a fundamental and its harmonics). The first sine
// keeps the places of a, b, c and d, so that a held parameter means the
// same as in every other model (a held b is the fundamental).

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "_grund/grund.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit::family {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Subscript(int k) {
  static constexpr std::array<std::string_view, 10> kDigits{"₀", "₁", "₂", "₃", "₄",
                                                            "₅", "₆", "₇", "₈", "₉"};
  std::string text;
  for (const char digit : std::to_string(k)) text += kDigits[static_cast<std::size_t>(digit - '0')];
  return text;
}

double Turned(double c) {
  if (!std::isfinite(c)) return c;
  c = std::fmod(c, 2 * kPi);
  return c < 0 ? c + 2 * kPi : c;
}

class SineSum final : public Model {
 public:
  SineSum(bool harmonics, int terms) : harmonics_(harmonics), terms_(terms) {
    const bool plain = terms == 1;
    for (int k = 0; k < ParameterCount(); ++k) names_.emplace_back(), keys_.emplace_back();
    for (int k = 0; k < terms; ++k) {
      const std::string sub = plain ? "" : Subscript(k + 1);
      const std::string digits = plain ? "" : std::to_string(k + 1);
      Name(A(k), "a" + sub, "a" + digits);
      Name(C(k), "c" + sub, "c" + digits);
      if (!harmonics || k == 0)
        Name(B(k), harmonics ? "b" : "b" + sub, harmonics ? "b" : "b" + digits);
    }
    Name(3, "d", "d");
  }

  ModelKind Kind() const override {
    return harmonics_ ? ModelKind::kHarmonics : ModelKind::kSeveralFrequencies;
  }
  std::string_view Title() const override {
    return harmonics_ ? "Oberschwingungen" : "mehrere Frequenzen";
  }
  std::string_view Formula() const override {
    return harmonics_ ? "y = Σ aₖ sin (k·bx + cₖ) + d" : "y = Σ aₖ sin (bₖx + cₖ) + d";
  }
  int ParameterCount() const override { return harmonics_ ? 2 * terms_ + 2 : 3 * terms_ + 1; }
  std::string_view ParameterName(int k) const override { return names_[static_cast<std::size_t>(k)]; }
  std::string_view ParameterKey(int k) const override { return keys_[static_cast<std::size_t>(k)]; }

  int FrequencyCount() const override { return terms_; }
  double AngularFrequency(std::span<const double> p, int k) const override {
    return Multiple(k) * p[Index(B(k))];
  }
  int AmplitudeIndex(int k) const override { return A(k); }
  std::vector<int> FrequencyParameters() const override {
    std::vector<int> indices;
    for (int k = 0; k < (harmonics_ ? 1 : terms_); ++k) indices.push_back(B(k));
    return indices;
  }

  double Evaluate(std::span<const double> p, double x, const ModelOrigin& origin,
                  std::span<double> dp) const override {
    const double t = x - origin.phase;
    double value = p[3];
    if (!dp.empty()) dp[1] = 0, dp[3] = 1;
    for (int k = 0; k < terms_; ++k) {
      const double a = p[Index(A(k))];
      const double m = Multiple(k);
      const double angle = m * p[Index(B(k))] * t + p[Index(C(k))];
      const double s = std::sin(angle);
      value += a * s;
      if (dp.empty()) continue;
      const double c = std::cos(angle);
      dp[Index(A(k))] = s;
      // The harmonics share b: their parts add up (dp[1] starts at 0).
      if (harmonics_ || k == 0)
        dp[Index(B(k))] += a * m * t * c;
      else
        dp[Index(B(k))] = a * m * t * c;
      dp[Index(C(k))] = a * c;
    }
    return value;
  }

  std::vector<double> MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                      const ModelOrigin& to) const override {
    std::vector<double> moved(p.begin(), p.end());
    for (int k = 0; k < terms_; ++k)
      moved[Index(C(k))] = MovedPhase(AngularFrequency(p, k), p[Index(C(k))], from.phase, to.phase);
    return moved;
  }

  // 2*SIN(0,5*X+1)+0,3*SIN(2*0,5*X+4)+7: each harmonic writes its
  // multiple of the one written b, so that the text has a single period.
  std::string TermText(std::span<const double> p, std::span<const int> decimals, std::string_view,
                       std::string_view phaseText) const override {
    std::string text;
    for (int k = 0; k < terms_; ++k) {
      const std::size_t a = Index(A(k)), b = Index(B(k)), c = Index(C(k));
      text += k == 0 ? grund::FormatComma(p[a], 0, decimals[a])
                     : grund::FormatSigned(p[a], 0, decimals[a]);
      text += "*SIN(";
      if (harmonics_ && k > 0) text += std::to_string(k + 1) + "*";
      text += grund::FormatComma(p[b], 0, decimals[b]) + "*" + XAbout(phaseText) +
              grund::FormatSigned(p[c], 0, decimals[c]) + ")";
    }
    return text + grund::FormatSigned(p[3], 0, decimals[3]);
  }

  // Nonlinear: b₁ … b_K of a sum (b₂ … are the extra ones), b of harmonics.
  int ExtraNonlinearCount() const override { return harmonics_ ? 0 : terms_ - 1; }
  int ExtraNonlinearIndex(int k) const override { return B(k + 1); }
  int LinearCount() const override { return 2 * terms_ + 1; }
  void LinearBasis(std::span<const double> nonlinear, double x, const ModelOrigin& origin,
                   std::span<double> out) const override {
    const double t = x - origin.phase;
    for (int k = 0; k < terms_; ++k) {
      const double angle = harmonics_ ? (k + 1) * nonlinear[0] * t : nonlinear[Index(k)] * t;
      const std::size_t column = k == 0 ? 0 : Index(1 + 2 * k);
      out[column] = std::sin(angle);
      out[column + 1] = std::cos(angle);
    }
    out[2] = 1;
  }
  std::vector<double> FromLinear(std::span<const double> nonlinear,
                                 std::span<const double> coefficients) const override {
    std::vector<double> p(static_cast<std::size_t>(ParameterCount()), 0);
    for (int k = 0; k < terms_; ++k) {
      const std::size_t column = k == 0 ? 0 : Index(1 + 2 * k);
      AmplitudeAndPhase(coefficients[column], coefficients[column + 1], p[Index(A(k))],
                        p[Index(C(k))]);
      p[Index(B(k))] = harmonics_ ? nonlinear[0] : nonlinear[Index(k)];
    }
    p[3] = coefficients[2];
    return p;
  }

  std::vector<DerivedQuantity> Derived(std::span<const double> p,
                                       std::span<const double> covariance) const override {
    const int n = ParameterCount();
    std::vector<DerivedQuantity> derived;
    for (int k = 0; k < (harmonics_ ? 1 : terms_); ++k) {
      DerivedQuantity period = Period(p[Index(B(k))], CovarianceAt(covariance, n, B(k), B(k)));
      // The first sine's period is the "period" of every model.
      if (terms_ > 1 && !harmonics_) {
        period.name = "Periode" + Subscript(k + 1) + " 2π/|b" + Subscript(k + 1) + "|";
        if (k > 0) period.key += std::to_string(k + 1);
      }
      derived.push_back(std::move(period));
    }
    return derived;
  }

  // Every b ≥ 0, amplitudes ≥ 0 and phases in [0, 2π), where the held
  // parameter leaves the first sine free to turn; the sum's sines, after
  // the held one's, by falling amplitude.
  void Normalise(std::span<double> p, int held) const override {
    const bool firstTurns = held != 1 && held != 2;
    for (int k = 0; k < (harmonics_ ? 1 : terms_); ++k) {
      double& b = p[Index(B(k))];
      if (b >= 0 || (k == 0 && !firstTurns)) continue;
      b = -b;
      // a·sin(−bx + c) = a·sin(bx + π − c)
      for (int j = harmonics_ ? 0 : k; j < (harmonics_ ? terms_ : k + 1); ++j)
        p[Index(C(j))] = kPi - p[Index(C(j))];
    }
    for (int k = 0; k < terms_; ++k) {
      double& a = p[Index(A(k))];
      double& c = p[Index(C(k))];
      if (k == 0 && held == 2) continue;
      if (a < 0 && !(k == 0 && held == 0)) a = -a, c += kPi;
      c = Turned(c);
    }
    if (harmonics_) return;
    const int from = held >= 0 ? 1 : 0;
    std::array<std::array<double, 3>, kMaxFrequencies> sines{};
    for (int k = from; k < terms_; ++k)
      sines[Index(k)] = {p[Index(A(k))], p[Index(B(k))], p[Index(C(k))]};
    std::stable_sort(sines.begin() + from, sines.begin() + terms_,
                     [](const auto& l, const auto& r) { return l[0] > r[0]; });
    for (int k = from; k < terms_; ++k) {
      p[Index(A(k))] = sines[Index(k)][0];
      p[Index(B(k))] = sines[Index(k)][1];
      p[Index(C(k))] = sines[Index(k)][2];
    }
  }

 private:
  static std::size_t Index(int k) { return static_cast<std::size_t>(k); }
  // The places of the k-th sine's parameters (0-based k).
  int Stride() const { return harmonics_ ? 2 : 3; }
  int A(int k) const { return k == 0 ? 0 : 4 + Stride() * (k - 1); }
  int B(int k) const { return k == 0 || harmonics_ ? 1 : 5 + 3 * (k - 1); }
  int C(int k) const { return k == 0 ? 2 : A(k) + Stride() - 1; }
  double Multiple(int k) const { return harmonics_ ? k + 1 : 1; }
  void Name(int k, std::string name, std::string key) {
    names_[Index(k)] = std::move(name);
    keys_[Index(k)] = std::move(key);
  }

  bool harmonics_;
  int terms_;
  std::vector<std::string> names_, keys_;
};

const Model& SumModel(bool harmonics, int frequencies) {
  using Models = std::array<std::unique_ptr<SineSum>, kMaxFrequencies>;
  static const std::array<Models, 2> models = [] {
    std::array<Models, 2> all;
    for (int h = 0; h < 2; ++h)
      for (int k = 0; k < kMaxFrequencies; ++k)
        all[static_cast<std::size_t>(h)][static_cast<std::size_t>(k)] = std::make_unique<SineSum>(h == 1, k + 1);
    return all;
  }();
  const int k = std::clamp(frequencies, 1, kMaxFrequencies);
  return *models[harmonics ? 1 : 0][static_cast<std::size_t>(k - 1)];
}

}  // namespace

const Model& SumOfSinesModel(int frequencies) { return SumModel(false, frequencies); }
const Model& HarmonicsModel(int frequencies) { return SumModel(true, frequencies); }

}  // namespace sinusfit::family
