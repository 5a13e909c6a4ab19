// Number texts. Everything here is independent of the process locale: digits
// come from std::to_chars / std::from_chars, never from printf or strtod,
// which would write and expect a decimal comma on a German desktop.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "_grund/grund.h"

namespace grund {

namespace {

// The magnitude of a finite x as decimal digits: integer part and fraction.
// Below 10 the value is rounded to nearest at 17 decimals; from 10 upwards
// (and below 0.1 when more than 17 decimals are asked) to its first 18
// significant digits (further integer digits are zeros).
struct DecimalDigits {
  std::string integer;
  std::string fraction;
};

// Below this size 17 decimals carry fewer than 17 significant digits.
constexpr double kSmallMagnitude = 0.1;
constexpr int kExpandedDecimals = 17;

// The digits to round from. Where more than 17 decimals are asked for a value
// below 0.1, its first 18 significant digits instead of 17 decimals, so that
// tiny values keep their digits; every other text stays as it always was.
DecimalDigits ExpandTo18Digits(double magnitude, int decimals) {
  char buffer[400];
  DecimalDigits digits;
  const bool tiny = decimals > kExpandedDecimals && magnitude > 0 && magnitude < kSmallMagnitude;
  if (magnitude < 10 && !tiny) {
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, 17);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t point = text.find('.');
    digits.integer = std::string(text.substr(0, point));
    digits.fraction = std::string(text.substr(point + 1));
    return digits;
  }
  // "d.ddddddddddddddddde+XXX": 18 significant digits and the decimal exponent
  // ("e-XXX" for a tiny value).
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  std::string mantissa;
  mantissa += text[0];
  mantissa += text.substr(2, e - 2);
  int exponent = 0;
  std::from_chars(text.data() + e + 2, text.data() + text.size(), exponent);
  if (text[e + 1] == '-') {  // a tiny value: zeros after the point, then its digits
    std::string fraction(static_cast<std::size_t>(exponent) - 1, '0');
    fraction += mantissa;
    return {std::string(1, '0'), std::move(fraction)};
  }
  const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
  if (integerDigits >= mantissa.size()) {
    digits.integer = mantissa + std::string(integerDigits - mantissa.size(), '0');
  } else {
    digits.integer = mantissa.substr(0, integerDigits);
    digits.fraction = mantissa.substr(integerDigits);
  }
  return digits;
}

// Keeps `decimals` fraction digits, rounding half up on the digit string.
void RoundHalfUp(DecimalDigits& digits, std::size_t decimals) {
  if (digits.fraction.size() <= decimals) {
    digits.fraction.append(decimals - digits.fraction.size(), '0');
    return;
  }
  const bool roundUp = digits.fraction[decimals] >= '5';
  digits.fraction.resize(decimals);
  if (!roundUp) return;
  for (std::size_t i = digits.fraction.size(); i-- > 0;) {
    if (digits.fraction[i] != '9') {
      ++digits.fraction[i];
      return;
    }
    digits.fraction[i] = '0';
  }
  for (std::size_t i = digits.integer.size(); i-- > 0;) {
    if (digits.integer[i] != '9') {
      ++digits.integer[i];
      return;
    }
    digits.integer[i] = '0';
  }
  digits.integer.insert(digits.integer.begin(), '1');
}

// The number part of a padded text.
std::string_view WithoutPadding(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string PadLeft(std::string text, int width) {
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

}  // namespace

std::string FormatPoint(double x, int width, int decimals) {
  width = std::min(width, 1000);
  if (std::isnan(x)) return PadLeft("NAN", width);
  if (std::isinf(x)) return PadLeft(x < 0 ? "-INF" : "INF", width);
  // More than 17 decimals only adds zeros that are cut again; the bound keeps
  // the text short whatever a caller passes.
  decimals = std::clamp(decimals, 0, 30);

  DecimalDigits digits = ExpandTo18Digits(std::fabs(x), decimals);
  RoundHalfUp(digits, static_cast<std::size_t>(decimals));
  std::string text = x < 0 ? "-" : "";
  text += digits.integer;
  if (decimals > 0) {
    text += '.';
    text += digits.fraction;
  }
  text = PadLeft(std::move(text), width);

  if (decimals > 0) {
    while (text.size() > 1 && text.back() == '0') text.pop_back();
    if (text.size() > 1 && text.back() == '.') text.pop_back();
  }
  // Minus zero is written as zero. Behind padding ("  -0", which the plain
  // test misses) the minus becomes a blank, so the text keeps its width.
  if (text == "-0") {
    text = "0";
  } else if (WithoutPadding(text) == "-0") {
    text[text.size() - 2] = ' ';
  }
  return text;
}

std::string FormatComma(double x, int width, int decimals) {
  std::string text = FormatPoint(x, width, decimals);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) text[point] = ',';
  return text;
}

std::string FormatSigned(double x, int width, int decimals) {
  std::string text = FormatComma(x, width, decimals);
  // A value that rounds to zero gets the plus whatever its sign: "+0".
  if (x >= 0 || WithoutPadding(text) == "0") return "+" + text;
  return text;
}

std::string CommaToPoint(std::string_view text) {
  std::string copy(text);
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  return copy;
}

ParsedNumber ParseNumber(std::string_view text) {
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;

  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';

  // Scan the longest prefix of the form digits [. digits] [e [sign] digits],
  // noting the decimal order of the leading non-zero digit on the way (only
  // needed to tell overflow from underflow).
  const std::size_t start = i;
  std::size_t mantissaDigits = 0;
  // The order moves by one per digit, so it stays within the text's length;
  // the exponent is capped far above any length a text can have in memory,
  // so their sum keeps its sign (and ten times the cap still fits).
  constexpr long long kExponentCap = 1'000'000'000'000'000LL;
  long long order = 0;
  bool seenNonZero = false;
  for (; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits) {
    if (seenNonZero) {
      ++order;
    } else if (text[i] != '0') {
      seenNonZero = true;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits) {
      if (!seenNonZero) {
        --order;
        seenNonZero = text[i] != '0';
      }
    }
  }
  if (mantissaDigits == 0) return {0, false};
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    const bool negativeExponent = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      long long exponent = 0;
      for (; j < text.size() && isDigit(text[j]); ++j) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (text[j] - '0');
      }
      order += negativeExponent ? -exponent : exponent;
      end = j;
    }
  }

  double value = 0;
  const auto result =
      std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
  bool ok = end == text.size();
  if (result.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large is no number at all.
    value = 0;
    if (order > 0) ok = false;
  } else if (result.ec != std::errc() || result.ptr != text.data() + end) {
    return {0, false};
  }
  return {negative ? -value : value, ok};
}

}  // namespace grund
