#pragma once
// Whether a period found in the data is real: the false-alarm probability
// of the highest periodogram peak over a range of frequencies (Baluev 2008,
// "Assessing the statistical significance of periodogram peaks", the
// approximation free of aliases for the floating-mean periodogram), and the
// signal-to-noise ratio of a frequency against the residual spectrum around
// it (the amplitude over the mean amplitude nearby, significant from 4 on).

#include <span>
#include <string>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/model.h"

namespace sinusfit {

// Above this FAP, or below this S/N, a frequency is "nicht signifikant".
inline constexpr double kSignificantFap = 0.01;
inline constexpr double kSignificantSignalToNoise = 4;

// The probability that noise alone gives somewhere from 0 to maxFrequency
// (cycles per unit of x) a peak of normalized power z = 1 − χ²/χ²₀ or
// higher, for n pairs whose x have the variance timeVariance. NaN where it
// is not defined (n < 5, z outside [0, 1], no spread).
double FalseAlarmProbability(double z, double n, double maxFrequency, double timeVariance);

// The FAP of a sine with the error sum `error` (χ² with Δy) on the data,
// found by a scan of b over (0, bound]: its power against the flat line's
// error, the variance of x weighted as the fit weights the pairs.
double PeriodFalseAlarm(const FitData& data, double error, double bound);

// The amplitude at angular frequency b over the mean amplitude of the
// residuals' spectrum within ±halfWidth (angular) around b, sampled finely;
// NaN without residuals or spread.
double SignalToNoise(std::span<const double> x, std::span<const double> residuals, double b,
                     double amplitude, double halfWidth);

// The significance of each sine of a sum.
struct SineSignificance {
  double fap = 0;
  double signalToNoise = 0;
  bool Significant() const {
    return fap <= kSignificantFap && signalToNoise >= kSignificantSignalToNoise;
  }
};

// For each sine of the model at p (about origin) on the pairs (w: weights,
// empty for none): its FAP on the residuals of the other sines (a searched
// frequency over (0, bound]; a harmonic, whose frequency follows from the
// fundamental's, by the F-test of its two parameters) and its S/N against
// the spectrum of all residuals around it.
std::vector<SineSignificance> SinesSignificance(const Model& model, std::span<const double> p,
                                                const ModelOrigin& origin,
                                                std::span<const double> x,
                                                std::span<const double> y,
                                                std::span<const double> w, double bound);

// The half width (angular) of the residual spectrum that S/N compares a
// sine with: a band of 25 resolutions 2π/span around it.
double NoiseHalfWidth(double span);

// "S/N = 11,2".
std::string SignalToNoiseText(double signalToNoise);

// One line per sine: "Sinus 2: FAP = 0,0007   S/N = 11,2", marked
// "   nicht signifikant" where it is not.
std::vector<std::string> SignificanceTexts(const std::vector<SineSignificance>& sines);

// "FAP = 0,0007", with "   nicht signifikant" above kSignificantFap.
std::string FalseAlarmText(double fap);

}  // namespace sinusfit
