// The false-alarm probability of a period and its signal-to-noise ratio:
// against the published approximation, on noise and on a weak signal.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/significance.h"
#include "sinusfit/powercurve.h"

namespace {

using sinusfit::FalseAlarmProbability;

constexpr double kTwoPi = 2 * std::numbers::pi;

// Baluev's approximation evaluated by hand (Python, math.lgamma) for x = 1 … n.
TEST(Significance, FalseAlarmAsPublished) {
  struct Case {
    double z;
    int n;
    double maxFrequency;
    double fap;
  };
  const Case cases[] = {
      {0.19, 100, 2.0, 0.0249359355945}, {0.25, 100, 0.5, 0.000180686107928},
      {0.3, 20, 1.0, 0.859002789998},    {0.6, 9, 3.0, 0.980782742803},
      {0.05, 150, 5.0, 1.0},             {0.001, 1000, 50.0, 1.0},
  };
  for (const Case& c : cases) {
    const double mean = (c.n + 1) / 2.0;
    double variance = 0;
    for (int t = 1; t <= c.n; ++t) variance += (t - mean) * (t - mean) / c.n;
    EXPECT_NEAR(FalseAlarmProbability(c.z, c.n, c.maxFrequency, variance), c.fap, 1e-9)
        << c.z << " " << c.n;
  }
  // Where it is not defined.
  for (const auto& [z, n, f, v] : std::vector<std::array<double, 4>>{
           {0.5, 4, 1, 1}, {-0.1, 100, 1, 1}, {1.1, 100, 1, 1}, {0.5, 100, 0, 1},
           {0.5, 100, 1, 0}, {NAN, 100, 1, 1}, {0.5, 100, INFINITY, 1}})
    EXPECT_TRUE(std::isnan(FalseAlarmProbability(z, n, f, v)));
  EXPECT_EQ(FalseAlarmProbability(1, 100, 1, 10), 0);
  EXPECT_EQ(sinusfit::FalseAlarmText(0.0007), "FAP = 0,0007");
  EXPECT_EQ(sinusfit::FalseAlarmText(0.43), "FAP = 0,43   nicht signifikant");
  EXPECT_EQ(sinusfit::FalseAlarmText(0.0101), "FAP = 0,0101   nicht signifikant");
  EXPECT_EQ(sinusfit::FalseAlarmText(0.0099), "FAP = 0,0099");
  EXPECT_EQ(sinusfit::FalseAlarmText(0), "FAP < 10⁻¹⁵");
  EXPECT_EQ(sinusfit::FalseAlarmText(3e-140), "FAP < 10⁻¹⁵");
}

// 150 readings at uneven times over 100 units, noise of σ = 1 and a sine.
struct Series {
  std::vector<double> x, y;
};
Series Readings(std::mt19937& random, double amplitude, double frequency) {
  std::uniform_real_distribution<double> time(0, 100);
  std::normal_distribution<double> noise(0, 1);
  Series s;
  for (int i = 0; i < 150; ++i) s.x.push_back(time(random));
  std::sort(s.x.begin(), s.x.end());
  for (double t : s.x) s.y.push_back(amplitude * std::sin(kTwoPi * frequency * t + 0.3) + noise(random));
  return s;
}

// The smallest error sum of a sine with a floating mean over angular
// frequencies up to bound: the highest peak of the periodogram.
double SmallestSineError(const sinusfit::FitData& data, double bound) {
  const auto spectrum = sinusfit::ComputePowerSpectrum(data, bound, [] { return true; });
  if (!spectrum) return NAN;
  const double highest = *std::max_element(spectrum->power.begin(), spectrum->power.end());
  return sinusfit::FlatLineError(data) * (1 - highest);
}

// On noise the FAP is a probability: about 5 % of noise series fall below
// 0,05; a weak sine (0,6 of the noise's σ) is found significant; equal Δy
// change nothing.
TEST(Significance, NoiseIsNotSignificantAndAWeakSineIs) {
  std::mt19937 random(2008);
  constexpr double kMaxFrequency = 0.5;
  const double bound = kTwoPi * kMaxFrequency;
  int falseAlarms = 0, significantNoise = 0;
  constexpr int kSeries = 120;
  for (int k = 0; k < kSeries; ++k) {
    const Series s = Readings(random, 0, 0);
    const sinusfit::FitData data{s.x, s.y, {}};
    const double fap = sinusfit::PeriodFalseAlarm(data, SmallestSineError(data, bound), bound);
    ASSERT_TRUE(fap >= 0 && fap <= 1);
    falseAlarms += fap < 0.05;
    significantNoise += fap <= sinusfit::kSignificantFap;
  }
  EXPECT_LE(falseAlarms, kSeries * 0.12);
  EXPECT_GE(falseAlarms, 1);
  EXPECT_LE(significantNoise, 4);

  const Series weak = Readings(random, 0.6, 0.137);
  const sinusfit::FitData data{weak.x, weak.y, {}};
  const double error = SmallestSineError(data, bound);
  const double fap = sinusfit::PeriodFalseAlarm(data, error, bound);
  EXPECT_LT(fap, sinusfit::kSignificantFap);
  // Δy of 2 everywhere: χ² is the error over 4, the FAP the same.
  const sinusfit::FitData weighted{weak.x, weak.y, std::vector<double>(weak.x.size(), 2.0)};
  EXPECT_NEAR(sinusfit::PeriodFalseAlarm(weighted, error / 4, bound), fap, 1e-12);
  // A wider range holds more chances for noise.
  EXPECT_GT(sinusfit::PeriodFalseAlarm(data, error, 10 * bound), fap);
}

// S/N: the residual spectrum of noise has a mean amplitude near σ·√(π/n),
// so a sine of amplitude 2 stands at about 2/(√(π/150)) ≈ 14; S/N grows
// with the amplitude.
TEST(Significance, SignalToNoiseAgainstTheResidualSpectrum) {
  std::mt19937 random(1993);
  const Series noise = Readings(random, 0, 0);
  const double b = kTwoPi * 0.137;
  const double expectedNoise = std::sqrt(std::numbers::pi / 150);
  const double halfWidth = kTwoPi * 0.1;
  const double sn = sinusfit::SignalToNoise(noise.x, noise.y, b, 2, halfWidth);
  EXPECT_NEAR(sn, 2 / expectedNoise, 0.25 * 2 / expectedNoise);
  EXPECT_NEAR(sinusfit::SignalToNoise(noise.x, noise.y, b, 0.4, halfWidth), sn / 5, 1e-9 * sn);
  EXPECT_LT(sinusfit::SignalToNoise(noise.x, noise.y, b, 0.3, halfWidth),
            sinusfit::kSignificantSignalToNoise);
  EXPECT_TRUE(std::isnan(sinusfit::SignalToNoise({}, {}, b, 1, halfWidth)));
  EXPECT_TRUE(std::isnan(sinusfit::SignalToNoise(noise.x, noise.y, b, 1, 0)));
  // x spread over less than the smallest normal double: no resolution.
  const std::vector<double> tiny{0, 1e-310, 2e-310}, three{1, 2, 3};
  EXPECT_TRUE(std::isnan(sinusfit::SignalToNoise(tiny, three, b, 1, sinusfit::NoiseHalfWidth(2e-310))));
}

}  // namespace
