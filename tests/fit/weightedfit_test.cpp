// The weighted fit: its passes and its scan reach the weighted optimum that
// an independent Gauss-Newton in this file finds, and score every candidate
// by its χ².

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/fitdata.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace {

using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::ModelParameters;
using sinusfit::PassResult;
using sinusfit::SineFit;

using Vector4 = std::array<long double, 4>;

// Solves the 4 × 4 system A·u = r by Gaussian elimination with row pivoting.
Vector4 Solve(std::array<Vector4, 4> A, Vector4 r) {
  for (int k = 0; k < 4; ++k) {
    int pivot = k;
    for (int i = k + 1; i < 4; ++i)
      if (std::fabs(A[i][k]) > std::fabs(A[pivot][k])) pivot = i;
    std::swap(A[k], A[pivot]);
    std::swap(r[k], r[pivot]);
    for (int i = k + 1; i < 4; ++i) {
      const long double f = A[i][k] / A[k][k];
      for (int j = k; j < 4; ++j) A[i][j] -= f * A[k][j];
      r[i] -= f * r[k];
    }
  }
  Vector4 u{};
  for (int k = 3; k >= 0; --k) {
    long double s = r[k];
    for (int j = k + 1; j < 4; ++j) s -= A[k][j] * u[j];
    u[k] = s / A[k][k];
  }
  return u;
}

// ∂/∂(a, b, c, d) of a·sin(b·x + c) + d.
Vector4 Gradient(const Vector4& p, long double x) {
  const long double s = sinl(p[1] * x + p[2]), c = cosl(p[1] * x + p[2]);
  return {s, p[0] * x * c, p[0] * c, 1};
}

long double Model(const Vector4& p, long double x) { return p[0] * sinl(p[1] * x + p[2]) + p[3]; }

// The weighted optimum near `start` by plain Gauss-Newton (w = 1/Δy², or 1).
Vector4 WeightedOptimum(const FitData& d, Vector4 p) {
  for (int step = 0; step < 100; ++step) {
    std::array<Vector4, 4> A{};
    Vector4 r{};
    for (std::size_t i = 0; i < d.x.size(); ++i) {
      const long double w = d.sigma.empty() ? 1 : 1 / (static_cast<long double>(d.sigma[i]) * d.sigma[i]);
      const Vector4 g = Gradient(p, d.x[i]);
      const long double residual = d.y[i] - Model(p, d.x[i]);
      for (int k = 0; k < 4; ++k) {
        for (int l = 0; l < 4; ++l) A[k][l] += w * g[k] * g[l];
        r[k] += w * g[k] * residual;
      }
    }
    const Vector4 u = Solve(A, r);
    for (int k = 0; k < 4; ++k) p[k] += u[k];
  }
  return p;
}

long double ChiSquared(const FitData& d, const Vector4& p) {
  long double sum = 0;
  for (std::size_t i = 0; i < d.x.size(); ++i) {
    const long double r = (d.y[i] - Model(p, d.x[i])) / (d.sigma.empty() ? 1 : d.sigma[i]);
    sum += r * r;
  }
  return sum;
}

// The mode-1 normal form of p (b >= 0, 0 <= c < 2π), for comparing.
Vector4 Normal(Vector4 p) {
  if (p[1] < 0) p = {-p[0], -p[1], -p[2], p[3]};
  if (p[0] < 0) p = {-p[0], p[1], p[2] + 3.14159265358979323846L, p[3]};
  p[2] = fmodl(p[2], 2 * 3.14159265358979323846L);
  if (p[2] < 0) p[2] += 2 * 3.14159265358979323846L;
  return p;
}

Vector4 Of(const ModelParameters& q) { return {q.a, q.b, q.c, q.d}; }

// 40 pairs of 1,5·sin(2x + 0,5) − 1,25 with noise, Δy per pair. The x are
// not evenly spaced, so that no alias of b fits as well.
FitData Noisy(const std::vector<double>& sigma) {
  FitData d;
  for (int i = 0; i < 40; ++i) {
    const double x = -3 + 0.15 * i + 0.05 * std::sin(1.7 * i * i);
    d.x.push_back(x);
    d.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.08 * std::sin(12.9898 * i * i));
  }
  d.sigma = sigma;
  return d;
}

// The best of a computation's 20 passes.
PassResult BestOfPasses(SineFit& fit) {
  PassResult best;
  best.error = HUGE_VAL;
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
    const PassResult r = fit.RunPass([] { return 200.0; });
    if (r.error < best.error) best = r;
  }
  return best;
}

class WeightedFitTest : public testing::Test {
 protected:
  void SetUp() override {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
  }
};

SineFit Weighted(const FitData& d) {
  return SineFit(FitMode::kAllFree, 0, d, sinusfit::ChooseTextPrecision(d), sinusfit::ErrorCeiling(d));
}

