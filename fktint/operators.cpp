#include "fktint/operators.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "fktint/parse_state.h"

namespace fktint {

namespace {

constexpr std::array<std::uint8_t, 256> MakePriorityTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& p : table) p = kNotAnOperator;
  for (unsigned char c : {'+', '-', '#', '&', ';', '<', '>'}) table[c] = 1;
  for (unsigned char c : {'*', '/', '%', '~'}) table[c] = 2;
  table[183] = 2;  // the raised dot, a second multiplication sign
  table['^'] = 3;
  table['\\'] = 3;
  for (unsigned char c : {')', ']', '|'}) table[c] = 0;
  return table;
}
constexpr std::array<std::uint8_t, 256> kPriority = MakePriorityTable();

// ln 1e10: partial products of the binomial are compared with MaxValue in
// logarithms once they are computed in closed form.
constexpr Extended kLnMaxValue = 23.02585092994045684017991454684364208L;

// ---------------------------------------------------------------------------
// Binomial

// ln|Gamma(y + d) / Gamma(y)| for y > 0 and y + d > 0. When d is a small
// integer the ratio is a short product, which keeps full precision where the
// difference of two large log-gamma values would not.
Extended LogGammaRatio(Extended y, Extended d) {
  if (d == std::floor(d) && std::fabs(d) <= 64) {
    Extended product = 1;
    if (d >= 0) {
      for (Extended k = 0; k < d; ++k) product *= y + k;
      return std::log(product);
    }
    for (Extended k = d; k < 0; ++k) product *= y + k;
    return -std::log(product);
  }
  return std::lgamma(y + d) - std::lgamma(y);
}

struct LogMagnitude {
  Extended lnAbs = 0;
  bool negative = false;
};

// ln|prod (l - i) / (q - i)| over i = 0 .. n-1 and its sign, where
// n = q + 1 - low and low = q - n + 1 > 0 is the smallest denominator, and no
// factor l - i is 0. The differences d = l - q and low are passed as they are
// exact, so large operands lose no precision to the subtraction.
//   prod (q - i) = Gamma(q + 1) / Gamma(low).
LogMagnitude LogFactorProduct(Extended l, Extended q, Extended d, Extended low) {
  const Extended n = q + 1 - low;
  if (l < 0) {
    // l - i = -(|l| + i): prod (|l| + i) = Gamma(|l| + n) / Gamma(|l|).
    return {LogGammaRatio(q + 1, -l - low) + LogGammaRatio(-l, low + l), std::fmod(n, 2) != 0};
  }
  if (d + low > 0) {
    // Every factor positive: prod (l - i) = Gamma(l + 1) / Gamma(l - n + 1),
    // and l - n + 1 = d + low.
    return {LogGammaRatio(q + 1, d) + LogGammaRatio(d + low, -d), false};
  }
  // l > 0 is not an integer and l - i changes sign after i = c = floor(l):
  // prod (l - i) for i <= c is Gamma(l + 1) / Gamma(l - c), and
  // prod (i - l) for i > c is Gamma(n - l) / Gamma(c + 1 - l).
  const Extended c = std::floor(l);
  return {LogGammaRatio(l - c, c + 1) + LogGammaRatio(q + 1, -l - low) +
              LogGammaRatio(c + 1 - l, low - (c + 1 - l)),
          std::fmod(n - c - 1, 2) != 0};
}

// The binomial loop in closed form, for q > 0: ceil(q) steps, step i
// multiplying the product by (l - i) / (q - i). The loop fails (code 2) when a
// partial product is above MaxValue. The magnitudes of the partial products
// fall and then rise (or only rise), and their signs are constant or
// alternate, so the largest positive one is 1 at the start or one of the last
// two.
Extended BinomialClosedForm(Extended l, Extended q) {
  const Extended d = l - q;
  if (d == 0) return 1;  // every factor is exactly 1
  if (l >= 0 && l == std::floor(l) && l < q) {
    return 0;  // a factor l - i is 0; the factors before it are below 1
  }
  // The last step divides by q - (ceil(q) - 1), in (0, 1].
  const Extended lastDenominator = q == std::floor(q) ? 1 : q - std::floor(q);
  const LogMagnitude before = LogFactorProduct(l, q, d, lastDenominator + 1);
  if (!before.negative && before.lnAbs > kLnMaxValue) {
    EvalError = 2;
    return MaxValue;
  }
  const Extended last = (d + lastDenominator) / lastDenominator;
  const Extended lnAbs = before.lnAbs + std::log(std::fabs(last));
  const bool negative = before.negative != (last < 0);
  if (!negative && lnAbs > kLnMaxValue) {
    EvalError = 2;
    return MaxValue;
  }
  const Extended magnitude = std::exp(lnAbs);
  return negative ? -magnitude : magnitude;
}

// ---------------------------------------------------------------------------
// Powers

