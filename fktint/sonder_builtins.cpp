#include "fktint/sonder_builtins.h"

#include <cfloat>
#include <cmath>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace fktint {

namespace {

namespace sf = sonderfunktionen;
using grund::Extended;

// Positions of the fifteen names in the function-name text.
enum SpecialPosition {
  kSi = 21,
  kGamma = 127,
  kCi = 146,
  kEi = 149,
  kBeta = 152,
  kBessJ0 = 157,
  kBessJ1 = 164,
  kGammaLn = 241,
  kSn = 302,
  kCn = 305,
  kDn = 308,
  kEulerPhi = 311,
  kAi = 320,
  kBi = 323,
  kDigamma = 340,
};

// Selector codes of the special-function dispatcher.
constexpr std::uint8_t kSelectLnGamma = 2;
constexpr std::uint8_t kSelectBesselJ0 = 4;
constexpr std::uint8_t kSelectBesselJ1 = 5;
constexpr std::uint8_t kSelectDigamma = 16;

double ClampedFailure() {
  EvalError = 4;
  return 0;
}

// Through the dispatcher, which clears EvalError; a failure becomes code 4
// with the value the routine returned.
double Dispatched(std::uint8_t code, double v) {
  bool failed = false;
  const double value = sf::SpecialFunction(code, failed, v, 0);
  if (failed) EvalError = 4;
  return value;
}

// B(v, P) = Gamma(v) Gamma(P) / Gamma(v + P).
double Beta(double v) {
  const double g = sf::GammaPoly(v + ParamP);
  if (g == 0) return ClampedFailure();
  const Extended value = static_cast<Extended>(sf::GammaPoly(v)) * sf::GammaPoly(ParamP) / g;
  // Near poles the quotient can leave the double range.
  if (!(std::fabs(value) <= DBL_MAX)) return ClampedFailure();
  return static_cast<double>(value);
}

enum class Jacobi { kSn, kCn, kDn };

// sn, cn or dn of v for the modulus ParamQ.
double JacobiOf(double v, Jacobi which) {
  const Extended q = ParamQ;
  const auto mc = static_cast<double>(1 - q * q);
  double sn = 0;
  double cn = 0;
  double dn = 0;
  sf::JacobiSnCnDn(v, mc, sn, cn, dn);
  switch (which) {
    case Jacobi::kSn:
      return sn;
    case Jacobi::kCn:
      return cn;
    case Jacobi::kDn:
      return dn;
  }
  return 0;
}

double AiryOf(double v, bool wantBi) {
  double ai = 0;
  double bi = 0;
  sf::AiryAiBi(v, ai, bi);
  return wantBi ? bi : ai;
}

}  // namespace

bool IsSpecialBuiltin(int position) {
  switch (position) {
    case kSi:
    case kGamma:
    case kCi:
    case kEi:
    case kBeta:
    case kBessJ0:
    case kBessJ1:
    case kGammaLn:
    case kSn:
    case kCn:
    case kDn:
    case kEulerPhi:
    case kAi:
    case kBi:
    case kDigamma:
      return true;
    default:
      return false;
  }
}

double SpecialBuiltin(int position, double v) {
  switch (position) {
    case kSi:
      return sf::SineIntegral(v);
    case kGamma:
      return sf::GammaPoly(v);
    case kCi:
      return sf::CosineIntegral(v);
    case kEi:
      return sf::ExpIntegral(v);
    case kBeta:
      return Beta(v);
    case kBessJ0:
      return Dispatched(kSelectBesselJ0, v);
    case kBessJ1:
      return Dispatched(kSelectBesselJ1, v);
    case kGammaLn:
      return Dispatched(kSelectLnGamma, v);
    case kSn:
      return JacobiOf(v, Jacobi::kSn);
    case kCn:
      return JacobiOf(v, Jacobi::kCn);
    case kDn:
      return JacobiOf(v, Jacobi::kDn);
    case kEulerPhi:
      return sf::EulerPhi(v);
    case kAi:
      return AiryOf(v, false);
    case kBi:
      return AiryOf(v, true);
    case kDigamma:
      return Dispatched(kSelectDigamma, v);
    default:
      return 0;
  }
}

}  // namespace fktint
