#pragma once
// The pieces of the statistics labels that the sine's text and the other
// models' text share. Internal to the fit's statistics.

#include <string>

#include "sinusfit/fitstatistics.h"

namespace sinusfit::statistics {

// Fixed notation with `digits` significant digits for ordinary sizes,
// exponent notation for very small and very large values; "–" for what is
// not finite. trim cuts trailing zeros after the comma.
std::string Significant(double v, int digits, bool trim);

// 1 − R² with two significant digits, R² itself with 4 to 8 decimals.
std::string RSquaredText(double r2);

// "χ² = 21,4   ν = 21", "χ²/ν = 1,02   P = 0,43" and the warning of P, each
// line ending in '\n'.
std::string ChiSquaredLines(const FitStatistics& s);

}  // namespace sinusfit::statistics
