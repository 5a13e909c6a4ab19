// The one reader of the value table's pairs and the rows each of its users
// keeps: the fit (every row with an x text), the view (rows whose x and y
// are numbers as a whole) and the saving (every row with a text).

#include <QtTest>
#include <cmath>
#include <string>
#include <vector>

#include "app/tablepairs.h"
#include "app/valuetable.h"

using app::ValueTable;

namespace {

struct Case {
  int row;
  const char* x;
  const char* y;
  // As the fit reads the row; fit false: the fit leaves the row out.
  bool fit;
  double fitX, fitY;
  // Whether the view takes the row (then at the fit's values).
  bool numeric;
};

// Rows 1 .. 200 with gaps between them; rows not listed stay empty.
const Case kCases[] = {
    {1, "1,5", "2.5", true, 1.5, 2.5, true},
    {2, " 4.5", "-0", true, 4.5, -0.0, true},           // leading blanks are skipped
    {3, "3", "", true, 3, 0, false},                    // no y: 0 for the fit
    {5, "", "7", false, 0, 0, false},                   // no x: saved only
    {6, "abc", "1", true, 0, 1, false},                 // not a number: 0
    {7, "12abc", "2,", true, 12, 2, false},             // a number's prefix; "2," is 2.
    {8, "4.5 ", "1e400", true, 4.5, 0, false},          // a trailing blank; too large
    {9, "1e-400", "1E3", true, 0, 1000, true},          // too small reads as 0
    {10, "\xe9", "3", true, 0, 3, false},               // Latin-1 text
    {12, "-2,5e-3", "+8", true, -0.0025, 8, true},      //
    {200, "9", "9", true, 9, 9, true},                  // the last row
};

void Fill(ValueTable& table) {
  for (const Case& c : kCases) {
    table.SetCellLatin1(c.row, 0, c.x);
    table.SetCellLatin1(c.row, 1, c.y);
  }
  table.SetCellLatin1(4, 2, "f(x) alone");  // the fitted value is no pair
}

bool SameDouble(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

}  // namespace

class TablePairsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyRowWithTextIsReadOnceInRowOrder() {
    ValueTable table;
    Fill(table);
    const std::vector<app::TableRow> rows = app::ReadTableRows(table);
    QCOMPARE(rows.size(), std::size(kCases));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Case& c = kCases[i];
      QCOMPARE(rows[i].row, c.row);
      QCOMPARE(rows[i].xText, std::string(c.x));
      QCOMPARE(rows[i].yText, std::string(c.y));
      QCOMPARE(rows[i].x.ok && rows[i].y.ok, c.numeric);
    }
  }

  void eachUserKeepsTheRowsOfItsRule() {
    ValueTable table;
    Fill(table);
    const app::TablePairs fit = app::ReadPairs(table);
    const app::TablePairs view = app::ReadNumericPairs(table);
    const app::PairTexts saved = app::ReadPairTexts(table);
    std::size_t f = 0, v = 0;
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
      const Case& c = kCases[i];
      QCOMPARE(std::string(saved.x[i]), std::string(c.x));
      QCOMPARE(std::string(saved.y[i]), std::string(c.y));
      if (c.fit) {
        QVERIFY2(f < fit.rows.size(), c.x);
        QCOMPARE(fit.rows[f], c.row);
        QVERIFY2(SameDouble(fit.x[f], c.fitX) && SameDouble(fit.y[f], c.fitY), c.x);
        ++f;
      }
      if (c.numeric) {
        QVERIFY2(v < view.rows.size(), c.x);
        QCOMPARE(view.rows[v], c.row);
        QVERIFY2(SameDouble(view.x[v], c.fitX) && SameDouble(view.y[v], c.fitY), c.x);
        ++v;
      }
    }
    QCOMPARE(saved.x.size(), std::size(kCases));
    QCOMPARE(fit.rows.size(), f);
    QCOMPARE(fit.x.size(), f);
    QCOMPARE(fit.y.size(), f);
    QCOMPARE(view.rows.size(), v);
  }

  // The readers take the usual short decimals a quicker way; every text must
  // still read as the fit's number reading reads it, to the last bit.
  void everyTextReadsAsTheNumberReadingReadsIt() {
    const char* const texts[] = {
        "0",     "-0",      "+0,0",   "1",       "-1,5",    " 2.25",  "1.",     ".5",
        "-,5",   ",",       "-",      "+",       "1,2,3",   "1.5,3",  "0,1",    "0.3",
        "2,675", "1e5",     "1,5e-3", "1 ",      " 1",      "-1 5",   "abc",    "12abc",
        "999999999999999",  "9999999999999999",  "0,000000000000001",   "0,30000000000000004",
        "123456789012345,", "9007199254740993",  "1234567,89012345",    "0,1234567890123456789",
    };
    ValueTable table;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
      table.SetCellLatin1(static_cast<int>(i) + 1, 0, texts[i]);
      table.SetCellLatin1(static_cast<int>(i) + 1, 1, texts[i]);
    }
    const app::TablePairs pairs = app::ReadPairs(table);
    const app::TablePairs numbers = app::ReadNumericPairs(table);
    QCOMPARE(pairs.rows.size(), std::size(texts));
    std::size_t n = 0;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
      const grund::ParsedNumber expected = grund::ParseNumber(grund::CommaToPoint(texts[i]));
      QVERIFY2(SameDouble(pairs.x[i], expected.value) && SameDouble(pairs.y[i], expected.value),
               texts[i]);
      const bool listed = n < numbers.rows.size() && numbers.rows[n] == pairs.rows[i];
      QVERIFY2(listed == expected.ok, texts[i]);
      if (listed) QVERIFY2(SameDouble(numbers.x[n++], expected.value), texts[i]);
    }
  }

  void anEmptyTableHasNoPairs() {
    ValueTable table;
    table.SetCellLatin1(0, 0, "x");  // the heading is not a pair
    table.SetCellLatin1(0, 1, "y");
    QVERIFY(app::ReadTableRows(table).empty());
    QVERIFY(app::ReadPairs(table).rows.empty());
    QVERIFY(app::ReadNumericPairs(table).rows.empty());
    QVERIFY(app::ReadPairTexts(table).x.empty());
  }
};

QTEST_MAIN(TablePairsTest)
#include "tablepairs_test.moc"
