#pragma once
// The computation for series longer than the table (more than 200 pairs):
// the same kind of passes as SineFit (random starts from the shared
// generator, 20 per pass) and the frequency scan, but built to stay near
// linear in the number of pairs. Starts are refined on a subset spread
// over the pairs first, the best few on a larger one, and only the best of
// those on all pairs, in double precision until converged; refinements
// already done on all pairs are reused when a later start lands on the same
// fit. The scan shares the short series' periodogram (summed the fast way
// where its grid is long) and starts. Every listed error is the error sum
// (χ² when weighted) of the listed term text's parameters on all pairs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/normalsystem.h"
#include "sinusfit/periodogram.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace sinusfit {

// Pairs of the subset that the starts are refined on first.
inline constexpr std::size_t kLongSubsetPairs = 2000;
// Pairs of the second subset, on which the best few of the first are
// refined before the best of them goes on to all pairs (only for series of
// more than twice as many pairs).
inline constexpr std::size_t kLongMediumPairs = 32768;
// Pairs of the subset the scan's periodogram is summed on directly, at most.
inline constexpr std::size_t kLongScanSubsetPairs = 4000;
// Trial values of b per 2π/span in the scan.
inline constexpr int kLongScanOversampling = 5;
// Subset pairs × trial values of the direct periodogram at most; a longer
// grid is summed over all pairs by the fast periodogram, which costs about
// the pairs plus the grid's FFT.
inline constexpr std::int64_t kLongScanMaxWork = std::int64_t{1} << 25;
inline constexpr std::size_t kLongScanLeastPairs = 512;
// keepGoing is asked after about this many pair evaluations.
inline constexpr std::int64_t kLongCheckWork = 50000;

// m indices of [0, n) in increasing order, one at a place of its own in
// each of m equal strata: spread like a grid, but not on one, so that the
// subset does not alias frequencies that all pairs tell apart. The places
// come from a fixed sequence, so every run picks the same subset.
std::vector<std::size_t> StratifiedIndices(std::size_t n, std::size_t m);

class LongSeriesFit {
 public:
  LongSeriesFit(FitMode mode, double fixedValue, const FitData& data,
                const TextPrecision& precision, double ceiling);

  // One random pass; nothing when keepGoing said stop. Its starts are
  // refined on a subset, the best few on a larger one, and the best of those
  // on all pairs until converged.
  std::optional<PassResult> RunPass(const std::function<double()>& readBound,
                                    const std::function<bool()>& keepGoing);
  // The scan's pass; nothing when keepGoing said stop, with b held, or when
  // no candidate beats the ceiling. Leaves the random generator and the
  // interpreter's registers as they were.
  std::optional<PassResult> RunScanPass(const std::function<double()>& readBound,
                                        const std::function<bool()>& keepGoing);

  // The fit of `result` refined on all pairs until converged: a better
  // fit within the bound (read through readBound, which must leave the
  // random generator as it was), or nothing.
  std::optional<PassResult> RefineToMinimum(const PassResult& result,
                                            const std::function<double()>& readBound,
                                            const std::function<bool()>& keepGoing);

  FitMode Mode() const { return mode_; }

  // Parameters in the shifted x (x − xMean); ph the phase there.
  struct Shifted {
    double a = 0, b = 0, ph = 0, d = 0;
  };
  // A subset of the pairs (or all of them) in shifted x.
  struct Pairs {
    std::vector<double> x, y, w;  // w empty: unweighted
  };

 private:
  class Work;
  struct Refined {
    bool ok = false;
    Shifted p;
    double error = 0;  // the model's residual sum on the pairs refined on
  };
  // A start refined on the subset, with the bound its pass read for it.
  struct Contender {
    Refined subset;
    double bound = 0;
  };
  // Gauss-Newton on the pairs; stops after `steps`, or once a step would
  // lower the error by no more than the share `converged` of it.
  Refined Refine(Shifted start, const Pairs& pairs, int steps, double converged, Work& work) const;
  // The term text's parameters and their error on all pairs (cached by text).
  struct Scored {
    ModelParameters p;
    std::string term;
    double error = 0;
  };
  std::optional<Scored> Score(const Shifted& p, Work& work);
  ModelParameters Original(const Shifted& p) const;
  Shifted FromOriginal(const ModelParameters& p) const;
  std::optional<double> TermError(const ModelParameters& term, Work& work) const;
  PassResult Result(const std::optional<Scored>& best, Work& work) const;
  // The best few contenders on to all pairs (through the second subset), the
  // first that ends within its bound and below the ceiling scored.
  std::optional<Scored> FinishOnAllPairs(std::vector<Contender> contenders, Work& work);
  std::optional<Scored> AllPairsFit(const Refined& from, double bound, Work& work);
  // The periodogram's minima over (0, bound]: the b the scan starts from.
  std::vector<double> ScanCandidates(double bound, Work& work) const;
  // Orders contenders by error, the lowest |b| first of those that agree
  // with the least to rounding.
  static void OrderByError(std::vector<Contender>& contenders);

  FitMode mode_;
  double fixed_;
  TextPrecision precision_;
  double ceiling_;
  double xMean_ = 0;
  double span_ = 0;
  double yScale_ = 1;
  Pairs all_;
  Pairs subset_;
  Pairs medium_;                   // empty: the series is short enough to go on to all pairs
  std::vector<double> xOriginal_;  // for the term texts' errors
  // The subset for the periodogram's starts: its x unshifted, and shifted to
  // its own means.
  std::vector<double> subsetX_;
  scan::ShiftedPairs subsetShifted_;
  // Fits refined on all pairs, by the fit they started from.
  struct Cached {
    Shifted from;
    Refined to;
  };
  std::vector<Cached> cache_;
  std::map<std::string, double> termErrors_;
};

}  // namespace sinusfit
