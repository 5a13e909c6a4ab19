#pragma once
// The computation for series longer than the table (more than 200 pairs):
// the same kind of passes as SineFit (random starts from the shared
// generator, 20 per pass) and the frequency scan, but built to stay near
// linear in the number of pairs. Starts are refined on an evenly spread
// subset first and only the best few on all pairs, in double precision with
// early stopping; refinements already done on all pairs are reused when a
// later start lands on the same fit. Every listed error is the error sum
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
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace sinusfit {

// Pairs of the subset that the starts are refined on first.
inline constexpr std::size_t kLongSubsetPairs = 2000;
// Pairs of the subset the scan's periodogram is evaluated on, at most.
inline constexpr std::size_t kLongScanSubsetPairs = 4000;
// Trial values of b per 2π/span in the scan, and their number at most.
inline constexpr int kLongScanOversampling = 5;
inline constexpr std::int64_t kLongScanMaxTrials = 200000;
// Subset pairs × trial values of the periodogram at most (the subset shrinks
// first, to no fewer than kLongScanLeastPairs, then the grid ends early).
inline constexpr std::int64_t kLongScanMaxWork = std::int64_t{1} << 25;
inline constexpr std::size_t kLongScanLeastPairs = 512;
// keepGoing is asked after about this many pair evaluations.
inline constexpr std::int64_t kLongCheckWork = 50000;

class LongSeriesFit {
 public:
  LongSeriesFit(FitMode mode, double fixedValue, const FitData& data,
                const TextPrecision& precision, double ceiling);

  // One random pass; nothing when keepGoing said stop.
  std::optional<PassResult> RunPass(const std::function<double()>& readBound,
                                    const std::function<bool()>& keepGoing);
  // The scan's pass; nothing when keepGoing said stop, with b held, or when
  // no candidate beats the ceiling. Leaves the random generator and the
  // interpreter's registers as they were.
  std::optional<PassResult> RunScanPass(const std::function<double()>& readBound,
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
  Refined Refine(Shifted start, const Pairs& pairs, int steps, Work& work) const;
  double ModelError(const Shifted& p, const Pairs& pairs, Work& work) const;
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
  std::optional<Scored> FullRefineAndScore(const Shifted& subsetFit, double bound, Work& work);

  FitMode mode_;
  double fixed_;
  TextPrecision precision_;
  double ceiling_;
  double xMean_ = 0;
  double span_ = 0;
  double yScale_ = 1;
  Pairs all_;
  Pairs subset_;
  std::vector<double> xOriginal_;  // for the term texts' errors
  // Fits refined on all pairs, by the subset fit they started from.
  struct Cached {
    Shifted from;
    Refined to;
  };
  std::vector<Cached> cache_;
  std::map<std::string, double> termErrors_;
};

}  // namespace sinusfit
