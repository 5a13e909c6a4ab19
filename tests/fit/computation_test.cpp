// A computation as the window drives it, on real data of any size: every
// listed error is its own term's error sum, f(x) is the term's value, the
// best line is found, and on the window's usual data nothing changes.

#include "sinusfit/computation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/resulttext.h"

namespace {

using sinusfit::Computation;
using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::PassResult;

const std::vector<double> kExampleX = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
const std::vector<double> kExampleY = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};

class ComputationTest : public testing::Test {
 protected:
  void SetUp() override {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
  }
};

// The scan (where asked) and 20 passes, as the window runs them.
std::vector<PassResult> RunAll(Computation& computation, bool scan, double bound) {
  const auto readBound = [bound] { return bound; };
  const auto keepGoing = [] { return true; };
  std::vector<PassResult> lines;
  if (scan) {
    if (auto r = computation.RunScanPass(readBound, keepGoing)) lines.push_back(*r);
  }
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
    const auto r = computation.RunPass(readBound, keepGoing);
    EXPECT_TRUE(r);
    if (r) lines.push_back(*r);
  }
  return lines;
}

TEST_F(ComputationTest, OnTheUsualScaleItIsTheWindowsComputation) {
  for (const FitMode mode : {FitMode::kAllFree, FitMode::kFixedB, FitMode::kFixedD}) {
    SetUp();
    sinusfit::SineFit fit(mode, 1.25, kExampleX, kExampleY);
    std::vector<std::string> expected;
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      expected.push_back(fit.RunPass([] { return 200.0; }).entry);
    SetUp();
    Computation computation(mode, 1.25, {kExampleX, kExampleY, {}});
    EXPECT_TRUE(computation.Precision().specifiedScale);
    EXPECT_EQ(computation.Ceiling(), 10000);
    EXPECT_FALSE(computation.Weighted());
    EXPECT_FALSE(computation.LongSeries());
    int looks = 0;
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
      const auto r = computation.RunPass([] { return 200.0; }, [&] { return ++looks, false; });
      ASSERT_TRUE(r);
      EXPECT_EQ(r->entry, expected[static_cast<std::size_t>(pass)]);
    }
    EXPECT_EQ(looks, 0);  // a pass on the table's pairs never asks
  }
  // Its f(x) and plot texts are the window's too.
  Computation computation(FitMode::kAllFree, 0, {kExampleX, kExampleY, {}});
  const std::string term = "1,5*SIN(2*X+0,5)-1,25";
  EXPECT_EQ(computation.FittedValueText(term, 0.7), sinusfit::FittedValueText(term, 0.7));
  grund::PlotList mine, window;
  computation.WriteResultPlotList(mine, term, kExampleX, kExampleY);
  sinusfit::BeginResultPlotList(window, term);
  for (std::size_t i = 0; i < kExampleX.size(); ++i)
    sinusfit::AddPlotPair(window, kExampleX[i], kExampleY[i]);
  sinusfit::EndResultPlotList(window);
  EXPECT_EQ(mine.Entries, window.Entries);
}

struct RealData {
  const char* name;
  FitData data;
  double bound;
  double b;  // the cycle the scan must find
};

// Deterministic noise in [-1, 1).
double Noise(int i) {
  const double v = std::sin(12.9898 * i + 78.233 * i * i) * 43758.5453;
  return 2 * (v - std::floor(v)) - 1;
}

std::vector<RealData> Sets() {
  std::vector<RealData> sets;
  const auto make = [](double x0, double dx, double a, double b, double c, double d,
                       double noise) {
    FitData data;
    for (int i = 0; i < 200; ++i) {
      data.x.push_back(x0 + dx * i + 0.1 * dx * Noise(1000 + i));
      data.y.push_back(a * std::sin(b * data.x.back() + c) + d + noise * Noise(i));
    }
    return data;
  };
  const double twoPi = 6.283185307179586;
  // Errors in the 10⁵, far above the old ceiling.
  sets.push_back({"sunspots", make(1700, 1, 40, twoPi / 11.1, 1, 50, 50), 200, twoPi / 11.1});
  sets.push_back({"air pressure in Pa", make(0, 1, 500, 0.26, 1, 101300, 50), 200, 0.26});
  // x near 1,7·10⁹ s with a daily cycle, b = 7,27·10⁻⁵.
  sets.push_back({"Unix time", make(1.7e9, 600, 3, 7.2722e-5, 2, 21, 0.5), 200, 7.2722e-5});
  sets.push_back({"microvolts", make(0, 0.01, 1e-6, 31.4, 0.3, 2.5e-6, 3e-8), 200, 31.4});
  return sets;
}

