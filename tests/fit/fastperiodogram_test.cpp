// The periodogram by spreading and FFT against the direct one and against
// long-double sums: even, uneven, weighted and wrapped x, short and long
// grids, stops at every question, and inputs it must survive.

#include "sinusfit/fastperiodogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/extended_sincos.h"
#include "sinusfit/fft.h"

namespace {

using sinusfit::FitMode;
using sinusfit::FrequencyGrid;
namespace scan = sinusfit::scan;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
  const char* name;
  int n;
  std::int64_t count;
  double first, span;
  double jitter;  // share of the spacing
  bool squared;   // x crowded at the start
  bool weighted;
  double oversampling;  // trial values per 2π/span; 1: x' fills the whole period
  FitMode mode;
  bool uniqueMinimum;  // false where three pairs fit every b exactly
};

// a·sin(b·x + 0.4) + 7 at b = 0.37 of the grid's highest value, with a
// deterministic noise; the weights span two decades.
scan::ShiftedPairs Pairs(const Case& c, double& step) {
  std::vector<double> x, y, w;
  for (int i = 0; i < c.n; ++i) {
    const double at = c.n > 1 ? static_cast<double>(i) / (c.n - 1) : 0;
    x.push_back(c.first + c.span * (c.squared ? at * at : at) +
                c.jitter * c.span / c.n * std::sin(12.9898 * i * i));
    if (c.weighted) w.push_back(std::pow(10.0, std::sin(3.3 * i)));
  }
  const auto [low, high] = std::minmax_element(x.begin(), x.end());
  step = kTwoPi / (c.oversampling * (*high - *low));
  const double b = 0.37 * step * static_cast<double>(c.count);
  for (int i = 0; i < c.n; ++i)
    y.push_back(3 * std::sin(b * (x[i] - c.first) + 0.4) + 7 + 0.5 * std::sin(78.233 * i * i));
  return scan::Shift(x, y, w);
}

const Case kCases[] = {
    {"evenly spaced", 200, 800, 0, 100, 0, false, false, 10, FitMode::kAllFree, true},
    {"jittered", 500, 3000, 0, 100, 0.45, false, false, 10, FitMode::kAllFree, true},
    {"crowded at one end", 400, 2000, 3, 50, 0.2, true, false, 5, FitMode::kAllFree, true},
    {"weighted", 400, 2000, 0, 10, 0.3, false, true, 5, FitMode::kAllFree, true},
    {"1e6 s far from 0", 1000, 5000, 1.7e9, 1e6, 0.3, false, false, 5, FitMode::kAllFree, true},
    {"d held", 300, 1500, -40, 20, 0.3, false, true, 10, FitMode::kFixedD, true},
    {"three trial values", 50, 3, 0, 10, 0.3, false, false, 10, FitMode::kAllFree, true},
    // Uneven: evenly spaced, some b put all three on one phase, where the
    // residual hangs on the last digits of the sums (in either way).
    {"three pairs", 3, 100, 0, 10, 0.1, true, false, 10, FitMode::kAllFree, false},
    {"a long grid", 200, 100000, 0, 1000, 0.3, false, true, 5, FitMode::kAllFree, true},
    {"x' over the whole period", 300, 2000, 0, 10, 0.3, true, false, 1, FitMode::kAllFree, true},
};

TEST(FastPeriodogramTest, ResidualsMatchTheDirectOnes) {
  for (const Case& c : kCases) {
    FrequencyGrid grid{0, c.count};
    const scan::ShiftedPairs pairs = Pairs(c, grid.step);
    const scan::Periodogram periodogram(c.mode, 5, pairs);
    std::vector<double> direct, fast;
    ASSERT_TRUE(scan::ScanPeriodogram(pairs, grid, periodogram, direct, [] { return true; }));
    ASSERT_TRUE(scan::FastScanPeriodogram(pairs, grid, periodogram, fast, [] { return true; }));
    ASSERT_EQ(fast.size(), direct.size()) << c.name;
    double worst = 0;
    for (std::size_t k = 0; k < fast.size(); ++k)
      worst = std::max(worst, std::fabs(fast[k] - direct[k]));
    EXPECT_LE(worst, 1e-7 * periodogram.Baseline()) << c.name;
    if (c.uniqueMinimum) {
      EXPECT_EQ(std::min_element(fast.begin(), fast.end()) - fast.begin(),
                std::min_element(direct.begin(), direct.end()) - direct.begin())
          << c.name;
    }
  }
}

