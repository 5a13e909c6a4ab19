#include "sinusfit/fitstatistics.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

using sinusfit::FitMode;
using sinusfit::FitStatistics;
using sinusfit::ModelParameters;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

long double Model(const std::array<long double, 4>& q, double x) {
  return q[0] * std::sin(q[1] * x + q[2]) + q[3];
}

// Which of a, b, c, d each mode holds (-1: none).
int HeldIndex(FitMode mode) { return mode == FitMode::kAllFree ? -1 : static_cast<int>(mode) - 2; }

// Standard errors the textbook way, independent of the code under test:
// five-point difference derivatives, the normal matrix JᵀJ and its Gauss-Jordan
// inverse with partial pivoting.
std::array<double, 4> IndependentErrors(FitMode mode, const ModelParameters& p,
                                        const std::vector<double>& x,
                                        const std::vector<double>& y) {
  const std::array<long double, 4> q{p.a, p.b, p.c, p.d};
  std::vector<int> free;
  for (int k = 0; k < 4; ++k)
    if (k != HeldIndex(mode)) free.push_back(k);
  const int m = static_cast<int>(free.size());
  const int n = static_cast<int>(x.size());
  std::vector<std::vector<long double>> j(n, std::vector<long double>(m));
  long double sse = 0;
  for (int i = 0; i < n; ++i) {
    const long double r = y[i] - Model(q, x[i]);
    sse += r * r;
    for (int k = 0; k < m; ++k) {
      const long double h = 1e-6L * std::max(1.0L, std::fabs(q[free[k]]));
      const auto at = [&](long double steps) {
        auto moved = q;
        moved[free[k]] += steps * h;
        return Model(moved, x[i]);
      };
      j[i][k] = (at(-2) - 8 * at(-1) + 8 * at(1) - at(2)) / (12 * h);
    }
  }
  std::vector<std::vector<long double>> a(m, std::vector<long double>(2 * m, 0));
  for (int r = 0; r < m; ++r) {
    for (int c = 0; c < m; ++c)
      for (int i = 0; i < n; ++i) a[r][c] += j[i][r] * j[i][c];
    a[r][m + r] = 1;
  }
  for (int col = 0; col < m; ++col) {
    int pivot = col;
    for (int r = col + 1; r < m; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    std::swap(a[col], a[pivot]);
    const long double v = a[col][col];
    for (auto& e : a[col]) e /= v;
    for (int r = 0; r < m; ++r) {
      if (r == col) continue;
      const long double f = a[r][col];
      for (int c = 0; c < 2 * m; ++c) a[r][c] -= f * a[col][c];
    }
  }
  std::array<double, 4> errors{kNaN, kNaN, kNaN, kNaN};
  const long double s2 = sse / (n - m);
  for (int k = 0; k < m; ++k) errors[free[k]] = static_cast<double>(std::sqrt(s2 * a[k][m + k]));
  return errors;
}

// Twelve monthly values with a fixed irregular disturbance.
std::vector<double> Noisy(const std::vector<double>& x, const ModelParameters& p, double size) {
  std::vector<double> y;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double noise = size * std::sin(12.9898 * static_cast<double>(i) + 0.37);
    y.push_back(p.a * std::sin(p.b * x[i] + p.c) + p.d + noise);
  }
  return y;
}

std::vector<double> Range(double first, int count, double step = 1) {
  std::vector<double> x;
  for (int i = 0; i < count; ++i) x.push_back(first + step * i);
  return x;
}

bool AllNaN(const FitStatistics& s) {
  for (const double e : s.standardError)
    if (!std::isnan(e)) return false;
  return true;
}

TEST(FitStatistics, AgreesWithAnIndependentComputationInEveryMode) {
  const ModelParameters p{9.85, 0.525, 3.02, 9.44};
  struct Case {
    FitMode mode;
    std::vector<double> x;
    double noise;
  };
  const Case cases[] = {
      {FitMode::kAllFree, Range(1, 12), 0.4},        {FitMode::kFixedA, Range(1, 12), 0.4},
      {FitMode::kFixedB, Range(1, 12), 0.4},         {FitMode::kFixedC, Range(1, 12), 0.4},
      {FitMode::kFixedD, Range(1, 12), 0.4},         {FitMode::kAllFree, Range(2000, 24, 0.5), 1},
      {FitMode::kAllFree, Range(-3, 40, 0.2), 0.05},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    const std::vector<double> y = Noisy(c.x, p, c.noise);
    const FitStatistics s = sinusfit::ComputeFitStatistics(c.mode, p, c.x, y);
    const std::array<double, 4> expected = IndependentErrors(c.mode, p, c.x, y);

    long double sse = 0, mean = 0, sst = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
      sse += std::pow(y[i] - Model({p.a, p.b, p.c, p.d}, c.x[i]), 2);
      mean += y[i] / y.size();
    }
    for (const double v : y) sst += (v - mean) * (v - mean);
    EXPECT_EQ(s.n, static_cast<int>(y.size()));
    EXPECT_EQ(s.freeParameters, c.mode == FitMode::kAllFree ? 4 : 3);
    EXPECT_NEAR(s.sse, static_cast<double>(sse), 1e-12 * static_cast<double>(sse));
    EXPECT_NEAR(s.rmse, std::sqrt(static_cast<double>(sse) / y.size()), 1e-12);
    EXPECT_NEAR(s.rSquared, static_cast<double>(1 - sse / sst), 1e-12);
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(k);
      if (k == HeldIndex(c.mode)) {
        EXPECT_TRUE(std::isnan(s.standardError[k]));
      } else {
        EXPECT_NEAR(s.standardError[k], expected[k], 1e-6 * expected[k]);
      }
    }
  }
}

