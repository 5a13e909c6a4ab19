#include "sinusfit/sinefit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/resulttext.h"

namespace {

using sinusfit::FitMode;
using sinusfit::PassResult;
using sinusfit::SineFit;

const std::vector<double> kExampleX = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
const std::vector<double> kExampleY = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};

// Every computation in these tests starts as the first one after program start.
class SineFitTest : public testing::Test {
 protected:
  void SetUp() override {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
  }
};

std::vector<PassResult> RunAllPasses(SineFit& fit, double bound) {
  std::vector<PassResult> passes;
  for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
    passes.push_back(fit.RunPass([&] { return bound; }));
  return passes;
}

TEST_F(SineFitTest, ExampleDataInEveryModeKeepsTheFixedValueAndTheNormalForm) {
  struct Case {
    FitMode mode;
    double fixed;
    const char* fixedText;  // how the fixed value stands in the term text
  };
  const Case cases[] = {
      {FitMode::kAllFree, 0, ""},         {FitMode::kFixedA, 1.5, "1,5*SIN("},
      {FitMode::kFixedB, 2, "*SIN(2*X"},  {FitMode::kFixedC, 0.5, "*X+0,5)"},
      {FitMode::kFixedD, 0.75, ")+0,75"},
  };
  for (const Case& c : cases) {
    SetUp();
    SineFit fit(c.mode, c.fixed, kExampleX, kExampleY);
    std::set<std::string> entries;
    for (const PassResult& pass : RunAllPasses(fit, 200)) {
      entries.insert(pass.entry);
      EXPECT_EQ(pass.entry, sinusfit::BuildResultEntry(pass.error, pass.term));
      EXPECT_NE(pass.term.find(c.fixedText), std::string::npos) << pass.term;
      EXPECT_LE(std::fabs(pass.parameters.b), 200);
      if (c.mode == FitMode::kAllFree) {
        EXPECT_GE(pass.parameters.b, 0);
        EXPECT_GE(pass.parameters.c, 0);
        EXPECT_LE(pass.parameters.c, 6.283185307179586477L);
      }
      // Some candidate of every pass fits the sample.
      EXPECT_LT(pass.error, 10) << pass.entry;
    }
    EXPECT_LE(entries.size(), 20u);
  }
}

TEST_F(SineFitTest, TheFirstComputationIsTheSameEveryTime) {
  SineFit first(FitMode::kAllFree, 0, kExampleX, kExampleY);
  const std::vector<PassResult> a = RunAllPasses(first, 200);
  const std::uint32_t seedAfter = grund::ProcessRandom().Seed();
  SetUp();
  SineFit second(FitMode::kAllFree, 0, kExampleX, kExampleY);
  const std::vector<PassResult> b = RunAllPasses(second, 200);
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].entry, b[i].entry);
  // 20 passes of 20 candidates with four draws each.
  grund::RandomGenerator expected;
  for (int i = 0; i < 20 * 20 * 4; ++i) expected.NextFraction();
  EXPECT_EQ(seedAfter, expected.Seed());
}

TEST_F(SineFitTest, RecoversANoiseFreeSine) {
  std::vector<double> x, y;
  for (int i = 0; i < 40; ++i) {
    x.push_back(-3 + 0.15 * i);
    y.push_back(1.5 * std::sin(2 * x.back() + 0.5) - 1.25);
  }
  SineFit fit(FitMode::kAllFree, 0, x, y);
  std::set<std::string> entries;
  for (const PassResult& pass : RunAllPasses(fit, 200)) entries.insert(pass.entry);
  // The sorted list starts with the exact fit, in one of its two normal forms
  // (a and the phase may differ by a sign and by pi).
  EXPECT_THAT(*entries.begin(),
              testing::AnyOf("0\tY = 1,5*SIN(2*X+0,5)-1,25", "0\tY = -1,5*SIN(2*X+3,641593)-1,25"));
}

TEST_F(SineFitTest, AnEmptyTableTakesEachPassesFirstCandidateWithinTheBound) {
  SineFit fit(FitMode::kAllFree, 0, {}, {});
  for (const PassResult& pass : RunAllPasses(fit, 200)) {
    EXPECT_EQ(pass.entry.rfind("0\t", 0), 0u) << pass.entry;
  }
}

TEST_F(SineFitTest, ABoundOfZeroTakesNoCandidateExceptWithBFixed) {
  SineFit fit(FitMode::kAllFree, 0, kExampleX, kExampleY);
  for (const PassResult& pass : RunAllPasses(fit, 0)) {
    EXPECT_EQ(pass.entry, "10000\tY = 0*SIN(0*X+0)+0");
  }
  SetUp();
  SineFit fixedB(FitMode::kFixedB, 2, kExampleX, kExampleY);
  int boundReads = 0;
  const PassResult pass = fixedB.RunPass([&] {
    ++boundReads;
    return 0.0;
  });
  EXPECT_EQ(boundReads, 0);
  EXPECT_LT(pass.error, 10000);
}

