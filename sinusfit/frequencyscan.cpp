// The frequency scan pass: the grid of b, the start values that the
// periodogram's minima give in each mode, and their refinement and scoring.

#include "sinusfit/frequencyscan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/interpreterstate.h"
#include "fktint/fktint.h"
#include "sinusfit/extended_sincos.h"
#include "sinusfit/periodogram.h"

namespace sinusfit {

using grund::Extended;
using grund::kPi;
using grund::kTwoPi;

namespace {

using scan::ChooseCandidates;
using scan::FindPeaks;
using scan::Periodogram;
using scan::ScanPeriodogram;
using scan::Shift;
using scan::ShiftedPairs;
using scan::SolveTwo;
using scan::Sums;

// Refined fits whose residual sums differ by less than this share of the
// data's sum of squares fit equally well.
constexpr double kFitTieShare = 1e-9;

// The index of c among the free parameters p1..p4, where c is free.
int PhaseIndex(FitMode mode) { return mode == FitMode::kFixedA ? 1 : 2; }

// The weight of pair i: 1 without weights (a product with it is exact).
Extended WeightOf(const ShiftedPairs& pairs, std::size_t i) {
  return pairs.w.empty() ? 1 : pairs.w[i];
}

}  // namespace

namespace scan {

namespace {

// The start of a candidate at b: the mode's linear fit at that b, with the
// held parameter in its place. With c held it is in the original x (the
// held phase belongs to it), otherwise in the shifted x. Weighted, every sum
// counts each pair w times and n is the weights' sum.
FitState StartAt(FitMode mode, double fixed, const ShiftedPairs& pairs,
                 const std::vector<double>& x, double b) {
  FitState state;
  state.mode = mode;
  state.fixed = fixed;
  const std::size_t count = pairs.x.size();
  const Extended n = static_cast<Extended>(pairs.weightSum);
  if (mode == FitMode::kFixedC) {
    // a·u + d with u = sin(b·x + c): one slope and a mean.
    std::vector<Extended> u(count);
    Extended sumU = 0;
    for (std::size_t i = 0; i < count; ++i) {
      u[i] = ExtendedSinCos(static_cast<Extended>(b) * x[i] + fixed).sin;
      sumU += WeightOf(pairs, i) * u[i];
    }
    const Extended meanU = sumU / n;
    Extended suu = 0, syu = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const Extended w = WeightOf(pairs, i);
      suu += w * (u[i] - meanU) * (u[i] - meanU);
      syu += w * pairs.yc[i] * (u[i] - meanU);
    }
    const Extended a = suu > 0 ? syu / suu : 0;
    state.p = {static_cast<double>(a), b, static_cast<double>(pairs.yMean - a * meanU), 0};
    return state;
  }

