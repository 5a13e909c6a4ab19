#pragma once
// A session file (".kalvento"): everything the window shows and what its
// next computation depends on, as a JSON text with a format version, so that
// a saved afternoon opens the next day as it was.
//
// The structure holds plain values; the window maps them to its controls.
// Cell texts are the table's Latin-1 texts (written as UTF-8 in the file),
// other texts are UTF-8. The layout of the file is described in
// docs/session-format.md.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wertedatei/textcolumn.h"

namespace wertedatei {

// A file of a newer major version is refused; a newer minor version only
// adds fields, which are ignored.
inline constexpr int kSessionFormatMajor = 1;
inline constexpr int kSessionFormatMinor = 0;

// One column of the table: the Latin-1 texts of its pair rows, and the
// UTF-8 texts of the rare cells Latin-1 cannot hold, by pair index.
// `latin1` may be shorter than the rows: the cells beyond are empty. The file
// leaves off empty cells at a column's end, and a read column ends with a
// cell that holds a text.
struct SessionColumn {
  TextColumn latin1;
  std::vector<std::pair<std::int64_t, std::string>> full;
  friend bool operator==(const SessionColumn&, const SessionColumn&) = default;
};

// The decimals of a result's texts.
struct SessionPrecision {
  int a = 6, b = 6, c = 6, d = 6;
  int error = 4, errorDigits = 0, fittedValue = 4, plotX = 5, plotY = 5;
  bool specifiedScale = true;
  friend bool operator==(const SessionPrecision&, const SessionPrecision&) = default;
};

// f(x) cells that are formatted only when shown: the term's values at the
// given x, for the given pair indexes.
struct SessionFittedValues {
  std::string term;  // Latin-1
  SessionPrecision precision;
  std::vector<std::int64_t> indexes;  // increasing
  std::vector<double> x;  // one per index, unless xFromTable
  // Instead of x: each index's x as the table's x cell reads (the usual
  // case: the pairs have not changed since the values were written).
  bool xFromTable = false;
  friend bool operator==(const SessionFittedValues&, const SessionFittedValues&) = default;
};

// Pairs as numbers: those a computation ran on, or the points drawn.
struct SessionPairs {
  std::vector<double> x, y, sigma;  // sigma empty for none
  // Instead of x, y and sigma: the table's pairs as a computation reads
  // them (the usual case, which would otherwise double a long session).
  bool tablePairs = false;  // then x, y and sigma are neither written nor read
  friend bool operator==(const SessionPairs&, const SessionPairs&) = default;
};

// A line of the result list and the values kept behind it.
struct SessionResult {
  std::string entry;  // the line's text, Latin-1
  int mode = 1;       // 1 all free, 2..5 a, b, c or d held
  std::array<double, 4> parameters{};  // a, b, c, d
  double error = 0;
  int model = 0;
  std::vector<double> values;  // the model's parameters
  double originX0 = 0, originPhase = 0;
  double scanBound = 0, searchedUpTo = 0;
  SessionPrecision precision;
  int pairs = -1;  // index into Session::computedPairs; -1 for none
  friend bool operator==(const SessionResult&, const SessionResult&) = default;
};

struct SessionView {
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  friend bool operator==(const SessionView&, const SessionView&) = default;
};

struct Session {
  // As read from the file (the writer writes the current ones).
  int formatMajor = kSessionFormatMajor, formatMinor = kSessionFormatMinor;
  std::string savedAt;  // local time "2026-12-09T15:20:00"

  // The table: its pair rows (without the heading), x, y, f(x), Δy.
  std::int64_t rows = 200;
  std::array<SessionColumn, 4> columns;
  bool sigmaShown = false;
  std::optional<SessionFittedValues> fitted;
  bool pairsModified = false;  // unsaved changes of the pairs
  std::string pairFile;        // UTF-8 path; empty for none
  bool pairFileHasMoreColumns = false;

  // The settings of the next computation.
  int fitMode = 1;
  std::array<std::string, 5> fields;  // Edit1 .. Edit5, UTF-8
  bool frequencyScan = false;
  int model = 0;
  int frequencies = 0;
  std::uint32_t randomSeed = 0;

  // The result list in its order, the chosen line (-1 none), and the pairs
  // its lines were computed from.
  std::vector<SessionResult> results;
  int chosen = -1;
  bool sortByError = false;
  bool weighted = false;   // the list's heading reads "χ²"
  std::string pairCount;   // the label beside "Anzahl Paare", UTF-8
  std::vector<SessionPairs> computedPairs;

  // What the plot and the statistics show.
  std::string shownEntry;  // Latin-1; empty for none
  bool statisticsShown = false;
  std::string scanHint, modelHint;      // UTF-8
  std::vector<std::string> plotEntries;  // the plot list, Latin-1
  std::optional<SessionPairs> points;    // drawn beside the plot list
  bool pointsAreTablePairs = false;      // points: the table's pairs (not written out)
  bool pairsOnly = false;                // pairs without a curve
  std::optional<SessionView> userView, otherView;
  bool periodogram = false, periodAxis = false, spectralWindow = false;
  bool residuals = false, resultInPlot = false;
  std::string titleX, titleY;  // UTF-8

  // Field by field; as with double itself, a NaN anywhere is unequal.
  friend bool operator==(const Session&, const Session&) = default;
};

// The session as the file's text. Its values are expected within the ranges
// the reader checks (docs/session-format.md); a UTF-8 text with bytes that
// are no UTF-8 gets U+FFFD in their place, so the file is always UTF-8.
// Points drawn from the table's pairs (pointsAreTablePairs) are not written.
std::string WriteSession(const Session& session);

// The session a file's text holds, or a German message naming the problem
// ("Die Sitzungsdatei ist unvollständig (abgeschnitten)." and the like).
// Any bytes are safe; nothing is thrown.
struct SessionReading {
  std::optional<Session> session;
  std::string message;  // UTF-8; empty when read
};
SessionReading ReadSession(std::string_view text);

}  // namespace wertedatei