TEST_F(SineFitTest, ABoundReadThatDrawsRandomNumbersShiftsTheLaterStartValues) {
  // The refinement runs ahead of the bound reads; a bound term such as
  // MCARLO(0)*400 draws from the same generator, and the result must still
  // be that of reading each candidate's bound right after refining it.
  const auto drawingBound = [] { return grund::ProcessRandom().NextFraction() * 6; };

  SineFit fit(FitMode::kAllFree, 0, kExampleX, kExampleY);
  std::vector<std::string> entries;
  for (int pass = 0; pass < 3; ++pass) entries.push_back(fit.RunPass(drawingBound).entry);
  const std::uint32_t seedAfter = grund::ProcessRandom().Seed();

  // The same computation, one candidate at a time.
  SetUp();
  std::vector<double> x = kExampleX, y = kExampleY;
  for (int pass = 0; pass < 3; ++pass) {
    double bestError = sinusfit::kErrorCeiling;
    std::array<double, 4> best{};
    for (int candidate = 0; candidate < sinusfit::kCandidatesPerPass; ++candidate) {
      sinusfit::FitState state;
      for (double& p : state.p) p = grund::ProcessRandom().NextFraction() * 10 - 5;
      sinusfit::RefineCandidate(state, x, y, sinusfit::ProcessNormalMatrix());
      const sinusfit::ModelParameters p = sinusfit::ParametersOf(state);
      const std::string term = sinusfit::BuildTermText(p.a, p.b, p.c, p.d);
      if (std::fabs(p.b) > drawingBound()) continue;
      const grund::Extended error = sinusfit::ErrorSum(term, x, y);
      if (error < bestError) {
        bestError = static_cast<double>(error);
        best = state.p;
      }
    }
    sinusfit::ModelParameters p =
        sinusfit::ParametersOf(sinusfit::FitState{FitMode::kAllFree, best, 0});
    sinusfit::NormaliseAllFree(p);
    EXPECT_EQ(entries[pass],
              sinusfit::BuildResultEntry(bestError, sinusfit::BuildTermText(p.a, p.b, p.c, p.d)));
  }
  EXPECT_EQ(seedAfter, grund::ProcessRandom().Seed());
}

TEST(NormaliseAllFree, MakesBNonNegativeAndThePhaseLieIn0To2Pi) {
  struct Case {
    sinusfit::ModelParameters in;
    sinusfit::ModelParameters out;
  };
  const double twoPi = static_cast<double>(6.283185307179586477L);
  const Case cases[] = {
      {{1, 2, 0.5, 3}, {1, 2, 0.5, 3}},
      {{1, -2, 0.5, 3}, {-1, 2, static_cast<double>(-0.5L + 6.283185307179586477L), 3}},
      {{1, 2, 0, 0}, {1, 2, 0, 0}},          // 0 stays
      {{1, 2, twoPi, 0}, {1, 2, twoPi, 0}},  // so does 2π
      {{1, 2, 7, 0}, {1, 2, static_cast<double>(7 - 6.283185307179586477L), 0}},
  };
  for (const Case& c : cases) {
    sinusfit::ModelParameters p = c.in;
    sinusfit::NormaliseAllFree(p);
    EXPECT_EQ(p.a, c.out.a);
    EXPECT_EQ(p.b, c.out.b);
    EXPECT_EQ(p.c, c.out.c);
    EXPECT_EQ(p.d, c.out.d);
  }
  // Huge phases end promptly inside the range.
  for (double c : {1e7, -1e7, 1e300, -1e300}) {
    sinusfit::ModelParameters p{1, 1, c, 0};
    sinusfit::NormaliseAllFree(p);
    EXPECT_GE(p.c, 0);
    EXPECT_LE(p.c, twoPi);
  }
}

TEST_F(SineFitTest, ADivergingRunIsDroppedAndThePassGoesOn) {
  // Pairs whose x values are huge drive most runs to infinities; the pass
  // still ends with a finite entry.
  SineFit fit(FitMode::kAllFree, 0, {1e300, -1e300, 1, 2}, {1e300, -1e300, 0, 1});
  const PassResult pass = fit.RunPass([] { return 200.0; });
  EXPECT_TRUE(std::isfinite(pass.error));
  EXPECT_FALSE(pass.entry.empty());
}

}  // namespace
