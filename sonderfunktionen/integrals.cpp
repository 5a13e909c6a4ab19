// The sine, cosine and exponential integrals by their power series, and
// Euler's totient by counting coprime numbers.

#include <cmath>
#include <cstdint>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using grund::Extended;

constexpr Extended kConvergence = 0.0001L;  // on the change of the partial sum
constexpr double kSiCiLimit = 50;
constexpr double kEiLimit = 40;
constexpr Extended kEulerForCi = 0.57722L;
constexpr Extended kEulerForEi = 0.57722156649L;
// The series need at most about 110 terms inside their domains; the bound
// only guards against arithmetic that never settles.
constexpr int kMaxTerms = 1000;
constexpr double kMaxTotientArgument = 10000;

double DomainFailure() {
  fktint::EvalError = 2;
  return 0;
}

// Outside (0, limit), NaN included.
bool OutsideDomain(double x, double limit) { return !(x > 0 && x < limit); }

// Sums the alternating tail x^(i+2) / ((i+2) (i+2)!) for i = firstIndex,
// firstIndex + 2, ... onto `sum`. Each term is the exponential of a running
// logarithm, not a multiple of the one before. A term is added when
// (i - signOffset) div 2 is odd, subtracted otherwise.
Extended AlternatingSeries(Extended sum, Extended logTerm, Extended x, int firstIndex,
                           int signOffset) {
  const Extended logX = std::log(x);
  int i = firstIndex;
  for (int n = 0; n < kMaxTerms; ++n) {
    const Extended index = i;
    logTerm = logTerm + 2 * logX + std::log(index) - std::log(index + 1) - 2 * std::log(index + 2);
    const Extended term = std::exp(logTerm);
    const Extended previous = sum;
    if (((i - signOffset) / 2) % 2 == 1) {
      sum += term;
    } else {
      sum -= term;
    }
    i += 2;
    if (std::fabs(sum - previous) < kConvergence) break;
  }
  return sum;
}

}  // namespace

double SineIntegral(double x) {
  if (OutsideDomain(x, kSiCiLimit)) return DomainFailure();
  const Extended xe = x;
  // x - x^3/18 + x^5/600 - ...
  return static_cast<double>(AlternatingSeries(xe, std::log(xe), xe, 1, 1));
}

double CosineIntegral(double x) {
  if (OutsideDomain(x, kSiCiLimit)) return DomainFailure();
  const Extended xe = x;
  // ln x + gamma - x^2/4 + x^4/96 - x^6/4320 + ...
  const Extended sum = std::log(xe) + kEulerForCi - xe * xe / 4;
  return static_cast<double>(AlternatingSeries(sum, 2 * std::log(xe / 2), xe, 2, 0));
}

double ExpIntegral(double x) {
  if (OutsideDomain(x, kEiLimit)) return DomainFailure();
  const Extended xe = x;
  // ln x + gamma + x + x^2/4 + x^3/18 + ...
  Extended sum = std::log(xe) + xe + kEulerForEi + xe * xe / 4;
  const Extended logX = std::log(xe);
  Extended logTerm = 2 * std::log(xe / 2);
  for (int k = 2; k < kMaxTerms + 2; ++k) {
    const Extended index = k;
    logTerm = logTerm + logX + std::log(index) - 2 * std::log(index + 1);
    const Extended previous = sum;
    sum += std::exp(logTerm);
    if (std::fabs(sum - previous) < kConvergence) break;
  }
  return static_cast<double>(sum);
}

std::int32_t Gcd(std::int32_t a, std::int32_t b) {
  if (a == 0 || b == 0) return 1;
  // In 64 bits: the remainder of INT32_MIN by -1 would overflow in 32.
  std::int64_t x = a;
  std::int64_t y = b;
  std::int64_t r = 0;
  do {
    r = x % y;
    x = y;
    y = r;
  } while (r != 0);
  return static_cast<std::int32_t>(x);  // a remainder or an argument: fits
}

double EulerPhi(double x) {
  // Rounded to nearest, ties to even; the range test on the double value also
  // rejects NaN and anything too large for an integer.
  const double rounded = std::nearbyint(x);
  if (!(rounded >= 1 && rounded <= kMaxTotientArgument)) {
    fktint::EvalError = 1;
    return 0;
  }
  // The number of i in 1 .. n coprime to n, which is n times (1 - 1/p) over
  // its prime factors p. Counting them one Euclid run at a time took some
  // 10,000 runs per call, so a field holding a long term of such calls took
  // seconds to read; the factors take at most 100 trial divisions.
  std::int32_t rest = static_cast<std::int32_t>(rounded);
  std::int32_t phi = rest;
  for (std::int32_t p = 2; p * p <= rest; ++p) {
    if (rest % p != 0) continue;
    while (rest % p == 0) rest /= p;
    phi -= phi / p;
  }
  if (rest > 1) phi -= phi / rest;
  return phi;
}

}  // namespace sonderfunktionen