long double ModelError(const FitData& d, const sinusfit::ModelParameters& p) {
  long double sum = 0;
  for (std::size_t i = 0; i < d.x.size(); ++i) {
    const long double r = d.y[i] - (p.a * sinl(static_cast<long double>(p.b) * d.x[i] + p.c) + p.d);
    sum += r * r;
  }
  return sum;
}

TEST_F(ComputationTest, RealDataOfAnySizeListsTrueErrorsAndValues) {
  for (const RealData& set : Sets()) {
    SCOPED_TRACE(set.name);
    SetUp();
    Computation computation(FitMode::kAllFree, 0, set.data);
    const FitData& d = set.data;
    EXPECT_FALSE(computation.Precision().specifiedScale);
    double low = d.y[0], high = d.y[0];
    for (double y : d.y) low = std::min(low, y), high = std::max(high, y);

    const std::vector<PassResult> lines = RunAll(computation, true, set.bound);
    std::vector<double> errors;
    for (const PassResult& line : lines) {
      // The listed error is its own term's error sum to 6 significant digits.
      long double sum = 0;
      for (std::size_t i = 0; i < d.x.size(); ++i) {
        const long double r = d.y[i] - fktint::EvaluateTerm(line.term, d.x[i]);
        sum += r * r;
      }
      const double shown = sinusfit::ErrorOfEntry(line.entry);
      if (line.error < computation.Ceiling()) {
        EXPECT_NEAR(shown, static_cast<double>(sum), 5e-6 * static_cast<double>(sum)) << line.entry;
      } else {
        EXPECT_EQ(line.error, computation.Ceiling()) << line.entry;
      }
      errors.push_back(line.error);
      // f(x) is the term's value, within 1/100000 of the y range.
      for (std::size_t i = 0; i < d.x.size(); i += 37) {
        const std::string fx = computation.FittedValueText(line.term, d.x[i]);
        EXPECT_NEAR(grund::ParseNumber(grund::CommaToPoint(fx)).value,
                    fktint::EvaluateTerm(line.term, d.x[i]), 1e-5 * (high - low))
            << fx;
      }
    }
    // The best line: its term errs within 1e-6 of the fit's own (unrounded)
    // parameters, at the cycle of the data.
    const std::size_t best = sinusfit::BestEntryIndex(errors);
    ASSERT_LT(best, lines.size());
    const PassResult& winner = lines[best];
    for (const double e : errors) EXPECT_LE(winner.error, e);
    EXPECT_NEAR(winner.parameters.b, set.b, 1e-2 * set.b) << winner.entry;
    const double own = static_cast<double>(ModelError(d, winner.parameters));
    EXPECT_NEAR(winner.error, own, 1e-6 * own) << winner.entry;
    EXPECT_LT(winner.error, computation.Ceiling());
  }
}

TEST_F(ComputationTest, SunspotsNoLongerListTheCeilingAlone) {
  const FitData d = Sets()[0].data;
  Computation computation(FitMode::kAllFree, 0, d);
  // The ceiling is the flat line's error, some 2·10⁵ here.
  long double mean = 0, spread = 0;
  for (double y : d.y) mean += y / 200.0L;
  for (double y : d.y) spread += (y - mean) * (y - mean);
  EXPECT_NEAR(computation.Ceiling(), static_cast<double>(spread), 1e-9 * computation.Ceiling());
  EXPECT_GT(computation.Ceiling(), 10000);
  const auto pass = computation.RunPass([] { return 200.0; }, [] { return true; });
  ASSERT_TRUE(pass);
  EXPECT_LT(pass->error, computation.Ceiling()) << pass->entry;
}

TEST_F(ComputationTest, WeightedAndLongSeriesAreSaidSo) {
  Computation weighted(FitMode::kAllFree, 0, {kExampleX, kExampleY, std::vector<double>(9, 0.1)});
  EXPECT_TRUE(weighted.Weighted());
  EXPECT_FALSE(weighted.Precision().specifiedScale);
  EXPECT_EQ(weighted.Data().sigma.size(), 9u);
  EXPECT_EQ(weighted.SharedData().get(), &weighted.Data());
  const auto pass = weighted.RunPass([] { return 200.0; }, [] { return true; });
  ASSERT_TRUE(pass);
  EXPECT_NEAR(pass->error, 100 * sinusfit::ErrorSum(pass->term, kExampleX, kExampleY),
              1e-9 * pass->error);

  FitData many;
  for (int i = 0; i < 201; ++i) many.x.push_back(0.05 * i), many.y.push_back(std::sin(0.1 * i));
  Computation longSeries(FitMode::kAllFree, 0, many);
  EXPECT_TRUE(longSeries.LongSeries());
  EXPECT_TRUE(longSeries.RunPass([] { return 200.0; }, [] { return true; }));
}

