#include "sinusfit/frequencyscan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/sinefit.h"

namespace {

using sinusfit::FitMode;
using sinusfit::SineFit;

constexpr double kTwoPi = 6.283185307179586;

struct Pairs {
  std::vector<double> x, y;
};

// a·sin(b·x + c) + d with a deterministic noise of the given size.
Pairs Sine(const std::vector<double>& x, double a, double b, double c, double d, double noise = 0) {
  Pairs p{x, {}};
  for (std::size_t i = 0; i < x.size(); ++i)
    p.y.push_back(a * std::sin(b * x[i] + c) + d + noise * std::sin(12.9898 * (i * i + 7.0)));
  return p;
}

std::vector<double> Evenly(double first, double step, int count, double jitter = 0) {
  std::vector<double> x;
  for (int i = 0; i < count; ++i) x.push_back(first + step * i + jitter * std::sin(1.7 * i * i));
  return x;
}

std::optional<sinusfit::PassResult> Scan(const Pairs& p, double bound,
                                         FitMode mode = FitMode::kAllFree, double fixed = 0) {
  return sinusfit::RunFrequencyScan(
      SineFit(mode, fixed, p.x, p.y), [bound] { return bound; }, [] { return true; });
}

double Residual(const Pairs& p, const sinusfit::ModelParameters& q) {
  double sum = 0;
  for (std::size_t i = 0; i < p.x.size(); ++i)
    sum += std::pow(p.y[i] - (q.a * std::sin(q.b * p.x[i] + q.c) + q.d), 2);
  return sum;
}

// The least residual over b on a grid six times finer than the scan's, with
// a, c, d fitted exactly at each b (x increasing).
double BruteForceLeast(const Pairs& p, double bound) {
  const double n = static_cast<double>(p.x.size()), mid = (p.x.front() + p.x.back()) / 2;
  double yMean = 0;
  for (double y : p.y) yMean += y / n;
  double least = HUGE_VAL;
  for (double b = 0, step = kTwoPi / (60 * (p.x.back() - p.x.front())); b <= bound; b += step) {
    double s = 0, c = 0, ss = 0, sc = 0, cc = 0, ys = 0, yc = 0, yy = 0;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
      const double u = std::sin(b * (p.x[i] - mid)), v = std::cos(b * (p.x[i] - mid));
      const double w = p.y[i] - yMean;
      s += u, c += v, ss += u * u, sc += u * v, cc += v * v, ys += w * u, yc += w * v, yy += w * w;
    }
    const double gss = ss - s * s / n, gsc = sc - s * c / n, gcc = cc - c * c / n;
    const double det = gss * gcc - gsc * gsc;
    if (det > 0)
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

// Noise-free, b comes out exact; with noise, the fit reaches the least
// residual that a much denser search finds, and its entry (of the rounded
// term) stays close to it.
TEST_F(FrequencyScanTest, ReachesTheGlobalOptimumWhereverBIs) {
  struct Case {
    const char* name;
    std::vector<double> x;
    double a, b, c, d, bound;
  };
  const Case cases[] = {
      {"a year in days, every 15 days", Evenly(0, 15, 25), 9, kTwoPi / 365, 1, 11, 200},
      {"two years in months", Evenly(1, 1, 24), 2, 0.52, 4, -1, 200},
      {"50 Hz in seconds, every ms", Evenly(0, 0.001, 200), 1.5, 314, 0.3, 0, 1000},
      {"calendar years", Evenly(1950, 1, 16), 40, kTwoPi / 11, 2, 100, 200},
      {"uneven x", Evenly(0, 0.7, 70, 0.3), 0.8, 3.7, 5, 2, 200},
  };
  for (const Case& c : cases) {
    const auto exact = Scan(Sine(c.x, c.a, c.b, c.c, c.d), c.bound);
    ASSERT_TRUE(exact) << c.name;
    EXPECT_NEAR(exact->parameters.b, c.b, 1e-6 * c.b) << c.name << ": " << exact->entry;
    EXPECT_LT(exact->error, 1e-2) << c.name << ": " << exact->entry;

    const Pairs p = Sine(c.x, c.a, c.b, c.c, c.d, 0.2 * c.a);
    const auto noisy = Scan(p, c.bound);
    ASSERT_TRUE(noisy) << c.name;
    const double least = BruteForceLeast(p, c.bound);
    EXPECT_LE(Residual(p, noisy->parameters), least * (1 + 1e-9)) << c.name << ": " << noisy->entry;
    EXPECT_LE(noisy->error, least * 1.01) << c.name << ": " << noisy->entry;
  }
}

TEST_F(FrequencyScanTest, EvenlySpacedDataGiveTheLowestAlias) {
  // Sampled every 15 days, these all coincide with b = 2π/365 at the samples.
  const double low = kTwoPi / 365;
  for (const double b : {kTwoPi / 15 + low, kTwoPi / 15 - low, 3 * kTwoPi / 15 + low}) {
    const auto scan = Scan(Sine(Evenly(0, 15, 25), 9, b, 1, 11), 200);
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
  const Pairs p = Sine(Evenly(1950, 0.5, 31), 3, 1.3, 0.7, 5);
  for (const Case& c : {Case{FitMode::kFixedA, 3, "3*SIN("}, Case{FitMode::kFixedC, 0.7, "*X+0,7)"},
                        Case{FitMode::kFixedD, 5, ")+5"}}) {
    const auto scan = Scan(p, 200, c.mode, c.fixed);
    ASSERT_TRUE(scan) << c.text;
    EXPECT_NE(scan->term.find(c.text), std::string::npos) << scan->term;
    EXPECT_NEAR(scan->parameters.b, 1.3, 1.3e-6) << scan->entry;
  }
  // With b held there is nothing to scan, and nothing is asked.
  int calls = 0;
  EXPECT_FALSE(sinusfit::RunFrequencyScan(
      SineFit(FitMode::kFixedB, 1.3, p.x, p.y), [&] { return ++calls, 200.0; },
      [&] { return ++calls, true; }));
  EXPECT_EQ(calls, 0);
}

TEST_F(FrequencyScanTest, LeavesTheRandomPassesAsTheyAre) {
  const Pairs p = Sine(Evenly(-4, 0.2, 40), 1.5, 2, 0.5, -1.25, 0.1);
  SineFit plain(FitMode::kAllFree, 0, p.x, p.y);
  std::vector<std::string> expected;
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
    expected.push_back(plain.RunPass([] { return 200.0; }).entry);

  SetUp();
  SineFit fit(FitMode::kAllFree, 0, p.x, p.y);
  // A bound term may draw random numbers and write a register.
  const auto drawingBound = [] {
    fktint::ParamP = 7;
    return grund::ProcessRandom().NextFraction() * 0 + 200;
  };
  ASSERT_TRUE(sinusfit::RunFrequencyScan(fit, drawingBound, [] { return true; }));
  EXPECT_EQ(grund::ProcessRandom().Seed(), 0u);
  EXPECT_EQ(fktint::ParamP, 0);
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
    EXPECT_EQ(fit.RunPass([] { return 200.0; }).entry, expected[pass]);
}

TEST_F(FrequencyScanTest, StopsWhenAskedAndAsksOften) {
  const SineFit fit(FitMode::kAllFree, 0, Evenly(0, 0.5, 200), std::vector<double>(200, 1));
  int calls = 0;
  EXPECT_TRUE(sinusfit::RunFrequencyScan(
      fit, [] { return 200.0; }, [&] { return ++calls, true; }));
  // 200 pairs × some 31600 trial values, asked after every 2^18 of them
  // (counted in whole blocks of 512 trial values).
  EXPECT_GE(calls, 200 * 31600 / ((1 << 18) + 200 * 512));
  calls = 0;
  EXPECT_FALSE(sinusfit::RunFrequencyScan(
      fit, [] { return 200.0; }, [&] { return ++calls, false; }));
  EXPECT_EQ(calls, 1);
}

TEST_F(FrequencyScanTest, OddDataAndBoundsGiveNothingOrAFiniteEntry) {
  const double inf = HUGE_VAL, nan = std::nan("");
  const std::vector<double> x5{1, 2, 3, 4, 5}, y5{1, -2, 3, 0, 1};
  const struct {
    Pairs p;
    double bound;
  } cases[] = {
      {{{}, {}}, 200},
      {{{1, 2}, {3, 4}}, 200},
      {{{1, 1, 1, 1}, {1, 2, 3, 4}}, 200},
      {{x5, {0, 0, 0, 0, 0}}, 200},
      {{x5, y5}, 0},
      {{x5, y5}, -3},
      {{x5, y5}, nan},
      {{x5, y5}, inf},
      {{x5, y5}, 1e-9},
      {{{1, 2, inf, 4}, y5}, 200},
      {{x5, {1, nan, 3, 4, 5}}, 200},
      {{{-1e300, 0, 1e300, 2}, y5}, inf},
      {{{1e15, 1e15 + 1, 1e15 + 3, 1e15 + 4}, y5}, 200},
      {{x5, {1e300, -1e300, 1e300, 0, 1}}, 200},
  };
  for (const auto& c : cases) {
    for (FitMode mode : {FitMode::kAllFree, FitMode::kFixedA, FitMode::kFixedC, FitMode::kFixedD}) {
      const auto scan = sinusfit::RunFrequencyScan(
          SineFit(mode, 1, c.p.x, c.p.y), [&] { return c.bound; }, [] { return true; });
      if (!scan) continue;
      EXPECT_TRUE(std::isfinite(scan->error)) << scan->entry;
      EXPECT_LE(std::fabs(scan->parameters.b), c.bound) << scan->entry;
      EXPECT_EQ(scan->entry.find("n"), std::string::npos) << scan->entry;  // nan, inf
    }
  }
}

}  // namespace
