// The statistics of a fit with Δy: standard errors from (JᵀWJ)⁻¹, χ², ν,
// χ²/ν and P against an independent computation, and the label's text.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "sinusfit/fitstatistics.h"

namespace {

using sinusfit::FitMode;
using sinusfit::FitStatistics;
using sinusfit::ModelParameters;

struct Data {
  std::vector<double> x, y, sigma;
};

// 24 pairs (ν = 20) or 23 (ν = 19) of a sine with a fixed disturbance.
Data Make(int n, const std::vector<double>& sigma) {
  Data d;
  for (int i = 0; i < n; ++i) {
    d.x.push_back(0.3 * i + 0.05 * std::sin(1.7 * i * i));
    d.y.push_back(2 * std::sin(1.3 * d.x.back() + 0.4) + 1 + 0.1 * std::sin(12.9898 * i * i));
  }
  d.sigma = sigma;
  return d;
}

const ModelParameters kNear{2.01, 1.298, 0.41, 0.99};

// The textbook way, independent of the code under test: analytic derivatives,
// JᵀWJ, its Gauss-Jordan inverse; χ² and the unweighted sums.
struct Expected {
  std::array<double, 4> errors;
  long double chi2, sse;
};

Expected Independent(const Data& d, const ModelParameters& p) {
  const int n = static_cast<int>(d.x.size());
  long double a[4][8] = {};
  Expected e{};
  for (int i = 0; i < n; ++i) {
    const long double arg = static_cast<long double>(p.b) * d.x[i] + p.c;
    const long double g[4] = {sinl(arg), p.a * d.x[i] * cosl(arg), p.a * cosl(arg), 1};
    const long double w = 1 / (static_cast<long double>(d.sigma[i]) * d.sigma[i]);
    const long double r = d.y[i] - (p.a * sinl(arg) + p.d);
    e.chi2 += w * r * r;
    e.sse += r * r;
    for (int k = 0; k < 4; ++k)
      for (int l = 0; l < 4; ++l) a[k][l] += w * g[k] * g[l];
  }
  for (int k = 0; k < 4; ++k) a[k][4 + k] = 1;
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    for (int c = 0; c < 8; ++c) std::swap(a[col][c], a[pivot][c]);
    const long double v = a[col][col];
    for (long double& c : a[col]) c /= v;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const long double f = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int k = 0; k < 4; ++k) e.errors[k] = static_cast<double>(sqrtl(a[k][4 + k]));
  return e;
}

// P for ν = 20 by the Poisson sum, for ν = 19 by its half-integer form.
long double IndependentP(int nu, long double chi2) {
  const long double x = chi2 / 2;
  if (nu % 2 == 0) {
    long double sum = 0, term = expl(-x);
    for (int j = 0; j < nu / 2; ++j) sum += term, term *= x / (j + 1);
    return sum;
  }
  long double sum = erfcl(sqrtl(x)), gamma = sqrtl(3.14159265358979323846264L);
  for (int j = 1; j <= nu / 2; ++j) gamma *= j - 0.5L, sum += expl((j - 0.5L) * logl(x) - x) / gamma;
  return sum;
}

