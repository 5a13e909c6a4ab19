#pragma once
// How far a fit of any model (see model.h) can be trusted: the residual
// sums, R², χ² with Δy, the standard errors of its free parameters from
// their covariance, and the quantities derived from them with propagated
// uncertainties (correlations included); the German text of the statistics
// label; and the F-test that tells whether a larger model fits
// significantly better than a smaller one.

#include <span>
#include <string>
#include <vector>

#include "sinusfit/fitstatistics.h"
#include "sinusfit/model.h"

namespace sinusfit {

struct ModelStatistics {
  // n, sse, rmse, rSquared, and with Δy χ², ν, χ²/ν and P, as for the sine
  // (its standardError stays unused; freeParameters counts the model's).
  FitStatistics summary;
  std::vector<double> values;         // the parameters the statistics are of
  std::vector<double> standardError;  // per parameter; NaN for the held one
                                      // and for all where not determined
  // ParameterCount² entries, row-major: s²·(JᵀJ)⁻¹, or (JᵀWJ)⁻¹ with Δy;
  // zero in the held parameter's row and column, NaN where not determined.
  std::vector<double> covariance;
  std::vector<DerivedQuantity> derived;
};

// The statistics of `model` with the parameters p (the held one at its
// value; held: its index, −1 for none) on the pairs, weighted by 1/Δy²
// where sigma is not empty. J is the model's derivatives at the pairs (in
// the origin given); the rules for what is not determined are those of
// ComputeFitStatistics.
ModelStatistics ComputeModelStatistics(const Model& model, std::span<const double> p,
                                       const ModelOrigin& origin, int held,
                                       const std::vector<double>& x, const std::vector<double>& y,
                                       const std::vector<double>& sigma);

// The label's text: each parameter "name = value ± error" (the held one
// "(fest)"), R² and RMSE (with Δy the χ² lines first, as for the sine), then
// each derived quantity with its uncertainty; one of the held parameter
// alone shows its value only, as the sine's period does with b held. For
// the sine the text is FormatFitStatistics'.
std::string FormatModelStatistics(const Model& model, const ModelStatistics& s, int held);
// The label's pieces: "a = 2,3977 ± 0,0024" per parameter, and "τ = 1/δ =
// 23,835 ± 0,036" per derived quantity.
std::vector<std::string> ParameterTexts(const Model& model, const ModelStatistics& s, int held);
std::vector<std::string> DerivedTexts(const Model& model, const ModelStatistics& s, int held);
// n, ν, R² and RMSE, with Δy also χ², χ²/ν and P, one "name = value" each.
std::vector<std::string> GoodnessTexts(const FitStatistics& s);
// The fit in a few lines for the picture: the formula, the parameters as the
// label writes them, and R² (χ²/ν where the fit is weighted by Δy).
std::vector<std::string> CaptionLines(const Model& model, const ModelStatistics& s, int held);
// The sine's statistics (ComputeFitStatistics) in the form of every
// model's, its period derived from b's error as the label derives it.
ModelStatistics SineModelStatistics(FitMode mode, const ModelParameters& p, const FitStatistics& s);

// The probability that the larger model (sseLarge with parametersLarge
// free) lowers the error of the smaller one (sseSmall, parametersSmall) this
// much by chance, for n pairs: the F-test's P. NaN where it is not defined.
double FTestProbability(double sseSmall, int parametersSmall, double sseLarge, int parametersLarge,
                        int n);

}  // namespace sinusfit
