#include "app/tablepairs.h"

#include <utility>

#include "app/valuetable.h"

namespace app {

namespace {

grund::ParsedNumber ReadNumber(const std::string& text) {
  return grund::ParseNumber(grund::CommaToPoint(text));
}

void Add(TablePairs& pairs, const TableRow& row) {
  pairs.rows.push_back(row.row);
  pairs.x.push_back(row.x.value);
  pairs.y.push_back(row.y.value);
}

}  // namespace

std::vector<TableRow> ReadTableRows(const ValueTable& table) {
  std::vector<TableRow> rows;
  for (int row = 1; row < ValueTable::kRows; ++row) {
    std::string x = table.CellLatin1(row, 0), y = table.CellLatin1(row, 1);
    if (x.empty() && y.empty()) continue;
    const grund::ParsedNumber xNumber = ReadNumber(x), yNumber = ReadNumber(y);
    rows.push_back({row, std::move(x), std::move(y), xNumber, yNumber});
  }
  return rows;
}

TablePairs ReadPairs(const ValueTable& table) {
  TablePairs pairs;
  for (const TableRow& row : ReadTableRows(table))
    if (!row.xText.empty()) Add(pairs, row);
  return pairs;
}

TablePairs ReadNumericPairs(const ValueTable& table) {
  TablePairs pairs;
  for (const TableRow& row : ReadTableRows(table))
    if (row.x.ok && row.y.ok) Add(pairs, row);
  return pairs;
}

PairTexts ReadPairTexts(const ValueTable& table) {
  PairTexts texts;
  for (TableRow& row : ReadTableRows(table)) {
    texts.x.push_back(std::move(row.xText));
    texts.y.push_back(std::move(row.yText));
  }
  return texts;
}

}  // namespace app
