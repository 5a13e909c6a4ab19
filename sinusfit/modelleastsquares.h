#pragma once
// Least squares for any model of model.h: its linear parameters solved at
// fixed nonlinear ones (b, δ), and Levenberg-Marquardt steps on all its
// free parameters. Weighted by the pairs' w where given.

#include <cmath>
#include <limits>
#include <vector>

#include "sinusfit/model.h"

namespace sinusfit {

struct ModelPairs {
  std::vector<double> x, y, w;  // w empty: unweighted
};

// The coefficients of the model's linear basis at the nonlinear values that
// fit y best, in extended precision with a whisper of ridge so that
// proportional columns still give an answer; with heldColumn ≥ 0 that
// column's coefficient held at heldValue. Empty coefficients where no
// finite answer exists. error: the residual sum.
struct LinearFit {
  std::vector<double> coefficients;
  double error = std::numeric_limits<double>::quiet_NaN();
};
LinearFit SolveLinear(const Model& model, const std::vector<double>& nonlinear,
                      const ModelOrigin& origin, const ModelPairs& pairs, int heldColumn,
                      double heldValue);

struct RefineLimits {
  int steps = 60;
  // A step whose gain is at most this share of the error ends the refinement.
  double converged = 1e-10;
  // Given up (not ok) where the error is still above this after probeSteps.
  double abandonAbove = INFINITY;
  int probeSteps = 8;
};

struct Refinement {
  bool ok = false;
  std::vector<double> p;
  double error = 0;  // Σw·(y − model)² on the pairs refined on
};

// Levenberg-Marquardt from p on every parameter but the held one (its
// index; −1 none), the result in the model's normal form. The sums over
// long series run on two threads, always split alike, so their bits do not
// depend on the machine.
Refinement RefineModel(const Model& model, std::vector<double> p, const ModelOrigin& origin,
                       const ModelPairs& pairs, int held, const RefineLimits& limits);

bool AllFinite(const std::vector<double>& p);

}  // namespace sinusfit
