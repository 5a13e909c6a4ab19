#pragma once
// The layout of a pair file's columns, judged over its rows: what each
// column holds (numbers, dates and times, text), which one is the time
// (a date-time column, a column headed as time, a decimal year, sample
// numbers with a scope's Start and Increment), which are counters or
// constants, and so which columns are proposed as x and y.

#include <string>
#include <string_view>
#include <vector>

#include "wertedatei/datetime.h"
#include "wertedatei/format.h"

namespace wertedatei {

enum class ColumnKind { kEmpty, kNumber, kDateTime, kTimeOfDay, kText };

struct ColumnLayout {
  std::string heading;  // from the heading line, without quotes
  std::string unit;     // from a unit line below it ("Volt", "(ms)")
  ColumnKind kind = ColumnKind::kEmpty;
  DateStyle style = DateStyle::kNone;  // of a date-time column
  bool withTime = false;               // its dates hold a time of day
  bool constant = false;     // one value in every row
  bool counter = false;      // counts the rows (#, Nr, Sequence, 1, 2, 3 …)
  bool timeHeading = false;  // headed Time, Zeit, t, Datum, Date …
  bool decimalYear = false;  // 1749.042, 1958.2027 …
  bool quality = false;      // a quality or flag column (QN_9)
  std::vector<std::string> examples;  // the first few values as written
};

// How the x column's fields become x: as numbers, as points in time (with
// the time of day in the next column where the date stands alone), or as
// sample numbers n of a scope, x = start + n·increment seconds.
struct XReading {
  enum class Kind { kNumber, kDateTime, kSampleClock } kind = Kind::kNumber;
  DateStyle style = DateStyle::kNone;
  DateOrder order = DateOrder::kDayFirst;
  int timeOfDayColumn = -1;
  bool offsets = false;  // the times name their offset to UTC
  double start = 0, increment = 0;
};

struct Layout {
  std::vector<ColumnLayout> columns;
  ColumnChoice proposal;
  // The order of day and month in slashed dates, and whether nothing in the
  // file decides it (then the user is asked).
  DateOrder order = DateOrder::kUnknown;
  bool orderOpen = false;
  // A scope's Start and Increment (seconds), where its heading names them.
  bool sampleClock = false;
  double start = 0, increment = 0;
};

// `head` are the first lines that are not comments, `tail` the last ones of
// a long file (empty for a short one); `numeric` the format's own proposal,
// which stands where the layout finds no better one.
Layout JudgeLayout(const std::vector<std::string_view>& head,
                   const std::vector<std::string_view>& tail, const Format& format);

// How the chosen x column is read.
XReading XReadingOf(const Layout& layout, const ColumnChoice& choice);

// An axis title from a heading and its unit line, in the form "Zeit t in s":
// the unit from the unit line, else from the heading's end ("Time (s)",
// "Temperatur [K]", "Zeit t / s").
std::string AxisTitle(std::string_view heading, std::string_view unit);
// The axis title of a column as the file names it.
std::string ColumnTitle(const Layout& layout, int column);

}  // namespace wertedatei
