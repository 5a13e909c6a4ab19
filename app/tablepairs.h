#pragma once
// The pairs of the value table, read in one place. Every reader (the fit,
// the result list and its export, the view, the saving) takes the table's
// rows from here and keeps those its own rule asks for. The columns are read
// where they are kept, without a copy of each text: a million rows in tens
// of milliseconds.

#include <string>
#include <vector>

#include "_grund/grund.h"
#include "wertedatei/textcolumn.h"
#include "wertedatei/wertedatei.h"

namespace app {

class ValueTable;

// A row of the table that holds an x or a y text.
struct TableRow {
  int row = 0;               // from 1
  std::string xText, yText;  // Latin-1, as the cells hold them
  // The texts read as the fit reads numbers: decimal comma or point, the
  // whole text a number for ok, a prefix's value or 0 otherwise.
  grund::ParsedNumber x, y;
};

// Every row whose x or y cell is not empty, in row order.
std::vector<TableRow> ReadTableRows(const ValueTable& table);

struct TablePairs {
  std::vector<int> rows;
  std::vector<double> x;
  std::vector<double> y;
  // The Δy texts of the same rows while the Δy column is shown; empty
  // otherwise (the computation then is the unweighted one).
  wertedatei::TextColumn sigmaY;
};

// The pairs as the fit reads them: every row whose x cell is not empty, with
// whatever value its cells read as (an empty y gives 0). Empty rows in
// between are skipped rather than read as the pair (0, 0).
TablePairs ReadPairs(const ValueTable& table);
// The same pairs as from the table the file fills when the window opens it.
TablePairs ReadPairs(const wertedatei::PairFile& file);

// The pairs whose x and y both read as numbers as a whole: those the view is
// fitted to.
TablePairs ReadNumericPairs(const ValueTable& table);

// The texts of every row with an x or a y text, as they stand: what is saved
// (Δy while the column is shown, else empty).
struct PairTexts {
  wertedatei::TextColumn x;
  wertedatei::TextColumn y;
  wertedatei::TextColumn sigmaY;
};
PairTexts ReadPairTexts(const ValueTable& table);

// Half-lengths of the error bars of `pairs` pairs: a Δy text that reads as a
// positive number, 0 elsewhere; none at all without Δy texts.
std::vector<double> BarsOf(const wertedatei::TextColumn& sigmaY, std::size_t pairs);

}  // namespace app