TEST(FastPeriodogramTest, SumsStayWithinTheirScaleOfLongDoubleSums) {
  for (const Case& c : kCases) {
    FrequencyGrid grid{0, c.count};
    const scan::ShiftedPairs p = Pairs(c, grid.step);
    std::vector<scan::Sums<double>> fast;
    ASSERT_TRUE(scan::FastPeriodogramSums(p, grid, fast, {}));
    ASSERT_EQ(fast.size(), static_cast<std::size_t>(c.count));
    long double weights = 0, weightsYY = 0;
    for (std::size_t j = 0; j < p.x.size(); ++j) {
      const long double w = p.w.empty() ? 1 : p.w[j];
      weights += std::fabs(w);
      weightsYY += w * p.yc[j] * p.yc[j];
    }
    const double scale = static_cast<double>(weights);
    const double scaleY = std::sqrt(static_cast<double>(weights * weightsYY));
    // The first trial values and a spread of the others.
    for (std::int64_t k = 1; k <= c.count;
         k += k < 40 ? 1 : std::max<std::int64_t>(1, c.count / 60)) {
      scan::Sums<long double> e;
      for (std::size_t j = 0; j < p.x.size(); ++j) {
        const long double w = p.w.empty() ? 1 : p.w[j];
        const sinusfit::SinCos t =
            sinusfit::ExtendedSinCos(static_cast<long double>(k) * grid.step * p.x[j]);
        e.s += w * t.sin, e.c += w * t.cos, e.ss += w * t.sin * t.sin, e.sc += w * t.sin * t.cos;
        e.cc += w * t.cos * t.cos, e.ys += w * p.yc[j] * t.sin, e.yc += w * p.yc[j] * t.cos;
      }
      const scan::Sums<double>& f = fast[static_cast<std::size_t>(k - 1)];
      const auto off = [](double got, long double want) {
        return std::fabs(got - static_cast<double>(want));
      };
      const double worst = std::max(
          {off(f.s, e.s), off(f.c, e.c), off(f.ss, e.ss), off(f.sc, e.sc), off(f.cc, e.cc)});
      EXPECT_LE(worst, 1e-9 * scale) << c.name << " k = " << k;
      EXPECT_LE(std::max(off(f.ys, e.ys), off(f.yc, e.yc)), 1e-9 * scaleY)
          << c.name << " k = " << k;
    }
  }
}

// Stopped at its first, second, ... question it says so; let go it finishes.
TEST(FastPeriodogramTest, StopsAtEveryQuestion) {
  // Two chunks of pairs; a grid of 2^18 cells, whose long passes ask within too.
  const Case c{"stops", 40000, 1 << 15, 0, 1000, 0.3, false, false, 5, FitMode::kAllFree, true};
  FrequencyGrid grid{0, c.count};
  const scan::ShiftedPairs pairs = Pairs(c, grid.step);
  const scan::Periodogram periodogram(c.mode, 0, pairs);
  std::vector<double> r;
  int questions = 0;
  ASSERT_TRUE(
      scan::FastScanPeriodogram(pairs, grid, periodogram, r, [&] { return ++questions, true; }));
  EXPECT_GE(questions, 12);
  for (int stopAt = 1; stopAt <= questions; ++stopAt) {
    int asked = 0;
    EXPECT_FALSE(scan::FastScanPeriodogram(pairs, grid, periodogram, r, [&] {
      return ++asked < stopAt;
    })) << stopAt;
    EXPECT_EQ(asked, stopAt);
  }
}

