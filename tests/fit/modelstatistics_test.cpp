// The statistics of any model: against an independent computation, the
// sine's through this unit against its own, what is not determined, and the
// F-test's P.

#include "sinusfit/modelstatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "sinusfit/fitstatistics.h"
#include "sinusfit/model.h"

namespace {

using sinusfit::ModelKind;
using sinusfit::ModelStatistics;

constexpr double kX0 = 1.0;
constexpr long double kTwoPi = 2 * 3.14159265358979323846264L;

// A fixed disturbance, the same on every run.
double Noise(int i) { return 0.05 * std::sin(12.9898 * i * i + 0.3 * i); }

using Vector = std::vector<long double>;

// a·e^(−δ(x − x₀))·sin(bx + c) + d, written out here, not the model's.
long double Damped(const Vector& p, long double x) {
  return p[0] * expl(-p[4] * (x - kX0)) * sinl(p[1] * x + p[2]) + p[3];
}

// ∂g/∂p by central differences.
template <typename G>
Vector Gradient(const G& g, const Vector& p) {
  Vector gradient(p.size());
  for (std::size_t k = 0; k < p.size(); ++k) {
    const long double h = 1e-6L * std::max(1.0L, fabsl(p[k]));
    Vector up = p, down = p;
    up[k] += h;
    down[k] -= h;
    gradient[k] = (g(up) - g(down)) / (2 * h);
  }
  return gradient;
}

// s²·(JᵀJ)⁻¹ of the damped oscillation, 5 × 5, zero for the held parameter:
// J by differences, the inverse by a plain Gauss-Jordan.
Vector IndependentCovariance(const std::vector<double>& x, const std::vector<double>& y,
                             const Vector& p, int held) {
  std::vector<int> free;
  for (int k = 0; k < 5; ++k)
    if (k != held) free.push_back(k);
  const int m = static_cast<int>(free.size()), n = static_cast<int>(x.size());
  std::vector<Vector> a(m, Vector(2 * m, 0));
  long double sse = 0;
  for (int i = 0; i < n; ++i) {
    const Vector g = Gradient([&](const Vector& q) { return Damped(q, x[i]); }, p);
    sse += (y[i] - Damped(p, x[i])) * (y[i] - Damped(p, x[i]));
    for (int k = 0; k < m; ++k)
      for (int l = 0; l < m; ++l) a[k][l] += g[free[k]] * g[free[l]];
  }
  for (int k = 0; k < m; ++k) a[k][m + k] = 1;
  for (int col = 0; col < m; ++col) {
    int pivot = col;
    for (int r = col + 1; r < m; ++r)
      if (fabsl(a[r][col]) > fabsl(a[pivot][col])) pivot = r;
    std::swap(a[col], a[pivot]);
    const long double v = a[col][col];
    for (long double& c : a[col]) c /= v;
    for (int r = 0; r < m; ++r) {
      const long double f = r == col ? 0 : a[r][col];
      for (int c = 0; c < 2 * m; ++c) a[r][c] -= f * a[col][c];
    }
  }
  Vector covariance(25, 0);
  for (int k = 0; k < m; ++k)
    for (int l = 0; l < m; ++l) covariance[free[k] * 5 + free[l]] = sse / (n - m) * a[k][m + l];
  return covariance;
}

TEST(ModelStatistics, DampedOscillationAgreesWithAnIndependentComputation) {
  std::vector<double> x, y;
  for (int i = 0; i < 60; ++i) {
    x.push_back(kX0 + 0.17 * i);
    y.push_back(2 * std::exp(-0.05 * (x[i] - kX0)) * std::sin(3 * x[i] + 0.4) + 0.1 + Noise(i));
  }
  const std::vector<double> p{2.02, 2.998, 0.41, 0.095, 0.051};
  const Vector lp(p.begin(), p.end());
  using Quantity = long double (*)(const Vector&);
  const std::map<std::string, Quantity> quantities{
      {"tau", [](const Vector& q) { return 1 / q[4]; }},
      {"q", [](const Vector& q) { return sqrtl(q[1] * q[1] + q[4] * q[4]) / (2 * fabsl(q[4])); }},
      {"log_decrement", [](const Vector& q) { return kTwoPi * q[4] / fabsl(q[1]); }},
  };
  for (const int held : {-1, 1, 4}) {
    SCOPED_TRACE(held);
    const ModelStatistics s = sinusfit::ComputeModelStatistics(
        sinusfit::ModelOf(ModelKind::kDampedOscillation), p, {kX0, 0}, held, x, y, {});
    const Vector expected = IndependentCovariance(x, y, lp, held);
    EXPECT_EQ(s.summary.freeParameters, held < 0 ? 5 : 4);
    for (int k = 0; k < 5; ++k) {
      const double error = static_cast<double>(sqrtl(expected[k * 5 + k]));
      if (k == held) {
        EXPECT_TRUE(std::isnan(s.standardError[k]));
      } else {
        EXPECT_NEAR(s.standardError[k], error, 1e-6 * error) << k;
      }
      // The held parameter's row and column are zero in both.
      for (int l = 0; l < 5; ++l) {
        const double scale = static_cast<double>(sqrtl(expected[k * 5 + k] * expected[l * 5 + l]));
        EXPECT_NEAR(s.covariance[k * 5 + l], static_cast<double>(expected[k * 5 + l]),
                    1e-6 * scale);
      }
    }
    int compared = 0;
    for (const auto& q : s.derived) {
      const auto g = quantities.find(q.key);
      if (g == quantities.end()) continue;
      SCOPED_TRACE(q.key);
      ++compared;
      long double variance = 0;
      const Vector gradient = Gradient(g->second, lp);
      for (int i = 0; i < 25; ++i) variance += gradient[i / 5] * expected[i] * gradient[i % 5];
      EXPECT_NEAR(q.value, static_cast<double>(g->second(lp)), 1e-12 * std::fabs(q.value));
      EXPECT_NEAR(q.uncertainty, static_cast<double>(sqrtl(variance)),
                  1e-6 * q.uncertainty + 1e-15);
    }
    EXPECT_EQ(compared, 3);
  }
}

// The sine through the models' statistics is the sine's own, text included.
TEST(ModelStatistics, SineAgreesWithItsOwnStatistics) {
  std::vector<double> x, y, sigma;
  for (int i = 0; i < 30; ++i) {
    x.push_back(0.31 * i + 0.02 * std::sin(1.7 * i * i));
    y.push_back(1.5 * std::sin(2.2 * x.back() + 0.3) + 0.2 + Noise(i));
    sigma.push_back(0.04 + 0.01 * (i % 4));
  }
  const sinusfit::ModelParameters p{1.49, 2.201, 0.31, 0.21};
  const std::vector<double> values{p.a, p.b, p.c, p.d};
  const auto& sine = sinusfit::ModelOf(ModelKind::kSine);
  for (const bool weighted : {false, true}) {
    for (int mode = 1; mode <= 5; ++mode) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << (weighted ? ", Δy" : ""));
      const auto fitMode = static_cast<sinusfit::FitMode>(mode);
      const int held = mode - 2;
      const std::vector<double> dy = weighted ? sigma : std::vector<double>{};
      const auto expected = sinusfit::ComputeFitStatistics(fitMode, p, x, y, dy);
      const auto s = sinusfit::ComputeModelStatistics(sine, values, {}, held, x, y, dy);
      for (int k = 0; k < 4; ++k) {
        if (k == held) {
          EXPECT_TRUE(std::isnan(s.standardError[k]));
        } else {
          EXPECT_NEAR(s.standardError[k], expected.standardError[k],
                      1e-9 * expected.standardError[k]);
        }
      }
      EXPECT_NEAR(s.summary.sse, expected.sse, 1e-12 * expected.sse);
      EXPECT_NEAR(s.summary.rSquared, expected.rSquared, 1e-12);
      EXPECT_EQ(s.summary.degreesOfFreedom, expected.degreesOfFreedom);
      if (weighted) {
        EXPECT_NEAR(s.summary.chiSquared, expected.chiSquared, 1e-12 * expected.chiSquared);
        EXPECT_NEAR(s.summary.pValue, expected.pValue, 1e-10);
      } else {
        EXPECT_TRUE(std::isnan(s.summary.chiSquared));
      }
      EXPECT_EQ(sinusfit::FormatModelStatistics(sine, s, held),
                sinusfit::FormatFitStatistics(fitMode, p, expected));
    }
  }
}

