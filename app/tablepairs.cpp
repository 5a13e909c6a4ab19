#include "app/tablepairs.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/valuetable.h"
#include "wertedatei/numberfield.h"

namespace app {

namespace {

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

// A pair file's columns as the table holds them once the file is opened: a
// file with Δy shows that column.
struct FileColumns {
  const wertedatei::PairFile& file;
  bool withSigma = !file.sigmaY.empty();
  int Rows() const {
    return static_cast<int>(std::max({file.x.size(), file.y.size(), file.sigmaY.size()}));
  }
  std::string_view X(int i) const { return Cell(file.x, i); }
  std::string_view Y(int i) const { return Cell(file.y, i); }
  std::string_view Sigma(int i) const { return Cell(file.sigmaY, i); }
  static std::string_view Cell(const wertedatei::TextColumn& column, int i) {
    const auto k = static_cast<std::size_t>(i);
    return k < column.size() ? column[k] : std::string_view();
  }
};

template <class Columns>
void Reserve(TablePairs& pairs, const Columns& columns) {
  const auto rows = static_cast<std::size_t>(columns.Rows());
  pairs.rows.reserve(rows);
  pairs.x.reserve(rows);
  pairs.y.reserve(rows);
}

template <class Columns>
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
    rows.push_back({i + 1, std::string(x), std::string(y), wertedatei::CellValue(x), wertedatei::CellValue(y)});
  }
  return rows;
}

namespace {

template <class Columns>
TablePairs FitPairsOf(const Columns& columns) {
  TablePairs pairs;
  Reserve(pairs, columns);
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i);
    if (x.empty()) continue;
    Add(pairs, columns, i, wertedatei::CellValue(x).value, wertedatei::CellValue(columns.Y(i)).value);
  }
  return pairs;
}

}  // namespace

TablePairs ReadPairs(const ValueTable& table) { return FitPairsOf(ColumnsOf(table)); }

TablePairs ReadPairs(const wertedatei::PairFile& file) { return FitPairsOf(FileColumns{file}); }

TablePairs ReadNumericPairs(const ValueTable& table) {
  const Columns columns = ColumnsOf(table);
  TablePairs pairs;
  for (int i = 0; i < columns.Rows(); ++i) {
    const std::string_view x = columns.X(i);
    if (x.empty()) continue;
    const grund::ParsedNumber xNumber = wertedatei::CellValue(x), yNumber = wertedatei::CellValue(columns.Y(i));
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

std::vector<double> BarsOf(const wertedatei::TextColumn& sigmaY, std::size_t pairs) {
  std::vector<double> bars;
  if (sigmaY.empty()) return bars;
  bars.resize(pairs, 0.0);
  for (std::size_t i = 0; i < sigmaY.size() && i < pairs; ++i) {
    const grund::ParsedNumber sigma = wertedatei::CellValue(sigmaY[i]);
    if (sigma.ok && std::isfinite(sigma.value) && sigma.value > 0) bars[i] = sigma.value;
  }
  return bars;
}

}  // namespace app
