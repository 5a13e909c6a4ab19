#pragma once
// The periodogram the scan searches, to be looked at: the normalized power
// z = 1 − χ²(b)/χ²₀ of a sine with a floating mean at every trial b up to the
// bound (χ²₀ the flat line's error), for the pairs or for a fit's residuals;
// and beside it the window the pairs' x look through.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "sinusfit/fitdata.h"

namespace sinusfit {

struct PowerSpectrum {
  double step = 0;             // power[k] is at b = (k + 1)·step
  std::vector<double> power;   // from 0 to 1
  double B(std::size_t k) const { return static_cast<double>(k + 1) * step; }
};

// The spectrum of data.y over b in (0, bound], on the scan's grid (the fast
// periodogram's for long series); nullopt without a grid (fewer than 3
// pairs, x all equal, no bound) or when keepGoing said stop.
std::optional<PowerSpectrum> ComputePowerSpectrum(const FitData& data, double bound,
                                                  const std::function<bool()>& keepGoing);

// The spectral window of data.x: W(b) = |Σ w·e^{i·b·x}|² / (Σ w)², w the
// weights 1/Δy² (1 without Δy), on the grid ComputePowerSpectrum takes for
// the same data and bound: 1 at b = 0, and peaks where the spacing and the
// gaps of x repeat, at which every sine of the pairs shows aliases. nullopt
// where the power has none.
std::optional<PowerSpectrum> ComputeSpectralWindow(const FitData& data, double bound,
                                                   const std::function<bool()>& keepGoing);

}  // namespace sinusfit
