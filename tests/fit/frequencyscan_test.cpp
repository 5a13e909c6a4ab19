#include "app/frequencyscan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/resulttext.h"
#include "app/sinefit.h"
#include "fktint/fktint.h"

namespace {

using app::FitMode;
using app::PassResult;
using app::SineFit;

constexpr double kTwoPi = 6.283185307179586;

struct Pairs {
  std::vector<double> x, y;
};

// a·sin(b·x + c) + d at the given x, with a deterministic noise of the given size.
Pairs Sine(const std::vector<double>& x, double a, double b, double c, double d, double noise = 0) {
  Pairs p{x, {}};
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double wobble = noise * std::sin(12.9898 * static_cast<double>(i * i + 7));
    p.y.push_back(a * std::sin(b * x[i] + c) + d + wobble);
  }
  return p;
}

std::vector<double> Evenly(double first, double step, int count) {
  std::vector<double> x;
  for (int i = 0; i < count; ++i) x.push_back(first + step * i);
  return x;
}

std::optional<PassResult> Scan(const Pairs& p, double bound, FitMode mode = FitMode::kAllFree,
                               double fixed = 0) {
  const SineFit fit(mode, fixed, p.x, p.y);
  return app::RunFrequencyScan(
      fit, [bound] { return bound; }, [] { return true; });
}

// The least residual sum of a·sin(b·x + c) + d over b on a grid much finer
// than the scan's, with a, c, d fitted exactly at each b.
double BruteForceLeast(const Pairs& p, double bound) {
  double lo = p.x[0], hi = p.x[0], mean = 0, yMean = 0;
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    lo = std::min(lo, p.x[i]);
    hi = std::max(hi, p.x[i]);
    mean += p.x[i];
    yMean += p.y[i];
  }
  const double n = static_cast<double>(p.x.size());
  mean /= n;
  yMean /= n;
  double least = HUGE_VAL;
  const double step = kTwoPi / (60 * (hi - lo));
  for (double b = step; b <= bound; b += step) {
    double s = 0, c = 0, ss = 0, sc = 0, cc = 0, ys = 0, yc = 0, yy = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
      const double u = std::sin(b * (p.x[i] - mean)), v = std::cos(b * (p.x[i] - mean));
      const double w = p.y[i] - yMean;
      s += u, c += v, ss += u * u, sc += u * v, cc += v * v, ys += w * u, yc += w * v;
      yy += w * w;
    }
    const double gss = ss - s * s / n, gsc = sc - s * c / n, gcc = cc - c * c / n;
    const double det = gss * gcc - gsc * gsc;
    if (det <= 0) continue;
    least = std::min(least, yy - (gcc * ys * ys - 2 * gsc * ys * yc + gss * yc * yc) / det);
  }
  return least;
}

class FrequencyScanTest : public testing::Test {
 protected:
  void SetUp() override {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
  }
};

// Uneven x: 70 points in [0, 50] with gaps of varying length.
std::vector<double> Uneven() {
  std::vector<double> x;
  double at = 0;
  for (int i = 0; i < 70; ++i) {
    x.push_back(at);
    at += 0.25 + 0.9 * std::fabs(std::sin(1.7 * i * i));
  }
  return x;
}

struct PhysicalCase {
  const char* name;
  std::vector<double> x;
  double a, b, c, d, bound;
};

const std::vector<PhysicalCase>& PhysicalCases() {
  static const std::vector<PhysicalCase> cases = {
      {"a year in days, every 15 days", Evenly(0, 15, 25), 9, kTwoPi / 365, 1, 11, 200},
      {"two years in months", Evenly(1, 1, 24), 2, 0.52, 4, -1, 200},
      {"50 Hz in seconds, every ms", Evenly(0, 0.001, 200), 1.5, 314, 0.3, 0, 1000},
      {"calendar years", Evenly(1950, 1, 16), 40, kTwoPi / 11, 2, 100, 200},
      {"uneven x", Uneven(), 0.8, 3.7, 5, 2, 200},
  };
  return cases;
}

