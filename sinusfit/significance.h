#pragma once
// Whether a period found in the data is real: the false-alarm probability
// of the highest periodogram peak over a range of frequencies (Baluev 2008,
// "Assessing the statistical significance of periodogram peaks", the
// approximation free of aliases for the floating-mean periodogram), and the
// signal-to-noise ratio of a frequency against the residual spectrum around
// it (the amplitude over the mean amplitude nearby, significant from 4 on).

#include <span>
#include <string>

#include "sinusfit/fitdata.h"

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

// "FAP = 0,0007", with "   nicht signifikant" above kSignificantFap.
std::string FalseAlarmText(double fap);

}  // namespace sinusfit