// base^n for an integer n > 4 by repeated multiplication; a positive partial
// power above MaxValue stops it with code 4. Long loops are replaced by their
// outcome: for |base| <= 1 no partial power passes MaxValue, and for
// |base| > 1 the largest positive partial power is the last even one (or the
// last one, for a positive base).
double IntegerPower(Extended base, std::int32_t n) {
  if (n <= kPowerExactSteps) {
    Extended t = base;
    for (std::int32_t i = 1; i < n; ++i) {
      t *= base;
      if (t > MaxValue) {
        EvalError = 4;
        return MaxValue;
      }
    }
    return Finite(t);
  }
  if (std::fabs(base) > 1) {
    const std::int32_t largestPositive = (base > 0 || n % 2 == 0) ? n : n - 1;
    if (std::pow(std::fabs(base), static_cast<Extended>(largestPositive)) > MaxValue) {
      EvalError = 4;
      return MaxValue;
    }
  }
  return Finite(std::pow(base, static_cast<Extended>(n)));
}

// Steps 2 to 4 of the power, shared by "^" (limit 16) and the root (limit 15).
double PowerSteps(double base, double exponent, Extended limit) {
  const Extended b = base;
  if (exponent == 0) return 1;
  if (exponent == 1) return base;
  if (exponent == 2) return Finite(b * b);
  if (exponent == 3) return Finite(b * b * b);
  if (exponent == 4) {
    const Extended square = b * b;
    return Finite(square * square);
  }
  if (exponent > 4 && exponent < 2147483647.0 && exponent == std::trunc(exponent)) {
    return IntegerPower(b, static_cast<std::int32_t>(exponent));
  }
  if (base == 0) return 0;
  const Extended e = exponent * std::log(std::fabs(b));
  if (std::fabs(e) > limit) return SetDomainError();
  if (base < 0) return NegativeBasePower(base, exponent);
  return Finite(std::exp(e));
}

}  // namespace

unsigned OperatorPriority(unsigned char c) { return kPriority[c]; }

double Binomial(double left, double right) {
  // A long loop (billions of steps, or endless once R - 1 == R) is replaced
  // by its outcome. An earlier code ends the loop after its first step, so
  // that case always runs step by step.
  if (EvalError == 0 && right > kBinomialLoopLimit) {
    const Extended r = BinomialClosedForm(left, right);
    return EvalError != 0 ? MaxValue : Finite(r);
  }
  Extended r = 1;
  Extended l = left;
  Extended q = right;
  do {
    if (q != 0) {
      r = r * l / q;
    } else {
      EvalError = 2;
    }
    if (r > MaxValue) EvalError = 2;
    l -= 1;
    q -= 1;
  } while (q > 0 && EvalError == 0);
  if (EvalError != 0) return MaxValue;
  return Finite(r);
}

double NegativeBasePower(double base, double exponent) {
  // The exponent is compared with its integer part as a 32-bit integer; one
  // outside that range can never equal it.
  if (!(exponent > -2147483649.0 && exponent < 2147483648.0)) return SetDomainError();
  const auto n = static_cast<std::int32_t>(exponent);
  if (exponent != n) return SetDomainError();
  const Extended e = exponent * std::log(std::fabs(static_cast<Extended>(base)));
  if (std::fabs(e) > 15) return SetDomainError();
  const Extended magnitude = std::exp(e);
  return Finite(n % 2 != 0 ? -magnitude : magnitude);
}

double Power(double left, double right) {
  if (EvalError > 1) return SetDomainError();
  return PowerSteps(left, right, 16);
}

double Root(double left, double right) {
  if (right == 0) return SetDomainError();
  // 1/R of a subnormal R is beyond the double range: code 4, so the test
  // below fails the root.
  const double r = Finite(1.0 / right);
  if (EvalError > 1) return SetDomainError();
  return PowerSteps(left, r, 15);
}

double ApplyOperator(unsigned char op, double left, double right) {
  switch (op) {
    case '+':
      return Finite(left + right);
    case '-':
      return Finite(left - right);
    case '#': {
      const Extended product = static_cast<Extended>(left) * right;
      if (product < 0) return SetDomainError();
      return Finite(std::sqrt(product));
    }
    case '&':
      return Finite((static_cast<Extended>(left) + right) / 2);
    case ';':
      ParamP = right;
      return left;
    case '<':
      return left > right ? right : left;
    case '>':
      return left > right ? left : right;
    case '*':
    case 183:
      if (std::fabs(left) >= MaxValue || std::fabs(right) >= MaxValue) {
        EvalError = 2;
        return MaxValue;
      }
      return left * right;
    case '/':
      if (right == 0) {
        EvalError = 2;
        return MaxValue;
      }
      return Finite(left / right);
    case '%': {
      // The remainder of the rounded operands. fmod is exact and agrees with
      // 64-bit integer division wherever that is defined, and needs no
      // conversion of values beyond it; "+ 0" turns -0 into 0.
      const double dividend = std::nearbyint(left);
      const double divisor = std::nearbyint(right);
      if (divisor == 0) {
        EvalError = 2;
        return MaxValue;
      }
      return std::fmod(dividend, divisor) + 0.0;
    }
    case '~':
      return Binomial(left, right);
    case '^':
      return Power(left, right);
    case '\\':
      return Root(left, right);
    default:
      return left;
  }
}

}  // namespace fktint