  Sums<Extended> s;
  for (std::size_t i = 0; i < count; ++i) {
    const SinCos sc = ExtendedSinCos(static_cast<Extended>(b) * pairs.x[i]);
    const Extended w = WeightOf(pairs, i);
    s.s += w * sc.sin;
    s.c += w * sc.cos;
    s.ss += w * sc.sin * sc.sin;
    s.sc += w * sc.sin * sc.cos;
    s.cc += w * sc.cos * sc.cos;
    s.ys += w * pairs.yc[i] * sc.sin;
    s.yc += w * pairs.yc[i] * sc.cos;
  }
  if (mode == FitMode::kFixedD) {
    const Extended offset = static_cast<Extended>(pairs.yMean) - fixed;
    const auto [u, v] = SolveTwo(s.ss, s.sc, s.cc, s.ys + offset * s.s, s.yc + offset * s.c);
    // u·sin + v·cos = a·sin(b·x' + c) with a = hypot(u, v), c = atan2(v, u).
    state.p = {static_cast<double>(std::hypot(u, v)), b, static_cast<double>(std::atan2(v, u)), 0};
    return state;
  }
  const auto [u, v] =
      SolveTwo(s.ss - s.s * s.s / n, s.sc - s.s * s.c / n, s.cc - s.c * s.c / n, s.ys, s.yc);
  const Extended d = pairs.yMean - (u * s.s + v * s.c) / n;
  const Extended phase = std::atan2(v, u);
  if (mode == FitMode::kAllFree) {
    state.p = {static_cast<double>(std::hypot(u, v)), b, static_cast<double>(phase),
               static_cast<double>(d)};
    return state;
  }
  // a held: the free fit's phase (turned by π for a negative a) and the mean
  // that goes with the held amplitude.
  const Extended c = fixed < 0 ? phase + kPi : phase;
  Extended sumSine = 0;
  for (std::size_t i = 0; i < count; ++i)
    sumSine += WeightOf(pairs, i) * ExtendedSinCos(static_cast<Extended>(b) * pairs.x[i] + c).sin;
  state.p = {b, static_cast<double>(c), static_cast<double>(pairs.yMean - fixed * sumSine / n), 0};
  return state;
}

// With c held, the phase at the mean of x is c + b·xMean: near the free fit's
// b it matches the free fit's phase (up to the sign of a) only at b spaced
// π / xMean apart, each a minimum of its own. The starts are the free fit's
// b and the two such b around it, each with a and d fitted at that b.
std::vector<FitState> PhaseHeldStarts(double held, const ShiftedPairs& pairs,
                                      const std::vector<double>& x, const std::vector<double>& y,
                                      double b, NormalMatrix& matrix) {
  FitState free = StartAt(FitMode::kAllFree, 0, pairs, x, b);
  RefineCandidate(free, pairs.x, y, pairs.w, matrix);
  if (!AllFinite(free)) free = StartAt(FitMode::kAllFree, 0, pairs, x, b);
  const Extended freeB = free.p[1], freePhase = free.p[2];
  std::vector<double> trial{static_cast<double>(freeB)};
  if (pairs.xMean != 0) {
    const Extended below = std::floor((freeB * pairs.xMean - freePhase + held) / kPi);
    for (const Extended j : {below, below + 1}) {
      const double matching =
          static_cast<double>((freePhase - held + j * kPi) / static_cast<Extended>(pairs.xMean));
      if (std::isfinite(matching)) trial.push_back(matching);
    }
  }
  std::vector<FitState> starts;
  for (const double t : trial) starts.push_back(StartAt(FitMode::kFixedC, held, pairs, x, t));
  return starts;
}

}  // namespace

bool AllFinite(const FitState& state) {
  return std::all_of(state.p.begin(), state.p.end(), [](double p) { return std::isfinite(p); });
}

std::vector<FitState> StartsAt(FitMode mode, double fixed, const ShiftedPairs& pairs,
                               const std::vector<double>& x, const std::vector<double>& y,
                               double b, NormalMatrix& matrix) {
  if (mode == FitMode::kFixedC) return PhaseHeldStarts(fixed, pairs, x, y, b, matrix);
  return {StartAt(mode, fixed, pairs, x, b)};
}

FitState Unshifted(FitState state, double xMean) {
  if (state.mode == FitMode::kFixedC) return state;
  const int phaseIndex = PhaseIndex(state.mode);
  const int slopeIndex = state.mode == FitMode::kFixedA ? 0 : 1;
  const double b = state.p[slopeIndex];
  Extended c = state.p[phaseIndex] - static_cast<Extended>(b) * xMean;
  if (b < 0 && state.mode != FitMode::kAllFree) {
    state.p[slopeIndex] = -b;
    c = kPi - c;
  }
  c = std::fmod(c, kTwoPi);
  if (c < 0) c += kTwoPi;
  state.p[phaseIndex] = static_cast<double>(c);
  return state;
}

}  // namespace scan

namespace {

using scan::AllFinite;
using scan::StartsAt;
using scan::Unshifted;

// The (weighted) sum of squared residuals of the model itself (not of its
// rounded term text), in the x the state belongs to.
Extended ModelResidual(const FitState& state, const std::vector<double>& x,
                       const std::vector<double>& y, const ShiftedPairs& pairs) {
  const ModelParameters p = ParametersOf(state);
  Extended sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const Extended residual = y[i] - ModelValue(p, ModelSinCos(p, x[i]));
    sum += WeightOf(pairs, i) * residual * residual;
  }
  return sum;
}

// A start or its refinement that the pass's scoring took, with the model's
// own residual and |b|.
struct Scored {
  SineFit::Best best;
  Extended modelResidual;
  double absB;
};

// Each start and its refinement, scored like a random pass's candidates (in
// the original x, against the bound read once).
void ScoreStarts(const SineFit& fit, const std::vector<FitState>& starts,
                 const std::vector<double>& refineX, const ShiftedPairs& pairs, double bound,
                 NormalMatrix& matrix, std::vector<Scored>& scored) {
  const std::vector<double>& y = fit.Y();
  const auto boundOnce = [bound] { return bound; };
  for (const FitState& start : starts) {
    FitState refined = start;
    RefineCandidate(refined, refineX, y, pairs.w, matrix);
    for (const FitState& state : {start, refined}) {
      if (!AllFinite(state)) continue;
      const Extended modelResidual = ModelResidual(state, refineX, y, pairs);
      if (!std::isfinite(static_cast<double>(modelResidual))) continue;
      const FitState original = Unshifted(state, pairs.xMean);
      SineFit::Best one = fit.StartBest();
      fit.Consider(original, boundOnce, one);
      if (!(one.error < fit.Ceiling())) continue;  // out of bounds or not better than the ceiling
      scored.push_back({one, modelResidual, std::fabs(ParametersOf(original).b)});
    }
  }
}

