// The search of the trend and damped models against an independent brute
// force: a dense grid over b (and δ) with the linear parameters solved at
// each point, the best refined by Gauss-Newton with numeric derivatives.
// The computation's best line must reach that optimum, and every listed
// error must be its term text's error sum as the interpreter evaluates it.

#include "sinusfit/modelfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/computation.h"
#include "sinusfit/model.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/sinefit.h"
#include "sine_series.h"

namespace {

using sinusfit::Computation;
using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::ModelKind;
using sinusfit::PassResult;

using sine_series::Lcg;

struct Case {
  const char* name;
  ModelKind model;
  double x0, dx;  // evenly spaced from x0, jittered by a fifth of dx
  int n;
  double a, b, c, d, extra;  // extra: e or δ
  double noise, bound;
};

FitData Series(const Case& k) {
  FitData data;
  Lcg g{static_cast<std::uint64_t>(k.n) * 7919};
  for (int i = 0; i < k.n; ++i) {
    const double x = k.x0 + k.dx * (i + 0.2 * g.Next());
    const double u = x - k.x0;
    const double sine = std::sin(k.b * u + k.c);
    const double y = k.model == ModelKind::kDampedOscillation
                         ? k.a * std::exp(-k.extra * u) * sine + k.d
                         : k.a * sine + k.d + k.extra * u;
    data.x.push_back(x);
    data.y.push_back(y + k.noise * g.Gauss());
  }
  return data;
}

// The residual sum of the model with the linear parameters solved at (b, δ):
// columns sin, cos, 1 (and u for a trend), all about the smallest x.
double Profile(const Case& k, const FitData& data, double b, double delta) {
  const int m = k.model == ModelKind::kSineWithTrend ? 4 : 3;
  long double a[4][5] = {}, yy = 0;
  for (std::size_t i = 0; i < data.x.size(); ++i) {
    const double u = data.x[i] - k.x0;
    const double env = k.model == ModelKind::kDampedOscillation ? std::exp(-delta * u) : 1;
    const long double phi[4] = {env * std::sin(b * u), env * std::cos(b * u), 1, u};
    for (int r = 0; r < m; ++r) {
      for (int c = 0; c < m; ++c) a[r][c] += phi[r] * phi[c];
      a[r][m] += phi[r] * data.y[i];
    }
    yy += static_cast<long double>(data.y[i]) * data.y[i];
  }
  long double rhs[4];
  for (int r = 0; r < m; ++r) rhs[r] = a[r][m];
  for (int r = 0; r < m; ++r) {  // Gauss-Jordan
    int p = r;
    for (int i = r + 1; i < m; ++i)
      if (std::fabs(a[i][r]) > std::fabs(a[p][r])) p = i;
    for (int c = 0; c <= m; ++c) std::swap(a[r][c], a[p][c]);
    for (int i = 0; i < m; ++i) {
      if (i == r || a[r][r] == 0) continue;
      const long double f = a[i][r] / a[r][r];
      for (int c = 0; c <= m; ++c) a[i][c] -= f * a[r][c];
    }
  }
  // The residual sum yᵀy − coefficientsᵀ·Φᵀy of the least-squares solution.
  long double sum = yy;
  for (int r = 0; r < m; ++r) sum -= (a[r][r] != 0 ? a[r][m] / a[r][r] : 0) * rhs[r];
  return static_cast<double>(sum);
}

// The brute-force optimum within the bound: the grid, then a shrinking
// pattern search on the profile around its best point.
double BruteForceOptimum(const Case& k, const FitData& data) {
  const double span = data.x.back() - data.x.front();
  const double step = 6.283185307 / (10 * span);
  const bool damped = k.model == ModelKind::kDampedOscillation;
  double bestB = step, bestDelta = 0, best = INFINITY;
  for (double b = step; b <= k.bound; b += step) {
    for (int j = damped ? -4 : 0; j <= (damped ? 12 : 0); ++j) {
      const double delta = j / (2 * span);
      const double e = Profile(k, data, b, delta);
      if (e < best) best = e, bestB = b, bestDelta = delta;
    }
  }
  double hb = step, hd = damped ? 1 / (2 * span) : 0;
  for (int i = 0; i < 400 && hb > 1e-14 * bestB; ++i) {
    bool moved = false;
    for (const auto& [db, dd] : {std::pair{hb, 0.0}, {-hb, 0.0}, {0.0, hd}, {0.0, -hd}}) {
      if (std::fabs(bestB + db) > k.bound) continue;
      const double e = Profile(k, data, bestB + db, bestDelta + dd);
      if (e < best) best = e, bestB += db, bestDelta += dd, moved = true;
    }
    if (!moved) hb /= 2, hd /= 2;
  }
  return best;
}

const Case kCases[] = {
    {"damped", ModelKind::kDampedOscillation, 0, 0.05, 240, 2.4, 3.88, 0.7, 0.02, 0.04, 0.05, 200},
    {"growing", ModelKind::kDampedOscillation, 2, 0.1, 150, 0.5, 1.3, 2.0, -1, -0.02, 0.05, 20},
    {"trend", ModelKind::kSineWithTrend, 1959, 1.0 / 12, 468, 3, 6.283, 1, 315, 1.3, 0.3, 10},
    {"unix time", ModelKind::kDampedOscillation, 1.7e9, 0.002, 600, 2.4, 95.3, 0.7, 0.02, 0.3,
     0.05, 1000},
    {"milliseconds", ModelKind::kSineWithTrend, 1000, 0.5, 400, 1.5, 0.0377, 0.3, 20, 0.004, 0.1,
     1},
    {"ten thousands", ModelKind::kDampedOscillation, -6e-4, 1e-6, 500, 2.4, 31400, 0.7, 0.02,
     2000, 0.02, 1e5},
};

TEST(ModelFit, BestLineReachesTheBruteForceOptimumAndListsItsTermsError) {
  for (const Case& k : kCases) {
    SCOPED_TRACE(k.name);
    const FitData data = Series(k);
    const double optimum = BruteForceOptimum(k, data);
    grund::ProcessRandom().SetSeed(7);
    Computation computation(k.model, FitMode::kAllFree, 0, data);
    const auto bound = [&] { return k.bound; };
    const auto go = [] { return true; };
    std::vector<PassResult> lines;
    if (auto scan = computation.RunScanPass(bound, go)) lines.push_back(*scan);
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) lines.push_back(*computation.RunPass(bound, go));
    double best = INFINITY;
    for (const PassResult& line : lines) {
      const double own = static_cast<double>(
          sinusfit::ErrorSum(line.term, data.x, data.y));
      EXPECT_NEAR(line.error, own, 1e-6 * own) << line.entry;
      EXPECT_EQ(line.model, k.model);
      EXPECT_LE(std::fabs(sinusfit::FrequencyOfEntry(line.entry)), k.bound) << line.entry;
      best = std::min(best, line.error);
    }
    EXPECT_LE(best, optimum * (1 + 1e-6)) << lines.front().entry;
    // Both found the same minimum, not the search a better one than a poor grid.
    EXPECT_GE(best, optimum * (1 - 1e-6)) << lines.front().entry;
  }
}