TEST_F(FrequencyScanTest, FindsTheExactFrequencyOfNoiseFreeData) {
  for (const PhysicalCase& c : PhysicalCases()) {
    const std::optional<PassResult> scan = Scan(Sine(c.x, c.a, c.b, c.c, c.d), c.bound);
    ASSERT_TRUE(scan) << c.name;
    EXPECT_NEAR(scan->parameters.b, c.b, 1e-6 * c.b) << c.name << ": " << scan->entry;
    EXPECT_NEAR(std::fabs(scan->parameters.a), c.a, 1e-6 * c.a) << c.name;
    EXPECT_NEAR(scan->parameters.d, c.d, 1e-6 * std::fabs(c.d) + 1e-9) << c.name;
    EXPECT_EQ(scan->entry, app::BuildResultEntry(scan->error, scan->term));
    // The term rounds b to 6 decimals, which x far from 0 magnifies.
    EXPECT_LT(scan->error, 1e-2) << c.name << ": " << scan->entry;
  }
}

TEST_F(FrequencyScanTest, ReachesTheGlobalOptimumOfNoisyData) {
  for (const PhysicalCase& c : PhysicalCases()) {
    const Pairs p = Sine(c.x, c.a, c.b, c.c, c.d, 0.2 * c.a);
    const std::optional<PassResult> scan = Scan(p, c.bound);
    ASSERT_TRUE(scan) << c.name;
    const double least = BruteForceLeast(p, c.bound);
    // The fit's own parameters reach the optimum; its entry's error (of the
    // rounded term) stays close to it.
    const app::ModelParameters& q = scan->parameters;
    double residual = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i)
      residual += std::pow(p.y[i] - (q.a * std::sin(q.b * p.x[i] + q.c) + q.d), 2);
    EXPECT_LE(residual, least * (1 + 1e-9)) << c.name << ": " << scan->entry;
    EXPECT_LE(scan->error, least * 1.01) << c.name << ": " << scan->entry;
  }
}

TEST_F(FrequencyScanTest, EvenlySpacedDataGiveTheLowestAlias) {
  // Sampled every 15 days, these all coincide with b = 2π/365 at the samples.
  const double low = kTwoPi / 365;
  for (const double b : {low, kTwoPi / 15 + low, kTwoPi / 15 - low, 3 * kTwoPi / 15 + low}) {
    const std::optional<PassResult> scan = Scan(Sine(Evenly(0, 15, 25), 9, b, 1, 11), 200);
    ASSERT_TRUE(scan);
    EXPECT_NEAR(scan->parameters.b, low, 1e-6 * low) << b << ": " << scan->entry;
  }
}

TEST_F(FrequencyScanTest, AHeldParameterKeepsItsValue) {
  struct Case {
    FitMode mode;
    double fixed;
    const char* text;  // how the held value stands in the term
  };
  // x far from 0, where a held phase belongs to x = 0, not to the mean.
  const std::vector<double> x = Evenly(1950, 0.5, 31);
  const Pairs p = Sine(x, 3, 1.3, 0.7, 5);
  for (const Case& c : {Case{FitMode::kFixedA, 3, "3*SIN("}, Case{FitMode::kFixedC, 0.7, "*X+0,7)"},
                        Case{FitMode::kFixedD, 5, ")+5"}}) {
    const std::optional<PassResult> scan = Scan(p, 200, c.mode, c.fixed);
    ASSERT_TRUE(scan) << c.text;
    EXPECT_NE(scan->term.find(c.text), std::string::npos) << scan->term;
    EXPECT_NEAR(scan->parameters.b, 1.3, 1.3e-6) << scan->entry;
    EXPECT_LT(scan->error, 1e-2) << scan->entry;
  }
  // With b held there is nothing to scan, and nothing is asked.
  int calls = 0;
  const SineFit fit(FitMode::kFixedB, 1.3, p.x, p.y);
  const auto counted = [&] {
    ++calls;
    return true;
  };
  EXPECT_FALSE(app::RunFrequencyScan(
      fit, [&] { return ++calls, 200.0; }, counted));
  EXPECT_EQ(calls, 0);
}

TEST_F(FrequencyScanTest, LeavesTheRandomPassesAsTheyAre) {
  const Pairs p = Sine(Evenly(-4, 0.2, 40), 1.5, 2, 0.5, -1.25, 0.1);
  SineFit plain(FitMode::kAllFree, 0, p.x, p.y);
  std::vector<std::string> expected;
  for (int pass = 0; pass < app::kFitPasses; ++pass)
    expected.push_back(plain.RunPass([] { return 200.0; }).entry);

  SetUp();
  SineFit fit(FitMode::kAllFree, 0, p.x, p.y);
  // A bound term may draw random numbers and write a register.
  const auto drawingBound = [] {
    fktint::ParamP = 7;
    return grund::ProcessRandom().NextFraction() * 0 + 200;
  };
  ASSERT_TRUE(app::RunFrequencyScan(fit, drawingBound, [] { return true; }));
  EXPECT_EQ(grund::ProcessRandom().Seed(), 0u);
  EXPECT_EQ(fktint::ParamP, 0);
  for (int pass = 0; pass < app::kFitPasses; ++pass)
    EXPECT_EQ(fit.RunPass([] { return 200.0; }).entry, expected[pass]);
}

