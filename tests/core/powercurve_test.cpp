// The spectral window beside the power: on the power's grid, against its
// direct sum, with its peak at one cycle per day where the nights leave
// gaps; nothing where the pairs give no grid.

#include "sinusfit/powercurve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/longseries.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
const auto kAlways = [] { return true; };

// Readings in the first hours of each night (x in days), at uneven times,
// a fifth of the nights clouded out; y noise, Δy uneven where weighted.
sinusfit::FitData NightlyReadings(int nights, int perNight, bool weighted, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(0, 1);
  sinusfit::FitData data;
  for (int night = 0; night < nights; ++night) {
    if (night > 0 && uniform(random) < 0.2) continue;
    for (int i = 0; i < perNight; ++i) {
      data.x.push_back(night + 0.05 + 0.25 * uniform(random));
      data.y.push_back(uniform(random));
      if (weighted) data.sigma.push_back(0.5 + uniform(random));
    }
  }
  return data;
}

// |Σ w·e^{i·b·x}|² / (Σ w)², summed pair by pair.
double DirectWindow(const sinusfit::FitData& data, double b) {
  std::complex<long double> sum = 0;
  long double total = 0;
  for (std::size_t i = 0; i < data.x.size(); ++i) {
    const long double w = data.sigma.empty() ? 1.0L : 1.0L / (data.sigma[i] * data.sigma[i]);
    sum += w * std::polar(1.0L, static_cast<long double>(b) * data.x[i]);
    total += w;
  }
  return static_cast<double>(std::norm(sum) / (total * total));
}

TEST(SpectralWindow, MatchesItsDirectSumOnThePowersGridAndPeaksAtOneCyclePerDay) {
  struct Case {
    const char* name;
    int nights, perNight;
    bool weighted;
    bool fast;  // a long series on the fast periodogram's grid
  };
  const Case cases[] = {
      {"short", 14, 10, false, false},
      {"short, weighted", 14, 10, true, false},
      {"long", 90, 60, false, true},
      {"long, weighted", 90, 60, true, true},
  };
  constexpr double kBound = 30;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const sinusfit::FitData data = NightlyReadings(c.nights, c.perNight, c.weighted, 7);
    const auto window = sinusfit::ComputeSpectralWindow(data, kBound, kAlways);
    const auto power = sinusfit::ComputePowerSpectrum(data, kBound, kAlways);
    ASSERT_TRUE(window && power);
    EXPECT_EQ(window->step, power->step);
    ASSERT_EQ(window->power.size(), power->power.size());
    if (c.fast) {
      const auto [low, high] = std::minmax_element(data.x.begin(), data.x.end());
      const double span = *high - *low;
      ASSERT_NEAR(window->step, kTwoPi / (sinusfit::kLongScanOversampling * span), 1e-12);
    }
    for (std::size_t k = 0; k < window->power.size(); k += c.fast ? 13 : 1)
      ASSERT_NEAR(window->power[k], DirectWindow(data, window->B(k)), 1e-9) << k;
    // Beyond the lobe about b = 0, the highest is the daily alias.
    std::size_t highest = 0;
    double peak = -1;
    for (std::size_t k = 0; k < window->power.size(); ++k)
      if (window->B(k) > kTwoPi / 2 && window->power[k] > peak)
        highest = k, peak = window->power[k];
    EXPECT_NEAR(window->B(highest), kTwoPi, 2 * window->step);
    EXPECT_GT(window->power[highest], 0.5);
  }
}

TEST(SpectralWindow, NothingWithoutAGridOrWhenStopped) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    sinusfit::FitData data;
    double bound;
  };
  const Case cases[] = {
      {"no pairs", {}, 5},
      {"one pair", {{1}, {2}, {}}, 5},
      {"two pairs", {{1, 2}, {2, 3}, {}}, 5},
      {"x all equal", {{1, 1, 1, 1}, {2, 3, 4, 5}, {}}, 5},
      {"x not a number", {{1, kNaN, 3, 4}, {2, 3, 4, 5}, {}}, 5},
      {"y not a number", {{1, 2, 3, 4}, {2, kNaN, 4, 5}, {}}, 5},
      {"no bound", {{1, 2, 3, 4}, {2, 3, 4, 5}, {}}, 0},
      {"bound not a number", {{1, 2, 3, 4}, {2, 3, 4, 5}, {}}, kNaN},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(sinusfit::ComputeSpectralWindow(c.data, c.bound, kAlways)) << c.name;
  for (const bool fast : {false, true}) {
    const sinusfit::FitData data = NightlyReadings(fast ? 90 : 14, fast ? 60 : 10, false, 3);
    EXPECT_FALSE(sinusfit::ComputeSpectralWindow(data, 30, [] { return false; })) << fast;
  }
}

}  // namespace
