// The vectorised loops over pairs against plain long-double sums: the sine
// and cosine near every quadrant boundary and beyond the reduced range, the
// lanes left over at the end of a loop, and a term's error as the
// interpreter gives it.

#include "sinusfit/pairloops.h"
#include "sinusfit/sinefit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <string>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace pl = sinusfit::pairloops;

namespace {

TEST(PairLoopsTest, SineAndCosineStayWithinTwoUlpOfOne) {
  std::vector<double> args;
  // Each side of every multiple of π/4 up to far out, negative as well.
  for (int k = -4000; k <= 4000; ++k) {
    const double at = k * 0.78539816339744830962;
    for (double off : {-1e-12, -1e-7, 0.0, 1e-7, 1e-12}) args.push_back(at + off);
  }
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> far(-pl::kReducedRange, pl::kReducedRange);
  for (int i = 0; i < 20000; ++i) args.push_back(far(random));
  for (double v : {0.0, -0.0, 1e-300, 5e-324, 1.4e6, -1.49e6}) args.push_back(v);
  std::vector<double> s(args.size()), c(args.size());
  pl::SinCos(args.data(), s.data(), c.data(), args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const long double exactS = sinl(args[i]), exactC = cosl(args[i]);
    // About two ulp of values up to 1.
    EXPECT_NEAR(s[i], static_cast<double>(exactS), 2.5e-16) << args[i];
    EXPECT_NEAR(c[i], static_cast<double>(exactC), 2.5e-16) << args[i];
  }
}

TEST(PairLoopsTest, ArgumentsBeyondTheRangeAndNotFiniteGoToTheLibrary) {
  const std::vector<double> args = {2e6, -3.7e9, 1e300, INFINITY, -INFINITY, NAN, 1.0};
  std::vector<double> s(args.size()), c(args.size());
  pl::SinCos(args.data(), s.data(), c.data(), args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (std::isfinite(args[i])) {
      EXPECT_EQ(s[i], std::sin(args[i])) << args[i];
      EXPECT_EQ(c[i], std::cos(args[i])) << args[i];
    } else {
      EXPECT_TRUE(std::isnan(s[i]) && std::isnan(c[i])) << args[i];
    }
  }
}

struct Series {
  std::vector<double> x, y, w;
};

Series Noisy(std::size_t n, double x0, double dx, bool weighted) {
  std::mt19937 random(static_cast<unsigned>(n) + 1);
  std::normal_distribution<double> noise(0, 0.2);
  Series s;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = x0 + dx * static_cast<double>(i);
    s.x.push_back(x);
    s.y.push_back(3 * std::sin(0.7 * x + 0.4) - 1 + noise(random));
    if (weighted) s.w.push_back(0.5 + static_cast<double>(i % 5));
  }
  return s;
}

pl::PairSpan SpanOf(const Series& s) {
  return {s.x.data(), s.y.data(), s.w.empty() ? nullptr : s.w.data(), s.x.size()};
}

// Every count from empty to two full groups and a remainder, weighted or not.
TEST(PairLoopsTest, SumsCountEveryPairOnceWhateverIsLeftOverAtTheEnd) {
  for (bool weighted : {false, true}) {
    for (std::size_t n = 0; n <= 11; ++n) {
      const Series s = Noisy(n, -2, 0.37, weighted);
      const pl::Model m{2.9, 0.71, 0.35, -0.9, 0.25};
      long double g[4][4] = {}, r[4] = {}, e = 0, plain = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const long double w = weighted ? s.w[i] : 1;
        const long double arg = m.b * s.x[i] + m.ph;
        const long double sn = sinl(arg), cs = cosl(arg);
        const long double res = s.y[i] - (m.a * sn + m.d);
        const long double j[4] = {sn, m.a * cs * (s.x[i] + m.bOffset), m.a * cs, 1};
        for (int k = 0; k < 4; ++k) {
          for (int l = 0; l < 4; ++l) g[k][l] += w * j[k] * j[l];
          r[k] += w * j[k] * res;
        }
        e += w * res * res;
        plain += w * res * res;
      }
      const pl::NormalSums sums = pl::SumNormal(SpanOf(s), m);
      for (int k = 0; k < 4; ++k) {
        for (int l = k; l < 4; ++l)
          EXPECT_NEAR(sums.g[k][l], static_cast<double>(g[k][l]), 1e-12 * (1 + std::fabs(g[k][l])))
              << n << ' ' << k << l;
        EXPECT_NEAR(sums.r[k], static_cast<double>(r[k]), 1e-12 * (1 + std::fabs(r[k]))) << n;
      }
      EXPECT_NEAR(sums.error, static_cast<double>(e), 1e-12 * (1 + e)) << n;
      EXPECT_NEAR(pl::SumResidual(SpanOf(s), m), static_cast<double>(plain), 1e-12 * (1 + plain))
          << n;
    }
  }
}

// A term's error on its own numbers is the interpreter's, for Unix time in
// seconds and in milliseconds (where the interpreter caps its products at
// 10^10), microvolts, years and huge amplitudes.
TEST(PairLoopsTest, TermResidualIsTheInterpretersErrorOfTheTerm) {
  struct Case {
    double x0, dx, a, b, c, d;
  };
  const Case cases[] = {
      {1.7e9, 60, 2.0, 0.0000727220521664304, 0.3, 21},
      {1.7e12, 60000, 2.0, 0.0000000727220521664304, 0.3, 21},
      {1.7e9, 1, -1.5, 0.9, 2.1, 3},
      {-500, 0.01, 0.000001, 37.3, 5.9, 0.000001},
      {1700, 1, 60, 0.5666, 4.7278, 72.5},
      // Amplitudes of 10^10 and more: the product is capped, with the sign
      // the term's leading minus gives it; so is a frequency, without it.
      {1.7e9, 1, 3e12, 0.0001, 0.3, 5},
      {1.7e9, 1, -3e12, 0.0001, 0.3, 5},
      {1, 1, 2, -2e10, 0.3, 5},
  };
  const auto text = [](double v) {
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed).ptr;
    std::string t(buffer, end);
    std::replace(t.begin(), t.end(), '.', ',');
    return t;
  };
  for (const Case& k : cases) {
    Series s;
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0, std::fabs(k.a) * 0.1);
    for (int i = 0; i < 1003; ++i) {
      const double x = k.x0 + k.dx * i;
      s.x.push_back(x);
      s.y.push_back(k.a * std::sin(k.b * x + k.c) + k.d + noise(random));
    }
    const std::string term =
        text(k.a) + "*SIN(" + text(k.b) + "*X+" + text(k.c) + ")+" + text(k.d);
    const double want = static_cast<double>(sinusfit::ErrorSum(term, s.x, s.y));
    EXPECT_NEAR(pl::SumTermResidual(SpanOf(s), k.a, k.b, k.c, k.d), want, 1e-12 * want) << term;
  }
}

}  // namespace
