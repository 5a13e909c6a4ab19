// The long-series computation against an independent brute force: a dense
// grid in b with the linear fit of a, c, d at each b, then a golden-section
// search of that profile around the best grid b. Every listed error must be
// its term text's error sum as the interpreter evaluates it.

#include "sinusfit/longseries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/computation.h"
#include "sinusfit/fitdata.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace {

using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::LongSeriesFit;
using sinusfit::PassResult;

// A small generator of its own, so the series do not touch the fit's.
struct Lcg {
  std::uint64_t s;
  double Next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(s >> 11) / 9007199254740992.0;
  }
  double Gauss() { return std::sqrt(-2 * std::log(Next() + 1e-300)) * std::cos(6.283185307 * Next()); }
};

struct Series {
  const char* name;
  FitData data;
  double bound;
};

Series UnixTime(int n) {
  Series s{"unix time", {}, 1e-3};
  Lcg g{1};
  for (int i = 0; i < n; ++i) {
    const double x = 1.7e9 + 60.0 * i;
    s.data.x.push_back(x);
    s.data.y.push_back(21.5 + 2.5 * std::sin(7.27e-5 * x + 1.1) + 0.3 * g.Gauss());
  }
  return s;
}

Series Uneven(int n) {
  Series s{"uneven x", {}, 20};
  Lcg g{2};
  double x = -40;
  for (int i = 0; i < n; ++i) {
    x += 0.02 * g.Next() + 0.001;
    s.data.x.push_back(x);
    s.data.y.push_back(3 * std::sin(2.7 * x + 0.4) - 1 + 0.5 * g.Gauss());
  }
  return s;
}

Series TwoFrequencies(int n) {
  Series s{"two frequencies", {}, 10};
  Lcg g{3};
  for (int i = 0; i < n; ++i) {
    const double x = 0.01 * i;
    s.data.x.push_back(x);
    s.data.y.push_back(2 * std::sin(1.3 * x) + 0.8 * std::sin(5.9 * x + 2) + 0.2 * g.Gauss());
  }
  return s;
}

Series Weighted(int n) {
  Series s{"weighted", {}, 10};
  Lcg g{4};
  for (int i = 0; i < n; ++i) {
    const double x = 0.013 * i;
    const double sigma = 0.05 + 0.5 * g.Next();
    s.data.x.push_back(x);
    s.data.y.push_back(0.7 * std::sin(3.3 * x + 5) + 4 + sigma * g.Gauss());
    s.data.sigma.push_back(sigma);
  }
  return s;
}

// The least error of a·sin(b·x + c) + d at one b (a, c, d free), x shifted.
double ProfileError(const FitData& d, const std::vector<double>& w, double xm, double b) {
  double W = 0, S = 0, C = 0, SS = 0, SC = 0, CC = 0, Y = 0, YS = 0, YC = 0, YY = 0;
  for (std::size_t i = 0; i < d.x.size(); ++i) {
    const double wi = w.empty() ? 1 : w[i];
    const long double arg = static_cast<long double>(b) * (d.x[i] - xm);
    const double s = std::sin(static_cast<double>(arg)), c = std::cos(static_cast<double>(arg));
    const double y = d.y[i];
    W += wi; S += wi * s; C += wi * c; SS += wi * s * s; SC += wi * s * c; CC += wi * c * c;
    Y += wi * y; YS += wi * y * s; YC += wi * y * c; YY += wi * y * y;
  }
  const double gss = SS - S * S / W, gsc = SC - S * C / W, gcc = CC - C * C / W;
  const double ys = YS - Y * S / W, yc = YC - Y * C / W;
  const double det = gss * gcc - gsc * gsc;
  const double u = (gcc * ys - gsc * yc) / det, v = (gss * yc - gsc * ys) / det;
  return (YY - Y * Y / W) - (u * ys + v * yc);
}

double BruteForce(const Series& s) {
  const FitData& d = s.data;
  const std::vector<double> w = sinusfit::WeightsOf(d);
  double xm = 0;
  for (double x : d.x) xm += x;
  xm /= static_cast<double>(d.x.size());
  const double span = d.x.back() - d.x.front();
  const double step = 6.283185307179586 / (20 * span);
  double bestB = step, best = INFINITY;
  for (double b = step; b <= s.bound; b += step) {
    const double e = ProfileError(d, w, xm, b);
    if (e < best) best = e, bestB = b;
  }
  double lo = bestB - step, hi = bestB + step;
  const double g = 0.6180339887498949;
  for (int i = 0; i < 80; ++i) {
    const double m1 = hi - g * (hi - lo), m2 = lo + g * (hi - lo);
    if (ProfileError(d, w, xm, m1) < ProfileError(d, w, xm, m2)) hi = m2; else lo = m1;
  }
  return std::min(best, ProfileError(d, w, xm, 0.5 * (lo + hi)));
}

