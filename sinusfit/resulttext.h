#pragma once
// The texts of a fit result: the term text a*SIN(b*X c) d that the term
// interpreter evaluates, and the result entry "error<TAB>Y = term" of the
// sorted result list. Pure functions over byte strings, so that the window
// keeps its list box in the same order as these functions.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace grund {
struct PlotList;
}

namespace sinusfit {

// a and b with a minus sign only, c and d always signed ("+0" for zero), each
// with at most 6 decimals and a decimal comma: 1,5*SIN(2*X+0,5)-1,25.
std::string BuildTermText(double a, double b, double c, double d);

// The error sum with at most 4 decimals, a tab, "Y = " and the term text.
std::string BuildResultEntry(double error, std::string_view term);

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
// decimals and a decimal comma. Whatever the term yields is shown.
std::string FittedValueText(std::string_view term, double x);

// Starts the plot list of a chosen result anew: an empty curve, the result's
// curve and the opening of the data marks. The caller adds each pair with
// AddPlotPair and closes the marks with EndResultPlotList.
void BeginResultPlotList(grund::PlotList& list, std::string_view term);
void AddPlotPair(grund::PlotList& list, double x, double y);
void EndResultPlotList(grund::PlotList& list);

}  // namespace sinusfit
