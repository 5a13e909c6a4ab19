#pragma once
// The search for the models beside the sine (see model.h): passes of 20
// starts like the sine's, each pass's best one line of the list. The starts
// come from what the data show: the minima of the least-squares periodogram
// (of the pairs with their straight line removed, for a trend), a decay
// from the swings' amplitudes and a short scan over δ, with the linear
// parameters solved at each; the rest from random draws of b within the
// bound. Each start is refined by Levenberg-Marquardt steps until converged.
// Series longer than the table refine their starts on a subset first and
// only each pass's best on all pairs.
//
// The sums of sines search their first sine so, then add the others one at
// a time (see prewhitening.h); a sum of harmonics with a given count is
// searched as a whole, like the other models.
//
// Each line's error is its term text's: evaluated by the interpreter on up
// to kInterpretedPairs pairs, beyond that from the text's own numbers.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/model.h"
#include "sinusfit/modelleastsquares.h"
#include "sinusfit/normalsystem.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace sinusfit {

// Up to this many pairs a line's error is the interpreter's sum over its
// term text.
inline constexpr std::size_t kInterpretedPairs = 20000;
// Where |b|·|x| or |x| would pass this, the phase (and a trend) is written
// about x₀: the interpreter caps values at 1e10.
inline constexpr double kPhaseAboutXLimit = 1e9;

class ModelFit {
 public:
  // mode: which of a, b, c, d is held at fixedValue (the sine's modes).
  ModelFit(ModelKind kind, FitMode mode, double fixedValue, std::shared_ptr<const FitData> data,
           const TextPrecision& precision, double ceiling);
  // A sum of sines with `frequencies` sines (0: as many as are significant).
  ModelFit(ModelKind kind, int frequencies, FitMode mode, double fixedValue,
           std::shared_ptr<const FitData> data, const TextPrecision& precision, double ceiling);
  ~ModelFit();

  // One pass; nothing when keepGoing said stop. Draws from the process's
  // random generator, as the sine's passes do.
  std::optional<PassResult> RunPass(const std::function<double()>& readBound,
                                    const std::function<bool()>& keepGoing);
  // The pass of the frequency scan: only the periodogram's starts, no
  // random draw. Nothing when stopped, with b held, or with nothing found.
  std::optional<PassResult> RunScanPass(const std::function<double()>& readBound,
                                        const std::function<bool()>& keepGoing);

  // The model the passes start from (a sum's first sine).
  const Model& ModelUsed() const { return model_; }
  // The highest b the search looks at for this bound: the bound, no further
  // than Nyquist for evenly spaced x, nor than the scan's grid.
  double SearchedUpTo(double bound) const;
  // The held parameter's index (0..3), −1 for none.
  int Held() const { return held_; }

  using Pairs = ModelPairs;

 private:
  using Refined = Refinement;
  std::optional<PassResult> Pass(bool scan, const std::function<double()>& readBound,
                                 const std::function<bool()>& keepGoing);
  // The minima of the periodogram up to the bound (the scan's full grid, or
  // the random passes' shorter one); nothing when keepGoing said stop.
  std::optional<std::vector<double>> Candidates(double bound, bool full,
                                                const std::function<bool()>& keepGoing);
  // The start at b (and for a decay the better of the swings' δ and none,
  // or with searchDecay the best of a short scan over δ), its linear
  // parameters solved on the pairs; nothing where they cannot be.
  std::optional<std::vector<double>> StartAt(double b, const Pairs& pairs, bool searchDecay) const;
  // Levenberg-Marquardt until converged (a step's gain at most that share
  // of the error) or `steps`; given up (not ok) where the error is still
  // above abandonAbove after a few steps.
  Refined Refine(std::vector<double> p, const Pairs& pairs, int steps, double converged,
                 double abandonAbove = INFINITY) const;
  Refined RefineOnAll(const Refined& onSubset, const std::function<bool()>& keepGoing);
  bool WithinBound(const std::vector<double>& p, double bound) const;
  // The model whose parameters p are (a sum's count of sines from their number).
  const Model& ModelFor(const std::vector<double>& p) const { return ModelOf(model_.Kind(), p); }
  // The highest b the periodogram looks at: the bound, for x on an even
  // grid no further than Nyquist.
  double SearchUpper(double bound) const;
  // A sum's further sines added to the pass's best first one (on the pairs
  // it was refined on); nothing when stopped.
  std::optional<Refined> AddSines(const Refined& first, bool scan, double bound,
                                  const std::function<bool()>& keepGoing);
  PassResult Result(const Refined& best) const;
  double TextError(const std::string& term, const std::vector<double>& written,
                   const ModelOrigin& origin) const;

  const Model& model_;
  // A sum whose sines are added after the first: how many (0: while
  // significant); −1 for the others.
  int addedUpTo_ = -1;
  int held_ = -1;
  double fixed_ = 0;
  std::shared_ptr<const FitData> data_;
  TextPrecision precision_;
  double ceiling_;
  Pairs all_;
  Pairs probe_;   // empty: random starts go straight to the refinement's pairs
  Pairs subset_;  // empty: the starts are refined on all pairs
  Pairs medium_;  // empty: from the subset straight on to all pairs
  ModelOrigin origin_;
  bool phaseHeld_ = false;  // the phase origin is the term's X, whatever b
  std::string x0Text_;
  double span_ = 1;
  double largestX_ = 0;
  double yRange_ = 1;
  double envelopeDecay_ = 0;  // δ from the swings' amplitudes
  double gridStep_ = 0;       // the step of x on an even grid (gaps allowed), else 0
  struct CandidateList {
    std::optional<double> bound;  // the bound they were found for
    std::int64_t trials = 0;      // on a grid of so many trial values
    std::vector<double> b;
  };
  CandidateList candidates_[2];  // the random passes', the scan's
  std::map<double, std::optional<std::vector<double>>> periodogramStarts_;  // by b
  std::map<std::vector<double>, Refined> refinedStarts_;
  std::vector<std::pair<Refined, Refined>> refinedOnAll_;  // from subset to all pairs
  mutable std::map<std::string, double> textErrors_;      // by term text
  std::map<std::pair<long long, std::int64_t>, std::optional<Refined>> sums_;  // by first b, grid
  std::optional<std::pair<double, std::vector<double>>> aliasOffsets_;  // by upper
  double xLow_ = 0, xHigh_ = 0;
};

}  // namespace sinusfit
