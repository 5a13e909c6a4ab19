// The sums of sines: the models against numeric derivatives and their own
// term texts, and the search against series whose periods are known (tides
// with a gap, a pulsating star observed in nights, a shape with harmonics,
// pure noise).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/computation.h"
#include "sinusfit/model.h"
#include "sinusfit/modelstatistics.h"
#include "sinusfit/prewhitening.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/significance.h"
#include "sine_series.h"

namespace {

using sinusfit::Computation;
using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::ModelKind;
using sinusfit::PassResult;

constexpr double kTwoPi = 2 * std::numbers::pi;

using sine_series::Lcg;
using sine_series::Sine;
using sine_series::StarNights;
using sine_series::SumAt;

TEST(SineSums, ModelsAgreeWithTheirDerivativesTextsAndOrigins) {
  const sinusfit::ModelOrigin origin{1000, 1000};
  for (const ModelKind kind : {ModelKind::kSeveralFrequencies, ModelKind::kHarmonics}) {
    for (int terms = 1; terms <= 3; ++terms) {
      const sinusfit::Model& model = sinusfit::ModelOf(kind, terms);
      SCOPED_TRACE(std::string(model.Title()) + " " + std::to_string(terms));
      ASSERT_EQ(model.FrequencyCount(), terms);
      std::vector<double> p(static_cast<std::size_t>(model.ParameterCount()));
      for (std::size_t k = 0; k < p.size(); ++k) p[k] = 0.3 + 0.7 * static_cast<double>(k % 5);
      const std::vector<double> xs{1000.5, 1003.25, 1007.75};
      // One vector for every x, as the refinement passes it: every entry is
      // written anew.
      std::vector<double> dp(p.size(), 1e300);
      for (const double x : xs) {
        const double value = model.Evaluate(p, x, origin, dp);
        for (std::size_t k = 0; k < p.size(); ++k) {
          std::vector<double> up = p, down = p;
          up[k] += 1e-6;
          down[k] -= 1e-6;
          const double numeric =
              (model.Evaluate(up, x, origin, {}) - model.Evaluate(down, x, origin, {})) / 2e-6;
          EXPECT_NEAR(dp[k], numeric, 1e-5 * (1 + std::fabs(numeric))) << model.ParameterName(static_cast<int>(k));
        }
        // The same sum counted from X itself, and as the interpreter reads its text.
        const std::vector<double> aboutX = model.MovePhaseOrigin(p, origin, {1000, 0});
        EXPECT_NEAR(model.Evaluate(aboutX, x, {1000, 0}, {}), value, 1e-9);
        const std::vector<int> decimals(p.size(), 12);
        const std::string term = model.TermText(aboutX, decimals, "1000", "");
        EXPECT_NEAR(static_cast<double>(sinusfit::ErrorSum(term, {x}, {value})), 0, 1e-12) << term;
        // The linear columns at the model's frequencies give its value back.
        std::vector<double> nonlinear{p[1]};
        for (int k = 1; k < terms && kind == ModelKind::kSeveralFrequencies; ++k)
          nonlinear.push_back(p[static_cast<std::size_t>(model.AmplitudeIndex(k) + 1)]);
        std::vector<double> basis(static_cast<std::size_t>(model.LinearCount()));
        model.LinearBasis(nonlinear, x, origin, basis);
        std::vector<double> coefficients(basis.size());
        for (int k = 0; k < terms; ++k) {
          const std::size_t column = k == 0 ? 0 : static_cast<std::size_t>(1 + 2 * k);
          const auto a = static_cast<std::size_t>(model.AmplitudeIndex(k));
          const std::size_t c = k == 0 ? 2 : a + (kind == ModelKind::kHarmonics ? 1 : 2);
          coefficients[column] = p[a] * std::cos(p[c]);
          coefficients[column + 1] = p[a] * std::sin(p[c]);
        }
        coefficients[2] = p[3];
        double linear = 0;
        for (std::size_t k = 0; k < basis.size(); ++k) linear += coefficients[k] * basis[k];
        EXPECT_NEAR(linear, value, 1e-9);
        EXPECT_NEAR(model.Evaluate(model.FromLinear(nonlinear, coefficients), x, origin, {}), value,
                    1e-9);
      }
      // The normal form keeps the values, with every b and amplitude ≥ 0.
      std::vector<double> turned = p;
      turned[0] = -p[0];
      turned[1] = -p[1];
      const std::vector<double> before = turned;
      model.Normalise(turned, -1);
      for (const double x : xs)
        EXPECT_NEAR(model.Evaluate(turned, x, origin, {}), model.Evaluate(before, x, origin, {}), 1e-9);
      EXPECT_GE(turned[1], 0);
      for (int k = 0; k < terms; ++k) EXPECT_GE(turned[static_cast<std::size_t>(model.AmplitudeIndex(k))], 0);
    }
  }
}

struct SearchCase {
  const char* name;
  ModelKind kind;
  int frequencies;  // asked for; 0: as many as significant
  std::vector<double> x;
  std::vector<Sine> sines;  // the truth, b in rad per unit of x
  double d, noise, bound;
  std::size_t found;  // sines the best line must have
};

FitData Noisy(const SearchCase& k, std::uint64_t seed) {
  FitData data;
  Lcg g{seed};
  data.x = k.x;
  for (const double x : k.x) data.y.push_back(SumAt(k.sines, k.d, x - k.x.front()) + k.noise * g.Gauss());
  return data;
}

// Hourly water levels over 60 days, two days missing.
std::vector<double> TideHours() {
  std::vector<double> x;
  for (int h = 0; h < 60 * 24; ++h)
    if (h < 700 || h >= 748) x.push_back(h);
  return x;
}

std::vector<double> Uneven(int n, double span, std::uint64_t seed) {
  Lcg g{seed};
  std::vector<double> x;
  for (int i = 0; i < n; ++i) x.push_back(span * g.Next());
  std::sort(x.begin(), x.end());
  return x;
}

PassResult BestLine(Computation& computation, double bound, int passes) {
  const auto readBound = [bound] { return bound; };
  const auto go = [] { return true; };
  PassResult best;
  best.error = INFINITY;
  if (auto scan = computation.RunScanPass(readBound, go)) best = *scan;
  for (int pass = 0; pass < passes; ++pass) {
    const std::optional<PassResult> line = computation.RunPass(readBound, go);
    if (line && line->error < best.error) best = *line;
  }
  return best;
}

TEST(SineSums, SearchFindsTheTrueFrequenciesNotTheirAliases) {
  const auto b = [](double period) { return kTwoPi / period; };
  const SearchCase cases[] = {
      {"tides", ModelKind::kSeveralFrequencies, 0, TideHours(),
       {{1.0, b(12.4206), 0.3}, {0.45, b(12.0), 2.0}, {0.4, b(23.9345), 4.0}, {0.3, b(25.8193), 1.0}},
       2.0, 0.05, 1.0, 4},
      {"pulsating star", ModelKind::kSeveralFrequencies, 0, StarNights(),
       {{0.03, kTwoPi * 10.3, 1.0}, {0.02, kTwoPi * 13.1, 2.5}, {0.012, kTwoPi * 7.9, 4.0}},
       12.4, 0.004, 100, 3},
      {"harmonics", ModelKind::kHarmonics, 3, Uneven(240, 40, 11),
       {{1.0, 0.9, 0.2}, {0.5, 1.8, 1.0}, {0.25, 2.7, 2.0}}, 5, 0.05, 10, 3},
      {"harmonics, as many as significant", ModelKind::kHarmonics, 0, Uneven(240, 40, 11),
       {{1.0, 0.9, 0.2}, {0.5, 1.8, 1.0}, {0.25, 2.7, 2.0}}, 5, 0.05, 10, 3},
  };
  for (const SearchCase& k : cases) {
    SCOPED_TRACE(k.name);
    const FitData data = Noisy(k, 17);
    grund::ProcessRandom().SetSeed(1);
    Computation computation(k.kind, k.frequencies, FitMode::kAllFree, 0, data);
    const PassResult best = BestLine(computation, k.bound, 2);
    const sinusfit::Model& model = sinusfit::ModelOf(best.model, best.values);
    ASSERT_EQ(model.Kind(), k.kind);
    ASSERT_EQ(static_cast<std::size_t>(model.FrequencyCount()), k.found) << best.entry;
    // The listed error is the term text's own.
    const double own = static_cast<double>(sinusfit::ErrorSum(best.term, data.x, data.y));
    EXPECT_NEAR(best.error, own, 1e-6 * own) << best.term;
    const double resolution = kTwoPi / (data.x.back() - data.x.front());
    for (const Sine& truth : k.sines) {
      double nearest = INFINITY;
      for (int j = 0; j < model.FrequencyCount(); ++j)
        nearest = std::min(nearest, std::fabs(model.AngularFrequency(best.values, j) - truth.b));
      EXPECT_LT(nearest, 0.05 * resolution) << truth.b << " in " << best.term;
    }
    // Each frequency's uncertainty as theory has it for a sine in white
    // noise: √(24/n)·σ/(a·T).
    if (k.kind == ModelKind::kSeveralFrequencies) {
      const sinusfit::ModelStatistics statistics = sinusfit::ComputeModelStatistics(
          model, best.values, best.origin, -1, data.x, data.y, {});
      const double n = static_cast<double>(data.x.size());
      const double span = data.x.back() - data.x.front();
      for (int j = 0; j < model.FrequencyCount(); ++j) {
        const auto a = static_cast<std::size_t>(model.AmplitudeIndex(j));
        const double expected = std::sqrt(24 / n) * k.noise / (std::fabs(best.values[a]) * span);
        EXPECT_NEAR(statistics.standardError[a + 1] / expected, 1, 0.35) << j << " " << best.term;
      }
    }
    // As good as the truth refined: within the noise's share of it.
    EXPECT_LT(best.error, 1.1 * k.noise * k.noise * static_cast<double>(data.x.size())) << best.term;
  }
}

// Δy weights every step and the listed χ²; a held parameter is the first
// sine's and keeps its value; a long series reaches the same sum.
TEST(SineSums, WeightsHeldParametersAndLongSeriesCarryThrough) {
  const std::vector<Sine> two{{1.0, 0.9, 0.2}, {0.5, 2.3, 1.0}};
  const struct {
    const char* name;
    int n;
    FitMode mode;
    double held;
    bool weighted;
  } cases[] = {{"Δy", 300, FitMode::kAllFree, 0, true},
               {"b held", 300, FitMode::kFixedB, 0.9, false},
               {"d held", 300, FitMode::kFixedD, 5, false},
               {"long series", 60000, FitMode::kAllFree, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SearchCase k{c.name, ModelKind::kSeveralFrequencies, 2, Uneven(c.n, 60, 3), two, 5, 0.05, 10, 2};
    FitData data = Noisy(k, 29);
    if (c.weighted)
      for (std::size_t i = 0; i < data.x.size(); ++i) data.sigma.push_back(i % 2 ? 0.05 : 0.1);
    grund::ProcessRandom().SetSeed(1);
    Computation computation(k.kind, 2, c.mode, c.held, data);
    const PassResult best = BestLine(computation, k.bound, 1);
    const sinusfit::Model& model = sinusfit::ModelOf(best.model, best.values);
    ASSERT_EQ(model.FrequencyCount(), 2) << best.term;
    std::vector<double> w;
    for (const double sigma : data.sigma) w.push_back(1 / (sigma * sigma));
    const double own = static_cast<double>(sinusfit::ErrorSum(best.term, data.x, data.y, w));
    EXPECT_NEAR(best.error, own, 1e-6 * own) << best.term;
    if (c.mode == FitMode::kFixedB) {
      EXPECT_EQ(best.values[1], c.held);
    }
    if (c.mode == FitMode::kFixedD) {
      EXPECT_EQ(best.values[3], c.held);
    }
    for (const Sine& truth : two)
      EXPECT_NEAR(std::min(std::fabs(model.AngularFrequency(best.values, 0) - truth.b),
                           std::fabs(model.AngularFrequency(best.values, 1) - truth.b)),
                  0, 0.01)
          << best.term;
  }
}

TEST(SineSums, NoiseGivesOneSineThatIsNotSignificant) {
  SearchCase k{"noise", ModelKind::kSeveralFrequencies, 0, Uneven(150, 30, 5), {}, 0, 1, 20, 1};
  const FitData data = Noisy(k, 23);
  grund::ProcessRandom().SetSeed(1);
  Computation computation(k.kind, 0, FitMode::kAllFree, 0, data);
  const PassResult best = BestLine(computation, k.bound, 2);
  const sinusfit::Model& model = sinusfit::ModelOf(best.model, best.values);
  ASSERT_EQ(model.FrequencyCount(), 1) << best.term;
  const std::vector<sinusfit::SineSignificance> significance = sinusfit::SinesSignificance(
      model, best.values, best.origin, data.x, data.y, {}, k.bound);
  ASSERT_EQ(significance.size(), 1u);
  EXPECT_FALSE(significance[0].Significant()) << significance[0].fap << " " << significance[0].signalToNoise;
}

}  // namespace
