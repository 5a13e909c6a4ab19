// The gamma family: the gamma function by a polynomial, ln Gamma by a Lanczos
// series, and the digamma function by recurrence and its asymptotic series.

#include <cfloat>
#include <cmath>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using grund::Extended;

using grund::kPi;
constexpr Extended kEuler = 0.5772156649015328606L;
constexpr double kDigammaAtOne = -0.5772156649015329;

// Gamma(1 + t) ~ b0 + b1 t + ... + b8 t^8 for 0 <= t <= 1, error below 3e-7.
constexpr Extended kGammaPolynomial[9] = {
    1.0L,          -0.577191652L, 0.988205891L,  -0.897056937L, 0.918206857L,
    -0.756704078L, 0.482199394L,  -0.193527818L, 0.035868343L,
};

// The Lanczos coefficients c1 .. c6 and the sqrt(2 pi) they go with.
constexpr Extended kLanczos[6] = {
    76.18009173L, -86.50532033L, 24.01409822L, -1.231739516L, 0.00120858003L, -0.00000536382L,
};
constexpr Extended kSqrtTwoPi = 2.50662827465L;

// B(2k) / (2k) for k = 1 .. 8, the coefficients of the digamma asymptotic series.
constexpr Extended kDigammaSeries[8] = {
    1.0L / 12,  -1.0L / 120,     1.0L / 252, -1.0L / 240,
    1.0L / 132, -691.0L / 32760, 1.0L / 12,  -3617.0L / 8160,
};

bool FitsDouble(Extended value) { return std::fabs(value) <= DBL_MAX; }

double GammaFailure() {
  fktint::EvalError = 4;
  return 0;
}

bool IsPole(double x) { return x <= 0 && x == std::trunc(x); }

Extended DigammaExtended(Extended x, bool& failed) {
  if (x < 0) {
    const Extended magnitude = std::fabs(x);
    if (magnitude - std::trunc(magnitude) < 0.00001L) {
      failed = true;
      return 0;
    }
    return kPi / std::tan(kPi * (1 - x)) + DigammaExtended(1 - x, failed);
  }
  if (x == 0) {
    failed = true;
    return 0;
  }
  if (x == 1) return kDigammaAtOne;
  if (x <= 0.00001L) return -kEuler - 1 / x;
  Extended sum = 0;
  while (x < 20) {  // at most 20 steps: x > 0.00001 here
    sum -= 1 / x;
    x += 1;
  }
  const Extended t = 1 / (x * x);
  Extended series = kDigammaSeries[7];
  for (int k = 6; k >= 0; --k) series = kDigammaSeries[k] + t * series;
  series *= t;
  return sum + std::log(x) - 0.5L / x - series;
}

}  // namespace

double GammaPoly(double x) {
  // NaN joins the poles and the arguments beyond 43 as a failure.
  if (std::isnan(x) || IsPole(x) || x > 43) return GammaFailure();
  Extended z = x;
  Extended factor = 1;
  while (z > 2) {  // at most 41 steps: z <= 43
    z -= 1;
    factor *= z;
  }
  while (z < 1) {
    factor /= z;
    z += 1;
    // Far below zero the factor underflows long before z reaches 1 (within
    // about two thousand steps at most); the result is then 0.
    if (factor == 0) return 0;
  }
  const Extended t = z - 1;
  Extended p = kGammaPolynomial[8];
  for (int k = 7; k >= 0; --k) p = p * t + kGammaPolynomial[k];
  const Extended result = factor * p;
  // Tiny arguments, where 1/x leaves the double range, have no double result.
  if (!FitsDouble(result)) return GammaFailure();
  return static_cast<double>(result);
}

double LnGamma(double x, bool& failed) {
  Extended t = static_cast<Extended>(x) - 1;
  Extended s = t + 5.5L;
  if (!(s > 0 && s <= 25)) {  // also NaN
    failed = true;
    return 0;
  }
  s = (t + 0.5L) * std::log(s) - s;
  Extended series = 1;
  for (const Extended c : kLanczos) {
    t += 1;
    if (t == 0) {
      failed = true;
      return 0;
    }
    series += c / t;
  }
  const Extended scaled = kSqrtTwoPi * series;
  if (scaled <= 0) {
    failed = true;
    return 0;
  }
  return static_cast<double>(s + std::log(scaled));
}

double Digamma(double x, bool& failed) {
  // Infinite and undefined arguments have no finite value: a failure.
  if (!std::isfinite(x)) {
    failed = true;
    return 0;
  }
  const Extended result = DigammaExtended(x, failed);
  // Tiny positive arguments, where 1/x leaves the double range.
  if (!FitsDouble(result)) {
    failed = true;
    return 0;
  }
  return static_cast<double>(result);
}

}  // namespace sonderfunktionen
