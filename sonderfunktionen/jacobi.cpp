// The Jacobian elliptic functions sn, cn and dn by the arithmetic-geometric
// mean (Gauss transformation) and its backward pass.

#include <cmath>
#include <utility>

#include "_grund/grund.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using grund::Extended;

constexpr Extended kAccuracy = 0.0003L;  // relative, of the mean; the results are far better
constexpr int kMaxSteps = 13;

void SetAll(double& sn, double& cn, double& dn, double snValue, double cnValue, double dnValue) {
  sn = snValue;
  cn = cnValue;
  dn = dnValue;
}

}  // namespace

void JacobiSnCnDn(double u, double mc, double& sn, double& cn, double& dn) {
  // An undefined argument or parameter, or an infinite parameter, has no
  // value; all three results are then 0.
  if (std::isnan(u) || !std::isfinite(mc)) return SetAll(sn, cn, dn, 0, 0, 0);
  if (mc == 0) {  // modulus 1: the hyperbolic limit, defined also at infinity
    const Extended sech = 1 / std::cosh(static_cast<Extended>(u));
    return SetAll(sn, cn, dn, static_cast<double>(std::tanh(static_cast<Extended>(u))),
                  static_cast<double>(sech), static_cast<double>(sech));
  }
  if (std::isinf(u)) return SetAll(sn, cn, dn, 0, 0, 0);  // periodic: no limit

  Extended m = mc;
  Extended v = u;
  Extended d = 1;
  const bool reciprocalModulus = m < 0;  // modulus above 1
  if (reciprocalModulus) {
    d = 1 - m;
    m = -m / d;
    d = std::sqrt(d);
    v = d * v;
  }

  // Per step, a at its start and the root taken in it, for the backward pass.
  double stepA[kMaxSteps];
  double stepRoot[kMaxSteps];
  Extended a = 1;
  Extended h = 1;
  Extended dnValue = 1;
  int steps = 0;
  for (int i = 0; i < kMaxSteps; ++i) {
    steps = i + 1;
    stepA[i] = static_cast<double>(a);
    m = std::sqrt(m);
    stepRoot[i] = static_cast<double>(m);
    h = (a + m) / 2;
    if (std::fabs(a - m) <= kAccuracy * a) break;
    m *= a;
    a = h;
  }

  v = h * v;
  Extended snValue = std::sin(v);
  Extended cnValue = std::cos(v);
  if (snValue != 0) {
    a = cnValue / snValue;
    h *= a;
    for (int i = steps - 1; i >= 0; --i) {
      const Extended b = stepA[i];
      a *= h;
      h *= dnValue;
      dnValue = (stepRoot[i] + a) / (b + a);
      a = h / b;
    }
    a = 1 / std::sqrt(h * h + 1);
    snValue = snValue >= 0 ? a : -a;
    cnValue = h * snValue;
  }
  if (reciprocalModulus) {
    std::swap(cnValue, dnValue);
    snValue /= d;
  }
  sn = static_cast<double>(snValue);
  cn = static_cast<double>(cnValue);
  dn = static_cast<double>(dnValue);
  // Where Extended is plain double, the backward pass overflows for a tiny u,
  // and h u can overflow for a huge one. Near 0 the functions are (u, 1, 1);
  // far out there is no limit, as for an infinite u.
  if (!std::isfinite(sn) || !std::isfinite(cn) || !std::isfinite(dn)) {
    if (std::fabs(u) < 1) return SetAll(sn, cn, dn, u, 1, 1);
    SetAll(sn, cn, dn, 0, 0, 0);
  }
}

}  // namespace sonderfunktionen