TEST(ModelStatistics, UndeterminedErrorsAreNaN) {
  const std::vector<double> same(12, 2.5), ramp{1, 2, 3, 4}, y{1, 3, 2, 5, 4, 6, 5, 8, 7, 9, 8, 9};
  std::vector<double> spread, zeroDy(12, 0.1);
  for (int i = 0; i < 12; ++i) spread.push_back(0.5 * i);
  zeroDy[5] = 0;
  const struct {
    const char* name;
    ModelKind kind;
    std::vector<double> x, sigma;
  } cases[] = {
      {"all x equal", ModelKind::kDampedOscillation, same, {}},
      {"all x equal, with Δy", ModelKind::kSine, same, std::vector<double>(12, 0.1)},
      {"fewer pairs than parameters", ModelKind::kSineWithTrend, ramp, {}},
      {"a Δy of zero", ModelKind::kSine, spread, zeroDy},
  };
  const std::vector<double> p{1.2, 0.8, 0.3, 4, 0.1};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto& model = sinusfit::ModelOf(c.kind);
    const auto s = sinusfit::ComputeModelStatistics(model, p, {c.x[0], 0}, -1, c.x, y, c.sigma);
    for (const double e : s.standardError) EXPECT_TRUE(std::isnan(e));
    for (const double v : s.covariance) EXPECT_TRUE(std::isnan(v));
    ASSERT_FALSE(s.derived.empty());
    for (const auto& q : s.derived) EXPECT_TRUE(std::isnan(q.uncertainty)) << q.key;
    EXPECT_NE(sinusfit::FormatModelStatistics(model, s, -1).find("± –"), std::string::npos);
  }
}

