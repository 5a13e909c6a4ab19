// The regularised upper incomplete gamma function against closed forms
// derived independently: Q(1, x) = e^−x, Q(½, x) = erfc(√x), the Poisson sum
// for whole a, its half-integer counterpart, and the χ² table.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sonderfunktionen/sonderfunktionen.h"

namespace {

using sonderfunktionen::RegularizedGammaQ;

// Q(k, x) = Σ_{j<k} e^−x x^j / j!, each term through logarithms.
long double PoissonSum(int k, long double x) {
  long double sum = 0;
  for (int j = 0; j < k; ++j) sum += expl(j * logl(x) - x - lgammal(j + 1.0L));
  return sum;
}

// Q(k + ½, x) = erfc(√x) + Σ_{j=1..k} e^−x x^(j−½) / Γ(j + ½).
long double HalfIntegerSum(int k, long double x) {
  long double sum = erfcl(sqrtl(x));
  long double gamma = sqrtl(3.14159265358979323846264L);  // Γ(½)
  for (int j = 1; j <= k; ++j) {
    gamma *= j - 0.5L;  // Γ(j + ½)
    sum += expl((j - 0.5L) * logl(x) - x) / gamma;
  }
  return sum;
}

void ExpectRelative(double a, double x, long double expected, double tolerance = 1e-12) {
  const double q = RegularizedGammaQ(a, x);
  EXPECT_NEAR(q, static_cast<double>(expected), tolerance * static_cast<double>(expected))
      << "Q(" << a << ", " << x << ")";
}

TEST(RegularizedGammaQ, MatchesTheClosedFormsOfWholeAndHalfA) {
  for (const double x : {1e-10, 0.01, 0.5, 1.0, 1.999, 2.0, 2.001, 10.0, 50.0, 700.0})
    ExpectRelative(1, x, expl(-x));
  for (const double x : {1e-12, 0.01, 0.5, 1.0, 1.5, 3.0, 20.0, 200.0})
    ExpectRelative(0.5, x, erfcl(sqrtl(x)));
  const struct {
    int k;
    double x;
  } whole[] = {{2, 0.3}, {2, 3}, {5, 1}, {5, 4}, {5, 6}, {5, 30}, {10, 9.5}, {10, 11},
               {50, 20}, {50, 49}, {50, 51}, {50, 90}, {1000, 968}, {1000, 1032}, {1000, 1200}};
  for (const auto& c : whole) ExpectRelative(c.k, c.x, PoissonSum(c.k, c.x));
  const struct {
    int k;
    double x;
  } half[] = {{1, 0.2}, {1, 1.5}, {1, 2.5}, {3, 2}, {3, 4.5}, {3, 12}, {10, 10.5}, {10, 25}};
  for (const auto& c : half) ExpectRelative(c.k + 0.5, c.x, HalfIntegerSum(c.k, c.x));
}

TEST(RegularizedGammaQ, GivesTheChiSquaredTable) {
  // P(χ² >= value) for ν degrees of freedom is Q(ν/2, value/2).
  const struct {
    int nu;
    double value, p;
  } table[] = {{1, 3.841459, 0.05}, {1, 6.634897, 0.01}, {2, 5.991465, 0.05},
               {10, 18.307038, 0.05}, {10, 2.558212, 0.99}, {30, 43.772972, 0.05}};
  for (const auto& c : table)
    EXPECT_NEAR(RegularizedGammaQ(c.nu / 2.0, c.value / 2), c.p, 1e-6) << c.nu << " " << c.value;
  // The label's example: χ² = 21,4 at ν = 21.
  EXPECT_NEAR(RegularizedGammaQ(10.5, 10.7), static_cast<double>(HalfIntegerSum(10, 10.7)), 1e-12);
  EXPECT_NEAR(RegularizedGammaQ(10.5, 10.7), 0.435, 0.005);
}

TEST(RegularizedGammaQ, StaysAccurateForMillionsOfPairs) {
  for (const int k : {100000, 200000}) {
    const double root = std::sqrt(static_cast<double>(k));
    for (const double x : {k - 3 * root, k - 0.5 * root, 1.0 * k, k + root, k + 4 * root})
      ExpectRelative(k, x, PoissonSum(k, x), 1e-9);
  }
}

TEST(RegularizedGammaQ, EdgesOfItsDomain) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  EXPECT_EQ(RegularizedGammaQ(3, 0), 1);
  EXPECT_EQ(RegularizedGammaQ(3, inf), 0);
  EXPECT_EQ(RegularizedGammaQ(3, 1e6), 0);  // underflows
  for (const auto& [a, x] : {std::pair{0.0, 1.0}, {-1.0, 1.0}, {nan, 1.0}, {inf, 1.0}, {1.0, -1.0},
                              {1.0, nan}})
    EXPECT_TRUE(std::isnan(RegularizedGammaQ(a, x))) << a << " " << x;
  // Tiny and huge a end promptly with a probability.
  for (const auto& [a, x] : {std::pair{1e-300, 1e-300}, {1e-300, 5.0}, {1e9, 1e9}, {1e9, 2e9}}) {
    const double q = RegularizedGammaQ(a, x);
    EXPECT_TRUE(q >= 0 && q <= 1) << a << " " << x << " " << q;
  }
}

}  // namespace
