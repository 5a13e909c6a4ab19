#include "wertedatei/numberfield.h"

#include "_grund/grund.h"

namespace wertedatei {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

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
