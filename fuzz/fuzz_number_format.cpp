// The number formatters on any double (raw bits: infinities, not-a-numbers,
// subnormals and magnitudes up to 1.8e308 included) with any width and any
// number of decimals.
//
// Checked: every value gets a text of bounded length; a finite value's text
// reads back (ParseNumber) as the value rounded to the decimals, and never as
// minus zero, so "-0" in any form is never written; cutting trailing zeros
// never leaves a "." behind; FormatComma is FormatPoint with a comma;
// FormatSigned puts exactly one sign in front and writes "+0" for zero.

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "_grund/grund.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

void CheckFormatPoint(const std::string& text, double x, int width, int decimals) {
  FUZZ_CHECK(!text.empty());
  // The longest finite text: 309 integer digits, the point and 30 decimals,
  // or the padding (at most 1000 blanks are ever added).
  FUZZ_CHECK(text.size() <=
             std::max<std::size_t>(350, static_cast<std::size_t>(std::clamp(width, 0, 1000))));
  FUZZ_CHECK(text.find(',') == std::string::npos);
  if (decimals <= 0) {
    FUZZ_CHECK(text.find('.') == std::string::npos);
    // Nothing is cut, so the width holds; only the bare "-0" shrinks to "0".
    FUZZ_CHECK(text.size() >= static_cast<std::size_t>(std::clamp(width, 0, 1000)) || text == "0");
  } else {
    FUZZ_CHECK(text.back() != '.');
  }
  if (!std::isfinite(x)) return;  // a word, not a number

  const std::string_view number = WithoutLeadingBlanks(text);
  FUZZ_CHECK(number != "-0");
  const grund::ParsedNumber back = grund::ParseNumber(text);
  FUZZ_CHECK(back.ok);
  FUZZ_CHECK(!(back.value == 0 && std::signbit(back.value)));  // no minus zero
  // Rounded to the decimals from a correctly rounded 18-digit expansion, then
  // read back as a double.
  const int kept = std::clamp(decimals, 0, 30);
  const double tolerance = 0.5 * std::pow(10.0, -kept) + 1e-17 + 4e-16 * std::fabs(x);
  FUZZ_CHECK(std::fabs(back.value - x) <= tolerance);
}

void CheckFormatComma(const std::string& comma, const std::string& point) {
  FUZZ_CHECK(comma.size() == point.size());
  FUZZ_CHECK(comma.find('.') == std::string::npos);
  for (std::size_t i = 0; i < point.size(); ++i) {
    FUZZ_CHECK(comma[i] == (point[i] == '.' ? ',' : point[i]));
  }
}

void CheckFormatSigned(const std::string& text, const std::string& comma, double x) {
  if (std::isnan(x)) {
    FUZZ_CHECK(text == comma);
    return;
  }
  FUZZ_CHECK(text.find("+-") == std::string::npos);
  FUZZ_CHECK(text.find('.') == std::string::npos);
  const std::string_view number = WithoutLeadingBlanks(comma);
  if (number == "0") {
    FUZZ_CHECK(text == "+" + comma);  // "+0" at the widths the program uses
  } else if (x >= 0) {
    FUZZ_CHECK(text == "+" + comma);
  } else {
    FUZZ_CHECK(text == comma);
    FUZZ_CHECK(number.front() == '-');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  const double x = in.RawDouble();
  // Small widths and decimals are the interesting ones; one byte each gives
  // them most often, and a flag byte lets any 32-bit value through.
  const std::uint8_t form = in.Byte();
  const int width = (form & 1) != 0 ? in.RawInt32() : static_cast<std::int8_t>(in.Byte());
  const int decimals = (form & 2) != 0 ? in.RawInt32() : static_cast<std::int8_t>(in.Byte());

  const fuzz::InputTimer timer;
  const std::string point = grund::FormatPoint(x, width, decimals);
  const std::string comma = grund::FormatComma(x, width, decimals);
  const std::string sign = grund::FormatSigned(x, width, decimals);
  timer.Check();

  CheckFormatPoint(point, x, width, decimals);
  CheckFormatComma(comma, point);
  CheckFormatSigned(sign, comma, x);
  return 0;
}
