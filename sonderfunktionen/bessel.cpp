// Bessel functions J0 and J1 (a rational approximation below |x| = 8, the
// asymptotic form beyond) and the dispatcher for the routines that report
// failure by a flag.

#include <cmath>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using grund::Extended;

constexpr double kAsymptoticBreak = 8;
constexpr Extended kTwoOverPi = 0.636619772L;
constexpr Extended kPhaseOrder0 = 0.785398164L;
constexpr Extended kPhaseOrder1 = 2.356194491L;

// Coefficients of y^0, y^1, ...
constexpr Extended kJ0Numerator[6] = {57568490574.0L, -13362590354.0L, 651619640.7L,
                                      -11214424.18L,  77392.33017L,    -184.9052456L};
constexpr Extended kJ0Denominator[6] = {57568490411.0L, 1029532985.0L, 9494680.718L,
                                        59272.64853L,   267.8532712L,  1.0L};
constexpr Extended kJ1Numerator[6] = {72362614232.0L, -7895059235.0L, 242396853.1L,
                                      -2972611.439L,  15704.4826L,    -30.16036606L};
constexpr Extended kJ1Denominator[6] = {144725228442.0L, 2300535178.0L, 18583304.74L,
                                        99447.43394L,    376.9991397L,  1.0L};
constexpr Extended kA0[5] = {1.0L, -0.001098628627L, 0.00002734510407L, -0.000002073370639L,
                             0.0000002093887211L};
constexpr Extended kB0[5] = {-0.01562499995L, 0.0001430488765L, -0.000006911147651L,
                             0.0000007621095161L, -0.0000000934945152L};
constexpr Extended kA1[5] = {1.0L, 0.00183105L, -0.00003516396496L, 0.000002457520174L,
                             -0.000000240337019L};
constexpr Extended kB1[5] = {0.04687499995L, -0.0002002690873L, 0.000008449199096L,
                             -0.00000088228987L, 0.000000105787412L};

// c[0] + c[1] y + ... + c[N-1] y^(N-1) by Horner's scheme.
template <int N>
Extended Polynomial(const Extended (&c)[N], Extended y) {
  Extended sum = c[N - 1];
  for (int k = N - 2; k >= 0; --k) sum = sum * y + c[k];
  return sum;
}

// The asymptotic form for |x| >= 8 with the phase shift and the pair (A, B)
// of the order.
Extended Asymptotic(Extended absX, Extended phaseShift, const Extended (&a)[5],
                    const Extended (&b)[5]) {
  const Extended z = 8 / absX;
  const Extended y = z * z;
  const Extended phase = absX - phaseShift;
  return std::sqrt(kTwoOverPi / absX) *
         (std::cos(phase) * Polynomial(a, y) - z * std::sin(phase) * Polynomial(b, y));
}

}  // namespace

double SignOf(double x) { return x >= 0 ? 1 : -1; }

double BesselJ0(double x) {
  // Both functions tend to 0 at infinity; an undefined argument gets 0 too.
  if (!std::isfinite(x)) return 0;
  const Extended absX = std::fabs(static_cast<Extended>(x));
  if (absX < kAsymptoticBreak) {
    const Extended y = absX * absX;
    return static_cast<double>(Polynomial(kJ0Numerator, y) / Polynomial(kJ0Denominator, y));
  }
  return static_cast<double>(Asymptotic(absX, kPhaseOrder0, kA0, kB0));
}

double BesselJ1(double x) {
  if (!std::isfinite(x)) return 0;
  const Extended absX = std::fabs(static_cast<Extended>(x));
  if (absX < kAsymptoticBreak) {
    const Extended y = absX * absX;
    return static_cast<double>(x * Polynomial(kJ1Numerator, y) / Polynomial(kJ1Denominator, y));
  }
  return static_cast<double>(Asymptotic(absX, kPhaseOrder1, kA1, kB1) * SignOf(x));
}

double SpecialFunction(std::uint8_t code, bool& failed, double x, double /*a*/) {
  failed = false;
  fktint::EvalError = 0;
  switch (code) {
    case 2:
      return LnGamma(x, failed);
    case 4:
      return BesselJ0(x);
    case 5:
      return BesselJ1(x);
    case 16:
      return Digamma(x, failed);
    default:
      return 0;
  }
}

}  // namespace sonderfunktionen
