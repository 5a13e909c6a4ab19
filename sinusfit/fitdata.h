#pragma once
// The pairs of one computation, with their uncertainties where the table
// gives them, and the ceiling that follows from them.

#include <cstddef>
#include <vector>

namespace sinusfit {

// x and y of each pair; sigma empty for an unweighted computation, otherwise
// one Δy (> 0, finite) per pair, the pair weighted by 1/Δy².
struct FitData {
  std::vector<double> x, y, sigma;
};

// A pass starts with the ceiling as its best error (this for the window's
// usual data); a candidate must do strictly better.
inline constexpr double kErrorCeiling = 10000.0;

// The table holds at most this many pairs; longer series come from files.
inline constexpr std::size_t kTablePairs = 200;

// The weights 1/Δy² of the pairs; empty without Δy. A pair without a Δy of
// its own (sigma shorter than x) counts with weight 1.
std::vector<double> WeightsOf(const FitData& data);

// The error of the flat line through the pairs: Σ w·(y − ȳ_w)² with the
// weighted mean ȳ_w (w = 1 without Δy), summed in extended precision; 0
// without pairs.
double FlatLineError(const FitData& data);

// The fit's ceiling: the flat line's error, but at least 10000. A candidate
// whose error is this or more is never taken, and a pass that takes none
// lists it. Infinite when the flat line's error is not a finite double.
double ErrorCeiling(const FitData& data);

}  // namespace sinusfit
