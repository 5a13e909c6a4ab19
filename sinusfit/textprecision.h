#pragma once
// How many decimals the texts of one computation carry. For data of the size
// of the window's example pairs (the usual scale) the window's own formats:
// parameters with 6 decimals, error sums and f(x) with 4, the plot list's
// numbers with 5. Beyond that scale as many as the pairs need, so that every
// number shown belongs to its text: the error text is its term's error, the
// term text the fit, f(x) the term's value. Chosen once per computation from
// its pairs, for every line of it.

#include "sinusfit/fitdata.h"

namespace sinusfit {

struct TextPrecision {
  int a = 6, b = 6, c = 6, d = 6;  // decimals of the term's parameters
  int error = 4;                   // decimals of the error text, at least
  int errorDigits = 0;             // significant digits the error text keeps, at least
  int fittedValue = 4;             // decimals of the f(x) cells
  int plotX = 5, plotY = 5;        // decimals of the plot list's pair texts
  bool specifiedScale = true;      // the window's own formats
};

// The usual scale: no pairs, or at most 200 of them without Δy, every
// |x| <= 1000, the largest |y| from 0,1 to 1000 and Σ(y − ȳ)² <= 10000.
bool OnUsualScale(const FitData& data);

// Beyond that scale a term text moves the model, at no pair, by more than
// this share of the y range for each of its parameters (see
// ChooseTextPrecision). At a fit's optimum the rounding adds at most
// 16·(share·range / rms)² of its error sum: less than 1e-6 for any fit whose
// rms residual is above 4e-6 of the y range.
inline constexpr double kModelShare = 1e-9;
// Beyond the scale f(x) cells keep 1/100000 of the y range, plot-list texts
// 1/10000 of the x and y ranges, error texts 6 significant digits.
inline constexpr double kFittedValueShare = 1e-5;
inline constexpr double kPlotShare = 1e-4;
inline constexpr int kErrorDigits = 6;
// FormatPoint writes at most this many decimals.
inline constexpr int kMostDecimals = 30;

// The window's formats on the usual scale. Beyond it, with R the y range (the
// largest |y| where all y are equal, 1 where all are 0) and X the largest
// |x|, rounding a or d by
// half a unit of their last decimal moves the model by at most that much,
// c by |a| times that much and b by |a|·X times that much; with |a| up to R,
// each stays within kModelShare·R when
//   a, d:  ½·10^-decimals <= kModelShare·R
//   c:     ½·10^-decimals <= kModelShare
//   b:     ½·10^-decimals <= kModelShare / X
// never fewer decimals than the window's formats, at most kMostDecimals.
TextPrecision ChooseTextPrecision(const FitData& data);

// The fewest decimals d with ½·10^-d <= tolerance, at least `least`, at most
// kMostDecimals (also for a tolerance that is 0 or not a number).
int DecimalsFor(double tolerance, int least);

}  // namespace sinusfit
