// The regularised upper incomplete gamma function Q(a, x) = Γ(a, x) / Γ(a):
// the power series of P = 1 − Q below x = a + 1, the continued fraction of Q
// above, both in extended precision with the prefactor x^a·e^−x / Γ(a) taken
// through logarithms.

#include <cmath>
#include <limits>

#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using Real = long double;

// Both expansions need some 10·√a terms; this bounds them for any a.
constexpr int kMostTerms = 1'000'000;
constexpr Real kEpsilon = std::numeric_limits<Real>::epsilon();
// The continued fraction's stand-in for a zero denominator (Lentz).
constexpr Real kTiny = std::numeric_limits<Real>::min() / kEpsilon;

// x^a·e^−x / Γ(a), without overflow for large a and x.
Real Prefactor(Real a, Real x) { return std::exp(a * std::log(x) - x - std::lgamma(a)); }

// P(a, x) = prefactor · Σ x^n / (a·(a+1)···(a+n)).
Real LowerBySeries(Real a, Real x) {
  Real term = 1 / a;
  Real sum = term;
  for (int n = 1; n < kMostTerms; ++n) {
    term *= x / (a + n);
    sum += term;
    if (term < sum * kEpsilon) break;
  }
  return sum * Prefactor(a, x);
}

// Q(a, x) = prefactor / (x + 1 − a − 1·(1 − a) / (x + 3 − a − 2·(2 − a) / …)),
// evaluated from the front by the modified Lentz method.
Real UpperByFraction(Real a, Real x) {
  Real b = x + 1 - a;
  Real c = 1 / kTiny;
  Real d = 1 / b;
  Real fraction = d;
  for (int n = 1; n < kMostTerms; ++n) {
    const Real an = -n * (n - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const Real step = d * c;
    fraction *= step;
    if (std::fabs(step - 1) < kEpsilon) break;
  }
  return fraction * Prefactor(a, x);
}

}  // namespace

double RegularizedGammaQ(double a, double x) {
  if (!(a > 0) || !(x >= 0) || !std::isfinite(a)) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0) return 1;
  if (!std::isfinite(x)) return 0;
  const Real ra = a, rx = x;
  if (rx < ra + 1) return static_cast<double>(1 - LowerBySeries(ra, rx));
  return static_cast<double>(UpperByFraction(ra, rx));
}

}  // namespace sonderfunktionen
