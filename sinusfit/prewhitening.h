#pragma once
// The search for several periods: the periodogram of what the sines found
// so far leave gives the next, all parameters are then refined together.
// Gaps in the sampling (nights, weekends) repeat every peak at the
// distances where the spectral window peaks; at each step the highest
// peaks and those aliases are tried, so that the joint least squares, not
// the periodogram's height, decides between a frequency and its alias.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "sinusfit/model.h"
#include "sinusfit/modelleastsquares.h"

namespace sinusfit {

// The least-squares periodogram's deepest minima (sine and offset fitted at
// each b) over b in (0, upper] of the pairs, as the scan chooses its
// candidates; a grid of `oversampling` points per 2π/span, at most
// maxTrials, summed the fast way where that pays (reach: the largest |x|
// plus the span). Nothing when keepGoing said stop.
std::optional<std::vector<double>> PeriodogramMinima(const ModelPairs& pairs, double span,
                                                     double reach, double upper, int oversampling,
                                                     std::int64_t maxTrials,
                                                     const std::function<bool()>& keepGoing);

// The angular distances at which the sampling repeats a peak: the highest
// peaks of the spectral window |Σw·e^(iωx)|²/(Σw)² beyond its main lobe and
// up to `upper`, highest first; at most two, none below a fifth of the
// window's height at 0.
std::vector<double> AliasOffsets(const ModelPairs& pairs, double span, double upper);

// What the search of a sum of sines works with.
struct SineSumSearch {
  ModelKind kind = ModelKind::kSeveralFrequencies;  // or kHarmonics
  int frequencies = 0;  // sines wanted; 0: while the next one is significant
  int held = -1;        // the held parameter of the first sine (or d); −1 none
  ModelOrigin origin;
  double span = 1;
  double reach = 1;      // the largest |x| plus the span
  double upper = 1;      // the highest b searched (the bound, or Nyquist's)
  double bound = 1;      // the bound every bₖ keeps (may be infinite)
  int oversampling = 10;
  std::int64_t maxTrials = 1;
};

// From the fit of the first sine (the sum's parameters for one sine, refined
// on the pairs), the sum: the further sines one at a time until there are
// search.frequencies, or while the added one is significant (at most
// kMaxFrequencies); then each sine's frequency tried once more at its
// aliases. The parameters of a sum of the model search.kind, refined on the
// pairs; nothing when keepGoing said stop.
std::optional<Refinement> Prewhiten(const SineSumSearch& search, const ModelPairs& pairs,
                                    const std::vector<double>& aliasOffsets, Refinement first,
                                    const std::function<bool()>& keepGoing);

}  // namespace sinusfit
