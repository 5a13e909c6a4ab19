#pragma once
// The texts of a fit result: the term text a*SIN(b*X c) d that the term
// interpreter evaluates, and the result entry "error<TAB>Y = term" of the
// sorted result list. Pure functions over byte strings, so that the window
// keeps its list box in the same order as these functions.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sinusfit/normalsystem.h"
#include "sinusfit/textprecision.h"

namespace grund {
struct PlotList;
}

namespace sinusfit {

// a and b with a minus sign only, c and d always signed ("+0" for zero), each
// with at most 6 decimals and a decimal comma: 1,5*SIN(2*X+0,5)-1,25.
std::string BuildTermText(double a, double b, double c, double d);

// The error sum with at most 4 decimals, a tab, "Y = " and the term text.
std::string BuildResultEntry(double error, std::string_view term);

// The same texts with a computation's decimals: each parameter with its own
// (FormatComma / FormatSigned, as above), the error with at least
// `precision.error` decimals and, beyond the usual scale, at least
// `precision.errorDigits` significant digits (at most 30 decimals). With
// the window's formats these are the texts above.
std::string BuildTermText(const ModelParameters& p, const TextPrecision& precision);
std::string ErrorText(double error, const TextPrecision& precision);
std::string BuildResultEntry(double error, std::string_view term, const TextPrecision& precision);

// The term of an entry: everything after its first "Y = " (the whole text
// when there is none).
std::string_view TermOfEntry(std::string_view entry);

// The order of the result list: plain byte-wise comparison, each byte taken
// as unsigned, a shorter text before every longer text it begins.
bool ResultTextLess(std::string_view left, std::string_view right);

// Where `entry` goes in a list kept in ResultTextLess order: the index of the
// first element that is not less than it.
std::size_t ResultInsertPosition(const std::vector<std::string>& sorted, std::string_view entry);
// Whether the list already holds exactly this text.
bool ResultListContains(const std::vector<std::string>& sorted, std::string_view entry);
// Inserts `entry` at its place unless the list holds it already; true when added.
bool InsertResultEntry(std::vector<std::string>& sorted, std::string_view entry);

// The f(x) text of a result at x: its term evaluated there, with at most 4
// decimals (or the computation's) and a decimal comma. Whatever the term
// yields is shown.
std::string FittedValueText(std::string_view term, double x);
std::string FittedValueText(std::string_view term, double x, const TextPrecision& precision);

// Starts the plot list of a chosen result anew: an empty curve, the result's
// curve and the opening of the data marks. The caller adds each pair with
// AddPlotPair and closes the marks with EndResultPlotList.
void BeginResultPlotList(grund::PlotList& list, std::string_view term);
void AddPlotPair(grund::PlotList& list, double x, double y);
void AddPlotPair(grund::PlotList& list, double x, double y, const TextPrecision& precision);
void EndResultPlotList(grund::PlotList& list);

// ---------------------------------------------------------------------------
// The list in the numeric order of its errors, and its best line

// A line of the list with the error behind it.
struct RankedEntry {
  double error = 0;
  std::string_view entry;
};

// The numeric order of the errors; equal errors in the text order of their
// lines, errors that are not a number last.
bool ErrorOrderLess(const RankedEntry& left, const RankedEntry& right);
// Where `entry` goes in a list kept in ErrorOrderLess order.
std::size_t ErrorInsertPosition(std::span<const RankedEntry> sorted, const RankedEntry& entry);
// The best line of a list, given its errors in list order: the smallest
// error, of equal ones the first; errors that are not a number never win.
// The list's size when it has no such line.
std::size_t BestEntryIndex(std::span<const double> errors);
// The best line of a list: the smallest error, of equal ones (their texts
// agree, so the data cannot tell them apart: the aliases of evenly spaced
// x) the one with the smallest |b|, then the first; errors that are not a
// number never win. The list's size when it has no such line.
std::size_t BestEntryIndex(std::span<const RankedEntry> lines);
// |b| of a line's term a*SIN(b*X+c)+d (or of its first sine, whatever
// stands around it); infinity when it shows none.
double FrequencyOfEntry(std::string_view entry);
// The error a line's text shows (its text before the tab read as a number);
// NaN when it shows none.
double ErrorOfEntry(std::string_view entry);

}  // namespace sinusfit
