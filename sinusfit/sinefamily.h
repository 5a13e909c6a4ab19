#pragma once
// What the models of the sine family share: their instances, the pieces of
// their term texts and the period they all report.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sinusfit/model.h"

namespace sinusfit::family {

const Model& SineModel();
const Model& TrendModel();
const Model& DampedModel();
// Σ aₖ sin(bₖx + cₖ) + d and Σ aₖ sin(k·bx + cₖ) + d with K terms, K
// clamped to 1 … kMaxFrequencies.
const Model& SumOfSinesModel(int frequencies);
const Model& HarmonicsModel(int frequencies);

// "X" for an origin of 0 (an empty text), else "(X-1700000000)" or "(X+5)".
std::string XAbout(std::string_view originText);
// "a*SIN(b*X+c)" with the phase counted from originText.
std::string SineText(std::span<const double> p, std::span<const int> decimals,
                     std::string_view originText);

// The phase c about `from` moved to count from `to`, in extended
// precision (b times the distance may be 1e10 or more), taken into [0, 2π);
// c as it is where the origins agree.
double MovedPhase(double b, double c, double from, double to);

// The period 2π/|b| with its uncertainty, from b's variance.
DerivedQuantity Period(double b, double varianceB);

// Covariance entry (i, j) of a matrix with n columns.
inline double CovarianceAt(std::span<const double> covariance, int n, int i, int j) {
  return covariance[static_cast<std::size_t>(i * n + j)];
}

// The linear coefficients of A·sin + B·cos as amplitude and phase:
// A = a·cos c, B = a·sin c.
void AmplitudeAndPhase(double sineCoefficient, double cosineCoefficient, double& a, double& c);

}  // namespace sinusfit::family
