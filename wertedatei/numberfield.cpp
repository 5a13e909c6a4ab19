#include "wertedatei/numberfield.h"

#include <algorithm>
#include <cstdint>

#include "_grund/grund.h"

namespace wertedatei {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsMark(char c, char mark) { return mark == 0 ? c == '.' || c == ',' : c == mark; }

}  // namespace

// A plain number's digits make an exact double, and so does the power of
// ten it is divided by, so the one rounding of the division gives the very
// double the full reading gives.
std::size_t ScanPlainNumber(std::string_view text, std::size_t i, char mark, char stop,
                            double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // The digits before and behind the mark, in two plain loops; more than 15
  // wrap the sum harmlessly and are refused by their count.
  std::uint64_t digits = 0;
  const std::size_t first = i;
  for (; i < n && IsDigit(text[i]); ++i) digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
  std::size_t count = i - first, decimals = 0;
  if (i < n && text[i] != stop && IsMark(text[i], mark)) {
    const std::size_t fraction = ++i;
    for (; i < n && IsDigit(text[i]); ++i) digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
    decimals = i - fraction;
    count += decimals;
  }
  if (count == 0 || count > 15) return std::string_view::npos;
  const double whole = static_cast<double>(digits);
  const double magnitude = decimals == 0 ? whole : whole / kPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return i;
}

namespace {

// A sign, at most 15 digits with one decimal mark among them, nothing else,
// from text[i] on.
bool PlainDecimal(std::string_view text, std::size_t i, char mark, double& value) {
  double plain = 0;
  // Anything behind the number is an exponent, a second mark or other text.
  if (ScanPlainNumber(text, i, mark, '\0', plain) != text.size()) return false;
  value = plain;
  return true;
}

}  // namespace

bool ReadPlainNumber(std::string_view field, char decimalMark, double& value) {
  return PlainDecimal(field, 0, decimalMark, value);
}

grund::ParsedNumber CellValue(std::string_view text) {
  std::size_t blanks = 0;
  while (blanks < text.size() && text[blanks] == ' ') ++blanks;
  if (double plain = 0; PlainDecimal(text, blanks, 0, plain)) return {plain, true};
  char buffer[64];
  if (text.size() > sizeof buffer) return grund::ParseNumber(grund::CommaToPoint(text));
  std::replace_copy(text.begin(), text.end(), buffer, ',', '.');
  return grund::ParseNumber(std::string_view(buffer, text.size()));
}

bool ReadNumber(std::string_view field, char decimalMark, std::string* cell) {
  const char otherMark = decimalMark == ',' ? '.' : ',';
  const std::size_t n = field.size();
  std::size_t i = 0;
  if (i < n && (field[i] == '+' || field[i] == '-')) ++i;

  const std::size_t integerStart = i;
  while (i < n && IsDigit(field[i])) ++i;
  std::size_t digits = i - integerStart;
  // Groups of three behind a first group of one to three digits, all with the
  // same mark; "0.123" is no grouping.
  char groupMark = 0;
  bool grouped = false;
  if (digits >= 1 && digits <= 3 && field[integerStart] != '0') {
    while (i < n && (field[i] == otherMark || field[i] == '\'') &&
           (groupMark == 0 || field[i] == groupMark)) {
      const std::size_t g = i + 1;
      if (g + 3 > n || !IsDigit(field[g]) || !IsDigit(field[g + 1]) || !IsDigit(field[g + 2]) ||
          (g + 3 < n && IsDigit(field[g + 3]))) {
        break;
      }
      groupMark = field[i];
      grouped = true;
      digits += 3;
      i = g + 3;
    }
  }
  if (i < n && field[i] == decimalMark) {
    ++i;
    const std::size_t fractionStart = i;
    while (i < n && IsDigit(field[i])) ++i;
    digits += i - fractionStart;
  }
  if (digits == 0) return false;
  bool exponent = false;
  if (i < n && (field[i] == 'e' || field[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < n && (field[j] == '+' || field[j] == '-')) ++j;
    const std::size_t exponentStart = j;
    while (j < n && IsDigit(field[j])) ++j;
    if (j == exponentStart) return false;
    exponent = true;
    i = j;
  }
  if (i != n) return false;

  std::string local;
  std::string& out = cell != nullptr ? *cell : local;
  if (grouped) {
    out.clear();
    for (const char c : field) {
      if (c != groupMark) out += c;
    }
  } else if (cell != nullptr || exponent || digits > 300) {
    out.assign(field);
  }
  // Only an exponent or hundreds of digits can leave the range of a double.
  if (exponent || digits > 300) return grund::ParseNumber(grund::CommaToPoint(out)).ok;
  return true;
}

bool ReadNumberEitherMark(std::string_view field, std::string* cell) {
  const std::size_t last = field.find_last_of(",.");
  const char first = last == std::string_view::npos ? '.' : field[last];
  if (ReadNumber(field, first, cell)) return true;
  return last != std::string_view::npos && ReadNumber(field, first == ',' ? '.' : ',', cell);
}

}  // namespace wertedatei