// The model's own residual decides which fits are equally good; among them
// the one with the smallest |b| wins (the lowest alias of evenly spaced x).
const Scored& Winner(const std::vector<Scored>& scored, double baseline) {
  Extended least = scored.front().modelResidual;
  for (const Scored& s : scored) least = std::min(least, s.modelResidual);
  const Extended tie = least + kFitTieShare * static_cast<Extended>(baseline);
  const Scored* winner = nullptr;
  for (const Scored& s : scored) {
    if (s.modelResidual <= tie && (winner == nullptr || s.absB < winner->absB)) winner = &s;
  }
  return *winner;
}

}  // namespace

FrequencyGrid ScanGrid(FitMode mode, std::span<const double> x, double bound) {
  mode = EffectiveMode(mode);
  if (mode == FitMode::kFixedB || x.size() < 3 || !(bound > 0)) return {};
  double low = x[0], high = x[0];
  for (double v : x) {
    if (!std::isfinite(v)) return {};
    low = std::min(low, v);
    high = std::max(high, v);
  }
  const double span = high - low;
  if (!(span > 0) || !std::isfinite(span)) return {};
  const std::int64_t cap =
      std::min(kScanMaxTrials,
               std::max<std::int64_t>(1, kScanMaxWork / static_cast<std::int64_t>(x.size())));
  return scan::GridUpTo(span, bound, kScanOversampling, cap);
}

namespace scan {

FrequencyGrid GridUpTo(double span, double bound, int oversampling, std::int64_t cap) {
  FrequencyGrid grid;
  grid.step = static_cast<double>(kTwoPi / (static_cast<Extended>(oversampling) * span));
  const double trials = bound / grid.step;  // may be huge or infinite
  // Not a number (no bound, no span) or below one step: the fewest below.
  grid.count = trials >= static_cast<double>(cap) ? cap
               : trials >= 1                      ? static_cast<std::int64_t>(trials)
                                                  : 0;
  // A bound below a few steps: the few trial values up to it, closer together.
  constexpr std::int64_t kFewest = 3;
  if (grid.count < kFewest) {
    grid.count = kFewest;
    grid.step = bound / kFewest;
  }
  return grid;
}

}  // namespace scan

std::optional<PassResult> RunFrequencyScan(const SineFit& fit,
                                           const std::function<double()>& readBound,
                                           const std::function<bool()>& keepGoing) {
  const FitMode mode = fit.Mode();
  if (mode == FitMode::kFixedB) return std::nullopt;
  const std::vector<double>& x = fit.X();
  const std::vector<double>& y = fit.Y();
  if (!std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); }))
    return std::nullopt;
  double bound = 0;
  {
    const InterpreterStateGuard guard;
    bound = readBound();
  }
  const FrequencyGrid grid = ScanGrid(mode, x, bound);
  if (grid.count == 0) return std::nullopt;

  const ShiftedPairs pairs = Shift(x, y, fit.Weights());
  if (!std::isfinite(pairs.syy) || !std::isfinite(pairs.xMean) ||
      !std::isfinite(pairs.weightSum) || !(pairs.weightSum > 0))
    return std::nullopt;
  const Periodogram periodogram(mode, fit.FixedValue(), pairs);
  std::vector<double> residual;
  if (!ScanPeriodogram(pairs, grid, periodogram, residual, keepGoing)) return std::nullopt;
  const std::vector<double> candidates =
      ChooseCandidates(FindPeaks(residual, grid.step), periodogram.Baseline());

  const std::vector<double>& refineX = mode == FitMode::kFixedC ? x : pairs.x;
  NormalMatrix matrix{};
  std::vector<Scored> scored;
  for (const double b : candidates) {
    if (!keepGoing()) return std::nullopt;
    const std::vector<FitState> starts = StartsAt(mode, fit.FixedValue(), pairs, x, y, b, matrix);
    ScoreStarts(fit, starts, refineX, pairs, bound, matrix, scored);
  }
  if (scored.empty()) return std::nullopt;
  return fit.Finish(Winner(scored, periodogram.Baseline()).best);
}

}  // namespace sinusfit
