#pragma once
// How far a fit of y = a·sin(bx + c) + d can be trusted: the sums of its
// residuals, R², and the asymptotic standard errors of the free parameters,
// with a compact German text of them for the window.

#include <array>
#include <string>
#include <vector>

#include "sinusfit/normalsystem.h"

namespace sinusfit {

struct FitStatistics {
  int n = 0;               // pairs used
  int freeParameters = 0;  // 4 in mode 1, 3 otherwise
  double sse = 0;          // sum of squared residuals
  double rmse = 0;         // sqrt(sse / n)
  double rSquared = 0;     // 1 - sse / (sum of (y - mean y)^2); NaN when all y are equal
  std::array<double, 4>
      standardError{};  // a, b, c, d; NaN for the held parameter, and for all
                        // when n <= freeParameters or the normal matrix is singular
};

// The statistics of the model with the parameters p (held parameter
// included) on the pairs (x[i], y[i]); the shorter of x and y sets n.
// Standard errors are the square roots of the diagonal of s²·(JᵀJ)⁻¹, J the
// derivatives of the model by the free parameters at the pairs and
// s² = sse / (n − freeParameters). They are NaN, never huge meaningless
// numbers, when JᵀJ is singular, too badly conditioned to invert with a few
// correct digits, or anything is not finite. rmse is NaN for n = 0.
FitStatistics ComputeFitStatistics(FitMode mode, const ModelParameters& p,
                                   const std::vector<double>& x, const std::vector<double>& y);

// The statistics as a few short German lines (UTF-8, for the window):
//
//   a = 9,85 ± 0,31
//   b = 0,5249 ± 0,0021
//   c = 3,021 ± 0,045
//   d = 9,44 ± 0,22
//   R² = 0,9972   RMSE = 0,252
//   Periode 2π/|b| = 11,97 ± 0,05
//
// Each error has two significant digits and its value the same decimal
// place; the held parameter is marked "(fest)"; "–" stands for what is not
// determined. Decimal comma, independent of the process locale.
std::string FormatFitStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s);

// A value with its standard error, rounded to the digits the error supports:
// "9,85 ± 0,31". An error that is NaN or infinite gives "value ± –", a value
// that is not finite "–".
std::string FormatValueWithError(double value, double error);

}  // namespace sinusfit
