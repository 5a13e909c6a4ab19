#pragma once
// The periodogram of the frequency scan over a long grid in O(N + M·log M)
// instead of O(N·M). Its sums at b = k·step are Fourier sums of the pairs at
// the points step·x' of the circle: Σw·e^{ikt} gives s and c, Σw·e^{2ikt}
// the squares and the product (through the double angle), Σw·yc·e^{ikt} the
// sums with y. Each pair is spread onto a uniform grid of the circle by a
// smooth narrow kernel, one FFT of the grid gives the sums for all k at once,
// and dividing by the kernel's transform undoes the spreading. Every sum is
// within about 1e-11 of its scale (Σ|w|, or √(Σw·Σw·yc²) for those with y).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "sinusfit/frequencyscan.h"
#include "sinusfit/periodogram.h"

namespace sinusfit::scan {

// The longest grid the fast way takes: its transform needs 256 MB (the
// periodogram's longest, kScanMaxTrials, half of that).
inline constexpr std::int64_t kFastMostTrials = std::int64_t{1} << 21;

// Same contract as ScanPeriodogram: the residual at b = k·grid.step for
// k = 1..grid.count into `residual` (resized to count); false when keepGoing
// said stop (asked every few milliseconds of work, at least between stages).
// A grid too long for one transform goes the direct way; pairs with a value
// that is not finite give NaN at every trial value, as the direct way does.
bool FastScanPeriodogram(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                         const Periodogram& periodogram, std::vector<double>& residual,
                         const std::function<bool()>& keepGoing);

// The sums themselves, sums[k − 1] at b = k·step for k = 1..grid.count; empty
// beyond kFastMostTrials, NaN where FastScanPeriodogram goes the direct way.
// False when keepGoing said stop.
bool FastPeriodogramSums(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                         std::vector<Sums<double>>& sums, const std::function<bool()>& keepGoing);

// Whether the fast way takes the grid over pairs whose shifted x reach
// ±largestX: a grid of at most kFastMostTrials, and no point beyond 1e300
// of its cells. FastScanPeriodogram sums any other the direct way, over all
// its pairs.
bool FastPeriodogramTakes(double largestX, const FrequencyGrid& grid);

// Whether the fast way is cheaper than the direct one for n pairs and count
// trial values.
bool FastPeriodogramPays(std::size_t n, std::int64_t count);
// Whether the fast way over n pairs is cheaper than the direct one over
// directPairs of them (a subset).
bool FastPeriodogramPays(std::size_t n, std::int64_t count, std::size_t directPairs);

}  // namespace sinusfit::scan
