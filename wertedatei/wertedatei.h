#pragma once
// Pair files: the (x, y) pairs of the value table as text files, as
// spreadsheets, loggers and other programs write them (CSV with ";" or ",",
// tab- or blank-separated columns, decimal comma or point), read into cell
// texts the table reads back as the same values, and written again.
// Texts are Latin-1 byte strings, as the table holds them.

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "wertedatei/datetime.h"
#include "wertedatei/textcolumn.h"

namespace wertedatei {

// The columns that become x and y (counted from 0 among a line's fields).
// Columns by index from 0; sigmaY the column of the Δy values, -1 for none.
struct ColumnChoice {
  int x = 0;
  int y = 1;
  int sigmaY = -1;
  // The order of day and month in slashed dates of the x column; unknown:
  // as the file's values or headings show, else day first.
  DateOrder order = DateOrder::kUnknown;
  friend bool operator==(const ColumnChoice&, const ColumnChoice&) = default;
};

struct PairFile {
  // The cell texts of pair i, in file order, and the values the table reads
  // them as.
  TextColumn x, y;
  std::vector<double> xValues, yValues;
  // With a Δy column: the text of its cell in each pair's line (empty where
  // the line has none), trimmed; empty without.
  TextColumn sigmaY;
  // Pairs of the file beyond ReadOptions::maxPairs: counted, not kept.
  std::size_t pairsLeftOut = 0;
  // The reading was stopped by its progress callback; nothing was kept.
  bool cancelled = false;
  // The columns read, and those the reader found for x and y and, by its
  // heading (Δy, dy, sigma, err, Fehler, Unsicherheit, u(y), or "d" before
  // the y column's name), for Δy.
  ColumnChoice columns;
  ColumnChoice detected;
  // The most fields a data line holds that read as numbers.
  int numericColumns = 0;
  // German: what was skipped, or why nothing could be read; empty when all is well.
  std::string message;
  // False when nothing usable was found.
  bool ok = false;
  // The most numeric columns a data line holds (0 when none was found).
  int columnCount = 0;
  // The names of the columns from a heading line, where the file has one.
  std::vector<std::string> headings;
  // The first lines of the file as text, for showing the user what it holds.
  std::vector<std::string> previewLines;

  // Each column as the dialog offers it: its title (heading and unit) and
  // its first values; columns of dates and times count as well.
  struct ColumnSummary {
    std::string title;
    std::vector<std::string> examples;
  };
  std::vector<ColumnSummary> summaries;
  // The axis titles of x and y: the chosen columns' headings with their
  // units; for a time column its unit and origin ("t in h ab 02.11.2026 00:00").
  std::string xTitle, yTitle;
  // x is the time since the first pair, read from dates and times or from a
  // scope's sample numbers.
  bool xIsTime = false;
  // Pairs left out because x, y or Δy was missing (an empty cell, NaN, NA,
  // or a marker the file uses, such as -999); the message says why.
  std::size_t missingLeftOut = 0;
  // Nothing in the file tells whether its slashed dates put the day or the
  // month first: the user is asked (read as day first meanwhile).
  bool dateOrderOpen = false;
};

// How a reading goes: the pairs kept at most, and a callback told the share
// of the text read so far (0 … 1) every few ten thousand lines; when it
// returns false the reading stops.
struct ReadOptions {
  std::size_t maxPairs = std::numeric_limits<std::size_t>::max();
  std::function<bool(double share)> progress;
  // Texts of this many bytes and more are read in two parts at once, on two
  // threads (where there are two cores); the result is the same.
  std::size_t twoPartsFrom = std::size_t{4} << 20;
};

// Reads the pairs of a file's bytes: x and y from the first two columns.
PairFile ReadPairFile(std::string_view bytes, const ReadOptions& options = {});
// The same with x and y from the chosen columns.
PairFile ReadPairFile(std::string_view bytes, ColumnChoice columns,
                      const ReadOptions& options = {});

// The column dialog offers this many columns at most: enough to pick from
// without letting a broken count build a huge list.
inline constexpr int kMaxOfferedColumns = 100;
// The columns the column dialog offers first: those the reader found where
// they exist among the first 100, else the first two and no Δy; slashed
// dates whose order is open as month first.
ColumnChoice OfferedColumns(const PairFile& file);

// The pairs as a file: a heading line "x" separator "y", then one line per
// pair with the texts as the table holds them. Reading the result gives back
// the same values.
std::string WritePairFile(const TextColumn& x, const TextColumn& y, char separator);
// The same with a third column "Δy" (the file then is UTF-8, so that the
// heading reads back as written).
std::string WritePairFile(const TextColumn& x, const TextColumn& y, const TextColumn& sigmaY,
                          char separator);
// The headings of x and y (UTF-8), such as the axis titles "Zeit t in s".
struct PairHeadings {
  std::string x = "x", y = "y";
};
// Either of the above (sigmaY may be null) under the given headings.
std::string WritePairFile(const TextColumn& x, const TextColumn& y, const TextColumn* sigmaY,
                          char separator, const PairHeadings& headings);

}  // namespace wertedatei
