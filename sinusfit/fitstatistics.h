#pragma once
// How far a fit of y = a·sin(bx + c) + d can be trusted: the sums of its
// residuals, R², and the asymptotic standard errors of the free parameters,
// with a compact German text of them for the window.

#include <array>
#include <limits>
#include <string>
#include <string_view>
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
  // With Δy: the fit weighted by 1/Δy². sse, rmse and rSquared stay unweighted.
  bool weighted = false;
  double chiSquared = std::numeric_limits<double>::quiet_NaN();  // Σ ((y − f(x)) / Δy)²
  int degreesOfFreedom = 0;                                      // n − freeParameters
  double reducedChiSquared = std::numeric_limits<double>::quiet_NaN();  // χ² / ν, for ν > 0
  double pValue = std::numeric_limits<double>::quiet_NaN();  // Q(ν/2, χ²/2), for ν > 0
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
// The same with the pairs' Δy (an empty sigma: the statistics above, bit for
// bit). Weighted, the standard errors are the square roots of the diagonal
// of (JᵀWJ)⁻¹ with W = diag(1/Δy²), not scaled by the scatter, because the
// uncertainties are given; χ², ν, χ²/ν and P = Q(ν/2, χ²/2), the probability
// of a χ² at least this large, come with them. n is the shortest of x, y and
// sigma.
FitStatistics ComputeFitStatistics(FitMode mode, const ModelParameters& p,
                                   const std::vector<double>& x, const std::vector<double>& y,
                                   const std::vector<double>& sigma);

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
// determined. Decimal comma, independent of the process locale. Weighted, the
// lines are
//
//   χ² = 21,4   ν = 21
//   χ²/ν = 1,02   P = 0,43
//   (a warning when P < 0,05 or P > 0,95)
//   Unsicherheiten aus Δy:
//   a = …  (the parameters as above)
//   R² = 0,9972   RMSE = 0,252
//   (R² und RMSE ungewichtet)
//   Periode 2π/|b| = 11,97 ± 0,05
std::string FormatFitStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s);

// The warning of a weighted fit's P: "Δy zu klein oder Modell passt nicht"
// below 0,05, "Δy vermutlich zu groß" above 0,95, otherwise empty.
std::string_view ChiSquaredWarning(double pValue);

// A value with its standard error, rounded to the digits the error supports:
// "9,85 ± 0,31". An error that is NaN or infinite gives "value ± –", a value
// that is not finite "–".
std::string FormatValueWithError(double value, double error);

}  // namespace sinusfit
