// The interpreter's entry: prepares the text and evaluates it.

#include <array>
#include <cstring>
#include <memory>

#include "fktint/fktint.h"
#include "fktint/parse_state.h"
#include "fktint/prepare_text.h"

namespace fktint {

std::size_t PreparedCapacity(std::size_t length) {
  // One byte before the text, one for a leading "0", at most one "0" per four
  // bytes for the "(-X^" rewrite, and the end-of-text padding.
  return length + length / 4 + 2 + kEndPadding;
}

namespace {

// Bytes that the preparation copies unchanged.
constexpr std::array<bool, 256> kCopiedAsIs = [] {
  std::array<bool, 256> table{};
  for (auto& copied : table) copied = true;
  table[' '] = table[','] = table['^'] = false;
  return table;
}();

}  // namespace

PreparedText PrepareText(std::string_view text, unsigned char* buffer) {
  // buffer[1] is kept free for a "0" in front; the copy starts at buffer[2].
  unsigned char* out = buffer + 2;
  std::size_t n = 0;
  for (const char byte : text) {
    auto c = static_cast<unsigned char>(byte);
    if (kCopiedAsIs[c]) {
      out[n++] = c;
      continue;
    }
    if (c == ' ') continue;
    if (c == ',') c = '.';
    if (c == '^' && n >= 3 && out[n - 3] == '(' && out[n - 2] == '-' && out[n - 1] == 'X') {
      // "(-X^" becomes "(0-X^": the power is negated as a whole.
      out[n - 2] = '0';
      out[n - 1] = '-';
      out[n] = 'X';
      ++n;
    }
    out[n++] = c;
  }
  if (n == 0) out[n++] = ' ';  // a text of blanks keeps one (a syntax error later)

  PreparedText prepared{buffer + 1, n};
  if (out[0] == '-' || out[0] == '+') {
    // A leading sign applies to the whole first product or power.
    buffer[1] = '0';
    prepared.Text = buffer;
    ++prepared.Len;
  }
  std::memset(out + n, 0, kEndPadding);
  return prepared;
}

namespace {

constexpr std::size_t kStackCapacity = 512;

double Evaluate(const PreparedText& prepared, double x) {
  ParseState s;
  s.Text = prepared.Text;
  s.Len = prepared.Len;
  s.XValue = x;
  EvalError = 0;
  double v = ParseExpression(s);
  if (NestingExceeded) {
    EvalError = 1;
    return 0;
  }
  if (v > MaxValue) {
    v = MaxValue;
    EvalError = 4;
  }
  return v;
}

}  // namespace

double EvaluateTerm(std::string_view text, double x) {
  if constexpr (RangeCheck) {
    if (x < RangeXMin || x > RangeXMax) {
      EvalError = x < RangeXMin ? 1 : 3;
      return 0;
    }
  }
  if (text.empty()) {
    EvalError = 1;
    return 0;
  }
  // The outermost call starts with a clean nesting state. A call from F1..F5
  // counts as one level of nesting, so a user function that calls itself
  // ends as a syntax error.
  if (NestingDepth == 0) NestingExceeded = false;
  const NestingLevel level;
  if (!level.Entered()) return 0;

  const std::size_t capacity = PreparedCapacity(text.size());
  if (capacity <= kStackCapacity) {
    unsigned char buffer[kStackCapacity];
    return Evaluate(PrepareText(text, buffer), x);
  }
  const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(capacity);
  return Evaluate(PrepareText(text, buffer.get()), x);
}

}  // namespace fktint
