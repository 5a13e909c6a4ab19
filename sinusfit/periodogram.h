#pragma once
// The least-squares periodogram of the frequency scan: the pairs shifted to
// their means, the linear fit of A·sin(b·x) + B·cos(b·x) (+ d) at one b, the
// residual sum at every trial b of the grid, its minima as candidates, and
// the starts they give. The scans of short and long series share it.

#include <array>
#include <functional>
#include <vector>

#include "sinusfit/frequencyscan.h"
#include "sinusfit/normalsystem.h"

namespace sinusfit::scan {

// A 2 × 2 Gram matrix whose determinant is below this share of its squared
// trace is taken as singular (sine and cosine proportional at these x).
inline constexpr double kSingularShare = 1e-10;

// The pairs with x shifted to its mean, so that sin(b·x') stays accurate and
// the linear fits well conditioned for x far from 0 (years, timestamps).
// Weighted, the means are weighted ones and every sum below counts each pair
// w times.
struct ShiftedPairs {
  double xMean = 0;
  std::vector<double> x;   // x − xMean
  std::vector<double> yc;  // y − yMean
  double yMean = 0;
  double syy = 0;          // Σ w·(y − yMean)²
  std::vector<double> w;   // the weights; empty: all 1
  double weightSum = 0;    // Σ w, the number of pairs without weights
};

// w: one weight per pair, or empty.
ShiftedPairs Shift(const std::vector<double>& x, const std::vector<double>& y,
                   const std::vector<double>& w);

// Sums over the pairs of s = sin(b·x'), c = cos(b·x'), their products, and
// (y − yMean)·s and (y − yMean)·c, each term times the pair's weight.
template <typename Real>
struct Sums {
  Real s = 0, c = 0, ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
};

// The coefficients of u·s + v·c that best fit r, for the Gram matrix
// [[gss, gsc], [gsc, gcc]] and the right-hand side (rs, rc). Where sine and
// cosine are proportional the better of the two alone.
template <typename Real>
std::array<Real, 2> SolveTwo(Real gss, Real gsc, Real gcc, Real rs, Real rc) {
  const Real det = gss * gcc - gsc * gsc;
  const Real trace = gss + gcc;
  if (det > kSingularShare * trace * trace) {
    return {(gcc * rs - gsc * rc) / det, (gss * rc - gsc * rs) / det};
  }
  const Real bySine = gss > 0 ? rs * rs / gss : 0;
  const Real byCosine = gcc > 0 ? rc * rc / gcc : 0;
  if (bySine >= byCosine) return {gss > 0 ? rs / gss : 0, 0};
  return {0, rc / gcc};
}

// The part of the sum of squares that the best u·s + v·c explains.
template <typename Real>
Real Explained(Real gss, Real gsc, Real gcc, Real rs, Real rc) {
  const auto [u, v] = SolveTwo(gss, gsc, gcc, rs, rc);
  return u * rs + v * rc;
}

// The residual sum of squares of the best fit at one trial b. With d held
// the sine fits y − d without a mean; otherwise the free fit's residual
// stands in (with a or c held, the candidates' starts follow from it).
class Periodogram {
 public:
  Periodogram(FitMode mode, double fixed, const ShiftedPairs& pairs)
      : heldD_(mode == FitMode::kFixedD), n_(pairs.weightSum) {
    offset_ = heldD_ ? pairs.yMean - fixed : 0;
    baseline_ = pairs.syy + n_ * offset_ * offset_;
  }

  // The residual sum with no sine at all: the depth of a minimum is measured from it.
  double Baseline() const { return baseline_; }

  double Residual(const Sums<double>& s) const {
    const double explained =
        heldD_ ? Explained(s.ss, s.sc, s.cc, s.ys + offset_ * s.s, s.yc + offset_ * s.c)
               : Explained(s.ss - s.s * s.s / n_, s.sc - s.s * s.c / n_, s.cc - s.c * s.c / n_,
                           s.ys, s.yc);
    const double residual = baseline_ - explained;
    return residual < 0 ? 0 : residual;
  }

 private:
  bool heldD_;
  double n_;
  double offset_;  // yMean − the held d
  double baseline_;
};

// The periodogram at every trial value of the grid, into `residual`. False
// when keepGoing asked to stop.
bool ScanPeriodogram(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                     const Periodogram& periodogram, std::vector<double>& residual,
                     const std::function<bool()>& keepGoing);

struct Peak {
  double b = 0;         // interpolated between the trial values
  double residual = 0;  // interpolated
};

// The local minima of the periodogram (a plateau counts once, at its start;
// the grid's ends count when they are lower than their one neighbour), each
// placed by the parabola through it and its neighbours.
std::vector<Peak> FindPeaks(const std::vector<double>& r, double step);

// Up to kScanCandidates values of b to refine: the deepest minima first, then
// the minima as deep as the deepest by increasing b, then the next deepest.
std::vector<double> ChooseCandidates(const std::vector<Peak>& peaks, double baseline);

// The grid step, 2·step, ... up to the bound (at most cap trial values) with
// `oversampling` trial values per 2π/span; a bound below a few steps gives
// the few trial values up to it, closer together.
FrequencyGrid GridUpTo(double span, double bound, int oversampling, std::int64_t cap);

// The starts that a minimum of the periodogram at b gives in the mode: the
// mode's linear fit at b; with c held, the free fit's b and the two b around
// it at which the held phase matches the free fit's, each with a and d fitted
// there. In the shifted x, with c held in the original x (see Unshifted).
std::vector<FitState> StartsAt(FitMode mode, double fixed, const ShiftedPairs& pairs,
                               const std::vector<double>& x, const std::vector<double>& y,
                               double b, NormalMatrix& matrix);

// A start of StartsAt in the original x: c' − b·xMean, taken into [0, 2π).
// With a or d held a negative b turns positive as a·sin(|b|·x + π − c),
// which keeps a; with all free the pass's normal form does that, and with c
// held it cannot.
FitState Unshifted(FitState state, double xMean);

bool AllFinite(const FitState& state);

}  // namespace sinusfit::scan
