#pragma once
// Internal to the interpreter: the per-call parse state and the operations of
// the one-pass evaluator that work on it.

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace fktint {

using grund::Extended;

// The state of one evaluation. Text is 1-based: Text[1] .. Text[Len] is the
// prepared term, and Text[Len + 1] .. Text[Len + 3] hold the end-of-text byte
// 0, so every read the evaluator makes (never more than two past Pos, and Pos
// never more than two past Len) stays inside the buffer. The saved-operator
// stack lives on the call stack, one entry per active ContinueExpression.
struct ParseState {
  const unsigned char* Text = nullptr;
  std::size_t Len = 0;
  std::size_t Pos = 1;
  double XValue = 0;
  unsigned char Op = 0;
  std::uint8_t Prio = 0;  // 0 also means the end of the current expression
  unsigned char PendingOp = 0;
  std::uint8_t PendingPrio = 0;

  unsigned char At(std::size_t i) const { return Text[i]; }
  unsigned char Current() const { return Text[Pos]; }
};

// Brackets, function arguments and user-function calls together may nest this
// deep; one level more makes the whole term a syntax error (code 1).
inline constexpr int kMaxNesting = 256;

// Nesting bookkeeping shared by an evaluation and the evaluations it starts
// through F1 to F5. Once the limit is passed, NestingExceeded stays set until
// the outermost evaluation returns, and every parse step unwinds at once.
extern constinit thread_local int NestingDepth;
extern constinit thread_local bool NestingExceeded;

// One level of nesting for the lifetime of the object.
class NestingLevel {
 public:
  NestingLevel() {
    ++NestingDepth;
    if (NestingDepth > kMaxNesting) {
      NestingExceeded = true;
      EvalError = 1;
    }
  }
  ~NestingLevel() { --NestingDepth; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;
  bool Entered() const { return !NestingExceeded; }
};

// The evaluator (one pass, values computed while parsing).
double ParseExpression(ParseState& s);
double ParseTerm(ParseState& s);
double ContinueExpression(ParseState& s, double v);
double ParseFactor(ParseState& s);
void ReadOperator(ParseState& s);
double ScanNumber(ParseState& s);

// The value of a number literal: digits, "." and byte 233. A literal beyond
// the double range is MaxValue with code 4; one too small for it is 0; a
// literal with a second "." or a byte 233 has the value of its leading number
// (1.2.3 is 1.2) and sets no code.
double LiteralValue(const unsigned char* first, const unsigned char* last);

// A value made safe to pass on, rounded to double: beyond the double range it
// becomes MaxValue with its sign and code 4 (value too large, clamped);
// not-a-number becomes 0 with code 2.
inline double Finite(Extended v) {
  const double d = static_cast<double>(v);
  if (std::isfinite(d)) return d;
  if (std::isnan(d)) {
    EvalError = 2;
    return 0;
  }
  EvalError = 4;
  return d > 0 ? MaxValue : -MaxValue;
}

// The common failure of a function or operator outside its domain: value 0,
// code 2.
inline double SetDomainError() {
  EvalError = 2;
  return 0;
}

}  // namespace fktint