TEST(WeightedStatistics, AgreeWithAnIndependentComputation) {
  std::vector<double> varying(24), outlier(24, 0.1);
  for (int i = 0; i < 24; ++i) varying[i] = 0.01 * std::pow(100.0, i / 23.0);
  outlier[9] = 100;
  const struct {
    const char* name;
    Data data;
  } cases[] = {
      {"constant Δy", Make(24, std::vector<double>(24, 0.1))},
      {"Δy varying 100×", Make(24, varying)},
      {"an outlier with a large Δy", Make(24, outlier)},
      {"ν odd", Make(23, std::vector<double>(23, 0.07))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Data& d = c.data;
    const FitStatistics s = sinusfit::ComputeFitStatistics(FitMode::kAllFree, kNear, d.x, d.y, d.sigma);
    const Expected e = Independent(d, kNear);
    EXPECT_TRUE(s.weighted);
    EXPECT_EQ(s.n, static_cast<int>(d.x.size()));
    EXPECT_EQ(s.degreesOfFreedom, s.n - 4);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(s.standardError[k], e.errors[k], 1e-9 * e.errors[k]) << k;
    EXPECT_NEAR(s.chiSquared, static_cast<double>(e.chi2), 1e-12 * static_cast<double>(e.chi2));
    EXPECT_NEAR(s.reducedChiSquared, static_cast<double>(e.chi2) / s.degreesOfFreedom,
                1e-12 * s.reducedChiSquared);
    const double p = static_cast<double>(IndependentP(s.degreesOfFreedom, e.chi2));
    EXPECT_NEAR(s.pValue, p, 1e-10 * std::max(p, 1e-300));
    // R² and RMSE stay those of the unweighted sums.
    EXPECT_NEAR(s.sse, static_cast<double>(e.sse), 1e-12 * s.sse);
    EXPECT_NEAR(s.rmse, std::sqrt(static_cast<double>(e.sse) / s.n), 1e-12 * s.rmse);
  }
}

// With one Δy for all, the weighted errors are the unweighted ones times
// Δy / s, s² = sse / ν the scatter the unweighted errors are scaled by.
TEST(WeightedStatistics, ConstantDeltaYDiffersFromTheUnweightedByTheKnownFactor) {
  const Data d = Make(24, std::vector<double>(24, 0.25));
  const FitStatistics w = sinusfit::ComputeFitStatistics(FitMode::kAllFree, kNear, d.x, d.y, d.sigma);
  const FitStatistics u = sinusfit::ComputeFitStatistics(FitMode::kAllFree, kNear, d.x, d.y);
  const double s = std::sqrt(u.sse / (u.n - 4));
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(w.standardError[k], u.standardError[k] * 0.25 / s, 1e-9 * w.standardError[k]);
  EXPECT_NEAR(w.chiSquared, u.sse / 0.0625, 1e-12 * w.chiSquared);
  EXPECT_EQ(w.rSquared, u.rSquared);
}

TEST(WeightedStatistics, WithoutDeltaYTheyAreTheOldOnesBitForBit) {
  const Data d = Make(24, {});
  for (const FitMode mode : {FitMode::kAllFree, FitMode::kFixedA, FitMode::kFixedC}) {
    const FitStatistics a = sinusfit::ComputeFitStatistics(mode, kNear, d.x, d.y);
    const FitStatistics b = sinusfit::ComputeFitStatistics(mode, kNear, d.x, d.y, {});
    EXPECT_FALSE(b.weighted);
    EXPECT_EQ(std::memcmp(&a.sse, &b.sse, sizeof a.sse), 0);
    EXPECT_EQ(std::memcmp(&a.rmse, &b.rmse, sizeof a.rmse), 0);
    EXPECT_EQ(std::memcmp(&a.rSquared, &b.rSquared, sizeof a.rSquared), 0);
    EXPECT_EQ(std::memcmp(a.standardError.data(), b.standardError.data(), sizeof a.standardError), 0);
    EXPECT_TRUE(std::isnan(b.chiSquared) && std::isnan(b.pValue) && std::isnan(b.reducedChiSquared));
    EXPECT_EQ(sinusfit::FormatFitStatistics(mode, kNear, a), sinusfit::FormatFitStatistics(mode, kNear, b));
  }
}

TEST(WeightedStatistics, FewPairsOrBadDeltaYGiveNothingUndetermined) {
  const Data few = Make(4, std::vector<double>(4, 0.1));  // ν = 0
  const FitStatistics s = sinusfit::ComputeFitStatistics(FitMode::kAllFree, kNear, few.x, few.y, few.sigma);
  EXPECT_EQ(s.degreesOfFreedom, 0);
  EXPECT_TRUE(std::isfinite(s.chiSquared));
  EXPECT_TRUE(std::isnan(s.reducedChiSquared) && std::isnan(s.pValue));
  for (const double bad : {0.0, -1.0, std::nan("")}) {
    Data d = Make(24, std::vector<double>(24, 0.1));
    d.sigma[3] = bad;
    const FitStatistics t = sinusfit::ComputeFitStatistics(FitMode::kAllFree, kNear, d.x, d.y, d.sigma);
    for (const double e : t.standardError) EXPECT_TRUE(std::isnan(e)) << bad;
    EXPECT_TRUE(std::isnan(t.chiSquared) && std::isnan(t.pValue)) << bad;
    const std::string text = sinusfit::FormatFitStatistics(FitMode::kAllFree, kNear, t);
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
  }
}

// The number of characters (not bytes) of each line.
std::vector<std::size_t> LineLengths(const std::string& text) {
  std::vector<std::size_t> lengths(1, 0);
  for (const char c : text) {
    if (c == '\n') {
      lengths.push_back(0);
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++lengths.back();
    }
  }
  return lengths;
}

TEST(WeightedStatistics, TheLabelSaysWhereItsErrorsComeFromAndWarns) {
  FitStatistics s;
  s.n = 25;
  s.freeParameters = 4;
  s.standardError = {0.31, 0.0021, 0.045, 0.22};
  s.rSquared = 0.9972;
  s.rmse = 0.252;
  s.weighted = true;
  s.chiSquared = 21.4;
  s.degreesOfFreedom = 21;
  s.reducedChiSquared = 21.4 / 21;
  const ModelParameters p{9.85, 0.5249, 3.021, 9.44};
  const struct {
    double p;
    const char* shown;
    const char* warning;
  } cases[] = {
      {0.43, "P = 0,43", nullptr},
      {0.012, "P = 0,012", "Δy zu klein oder Modell passt nicht"},
      {0.97, "P = 0,97", "Δy vermutlich zu groß"},
  };
  for (const auto& c : cases) {
    s.pValue = c.p;
    const std::string text = sinusfit::FormatFitStatistics(FitMode::kAllFree, p, s);
    EXPECT_EQ(text.rfind(std::string("χ² = 21,4   ν = 21\nχ²/ν = 1,02   ") + c.shown + "\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("Unsicherheiten aus Δy:\na = 9,85 ± 0,31\n"), std::string::npos) << text;
    EXPECT_NE(text.find("R² = 0,9972   RMSE = 0,252\n(R² und RMSE ungewichtet)\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(c.warning != nullptr, text.find("Δy zu klein") != std::string::npos ||
                                        text.find("Δy vermutlich") != std::string::npos);
    if (c.warning) {
      EXPECT_NE(text.find(std::string("\n") + c.warning + "\n"), std::string::npos);
    }
    for (const std::size_t length : LineLengths(text)) EXPECT_LE(length, 35u) << text;
  }
}

}  // namespace