TEST_F(WeightedFitTest, PassesAndScanReachTheWeightedOptimum) {
  std::vector<double> varying(40);
  for (int i = 0; i < 40; ++i) varying[i] = 0.01 * std::pow(100.0, i / 39.0);  // 0,01 … 1
  std::vector<double> outlier(40, 0.08);
  outlier[17] = 1000;
  FitData pulled = Noisy(outlier);
  pulled.y[17] += 50;
  const struct {
    const char* name;
    FitData data;
  } cases[] = {
      {"constant Δy", Noisy(std::vector<double>(40, 0.5))},
      {"Δy varying 100×", Noisy(varying)},
      {"an outlier with a large Δy", pulled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    const Vector4 optimum = Normal(WeightedOptimum(c.data, {1.5, 2, 0.5, -1.25}));
    SineFit fit = Weighted(c.data);
    const PassResult best = BestOfPasses(fit);
    const auto scan = sinusfit::RunFrequencyScan(fit, [] { return 200.0; }, [] { return true; });
    ASSERT_TRUE(scan);
    for (const PassResult* r : {&best, &*scan}) {
      const Vector4 found = Normal(Of(r->parameters));
      for (int k = 0; k < 4; ++k) EXPECT_NEAR(found[k], optimum[k], 1e-7) << r->entry << " " << k;
      // The listed error is the χ² of the term text, through the interpreter.
      long double chi = 0;
      for (std::size_t i = 0; i < c.data.x.size(); ++i) {
        const long double residual = c.data.y[i] - fktint::EvaluateTerm(r->term, c.data.x[i]);
        chi += residual * residual / (static_cast<long double>(c.data.sigma[i]) * c.data.sigma[i]);
      }
      EXPECT_NEAR(r->error, static_cast<double>(chi), 1e-12 * static_cast<double>(chi));
      EXPECT_NEAR(r->error, static_cast<double>(ChiSquared(c.data, optimum)),
                  1e-6 * static_cast<double>(ChiSquared(c.data, optimum)));
    }
  }
}

TEST_F(WeightedFitTest, ConstantDeltaYGivesTheUnweightedFitAndScalesItsError) {
  const FitData weighted = Noisy(std::vector<double>(40, 0.5));
  FitData plain = weighted;
  plain.sigma.clear();
  SineFit w = Weighted(weighted);
  const PassResult a = BestOfPasses(w);
  SetUp();
  SineFit u(FitMode::kAllFree, 0, plain.x, plain.y);
  const PassResult b = BestOfPasses(u);
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(Normal(Of(a.parameters))[k], Normal(Of(b.parameters))[k], 1e-7) << k;
  EXPECT_NEAR(a.error, b.error / 0.25, 1e-6 * a.error);
}

// A single outlier with Δy a thousand times the others' must not pull the
// fit; unweighted it does.
TEST_F(WeightedFitTest, AnOutlierWithALargeDeltaYDoesNotPullTheFit) {
  std::vector<double> sigma(40, 0.08);
  sigma[17] = 1000;
  FitData d = Noisy(sigma);
  d.y[17] += 50;
  SineFit w = Weighted(d);
  const PassResult weighted = BestOfPasses(w);
  SetUp();
  SineFit u(FitMode::kAllFree, 0, d.x, d.y);
  const PassResult plain = BestOfPasses(u);
  EXPECT_NEAR(weighted.parameters.d, -1.25, 0.05) << weighted.entry;
  EXPECT_GT(std::fabs(plain.parameters.d + 1.25), 0.5) << plain.entry;
}

TEST_F(WeightedFitTest, UnweightedDataRunAsTheyAlwaysHave) {
  const FitData d = Noisy({});
  SineFit a(FitMode::kAllFree, 0, d.x, d.y);
  std::vector<std::string> entries;
  for (int pass = 0; pass < 3; ++pass) entries.push_back(a.RunPass([] { return 200.0; }).entry);
  SetUp();
  SineFit b(FitMode::kAllFree, 0, d, sinusfit::TextPrecision{}, sinusfit::kErrorCeiling);
  for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(b.RunPass([] { return 200.0; }).entry, entries[pass]);
  // RefineCandidate without weights and with none given are the same.
  sinusfit::FitState s1{FitMode::kAllFree, {1, 1.8, 0.3, -1}, 0}, s2 = s1;
  sinusfit::NormalMatrix m1{}, m2{};
  sinusfit::RefineCandidate(s1, d.x, d.y, m1);
  sinusfit::RefineCandidate(s2, d.x, d.y, {}, m2);
  EXPECT_EQ(s1.p, s2.p);
}

// Beyond the old ceiling of 10000 a pass now takes its candidates; one that
// takes none lists the true error of its zero term, which is above the
// data's own ceiling.
TEST_F(WeightedFitTest, TheCeilingFollowsTheData) {
  FitData d = Noisy({});
  for (double& y : d.y) y *= 300;  // a flat line errs some 4·10⁶
  const double ceiling = sinusfit::ErrorCeiling(d);
  ASSERT_GT(ceiling, 1e6);
  SineFit fit(FitMode::kAllFree, 0, d, sinusfit::ChooseTextPrecision(d), ceiling);
  const PassResult best = BestOfPasses(fit);
  EXPECT_LT(best.error, 1e5) << best.entry;
  SetUp();
  const PassResult none = fit.RunPass([] { return 0.0; });  // every candidate out of bounds
  long double squares = 0;
  for (double y : d.y) squares += static_cast<long double>(y) * y;
  EXPECT_NEAR(none.error, static_cast<double>(squares), 1e-9 * static_cast<double>(squares));
  EXPECT_GE(none.error, ceiling);
  EXPECT_EQ(none.entry,
            sinusfit::BuildResultEntry(none.error, "0*SIN(0*X+0)+0", fit.Precision()));
  // The scan obeys the same ceiling.
  SineFit low(FitMode::kAllFree, 0, d, fit.Precision(), best.error * 0.5);
  EXPECT_FALSE(sinusfit::RunFrequencyScan(low, [] { return 200.0; }, [] { return true; }));
}

}  // namespace