TEST_F(FrequencyScanTest, StopsWhenAskedAndAsksOften) {
  const Pairs p = Sine(Evenly(0, 0.5, 200), 1, 37, 0, 0, 0.3);  // x span 100
  int calls = 0;
  const SineFit fit(FitMode::kAllFree, 0, p.x, p.y);
  EXPECT_TRUE(app::RunFrequencyScan(
      fit, [] { return 200.0; }, [&] { return ++calls, true; }));
  // 200 pairs × some 32000 trial values, asked at least every 2^18 of them.
  EXPECT_GE(calls, 200 * 31000 / (1 << 18));
  calls = 0;
  EXPECT_FALSE(app::RunFrequencyScan(
      fit, [] { return 200.0; }, [&] { return ++calls, false; }));
  EXPECT_EQ(calls, 1);
}

TEST_F(FrequencyScanTest, OddDataAndBoundsGiveNothingOrAFiniteEntry) {
  const double inf = HUGE_VAL, nan = std::nan("");
  struct Case {
    Pairs p;
    double bound;
  };
  const Case cases[] = {
      {{{}, {}}, 200},
      {{{1, 2}, {3, 4}}, 200},
      {{{1, 1, 1, 1}, {1, 2, 3, 4}}, 200},
      {{{1, 2, 3, 4}, {0, 0, 0, 0}}, 200},
      {{{1, 2, 3, 4, 5}, {1, -2, 3, 0, 1}}, 0},
      {{{1, 2, 3, 4, 5}, {1, -2, 3, 0, 1}}, -3},
      {{{1, 2, 3, 4, 5}, {1, -2, 3, 0, 1}}, nan},
      {{{1, 2, 3, 4, 5}, {1, -2, 3, 0, 1}}, inf},
      {{{1, 2, 3, 4, 5}, {1, -2, 3, 0, 1}}, 1e-9},
      {{{1, 2, inf, 4}, {1, 2, 3, 4}}, 200},
      {{{1, 2, 3, 4}, {1, nan, 3, 4}}, 200},
      {{{-1e300, 0, 1e300, 2}, {1, 2, 3, 4}}, inf},
      {{{1e15, 1e15 + 1, 1e15 + 3, 1e15 + 4}, {1, 0, -1, 1}}, 200},
      {{{1, 2, 3, 4}, {1e300, -1e300, 1e300, 0}}, 200},
  };
  for (const Case& c : cases) {
    for (FitMode mode : {FitMode::kAllFree, FitMode::kFixedA, FitMode::kFixedC, FitMode::kFixedD}) {
      const SineFit fit(mode, 1, c.p.x, c.p.y);
      const auto scan = app::RunFrequencyScan(
          fit, [&] { return c.bound; }, [] { return true; });
      if (!scan) continue;
      EXPECT_TRUE(std::isfinite(scan->error)) << scan->entry;
      EXPECT_LE(std::fabs(scan->parameters.b), c.bound) << scan->entry;
      EXPECT_EQ(scan->entry.find("nan"), std::string::npos) << scan->entry;
      EXPECT_EQ(scan->entry.find("inf"), std::string::npos) << scan->entry;
    }
  }
}

TEST(ScanGrid, FollowsTheSpanAndStaysBounded) {
  const std::vector<double> x = Evenly(0, 0.5, 201);  // span 100
  const app::FrequencyGrid grid = app::ScanGrid(FitMode::kAllFree, x, 200);
  EXPECT_DOUBLE_EQ(grid.step, kTwoPi / (app::kScanOversampling * 100));
  EXPECT_EQ(grid.count, static_cast<std::int64_t>(200 / grid.step));
  for (double bound : {1e6, HUGE_VAL}) {
    const app::FrequencyGrid capped = app::ScanGrid(FitMode::kAllFree, x, bound);
    EXPECT_LE(capped.count * 201, app::kScanMaxWork);
    EXPECT_GT(capped.count * 201, app::kScanMaxWork - 201);
  }
  EXPECT_EQ(app::ScanGrid(FitMode::kFixedB, x, 200).count, 0);
}

}  // namespace
