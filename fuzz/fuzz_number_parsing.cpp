// The readers of typed text on arbitrary bytes: CommaToPoint, ParseNumber and
// ReadEditValue.
//
// Checked: CommaToPoint keeps the length, leaves no "," and changes nothing
// else; ParseNumber's value is always finite, it is ok exactly when the text
// (after leading blanks) is a decimal number, and then its value is the one
// the C library's conversion gives (the fuzzer runs in the C locale, so
// strtod is a fair reference here); ReadEditValue's value is finite and is 0
// whenever the interpreter reported an error.

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fuzz/fuzz_support.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the decimal number at the start of `text` (sign, digits,
// optional fraction, optional exponent), or 0 when there is none. Written
// apart from ParseNumber so the two can be compared.
std::size_t DecimalNumberLength(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

void CheckCommaToPoint(std::string_view text) {
  const std::string converted = grund::CommaToPoint(text);
  FUZZ_CHECK(converted.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    FUZZ_CHECK(converted[i] == (text[i] == ',' ? '.' : text[i]));
  }
}

void CheckParseNumber(std::string_view text) {
  const grund::ParsedNumber parsed = grund::ParseNumber(text);
  FUZZ_CHECK(std::isfinite(parsed.value));

  std::string_view number = text;
  while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
  const std::size_t length = DecimalNumberLength(number);
  const bool wellFormed = length > 0 && length == number.size();

  if (!wellFormed) {
    FUZZ_CHECK(!parsed.ok);
    return;
  }
  const std::string copy(number);  // strtod needs the terminating 0
  errno = 0;
  const double reference = std::strtod(copy.c_str(), nullptr);
  if (std::isinf(reference)) {
    FUZZ_CHECK(!parsed.ok);  // beyond the double range is no number
    return;
  }
  FUZZ_CHECK(parsed.ok);
  if (errno == ERANGE || std::fpclassify(reference) == FP_SUBNORMAL) {
    // Underflow: the reference may keep a subnormal where the conversion
    // reads zero.
    FUZZ_CHECK(parsed.value == reference || parsed.value == 0);
  } else {
    FUZZ_CHECK(parsed.value == reference);
    FUZZ_CHECK(std::signbit(parsed.value) == std::signbit(reference));
  }
}

void CheckReadEditValue(std::string_view text) {
  fktint::ParamP = 0;
  grund::ProcessRandom().SetSeed(0);
  const double value = grund::ReadEditValue(text);
  FUZZ_CHECK(std::isfinite(value));
  FUZZ_CHECK(fktint::EvalError <= 4);
  if (fktint::EvalError != 0) FUZZ_CHECK(value == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const fuzz::InputTimer timer;
  CheckCommaToPoint(text);
  CheckParseNumber(text);
  CheckParseNumber(grund::CommaToPoint(text));
  CheckReadEditValue(text);
  timer.Check();
  return 0;
}