TEST(ModelFit, HeldParametersKeepTheirValueInEveryModel) {
  const Case& k = kCases[0];
  const FitData data = Series(k);
  const struct {
    FitMode mode;
    int index;
    double value;
  } held[] = {{FitMode::kFixedA, 0, 2.4}, {FitMode::kFixedB, 1, 3.88},
              {FitMode::kFixedC, 2, 0.7}, {FitMode::kFixedD, 3, 0.02}};
  for (const ModelKind model : {ModelKind::kSineWithTrend, ModelKind::kDampedOscillation}) {
    for (const auto& h : held) {
      SCOPED_TRACE(static_cast<int>(h.mode) * 10 + static_cast<int>(model));
      Computation computation(model, h.mode, h.value, data);
      const std::optional<PassResult> line =
          computation.RunPass([] { return 200.0; }, [] { return true; });
      ASSERT_TRUE(line);
      EXPECT_EQ(line->values[static_cast<std::size_t>(h.index)], h.value) << line->entry;
      EXPECT_NEAR(line->error, static_cast<double>(sinusfit::ErrorSum(line->term, data.x, data.y)),
                  1e-6 * line->error);
      // The damped series with its true held value: its error is the noise's.
      if (model == ModelKind::kDampedOscillation) {
        EXPECT_LT(line->error, 2 * k.noise * k.noise * k.n) << line->entry;
      }
    }
  }
}

TEST(ModelFit, LongSeriesReachTheOptimumOfAllPairs) {
  Case k = kCases[0];
  k.n = 100000;
  k.dx = 0.01;
  k.extra = 0.0005;
  const FitData data = Series(k);
  grund::ProcessRandom().SetSeed(3);
  Computation computation(ModelKind::kDampedOscillation, FitMode::kAllFree, 0, data);
  const std::optional<PassResult> line =
      computation.RunScanPass([] { return 20.0; }, [] { return true; });
  ASSERT_TRUE(line);
  // Refined from the truth by the brute force's profile: the optimum lies
  // within the noise's share of the true parameters' error.
  const double atTruth = Profile(k, data, k.b, k.extra);
  EXPECT_LE(line->error, atTruth * (1 + 1e-9)) << line->entry;
  const double own = static_cast<double>(sinusfit::ErrorSum(line->term, data.x, data.y));
  EXPECT_NEAR(line->error, own, 1e-6 * own);
}

TEST(ModelFit, StopsWhenAskedAndLeavesTheGeneratorToTheScan) {
  const FitData data = Series(kCases[0]);
  Computation computation(ModelKind::kDampedOscillation, FitMode::kAllFree, 0, data);
  EXPECT_FALSE(computation.RunPass([] { return 200.0; }, [] { return false; }));
  const std::uint32_t seed = grund::ProcessRandom().Seed();
  EXPECT_TRUE(computation.RunScanPass([] { return 200.0; }, [] { return true; }));
  EXPECT_EQ(grund::ProcessRandom().Seed(), seed);
}

TEST(ModelFit, ModelHintNamesTheDampedModelOnlyWhereItHelps) {
  const FitData damped = Series(kCases[0]);
  Case pure = kCases[0];
  pure.extra = 0;
  const FitData sine = Series(pure);
  for (const auto& [data, expected] : {std::pair{&damped, ModelKind::kDampedOscillation},
                                       std::pair{&sine, ModelKind::kSine}}) {
    grund::ProcessRandom().SetSeed(5);
    Computation computation(FitMode::kAllFree, 0, *data);
    double best = INFINITY;
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      best = std::min(best, computation.RunPass([] { return 200.0; }, [] { return true; })->error);
    const std::optional<sinusfit::ModelHint> hint = sinusfit::FindModelHint(
        computation, best, [] { return 200.0; }, [] { return true; });
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->model, expected) << hint->text;
    EXPECT_EQ(hint->text.empty(), expected == ModelKind::kSine);
  }
}

}  // namespace
