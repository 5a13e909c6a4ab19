#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "_grund/grund.h"
#include "fktint/function_table.h"
#include "fktint/sonder_builtins.h"

namespace fktint {

namespace {

using grund::kPi;
constexpr Extended kHalfPi = kPi / 2;
constexpr Extended kQuarterPi = kPi / 4;
// ARCSIN and ARCSINW give this double at v = 1 and v = -1.
constexpr double kHalfPiDouble = 1.5707963267948966;

// The longest name; a longer one cannot occur in FunctionNames because names
// in a term never hold a blank.
constexpr std::size_t kLongestName = [] {
  std::size_t longest = 0;
  std::size_t start = 0;
  while (start < FunctionNames.size()) {
    std::size_t end = FunctionNames.find(' ', start);
    if (end == std::string_view::npos) end = FunctionNames.size();
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}();

// The seventy names, found by an exact match before the substring search. An
// exact name's first occurrence is its own entry (checked below at compile
// time), so the shortcut changes no result.
struct NameSlot {
  std::uint16_t position = 0;
  std::uint8_t length = 0;
};
constexpr std::size_t kNameSlots = 256;

constexpr std::size_t NameHash(std::string_view name) {
  const auto byte = [&](std::size_t i) {
    return static_cast<std::size_t>(static_cast<unsigned char>(name[i]));
  };
  const std::size_t second = name.size() > 1 ? byte(1) : 0;
  return (byte(0) * 31 + second * 17 + byte(name.size() - 1) * 7 + name.size() * 131) &
         (kNameSlots - 1);
}

constexpr std::array<NameSlot, kNameSlots> kNameTable = [] {
  std::array<NameSlot, kNameSlots> table{};
  std::size_t start = 0;
  while (start < FunctionNames.size()) {
    std::size_t end = FunctionNames.find(' ', start);
    if (end == std::string_view::npos) end = FunctionNames.size();
    const std::string_view name = FunctionNames.substr(start, end - start);
    if (FunctionNames.find(name) != start) throw "a name occurs before its own entry";
    std::size_t slot = NameHash(name);
    while (table[slot].position != 0) slot = (slot + 1) & (kNameSlots - 1);
    table[slot] = {static_cast<std::uint16_t>(start + 1), static_cast<std::uint8_t>(name.size())};
    start = end + 1;
  }
  return table;
}();

int FindExactName(std::string_view name) {
  for (std::size_t slot = NameHash(name); kNameTable[slot].position != 0;
       slot = (slot + 1) & (kNameSlots - 1)) {
    const NameSlot entry = kNameTable[slot];
    if (entry.length == name.size() &&
        FunctionNames.substr(entry.position - 1u, entry.length) == name) {
      return entry.position;
    }
  }
  return 0;
}

// ln(y + sqrt(y*y + c)) for y >= 0 (c = 1 for ARSINH, -1 for ARCOSH). Beyond
// 1e150 the square of y could leave the double range where Extended is only
// double; there the value is ln(2y) to working precision anyway.
Extended LogOfSumWithRoot(Extended y, Extended c) {
  if (y > 1e150) return std::log(Extended{2}) + std::log(y);
  return std::log(y + std::sqrt(y * y + c));
}

double Arsinh(double v) {
  // For negative v the sum v + sqrt(v*v + 1) cancels: it loses its digits
  // long before it becomes 0 (where its logarithm would be -infinity). The
  // function is odd, so the same value comes from the positive side.
  if (v < 0) return static_cast<double>(-LogOfSumWithRoot(-static_cast<Extended>(v), 1));
  return static_cast<double>(LogOfSumWithRoot(v, 1));
}

// Real cube root by exp(ln v / 3), and the fourth root (domain v >= 0).
double CubeRoot(double v) {
  if (v > 0) return static_cast<double>(std::exp(std::log(static_cast<Extended>(v)) / 3));
  if (v == 0) return 0;
  return static_cast<double>(-std::exp(std::log(-static_cast<Extended>(v)) / 3));
}
double FourthRoot(double v) {
  if (v > 0) return static_cast<double>(std::exp(std::log(static_cast<Extended>(v)) / 4));
  if (v == 0) return 0;
  return SetDomainError();
}

double Sign(double v) {
  EvalError = 0;
  if (v > 0) return 1;
  if (v < 0) return -1;
  return 0;
}

// Standard normal distribution function by a closed approximation.
double Gsumme(double v) {
  if (v == 0) return 0.5;
  const Extended x2 = static_cast<Extended>(v) * v;
  const Extended t1 = 7 * std::exp(-x2 / 2);
  const Extended t2 = 16 * std::exp(-(2 - std::sqrt(Extended{2})) * x2);
  const Extended t3 = (7 + kQuarterPi * x2) * std::exp(-x2);
  // Near v = 0 the terms sum to 30 and rounding could push the radicand
  // below 0.
  const Extended radicand = std::max(Extended{0}, 1 - (t1 + t2 + t3) * (Extended{1} / 30));
  const Extended s = 0.5L * std::sqrt(radicand);
  return static_cast<double>(v > 0 ? 0.5L + s : 0.5L - s);
}

// A draw from the process-wide generator: a fraction for v = 0, otherwise an
// integer below n = v truncated. Beyond 32 bits the same draw is scaled,
// floor(fraction * n), which is what the 32-bit draw computes; a negative n
// draws below |n| and negates, so the value lies in n+1 .. 0.
double Mcarlo(double v) {
  grund::RandomGenerator& random = grund::ProcessRandom();
  if (v == 0) return random.NextFraction();
  const double n = std::trunc(v);
  const double size = std::fabs(n);
  double draw;
  if (size <= 4294967295.0) {
    draw = random.NextBelow(static_cast<std::uint32_t>(size));
  } else {
    draw = std::floor(random.NextFraction() * size);
  }
  return n < 0 ? 0.0 - draw : draw;
}

// Clock time in hours: 24 is subtracted while v > 24, then 24 is added while
// v < 0. Computed by the exact remainder instead, which gives the loop's
// result wherever the loop's steps are exact and ends at once on values so
// large that subtracting 24 no longer changes them.
double Time(double v) {
  if (v > 24) {
    const double rest = std::fmod(v, 24);
    return rest == 0 ? 24 : rest;
  }
  if (v < 0) {
    const double rest = std::fmod(v, 24) + 0.0;  // -0 (a multiple of 24) becomes 0
    return rest < 0 ? rest + 24 : rest;
  }
  return v;
}

double UserFunction(int index, double v) {
  return EvaluateTerm(grund::UserFunctionText[static_cast<std::size_t>(index)], v);
}

Extended Degrees(double v) { return static_cast<Extended>(v) * kPi / 180; }

}  // namespace

int FindFunctionName(std::string_view name) {
  if (name.empty() || name.size() > kLongestName) return 0;
  if (const int exact = FindExactName(name); exact != 0) return exact;
  const std::size_t found = FunctionNames.find(name);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

bool IsFunctionStart(int position) {
  if (position < 1 || static_cast<std::size_t>(position) > FunctionNames.size()) return false;
  return position == 1 || FunctionNames[static_cast<std::size_t>(position) - 2] == ' ';
}

int LookupFunction(ParseState& s) {
  // The name runs from Pos up to the next "(" or the end of the text.
  const unsigned char* from = s.Text + s.Pos + 1;
  const unsigned char* end = s.Text + s.Len + 1;
  const void* bracket =
      from < end ? std::memchr(from, '(', static_cast<std::size_t>(end - from)) : nullptr;
  const std::size_t j =
      bracket != nullptr
          ? static_cast<std::size_t>(static_cast<const unsigned char*>(bracket) - s.Text)
          : s.Len + 1;
  const std::string_view name(reinterpret_cast<const char*>(s.Text + s.Pos), j - s.Pos);
  s.Pos = j + 1;
  const int position = FindFunctionName(name);
  if (position == 0) EvalError = 1;
  return position;
}

double ApplyFunction(ParseState& s) {
  const int position = LookupFunction(s);
  if (!IsFunctionStart(position)) {
    EvalError = 1;  // the argument is left unread
    return 0;
  }
  const NestingLevel level;
  if (!level.Entered()) return 0;
  const double v = ParseExpression(s);
  if (NestingExceeded) return 0;
  return FunctionValue(position, v);
}

double FunctionValue(int position, double v) {
  if (IsSpecialBuiltin(position)) return Finite(SpecialBuiltin(position, v));
  const Extended x = v;
  switch (position) {
    case kSqr:
      return std::fabs(v) >= MaxValue ? MaxValue : v * v;
    case kSqrt:
    case kWurzel:
      return v < 0 ? SetDomainError() : std::sqrt(v);
    case kExp:
    case kEhoch:
      return std::exp(std::clamp(v, -100.0, 100.0));
    case kLn:
      return v <= 0 ? SetDomainError() : std::log(v);
    case kAbs:
      return std::fabs(v);
    case kSin:
      return std::sin(v);
    case kCos:
      return std::cos(v);
    case kTan:
      return std::cos(v) == 0 ? 0 : std::tan(v);
    case kArccos:
      return std::fabs(v) > 1 ? SetDomainError() : std::acos(v);
    case kLg:
      return v <= 0 ? SetDomainError() : static_cast<double>(std::log(x) * 0.4342944819033L);
    case kArctan:
      return std::atan(v);
    case kSinh:
      return std::fabs(v) >= 50 ? MaxValue : std::sinh(v);
    case kCosh:
      if (std::fabs(v) >= 50) {
        EvalError = 2;
        return MaxValue;
      }
      return std::cosh(v);
    case kTanh:
      if (std::fabs(v) >= 50) {
        EvalError = 1;
        return MaxValue;
      }
      return std::tanh(v);
    case kInt:
      EvalError = 3;
      return std::floor(v);
    case kSgn:
    case kVorzeichen:
      return Sign(v);
    case kF1:
      return UserFunction(1, v);
    case kF2:
      return UserFunction(2, v);
    case kF3:
      return UserFunction(3, v);
    case kF4:
      return UserFunction(4, v);
    case kF5:
      return UserFunction(5, v);
    case kCot: {
      const double s = std::sin(v);
      return s == 0 ? 0 : Finite(std::cos(v) / s);
    }
    case kLd:
      return v <= 0 ? SetDomainError() : static_cast<double>(std::log(x) * 1.442695040889L);
    case kArcsin:
      if (std::fabs(v) < 1) return std::asin(v);
      if (v == 1) return kHalfPiDouble;
      if (v == -1) return -kHalfPiDouble;
      return SetDomainError();
    case kArsinh:
      return Arsinh(v);
    case kArcosh:
      return v < 1 ? SetDomainError() : static_cast<double>(LogOfSumWithRoot(x, -1));
    case kArtanh:
      return std::fabs(v) < 1 ? static_cast<double>(std::log((1 + x) / (1 - x)) / 2)
                              : SetDomainError();
    case kSec: {
      const double c = std::cos(v);
      return c == 0 ? SetDomainError() : Finite(1 / c);
    }
    case kGauss: {
      double clamped = v;
      if (v > 50 || v < -50) {
        clamped = v > 50 ? 50 : -50;
        EvalError = 4;
      }
      return static_cast<double>(std::exp(-static_cast<Extended>(clamped) * clamped / 2) /
                                 2.506628274631L);
    }
    case kMcarlo:
      return Mcarlo(v);
    case kWurzel3:
    case kW3:
      return CubeRoot(v);
    case kWurzel4:
    case kW4:
      return FourthRoot(v);
    case kLog:
      if (v <= 0 || ParamP <= 0 || ParamP == 1) return SetDomainError();
      return Finite(std::log(x) / std::log(static_cast<Extended>(ParamP)));
    case kCsc: {
      const double s = std::sin(v);
      return s == 0 ? SetDomainError() : Finite(1 / s);
    }
    case kWp: {
      if (v <= 0 || ParamP == 0) return SetDomainError();
      const Extended e = std::log(x) / ParamP;
      return std::fabs(e) < 50 ? static_cast<double>(std::exp(e)) : SetDomainError();
    }
    case kFrac:
      return std::fabs(v) >= 1e10 ? SetDomainError() : v - std::trunc(v);
    case kExpp: {
      // ParamP to the power v. For ParamP = 0 the logarithm is not formed:
      // 0 to a positive power is 0, to the power 0 it is 1 (as 0^0 of the
      // power operator), and a negative power fails like v*ln(P) >= 50.
      if (ParamP < 0) return SetDomainError();
      if (ParamP == 0) return v > 0 ? 0 : v == 0 ? 1 : SetDomainError();
      const Extended e = x * std::log(static_cast<Extended>(ParamP));
      return e >= 50 ? SetDomainError() : static_cast<double>(std::exp(e));
    }
    case kHeaviside:
      EvalError = 3;
      return v < 0 ? 0 : v == 0 ? 0.5 : 1;
    case kSinw:
      return static_cast<double>(std::sin(Degrees(v)));
    case kCosw:
      return static_cast<double>(std::cos(Degrees(v)));
    case kTanw: {
      const Extended a = Degrees(v);
      return std::cos(a) == 0 ? 0 : Finite(std::tan(a));
    }
    case kCotw: {
      const Extended a = Degrees(v);
      const Extended s = std::sin(a);
      return s == 0 ? 0 : Finite(std::cos(a) / s);
    }
    case kArctanw: {
      const Extended t = std::atan(x);
      return static_cast<double>(t < 0 ? t + kPi : t);
    }
    case kArcsinw: {
      if (v == 1 || v == -1) return kHalfPiDouble;
      if (std::fabs(v) >= 1) return SetDomainError();
      const Extended t = std::atan(x / std::sqrt(1 - x * x));
      return static_cast<double>(t >= 0 ? t : kHalfPi - t);
    }
    case kGsumme:
      return Gsumme(v);
    case kArccot:
      return static_cast<double>(std::fabs(v) > 1e-10 ? std::atan(1 / x) : kHalfPi - std::atan(x));
    case kArcsec: {
      if (std::fabs(v) < 1) return SetDomainError();
      const Extended t = std::atan(std::sqrt((x - 1) * (x + 1)));
      return static_cast<double>(v > 0 ? t : kPi - t);
    }
    case kTime:
      return Time(v);
    case kArccsc:
      return std::fabs(v) < 1 ? SetDomainError() : std::asin(1 / v);
    case kCoth: {
      const double t = std::tanh(v);
      if (std::fabs(v) >= 50 || t == 0) {
        EvalError = 1;
        return MaxValue;
      }
      return Finite(1 / t);  // t may be subnormal
    }
    default:
      return 0;
  }
}

}  // namespace fktint