TEST(FitStatistics, ExactSineDataLeavesOnlyRoundingErrors) {
  const ModelParameters p{1.5, 2, 0.5, -1.25};
  const std::vector<double> x = Range(-2, 30, 0.15);
  const std::vector<double> y = Noisy(x, p, 0);
  for (const FitMode mode : {FitMode::kAllFree, FitMode::kFixedA, FitMode::kFixedB,
                             FitMode::kFixedC, FitMode::kFixedD}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const FitStatistics s = sinusfit::ComputeFitStatistics(mode, p, x, y);
    EXPECT_LT(s.sse, 1e-26);
    EXPECT_NEAR(s.rSquared, 1, 1e-15);
    for (int k = 0; k < 4; ++k) {
      if (k == HeldIndex(mode)) continue;
      EXPECT_GE(s.standardError[k], 0) << k;
      EXPECT_LT(s.standardError[k], 1e-12) << k;
    }
  }
}

// Mode 3 with b held is linear in A = a·cos c, B = a·sin c and d:
// y = A·sin(bx) + B·cos(bx) + d. Twelve points over one full period make the
// columns sin, cos and 1 orthogonal with squared norms 6, 6 and 12, so
// var(A) = var(B) = s²/6 and var(d) = s²/12. A and B have equal variances
// and no covariance, so in polar form var(a) = s²/6 and var(c) = s²/(6a²).
TEST(FitStatistics, LinearCaseMatchesTheClosedForm) {
  const ModelParameters p{2.5, std::numbers::pi / 6, 0.8, 4};
  const std::vector<double> x = Range(0, 12);
  const std::vector<double> y = Noisy(x, p, 0.3);
  const FitStatistics s = sinusfit::ComputeFitStatistics(FitMode::kFixedB, p, x, y);
  const double s2 = s.sse / (12 - 3);
  EXPECT_NEAR(s.standardError[0], std::sqrt(s2 / 6), 1e-12);
  EXPECT_TRUE(std::isnan(s.standardError[1]));
  EXPECT_NEAR(s.standardError[2], std::sqrt(s2 / 6) / 2.5, 1e-12);
  EXPECT_NEAR(s.standardError[3], std::sqrt(s2 / 12), 1e-12);
}