TEST_F(ComputationTest, TheHintSaysWhenTheScanDoesBetter) {
  EXPECT_EQ(sinusfit::ScanHintText(0.3549, false),
            "Tipp: Frequenzsuche findet eine\num 35 % kleinere Fehlersumme.");
  EXPECT_EQ(sinusfit::ScanHintText(0.01, true), "Tipp: Frequenzsuche findet ein\num 1 % kleineres χ².");
  EXPECT_EQ(sinusfit::ScanHintText(0.99999, false),
            "Tipp: Frequenzsuche findet eine\num 99 % kleinere Fehlersumme.");

  const auto bound = [] { return 200.0; };
  // Unix times: the random starts miss the daily cycle, the scan finds it.
  Computation computation(FitMode::kAllFree, 0, Sets()[2].data);
  std::vector<double> errors;
  for (const PassResult& line : RunAll(computation, false, 200)) errors.push_back(line.error);
  const double best = errors[sinusfit::BestEntryIndex(errors)];
  const std::uint32_t seed = grund::ProcessRandom().Seed();
  const auto hint = sinusfit::FindScanHint(computation, best, bound, [] { return true; });
  ASSERT_TRUE(hint);
  EXPECT_EQ(grund::ProcessRandom().Seed(), seed);
  EXPECT_GE(hint->reduction, 0.3);
  EXPECT_NEAR(hint->reduction, 1 - hint->scanError / best, 1e-12);
  EXPECT_EQ(hint->text, sinusfit::ScanHintText(hint->reduction, false));
  // Stopped, it says nothing.
  EXPECT_FALSE(sinusfit::FindScanHint(computation, best, bound, [] { return false; }));

  // Where the passes found the best fit already, no hint.
  SetUp();
  FitData clean;
  for (int i = 0; i < 40; ++i) {
    clean.x.push_back(-3 + 0.15 * i + 0.05 * std::sin(1.7 * i * i));
    clean.y.push_back(1.5 * std::sin(2 * clean.x.back() + 0.5) - 1.25 + 0.05 * Noise(i));
  }
  Computation easy(FitMode::kAllFree, 0, clean);
  errors.clear();
  for (const PassResult& line : RunAll(easy, false, 200)) errors.push_back(line.error);
  const auto none =
      sinusfit::FindScanHint(easy, errors[sinusfit::BestEntryIndex(errors)], bound, [] { return true; });
  ASSERT_TRUE(none);
  EXPECT_LT(none->reduction, sinusfit::kHintShare);
  EXPECT_TRUE(none->text.empty());
  // b held: nothing to scan, nothing to say.
  Computation held(FitMode::kFixedB, 2, clean);
  const auto nothing = sinusfit::FindScanHint(held, 1.0, bound, [] { return true; });
  ASSERT_TRUE(nothing);
  EXPECT_TRUE(std::isnan(nothing->scanError));
  EXPECT_TRUE(nothing->text.empty());
}

// Lab pairs every 0,2 with Δy and the bound 200: the passes end in aliases
// b + k·2π/0,2 of one fit, all with the same χ². The best line is the
// lowest alias, the one the data shows.
TEST(ComputationAliases, TheBestLineIsTheLowestAlias) {
  FitData d;
  for (int i = 0; i < 30; ++i) {
    const double x = 0.2 * i;
    d.x.push_back(x);
    d.y.push_back(1.5 * std::sin(2.1 * x + 0.7) + 0.4 + 0.1 * std::sin(12.9898 * (i * i + 7.0)));
    d.sigma.push_back(0.1);
  }
  grund::ProcessRandom().SetSeed(0);
  Computation computation(FitMode::kAllFree, 0, d);
  std::vector<std::string> entries;
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
    entries.push_back(computation.RunPass([] { return 200.0; }, [] { return true; })->entry);
  std::vector<sinusfit::RankedEntry> lines;
  double highest = 0;
  for (const std::string& e : entries) {
    lines.push_back({sinusfit::ErrorOfEntry(e), e});
    highest = std::max(highest, sinusfit::FrequencyOfEntry(e));
  }
  const std::size_t best = sinusfit::BestEntryIndex(std::span<const sinusfit::RankedEntry>(lines));
  ASSERT_LT(best, lines.size());
  EXPECT_GT(highest, 30) << "the passes found aliases";
  EXPECT_NEAR(sinusfit::FrequencyOfEntry(entries[best]), 2.098, 0.01) << entries[best];
}

}  // namespace
