#pragma once
// An extra pass of the sine fit whose candidates come from a scan over b
// instead of random start values. For each trial b on a grid over
// (0, bound], A·sin(b·x) + B·cos(b·x) + d is fitted by linear least squares
// (the least-squares periodogram with a floating mean, which needs no even
// spacing of x); the best distinct minima of its residual sum become the
// candidates, refined and scored like those of a random pass. The random
// starts reach only b of a few units; the scan finds b wherever the grid
// reaches, for x in days, years or seconds alike.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "sinusfit/normalsystem.h"
#include "sinusfit/sinefit.h"

namespace sinusfit {

// Trial values per 2π/span: a peak of the periodogram is some 2π/span wide,
// so a finer grid keeps every peak between two trial values near one of them.
inline constexpr int kScanOversampling = 10;
// At most this many minima of the periodogram are refined.
inline constexpr int kScanCandidates = 20;
// The grid's length is capped, so that a huge bound (or none) or a long x span
// keeps the scan's work bounded: at most kScanMaxTrials trial values and at
// most kScanMaxWork pairs × trial values. The grid then ends below the bound.
inline constexpr std::int64_t kScanMaxTrials = std::int64_t{1} << 20;
inline constexpr std::int64_t kScanMaxWork = std::int64_t{1} << 24;

// The trial values step, 2·step, ..., count·step.
struct FrequencyGrid {
  double step = 0;
  std::int64_t count = 0;
};

// The grid for the pairs' x and the bound on |b|. Empty (count 0) with b
// held fixed, with fewer than 3 pairs, with x all equal or not finite, and
// with a bound that is not positive.
FrequencyGrid ScanGrid(FitMode mode, std::span<const double> x, double bound);

// Runs the scan pass for the fit's pairs, mode and held value. The bound on
// |b| is read once (through readBound), and neither that read nor anything
// else of the scan changes the random generator or the interpreter's
// registers, so random passes that follow are the same as without the scan.
// keepGoing is called every millisecond or so of work; when it returns false
// the scan stops. Nothing is returned when it was stopped, when there is
// nothing to scan (see ScanGrid; also with y not finite) or when no candidate
// was taken. Among candidates that fit equally well (the aliases of evenly
// spaced x) the one with the smallest |b| is the pass's best. A weighted fit
// is scanned weighted: the periodogram's sums, the linear fits of the starts
// and their refinement count each pair w times, and each candidate is scored
// by its χ² against the fit's ceiling like those of a random pass.
std::optional<PassResult> RunFrequencyScan(const SineFit& fit,
                                           const std::function<double()>& readBound,
                                           const std::function<bool()>& keepGoing);

}  // namespace sinusfit
