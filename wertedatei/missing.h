#pragma once
// Missing values: texts that stand for no value (an empty cell, NaN, NA),
// and the numbers a source writes instead of one (-999 in station files,
// -888.88 in loggers, -99.99 and -9.99 in climate files, -1 in sunspot
// files). A marker counts only where it lies plainly outside the column's
// other values: nothing that is a real value is ever left out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "wertedatei/wertedatei.h"

namespace wertedatei {

bool IsMissingText(std::string_view text);

// The markers among a column's values, judged against the others.
std::vector<double> MissingMarkers(const std::vector<double>& values);

// Leaves out the pairs whose x (read as a number), y or Δy is a marker of
// its column; the sentences that say how many and why, or an empty text.
std::string LeaveOutMarkedPairs(PairFile& file, bool xAsNumber);

// "3 Wertepaare ohne Wert (leere Zelle, NaN oder NA) wurden ausgelassen."
std::string MissingTextsMessage(std::size_t pairs);

}  // namespace wertedatei