TEST(ModelStatistics, FTestProbability) {
  const double nan = std::nan("");
  // P of F with d1 and d2 degrees of freedom, as the sums of two fits.
  const auto p = [](double f, int d1, int d2) {
    return sinusfit::FTestProbability(d2 + d1 * f, 3, d2, 3 + d1, 3 + d1 + d2);
  };
  const struct {
    double f;
    int d1, d2;
    double expected, tolerance;
  } known[] = {
      // The tables' critical values.
      {10.04, 1, 10, 0.01, 2e-4},
      {3.49, 2, 20, 0.05, 5e-4},
      {2.92, 3, 30, 0.05, 5e-4},
      // d1 = 2: P = (1 + 2F/d2)^(−d2/2); d2 = 2: P = 1 − (d1F/(d1F + 2))^(d1/2).
      {3, 2, 1000, std::exp(-500 * std::log1p(0.006)), 1e-12},
      {0.5, 2, 7, std::exp(-3.5 * std::log1p(1.0 / 7)), 1e-12},
      {1.5, 2, 200000, std::exp(-100000 * std::log1p(1.5e-5)), 1e-12},
      {4, 5, 2, 1 - std::pow(20.0 / 22, 2.5), 1e-12},
      {0.1, 5, 2, 1 - std::pow(0.5 / 2.5, 2.5), 1e-12},
  };
  for (const auto& k : known) {
    SCOPED_TRACE(testing::Message() << "F(" << k.d1 << ", " << k.d2 << ") = " << k.f);
    EXPECT_NEAR(p(k.f, k.d1, k.d2), k.expected, k.tolerance * std::max(k.expected, 1.0));
  }

  const struct {
    const char* name;
    double sseSmall;
    int small;
    double sseLarge;
    int large, n;
    double expected;
  } edges[] = {
      {"no degrees of freedom left", 5, 4, 3, 5, 5, nan},
      {"not larger", 5, 5, 3, 5, 20, nan},
      {"larger model smaller", 5, 5, 3, 4, 20, nan},
      {"sum not finite", INFINITY, 4, 3, 5, 20, nan},
      {"sum NaN", 5, 4, nan, 5, 20, nan},
      {"negative sum", 5, 4, -1, 5, 20, nan},
      {"no better", 5, 4, 5, 5, 20, 1},
      {"worse", 5, 4, 6, 5, 20, 1},
      {"exact", 5, 4, 0, 5, 20, 0},
  };
  for (const auto& e : edges) {
    SCOPED_TRACE(e.name);
    const double got = sinusfit::FTestProbability(e.sseSmall, e.small, e.sseLarge, e.large, e.n);
    if (std::isnan(e.expected)) {
      EXPECT_TRUE(std::isnan(got)) << got;
    } else {
      EXPECT_EQ(got, e.expected);
    }
  }
}

}  // namespace
