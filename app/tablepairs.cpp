#include "app/tablepairs.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/valuetable.h"

namespace app {

namespace {

// The usual cell: blanks, a sign, at most 15 digits with one decimal point
// or comma among them, nothing else. Its digits make an exact double, and so
// does the power of ten it is divided by, so the one rounding of the
// division gives the very double the full reading gives (read whole: ok).
std::optional<grund::ParsedNumber> ReadPlainDecimal(std::string_view text) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++count > 15) return std::nullopt;
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      decimals += point ? 1 : 0;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      return std::nullopt;  // an exponent, a second point, any other text
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowersOfTen[decimals];
  return grund::ParsedNumber{negative ? -value : value, true};
}

// A cell's text read as the fit reads numbers; short texts without a heap copy.
grund::ParsedNumber ReadNumber(std::string_view text) {
  if (const std::optional<grund::ParsedNumber> plain = ReadPlainDecimal(text)) return *plain;
  char buffer[64];
  if (text.size() > sizeof buffer) return grund::ParseNumber(grund::CommaToPoint(text));
  std::replace_copy(text.begin(), text.end(), buffer, ',', '.');
  return grund::ParseNumber(std::string_view(buffer, text.size()));
}

// The columns as the readers take them.
struct Columns {
  const TableContents& contents;
  bool withSigma;
  int Rows() const { return contents.Rows(); }
  std::string_view X(int i) const { return contents.StoredLatin1(i, 0); }
  std::string_view Y(int i) const { return contents.StoredLatin1(i, 1); }
  std::string_view Sigma(int i) const { return contents.StoredLatin1(i, TableContents::kSigmaColumn); }
};

Columns ColumnsOf(const ValueTable& table) { return {table.Contents(), table.SigmaColumnShown()}; }

void Reserve(TablePairs& pairs, const Columns& columns) {
  const auto rows = static_cast<std::size_t>(columns.Rows());
  pairs.rows.reserve(rows);
  pairs.x.reserve(rows);
  pairs.y.reserve(rows);
}

void Add(TablePairs& pairs, const Columns& columns, int i, double x, double y) {
  pairs.rows.push_back(i + 1);
  pairs.x.push_back(x);
  pairs.y.push_back(y);
  if (columns.withSigma) pairs.sigmaY.push_back(columns.Sigma(i));
}

}  // namespace

std::vector<TableRow> ReadTableRows(const ValueTable& table) {
  const Columns columns = ColumnsOf(table);
  std::vector<TableRow> rows;
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i), y = columns.Y(i);
    if (x.empty() && y.empty()) continue;
    rows.push_back({i + 1, std::string(x), std::string(y), ReadNumber(x), ReadNumber(y)});
  }
  return rows;
}

TablePairs ReadPairs(const ValueTable& table) {
  const Columns columns = ColumnsOf(table);
  TablePairs pairs;
  Reserve(pairs, columns);
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i);
    if (x.empty()) continue;
    Add(pairs, columns, i, ReadNumber(x).value, ReadNumber(columns.Y(i)).value);
  }
  return pairs;
}

TablePairs ReadNumericPairs(const ValueTable& table) {
  const Columns columns = ColumnsOf(table);
  TablePairs pairs;
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i);
    if (x.empty()) continue;
    const grund::ParsedNumber xNumber = ReadNumber(x), yNumber = ReadNumber(columns.Y(i));
    if (xNumber.ok && yNumber.ok) Add(pairs, columns, i, xNumber.value, yNumber.value);
  }
  return pairs;
}

PairTexts ReadPairTexts(const ValueTable& table) {
  const Columns columns = ColumnsOf(table);
  PairTexts texts;
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i), y = columns.Y(i);
    if (x.empty() && y.empty()) continue;
    texts.x.push_back(x);
    texts.y.push_back(y);
    if (columns.withSigma) texts.sigmaY.push_back(columns.Sigma(i));
  }
  return texts;
}

}  // namespace app