double TermError(const std::string& term, const FitData& d) {
  return static_cast<double>(sinusfit::ErrorSum(term, d.x, d.y, sinusfit::WeightsOf(d)));
}

// The least error near the given parameters, found independently:
// Levenberg-Marquardt on the model itself in long double.
double OptimumNear(const FitData& d, sinusfit::ModelParameters start) {
  const std::vector<double> w = sinusfit::WeightsOf(d);
  long double p[4] = {start.a, start.b, start.c, start.d};
  const auto error = [&](const long double* q) {
    long double e = 0;
    for (std::size_t i = 0; i < d.x.size(); ++i) {
      const long double r = d.y[i] - (q[0] * std::sin(q[1] * d.x[i] + q[2]) + q[3]);
      e += (w.empty() ? 1 : w[i]) * r * r;
    }
    return e;
  };
  long double e = error(p), lambda = 1e-3;
  for (int iter = 0; iter < 100 && lambda < 1e8; ++iter) {
    long double a[4][5] = {};
    for (std::size_t i = 0; i < d.x.size(); ++i) {
      const long double s = std::sin(p[1] * d.x[i] + p[2]), c = std::cos(p[1] * d.x[i] + p[2]);
      const long double j[4] = {s, p[0] * d.x[i] * c, p[0] * c, 1};
      const long double r = d.y[i] - (p[0] * s + p[3]), wi = w.empty() ? 1 : w[i];
      for (int k = 0; k < 4; ++k) {
        a[k][4] += wi * j[k] * r;
        for (int l = 0; l < 4; ++l) a[k][l] += wi * j[k] * j[l];
      }
    }
    for (;;) {
      long double m[4][5];
      for (int k = 0; k < 4; ++k)
        for (int l = 0; l < 5; ++l) m[k][l] = a[k][l] * (k == l ? 1 + lambda : 1);
      for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 4; ++k)
          if (k != c)
            for (int l = 4; l >= c; --l) m[k][l] -= m[k][c] / m[c][c] * m[c][l];
      long double q[4];
      for (int k = 0; k < 4; ++k) q[k] = p[k] + m[k][4] / m[k][k];
      const long double eq = error(q);
      if (eq <= e) {
        std::copy(q, q + 4, p);
        lambda = e - eq <= 1e-15L * e ? 1e8 : lambda / 10;  // 1e8: converged
        e = eq;
        break;
      }
      if ((lambda *= 10) >= 1e8) break;
    }
  }
  return static_cast<double>(e);
}

class LongSeriesTest : public testing::Test {
 protected:
  void SetUp() override {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
  }
};

LongSeriesFit Make(const FitData& d, FitMode mode = FitMode::kAllFree, double fixed = 0) {
  return LongSeriesFit(mode, fixed, d, sinusfit::ChooseTextPrecision(d), sinusfit::ErrorCeiling(d));
}

const auto kGo = [] { return true; };

TEST_F(LongSeriesTest, ScanReachesTheBruteForceOptimumAndListsTrueErrors) {
  for (const Series& s : {UnixTime(8000), Uneven(6000), TwoFrequencies(6000), Weighted(6000)}) {
    SCOPED_TRACE(s.name);
    LongSeriesFit fit = Make(s.data);
    const double bound = s.bound;
    const auto readBound = [bound] { return bound; };
    const std::optional<PassResult> scan = fit.RunScanPass(readBound, kGo);
    ASSERT_TRUE(scan);
    const double brute = BruteForce(s);
    EXPECT_LE(scan->error, brute * (1 + 1e-6)) << scan->entry;
    EXPECT_NEAR(scan->error, TermError(scan->term, s.data), 1e-9 * scan->error) << scan->entry;
    for (int pass = 0; pass < 3; ++pass) {
      const std::optional<PassResult> r = fit.RunPass(readBound, kGo);
      ASSERT_TRUE(r);
      // A pass that takes no candidate lists the ceiling (with the zero term).
      if (r->error == sinusfit::ErrorCeiling(s.data)) continue;
      EXPECT_NEAR(r->error, TermError(r->term, s.data), 1e-9 * r->error) << r->entry;
    }
  }
}

