// The expression evaluator: a recursive descent for operands and a
// pending-operator loop for the infix operators, computing while it parses.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "fktint/function_table.h"
#include "fktint/operators.h"
#include "fktint/parse_state.h"

namespace fktint {

constinit thread_local int NestingDepth = 0;
constinit thread_local bool NestingExceeded = false;

namespace {

// NumberChars: the bytes that continue a number literal.
bool IsNumberChar(unsigned char c) { return (c >= '0' && c <= '9') || c == '.' || c == 233; }

constexpr double kPi = static_cast<double>(grund::kPi);
constexpr double kE = 2.718281828459045;
// The golden ratio (sqrt 5 + 1) / 2, formed in extended precision.
const double kPhi = static_cast<double>((std::sqrt(Extended{5}) + 1) / 2);

// The operand of "(", "[" or "|": the expression up to the closing character.
double BracketedExpression(ParseState& s) {
  const NestingLevel level;
  if (!level.Entered()) return 0;
  ++s.Pos;
  return ParseExpression(s);
}

double NamedValueP(ParseState& s) {
  if (s.Pos != s.Len) {
    if (s.At(s.Pos + 1) == 'I') {
      s.Pos += 2;
      return kPi;
    }
    if (s.At(s.Pos + 1) == 'H' && s.At(s.Pos + 2) == 'I') {
      s.Pos += 3;
      return kPhi;
    }
  }
  ++s.Pos;
  return ParamP;
}

double NamedValueK(ParseState& s) {
  const unsigned char digit = s.At(s.Pos + 1);
  s.Pos += 2;
  if (digit >= '1' && digit <= '5') return ParamK[static_cast<std::size_t>(digit - '0')];
  return 0;
}

const double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A literal of at most 15 digits and one "." is m / 10^k with m and 10^k both
// exact doubles, so the one division is correctly rounded: the same value as
// the full conversion, without its cost.
bool ShortLiteralValue(const unsigned char* first, const unsigned char* last, double& value) {
  if (last - first > 16) return false;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  bool point = false;
  for (const unsigned char* p = first; p < last; ++p) {
    if (*p >= '0' && *p <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++digits;
      if (point) ++decimals;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0 || digits > 15) return false;
  value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  return true;
}

}  // namespace

double LiteralValue(const unsigned char* first, const unsigned char* last) {
  double value = 0;
  if (ShortLiteralValue(first, last, value)) return value;
  const char* begin = reinterpret_cast<const char*>(first);
  const char* end = reinterpret_cast<const char*>(last);
  const std::from_chars_result result =
      std::from_chars(begin, end, value, std::chars_format::fixed);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large when a digit other than 0 stands before the decimal point,
    // otherwise too small.
    for (const char* p = begin; p < result.ptr && *p != '.'; ++p) {
      if (*p != '0') {
        EvalError = 4;
        return MaxValue;
      }
    }
    return 0;
  }
  if (result.ec != std::errc{}) return 0;  // no digits at all, as in "."
  return value;
}

double ScanNumber(ParseState& s) {
  const std::size_t start = s.Pos;
  while (IsNumberChar(s.Current())) ++s.Pos;
  return LiteralValue(s.Text + start, s.Text + s.Pos);
}

void ReadOperator(ParseState& s) {
  if (NestingExceeded || s.Pos >= s.Len) {
    // The last character of the text is never read as an operator.
    s.Prio = 0;
    return;
  }
  const unsigned char c = s.Text[s.Pos++];
  s.Op = c;
  const unsigned priority = OperatorPriority(c);
  if (priority == kNotAnOperator) {
    EvalError = 1;
    s.Prio = 0;
  } else {
    s.Prio = static_cast<std::uint8_t>(priority);
  }
}

double ParseFactor(ParseState& s) {
  if (NestingExceeded) return 0;
  const unsigned char c = s.Current();
  switch (c) {
    case '(':
      return BracketedExpression(s);
    case '[':
      return std::floor(BracketedExpression(s));
    case '|':
      return std::fabs(BracketedExpression(s));
    case '.':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      return ScanNumber(s);
    case 'X':
      ++s.Pos;
      // A caller's infinite or not-a-number x goes no further than this.
      return std::isfinite(s.XValue) ? s.XValue : Finite(s.XValue);
    case 'Q':
      ++s.Pos;
      return ParamQ;
    case 'R':
      ++s.Pos;
      return ParamK[0];
    case 'K':
      return NamedValueK(s);
    case 'P':
      return NamedValueP(s);
    case 201:  // "É"
      ++s.Pos;
      return kE;
    case 'A':
    case 'B':
    case 'C':
    case 'D':
    case 'E':
    case 'F':
    case 'G':
    case 'H':
    case 'I':
    case 'J':
    case 'L':
    case 'M':
    case 'N':
    case 'O':
    case 'S':
    case 'T':
    case 'V':
    case 'W':
      return ApplyFunction(s);
    default:
      // Not an operand; Pos stays, so the next ReadOperator meets it.
      EvalError = 1;
      return 0;
  }
}

double ParseTerm(ParseState& s) {
  double v;
  if (s.Current() == '-') {
    ++s.Pos;
    v = -ParseFactor(s);
  } else {
    v = ParseFactor(s);
  }
  ReadOperator(s);
  while (s.Prio > s.PendingPrio) v = ContinueExpression(s, v);
  return v;
}

double ContinueExpression(ParseState& s, double v) {
  const unsigned char savedOp = s.PendingOp;
  const std::uint8_t savedPrio = s.PendingPrio;
  do {
    const double left = v;
    s.PendingOp = s.Op;
    s.PendingPrio = s.Prio;
    const double right = ParseTerm(s);
    if (NestingExceeded) break;
    v = ApplyOperator(s.PendingOp, left, right);
  } while (s.Prio >= s.PendingPrio);
  s.PendingOp = savedOp;
  s.PendingPrio = savedPrio;
  return v;
}

double ParseExpression(ParseState& s) {
  double v = ParseTerm(s);
  while (s.Prio > 0) v = ContinueExpression(s, v);
  return v;
}

}  // namespace fktint
