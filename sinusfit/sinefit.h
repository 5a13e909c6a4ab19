#pragma once
// The sine fit without the window: many undamped Gauss-Newton runs of
// y = a·sin(b·x + c) + d from random start values. The window's button
// handler drives it pass by pass, pumping its events between passes.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/model.h"
#include "sinusfit/normalsystem.h"
#include "sinusfit/textprecision.h"

namespace sinusfit {

inline constexpr int kFitPasses = 20;
inline constexpr int kCandidatesPerPass = 20;
inline constexpr int kGaussNewtonSteps = 40;

// The best fit of one pass, ready for the result list.
struct PassResult {
  double error = kErrorCeiling;
  ModelParameters parameters;  // after the mode-1 normalisation
  std::string term;            // e.g. 1,5*SIN(2*X+0,5)-1,25
  std::string entry;           // error text, tab, "Y = ", term
  // Another model than the sine: which, and its parameters as the term
  // writes them, counted from `origin` (parameters above stays empty).
  ModelKind model = ModelKind::kSine;
  std::vector<double> values;
  ModelOrigin origin;
};

// The data and settings of one computation. The start values come from the
// process-wide random generator, so a computation continues its sequence.
class SineFit {
 public:
  // Unweighted, with the window's formats and the ceiling 10000 whatever the
  // pairs (the window's computation as it has always been).
  SineFit(FitMode mode, double fixedValue, std::vector<double> x, std::vector<double> y);
  // A computation's pairs, weighted by 1/Δy² where data.sigma gives Δy, the
  // decimals of its texts and its ceiling (see Computation). With weights
  // every step and every score is weighted: the normal equations sum
  // w·(derivative products), a candidate's error is Σ w·(y − term(x))².
  SineFit(FitMode mode, double fixedValue, FitData data, TextPrecision precision, double ceiling);

  // Runs one pass of kCandidatesPerPass candidates. Unless b is held fixed,
  // readBound is asked for the bound on |b| once per candidate that survives
  // its refinement (the window reads its field afresh each time).
  PassResult RunPass(const std::function<double()>& readBound);

  FitMode Mode() const { return mode_; }
  double FixedValue() const { return fixedValue_; }
  const std::vector<double>& X() const { return x_; }
  const std::vector<double>& Y() const { return y_; }
  // The pairs' weights 1/Δy²; empty for an unweighted computation.
  const std::vector<double>& Weights() const { return w_; }
  const TextPrecision& Precision() const { return precision_; }
  double Ceiling() const { return ceiling_; }

  // The scoring of a pass, for passes whose candidates come from elsewhere
  // (the frequency scan): a candidate within the bound whose error is below
  // best's becomes the best; Finish turns the best into the pass's entry.
  // A pass's best starts at the ceiling (StartBest).
  struct Best {
    double error = kErrorCeiling;
    std::array<double, 4> p{};
  };
  Best StartBest() const { return {ceiling_, {}}; }
  void Consider(const FitState& candidate, const std::function<double()>& readBound,
                Best& best) const;
  PassResult Finish(const Best& best) const;

 private:
  using Candidates = std::array<FitState, kCandidatesPerPass>;
  using Seeds = std::array<std::uint32_t, kCandidatesPerPass>;

  void DrawStarts(Candidates& candidates, Seeds& seedAfterDraws, int first) const;
  void RefineFrom(Candidates& candidates, int first) const;

  FitMode mode_;
  double fixedValue_;
  std::vector<double> x_;
  std::vector<double> y_;
  std::vector<double> w_;
  TextPrecision precision_;
  double ceiling_;
};

// A candidate's start: four draws of the generator in every mode, each
// uniform in [-5, 5), for p1..p4 in their order.
FitState DrawStart(FitMode mode, double fixedValue, grund::RandomGenerator& random);

// Refines the candidate by kGaussNewtonSteps undamped Gauss-Newton steps on
// the pairs, using `matrix` for the normal equations. A singular step leaves
// the parameters as they are. With weights w (one per pair; empty: none)
// each pair's terms of the normal equations count w times.
void RefineCandidate(FitState& state, const std::vector<double>& x, const std::vector<double>& y,
                     NormalMatrix& matrix);
void RefineCandidate(FitState& state, const std::vector<double>& x, const std::vector<double>& y,
                     const std::vector<double>& w, NormalMatrix& matrix);

// The sum of squared differences between y and the term text evaluated at x,
// each times its weight where weights are given (χ²). Accumulated in
// extended precision.
grund::Extended ErrorSum(const std::string& term, const std::vector<double>& x,
                         const std::vector<double>& y);
grund::Extended ErrorSum(const std::string& term, const std::vector<double>& x,
                         const std::vector<double>& y, const std::vector<double>& w);

// The mode-1 normal form: b >= 0 (a, b and c change sign together) and
// 0 <= c <= 2π.
void NormaliseAllFree(ModelParameters& p);

}  // namespace sinusfit