TEST(FastPeriodogramTest, SurvivesEmptyAndNonFiniteInput) {
  struct Edge {
    const char* name;
    std::vector<double> x, y, w;
    FrequencyGrid grid;
  };
  const std::vector<double> three = {1, 2, 4};
  const Edge edges[] = {
      {"no pairs", {}, {}, {}, {0.1, 5}},
      {"no trial values", three, three, {}, {0.1, 0}},
      {"a negative count", three, three, {}, {0.1, -7}},
      {"y NaN", three, {1, kNaN, 3}, {}, {0.1, 5}},
      {"x infinite", {1, HUGE_VAL, 3}, three, {}, {0.1, 5}},
      {"a weight NaN", three, three, {1, kNaN, 1}, {0.1, 5}},
      {"step NaN", three, three, {}, {kNaN, 5}},
      {"step 0", three, {1, 5, 2}, {}, {0, 5}},
      {"a negative step", three, {1, 5, 2}, {}, {-0.3, 5}},
      {"x beyond 1e300 cells", {-1e299, 0, 1e299}, {1, 5, 2}, {}, {1, 5}},
      {"beyond the longest grid", three, {1, 5, 2}, {}, {0.1, scan::kFastMostTrials + 1}},
  };
  for (const Edge& e : edges) {
    const scan::ShiftedPairs pairs = scan::Shift(e.x, e.y, e.w);
    const scan::Periodogram periodogram(FitMode::kAllFree, 0, pairs);
    std::vector<double> fast = {1, 2};
    ASSERT_TRUE(scan::FastScanPeriodogram(pairs, e.grid, periodogram, fast, {})) << e.name;
    ASSERT_EQ(fast.size(), static_cast<std::size_t>(std::max<std::int64_t>(0, e.grid.count)))
        << e.name;
    if (e.grid.count <= 0) continue;
    std::vector<double> direct;
    ASSERT_TRUE(scan::ScanPeriodogram(pairs, e.grid, periodogram, direct, [] { return true; }));
    for (std::size_t k = 0; k < fast.size(); k += 1 + fast.size() / 50) {
      if (std::isnan(direct[k])) {
        EXPECT_TRUE(std::isnan(fast[k])) << e.name << " k = " << k;
      } else {
        EXPECT_NEAR(fast[k], direct[k], 1e-7 * (1 + periodogram.Baseline()))
            << e.name << " k = " << k;
      }
    }
  }
}

TEST(FastPeriodogramTest, PaysForManyPairsAndLongGrids) {
  struct Size {
    std::size_t n;
    std::int64_t count;
    bool pays;
  };
  for (const Size s :
       {Size{0, 100000, false}, Size{1000000, 0, false}, Size{100, 100, false},
        Size{20, 100000, false}, Size{1000, 1000, true}, Size{1000000, 100000, true},
        Size{3000, scan::kFastMostTrials, true}, Size{3000, scan::kFastMostTrials + 1, false}})
    EXPECT_EQ(scan::FastPeriodogramPays(s.n, s.count), s.pays) << s.n << " × " << s.count;
}

// X[k] at ReverseBits(k) against the plain sum, for every length up to the
// long passes; impulses check the longer ones at every k.
TEST(FastPeriodogramTest, TransformMatchesTheDefinition) {
  for (std::size_t n = 1; n <= (std::size_t{1} << 16); n *= 2) {
    const sinusfit::fft::Transform transform(n);
    std::vector<double> re(n), im(n);
    std::vector<std::complex<long double>> want(n);
    const bool plain = n <= 512;
    const std::size_t at1 = n / 3, at2 = n - 1;
    for (std::size_t l = 0; l < n; ++l) {
      re[l] = plain ? std::sin(1.3 * l * l + 0.2) : (l == at1) - 0.5 * (l == at2);
      im[l] = plain ? std::cos(0.7 * l) : 2.0 * (l == at2);
    }
    std::vector<std::size_t> nonzero;
    for (std::size_t l = 0; l < n; ++l)
      if (re[l] != 0 || im[l] != 0) nonzero.push_back(l);
    for (std::size_t k = 0; k < n; ++k) {
      for (const std::size_t l : nonzero) {
        const sinusfit::SinCos t = sinusfit::ExtendedSinCos(grund::kTwoPi * ((k * l) % n) / n);
        want[k] +=
            std::complex<long double>(re[l], im[l]) * std::complex<long double>(t.cos, t.sin);
      }
    }
    ASSERT_TRUE(transform.Forward(re.data(), im.data(), {}));
    double worst = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t p = sinusfit::fft::ReverseBits(k, transform.Bits());
      worst = std::max({worst, std::fabs(re[p] - static_cast<double>(want[k].real())),
                        std::fabs(im[p] - static_cast<double>(want[k].imag()))});
    }
    EXPECT_LE(worst, 1e-13 * std::sqrt(static_cast<double>(n))) << n;
  }
}

}  // namespace