TEST_F(LongSeriesTest, RandomPassesOnSmallBFindTheFitLikeTheOrdinaryOne) {
  // b within the random starts' reach: the passes alone find the optimum.
  Series s = Uneven(3000);
  s.bound = 5;
  LongSeriesFit fit = Make(s.data);
  double best = INFINITY;
  for (int pass = 0; pass < 5; ++pass) {
    const auto r = fit.RunPass([] { return 5.0; }, kGo);
    ASSERT_TRUE(r);
    EXPECT_LE(std::fabs(r->parameters.b), 5.0);
    best = std::min(best, r->error);
  }
  EXPECT_LE(best, BruteForce(s) * (1 + 1e-6));
}

TEST_F(LongSeriesTest, AStopReturnsNothingAndLeavesTheGeneratorForTheScan) {
  const Series s = UnixTime(5000);
  LongSeriesFit fit = Make(s.data);
  int asked = 0;
  const auto stop = [&asked] { return ++asked < 2; };
  EXPECT_FALSE(fit.RunScanPass([] { return 1e-3; }, stop));
  asked = 0;
  EXPECT_FALSE(fit.RunPass([] { return 1e-3; }, stop));
  EXPECT_FALSE(fit.RunPass([] { return 1e-3; }, [] { return false; }));

  grund::ProcessRandom().SetSeed(77);
  ASSERT_TRUE(fit.RunScanPass([] { return grund::ProcessRandom().NextFraction() + 1e-3; }, kGo));
  EXPECT_EQ(grund::ProcessRandom().Seed(), 77u);
}

TEST_F(LongSeriesTest, HeldParametersAreKept) {
  const Series s = Uneven(4000);
  struct Case {
    FitMode mode;
    double fixed;
  } cases[] = {{FitMode::kFixedA, 3}, {FitMode::kFixedB, 2.7}, {FitMode::kFixedC, 1}, {FitMode::kFixedD, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    LongSeriesFit fit = Make(s.data, c.mode, c.fixed);
    const auto scan = fit.RunScanPass([] { return 20.0; }, kGo);
    if (c.mode == FitMode::kFixedB) {
      EXPECT_FALSE(scan);
    } else {
      ASSERT_TRUE(scan);
      EXPECT_NEAR(scan->error, TermError(scan->term, s.data), 1e-9 * scan->error);
      // a or d held at the true values: near the free optimum. A held c
      // only allows b where its phase fits, which costs more.
      if (c.mode != FitMode::kFixedC) {
        EXPECT_LT(scan->error, 1.5 * BruteForce(s)) << scan->entry;
      }
      EXPECT_LT(scan->error, sinusfit::ErrorCeiling(s.data)) << scan->entry;
    }
    const auto pass = fit.RunPass([] { return 20.0; }, kGo);
    ASSERT_TRUE(pass);
    const sinusfit::ModelParameters& p = pass->parameters;
    const double held = c.mode == FitMode::kFixedA ? p.a
                      : c.mode == FitMode::kFixedB ? p.b
                      : c.mode == FitMode::kFixedC ? p.c
                                                   : p.d;
    EXPECT_EQ(held, c.fixed) << pass->entry;
    if (pass->error == sinusfit::ErrorCeiling(s.data)) continue;
    EXPECT_NEAR(pass->error, TermError(pass->term, s.data), 1e-9 * pass->error);
  }
}

TEST_F(LongSeriesTest, ComputationHandsLongSeriesOver) {
  const Series s = TwoFrequencies(2000);
  sinusfit::Computation computation(FitMode::kAllFree, 0, s.data);
  ASSERT_TRUE(computation.LongSeries());
  grund::ProcessRandom().SetSeed(5);
  const auto a = computation.RunPass([] { return 10.0; }, kGo);
  LongSeriesFit direct = Make(s.data);
  grund::ProcessRandom().SetSeed(5);
  const auto b = direct.RunPass([] { return 10.0; }, kGo);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->entry, b->entry);
  const auto scan = computation.RunScanPass([] { return 10.0; }, kGo);
  ASSERT_TRUE(scan);
  EXPECT_NEAR(scan->error, TermError(scan->term, s.data), 1e-9 * scan->error);
}