TEST(FitStatistics, UndeterminedCasesGiveNaN) {
  const ModelParameters p{1, 0.7, 0.3, 2};
  struct Case {
    const char* what;
    FitMode mode;
    ModelParameters p;
    std::vector<double> x, y;
  };
  const std::vector<double> x5 = Range(0, 5);
  const Case cases[] = {
      {"n equal to the free parameters", FitMode::kAllFree, p, Range(0, 4), {1, 2, 3, 5}},
      {"n equal to the free parameters, a held", FitMode::kFixedA, p, Range(0, 3), {1, 2, 3}},
      {"fewer pairs than parameters", FitMode::kFixedD, p, Range(0, 2), {1, 2}},
      {"no pairs", FitMode::kAllFree, p, {}, {}},
      {"a = 0: b and c have no effect", FitMode::kAllFree, {0, 0.7, 0.3, 2}, x5, {1, 2, 3, 4, 6}},
      {"b = 0: a and d act alike", FitMode::kAllFree, {1, 0, 0.3, 2}, x5, {1, 2, 3, 4, 6}},
      {"all x equal", FitMode::kAllFree, p, {2, 2, 2, 2, 2}, {1, 2, 3, 4, 6}},
      {"y not a number", FitMode::kAllFree, p, x5, {1, 2, kNaN, 4, 6}},
      {"x infinite", FitMode::kFixedC, p, {0, 1, 2, INFINITY, 4}, {1, 2, 3, 4, 6}},
      {"parameter infinite", FitMode::kFixedB, {INFINITY, 0.7, 0.3, 2}, x5, {1, 2, 3, 4, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FitStatistics s = sinusfit::ComputeFitStatistics(c.mode, c.p, c.x, c.y);
    EXPECT_EQ(s.n, static_cast<int>(c.x.size()));
    EXPECT_TRUE(AllNaN(s));
  }
  // No pairs: neither an RMSE nor an R²; all y equal: no R², but errors.
  const FitStatistics none = sinusfit::ComputeFitStatistics(FitMode::kAllFree, p, {}, {});
  EXPECT_TRUE(std::isnan(none.rmse));
  EXPECT_TRUE(std::isnan(none.rSquared));
  const FitStatistics flat =
      sinusfit::ComputeFitStatistics(FitMode::kAllFree, p, x5, {3, 3, 3, 3, 3});
  EXPECT_TRUE(std::isnan(flat.rSquared));
  EXPECT_GT(flat.rmse, 0);
  EXPECT_FALSE(AllNaN(flat));
}

// The texts are the same whatever the process locale: run under a German
// one, where the C library would write a decimal comma itself.
class FitStatisticsText : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr); }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(FitStatisticsText, RoundsValuesToTheDigitsTheirErrorsSupport) {
  const std::pair<std::pair<double, double>, const char*> cases[] = {
      {{9.8456, 0.31}, "9,85 ± 0,31"},
      {{0.52487, 0.0021}, "0,5249 ± 0,0021"},
      {{-3.021, 0.0452}, "-3,021 ± 0,045"},
      {{2.5, 0.0996}, "2,50 ± 0,10"},
      {{123456, 1234}, "123500 ± 1200"},
      {{-0.0004, 0.31}, "0,00 ± 0,31"},
      {{1.5, 3.1e-16}, "1,5 ± 3,1E-16"},
      {{987654321.25, 0.0042}, "987654321,2 ± 4,2E-3"},
      {{12, 0}, "12 ± 0"},
      {{1.5, kNaN}, "1,5 ± –"},
      {{0.1234567, INFINITY}, "0,123457 ± –"},
      {{kNaN, 0.1}, "–"},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(sinusfit::FormatValueWithError(input.first, input.second), expected);
}

TEST_F(FitStatisticsText, ExtremeNumbersGiveShortTexts) {
  const double extremes[] = {0.0,  -0.0,  1e-320,  -2.2e-308, 1e-9, 0.5,
                             7e14, -1e15, 1.7e308, -INFINITY, kNaN};
  for (const double v : extremes) {
    for (const double e : extremes) {
      SCOPED_TRACE(testing::Message() << v << " ± " << e);
      EXPECT_LT(sinusfit::FormatValueWithError(v, e).size(), 28u);
      FitStatistics s;
      s.standardError = {e, e, e, e};
      s.rmse = e;
      s.rSquared = v;
      EXPECT_LT(sinusfit::FormatFitStatistics(FitMode::kAllFree, {v, v, v, v}, s).size(), 250u);
    }
  }
}

TEST_F(FitStatisticsText, ShowsEveryLineAndMarksTheHeldAndTheUndetermined) {
  FitStatistics s;
  s.n = 12;
  s.freeParameters = 4;
  s.rmse = 0.25234;
  s.rSquared = 0.99723;
  s.standardError = {0.31, 0.0021, 0.045, 0.22};
  const ModelParameters p{9.8456, 0.52487, 3.021, 9.4392};
  EXPECT_EQ(sinusfit::FormatFitStatistics(FitMode::kAllFree, p, s),
            "a = 9,85 ± 0,31\nb = 0,5249 ± 0,0021\nc = 3,021 ± 0,045\nd = 9,44 ± 0,22\n"
            "R² = 0,9972   RMSE = 0,252\nPeriode 2π/|b| = 11,971 ± 0,048");

  s.standardError = {kNaN, kNaN, kNaN, kNaN};
  s.rmse = kNaN;
  s.rSquared = kNaN;
  EXPECT_EQ(sinusfit::FormatFitStatistics(FitMode::kFixedB, {1.5, 0.5, -0.25, 0}, s),
            "a = 1,5 ± –\nb = 0,5 (fest)\nc = -0,25 ± –\nd = 0 ± –\n"
            "R² = –   RMSE = –\nPeriode 2π/|b| = 12,56637061");
  EXPECT_TRUE(sinusfit::FormatFitStatistics(FitMode::kAllFree, {1, 0, 0, 0}, s)
                  .ends_with("\nPeriode 2π/|b| = –"));
}

}  // namespace