TEST_F(LongSeriesTest, NoCandidateBelowTheCeilingListsTheCeiling) {
  // Pure noise, b held far from anything: no fit beats the flat line.
  FitData d;
  Lcg g{9};
  for (int i = 0; i < 1000; ++i) d.x.push_back(i), d.y.push_back(g.Gauss());
  LongSeriesFit fit = Make(d, FitMode::kFixedB, 1e-9);
  const auto r = fit.RunPass([] { return 1.0; }, kGo);
  ASSERT_TRUE(r);
  EXPECT_LE(r->error, sinusfit::ErrorCeiling(d));
  if (r->error == sinusfit::ErrorCeiling(d)) {
    EXPECT_EQ(r->parameters.a, 0);
  }
}

TEST_F(LongSeriesTest, AHeldValueTheTermWritesAsNanListsTheInterpretersError) {
  // "NAN" in a term is no number to the interpreter, whatever it is to
  // from_chars.
  FitData d;
  for (int i = 0; i < 1000; ++i) d.x.push_back(i), d.y.push_back(1 + std::sin(0.3 * i));
  LongSeriesFit fit = Make(d, FitMode::kFixedA, std::nan(""));
  const auto r = fit.RunPass([] { return 1.0; }, kGo);
  ASSERT_TRUE(r);
  EXPECT_NEAR(r->error, TermError(r->term, d), 1e-12 * r->error) << r->entry;
}

TEST_F(LongSeriesTest, NoCandidateBelowTheCeilingListsItsZeroTermsOwnError) {
  // Air pressure around 10⁵ with d held at 0: no random start comes near
  // the ceiling, and the pass lists the zero term with the error it really
  // has (Σy², about 10¹³), not the ceiling. The scan's slow sine standing in
  // for the mean may just beat the ceiling; its error is then its own.
  FitData d;
  Lcg g{9};
  for (int i = 0; i < 1000; ++i) d.x.push_back(i), d.y.push_back(101300 + 300 * g.Gauss());
  for (const bool scan : {false, true}) {
    LongSeriesFit fit = Make(d, FitMode::kFixedD, 0);
    const auto r = scan ? fit.RunScanPass([] { return 1.0; }, kGo)
                        : fit.RunPass([] { return 1.0; }, kGo);
    if (scan) {
      if (r) {
        EXPECT_LT(r->error, sinusfit::ErrorCeiling(d));
        EXPECT_NEAR(r->error, TermError(r->term, d), 1e-12 * r->error);
      }
      continue;
    }
    ASSERT_TRUE(r);
    EXPECT_EQ(r->parameters.a, 0);
    EXPECT_GT(r->error, 1e3 * sinusfit::ErrorCeiling(d));
    EXPECT_NEAR(r->error, TermError(r->term, d), 1e-12 * r->error);
  }
}

// Series where the search used to stop short: a recording at 100 Hz whose
// bound admits hundreds of periods (the fast periodogram's grid), uneven
// logger times, microvolts and 10⁹ with a high bound on 200 pairs. The scan's
// line reaches the optimum near the generating sine, and lists its term's
// own error.
TEST_F(LongSeriesTest, TheScanReachesTheOptimumAtEveryScale) {
  struct Case {
    const char* name;
    int n;
    double dx, jitter, a, b, c, d, noise, bound;
  } cases[] = {
      {"100 Hz, bound of 1900 periods", 60000, 0.01, 0, 0.75, 2 * M_PI / 60, 0.4, 1.2, 0.05, 20},
      {"uneven logger", 30000, 10, 0.9, 4, 7.2722e-5, 1.1, 15, 0.2, 0.01},
      {"microvolts", 200, 0.0002, 0, 2.5e-6, 313.7, 0.8, 4e-7, 1e-7, 1000},
      {"10^9", 200, 0.0002, 0, 2.5e9, 313.7, 0.8, 4e8, 1e8, 1000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    FitData d;
    Lcg g{17};
    double x = 1000;
    for (int i = 0; i < k.n; ++i) {
      x += k.dx * (1 + k.jitter * (g.Next() - 0.5));
      d.x.push_back(x);
      d.y.push_back(k.a * std::sin(k.b * x + k.c) + k.d + k.noise * g.Gauss());
    }
    sinusfit::Computation computation(FitMode::kAllFree, 0, d);
    const auto scan = computation.RunScanPass([&k] { return k.bound; }, kGo);
    ASSERT_TRUE(scan);
    const double optimum = OptimumNear(d, {k.a, k.b, k.c, k.d});
    EXPECT_LE(scan->error, optimum * (1 + 1e-6)) << scan->entry;
    EXPECT_NEAR(scan->error, TermError(scan->term, d), 1e-9 * scan->error) << scan->entry;
  }
}

}  // namespace
