// Several periods one after the other: the residuals' periodogram, the
// aliases of its peaks, and a joint refinement after each added sine.

#include "sinusfit/prewhitening.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "sinusfit/fastperiodogram.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/periodogram.h"
#include "sinusfit/significance.h"
#include "sinusfit/fitdata.h"
#include "sinusfit/sinefamily.h"

namespace sinusfit {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The periodogram's deepest minima tried for the next sine; the deepest
// also at its aliases.
constexpr int kPeaksTried = 3;
// Spectral window peaks lower than this share of its height at 0 repeat a
// peak too faintly to mislead.
constexpr double kAliasPower = 0.2;
constexpr std::size_t kAliasOffsets = 2;
constexpr int kWindowOversampling = 5;
constexpr std::int64_t kWindowSteps = 4096;
constexpr std::size_t kWindowPairs = 1000;
// Two sines closer than this many resolutions 2π/span cannot be told apart
// (the criterion of Loumos and Deeming, 1978).
constexpr double kDistinct = 1.5;
constexpr RefineLimits kLimits{60, 1e-10};
constexpr double kHopeless = 1.5;
// Errors within this share of each other are equal (aliases of x on a
// grid); the lower frequency wins.
constexpr double kTieShare = 1e-9;

// Whether the refinement r of the model is better than the best so far; of
// equal ones that with the lower frequencies.
bool Better(const Model& model, const Refinement& r, const Refinement& best) {
  if (std::fabs(r.error - best.error) > kTieShare * std::max(r.error, best.error))
    return r.error < best.error;
  double mine = 0, theirs = 0;
  for (const int k : model.FrequencyParameters()) {
    mine += std::fabs(r.p[static_cast<std::size_t>(k)]);
    theirs += std::fabs(best.p[static_cast<std::size_t>(k)]);
  }
  return mine < theirs;
}

const Model& SumOf(const SineSumSearch& s, int terms) { return ModelOf(s.kind, terms); }
bool Harmonics(const SineSumSearch& s) { return s.kind == ModelKind::kHarmonics; }

ModelPairs Residuals(const Model& model, const std::vector<double>& p, const ModelOrigin& origin,
                     const ModelPairs& pairs) {
  ModelPairs rest = pairs;
  for (std::size_t i = 0; i < rest.x.size(); ++i)
    rest.y[i] -= model.Evaluate(p, rest.x[i], origin, {});
  return rest;
}

// Amplitude and phase of the sine at b that fits the residuals best (with an
// offset beside it); nothing where none can be solved.
std::optional<std::array<double, 3>> SineAt(const SineSumSearch& s, double b,
                                            const ModelPairs& residuals) {
  const LinearFit fit = SolveLinear(ModelOf(ModelKind::kSeveralFrequencies, 1), {b}, s.origin,
                                    residuals, -1, 0);
  if (fit.coefficients.size() != 3) return std::nullopt;
  std::array<double, 3> sine{};
  family::AmplitudeAndPhase(fit.coefficients[0], fit.coefficients[1], sine[0], sine[1]);
  sine[2] = fit.coefficients[2];
  return sine;
}

// The sum's bₖ within the bound and apart from each other.
bool Acceptable(const SineSumSearch& s, const Model& model, const std::vector<double>& p) {
  const std::vector<int> frequencies = model.FrequencyParameters();
  for (std::size_t k = 0; k < frequencies.size(); ++k) {
    const double b = p[static_cast<std::size_t>(frequencies[k])];
    // A held b₁ may lie beyond the bound; every other keeps it.
    if (!(k == 0 && s.held == 1) && !(std::fabs(b) <= s.bound)) return false;
    for (std::size_t j = 0; j < k; ++j)
      if (std::fabs(b - p[static_cast<std::size_t>(frequencies[j])]) * s.span < kDistinct * kTwoPi)
        return false;
  }
  return true;
}

bool AllSignificant(const SineSumSearch& s, const Model& model, const std::vector<double>& p,
                    const ModelPairs& pairs) {
  const std::vector<SineSignificance> found =
      SinesSignificance(model, p, s.origin, pairs.x, pairs.y, pairs.w, s.upper);
  return std::all_of(found.begin(), found.end(),
                     [](const SineSignificance& f) { return f.Significant(); });
}

// Whether the sine a sum's refinement added (the one at a frequency the
// sum before it did not have) stands out of the residuals it was found in
// on its own, before the refinement let every sine give way to it: the
// prewhitening's own test, stricter than the one of the joint fit. rest:
// the pairs less the sum before.
bool AddedStandsOut(const SineSumSearch& s, const Refinement& before, const Refinement& after,
                    const ModelPairs& rest) {
  if (Harmonics(s)) return true;
  const int terms = static_cast<int>((before.p.size() - 1) / 3);
  const Model& larger = SumOf(s, terms + 1);
  const std::vector<int> old = SumOf(s, terms).FrequencyParameters();
  for (const int k : larger.FrequencyParameters()) {
    const double b = after.p[static_cast<std::size_t>(k)];
    const bool known = std::any_of(old.begin(), old.end(), [&](int j) {
      return std::fabs(before.p[static_cast<std::size_t>(j)] - b) * s.span < kDistinct * kTwoPi;
    });
    if (known) continue;
    const LinearFit sine = SolveLinear(ModelOf(ModelKind::kSeveralFrequencies, 1), {b}, s.origin,
                                       rest, -1, 0);
    FitData data;
    data.x = rest.x;
    data.y = rest.y;
    for (const double w : rest.w) data.sigma.push_back(1 / std::sqrt(w));
    return PeriodFalseAlarm(data, sine.error, s.upper) <= kSignificantFap;
  }
  return false;
}

// The values of b to try for the next sine of a sum.
std::optional<std::vector<double>> NextTrials(const SineSumSearch& s, const ModelPairs& rest,
                                              const std::vector<double>& aliasOffsets,
                                              const std::function<bool()>& keepGoing) {
  // Half as fine as the first sine's: the joint refinement finds the peak's
  // top, and the residuals' periodograms are most of a sum's search.
  const std::optional<std::vector<double>> minima = PeriodogramMinima(
      rest, s.span, s.reach, s.upper, std::max(1, s.oversampling / 2), s.maxTrials, keepGoing);
  if (!minima) return std::nullopt;
  std::vector<double> trials(minima->begin(),
                             minima->begin() + std::min<std::ptrdiff_t>(kPeaksTried, std::ssize(*minima)));
  if (!minima->empty())
    for (const double offset : aliasOffsets)
      for (const double alias : {minima->front() - offset, minima->front() + offset})
        if (alias > 0 && alias <= s.upper) trials.push_back(alias);
  return trials;
}

// One more sine after `terms`, of those tried the one whose joint
// refinement ends lowest; nothing where none is acceptable.
// rest: the pairs less the sum so far.
std::optional<Refinement> AddSine(const SineSumSearch& s, const ModelPairs& pairs,
                                  const ModelPairs& rest, const Refinement& fit, int terms,
                                  const std::vector<double>& trials,
                                  const std::function<bool()>& keepGoing) {
  const Model& larger = SumOf(s, terms + 1);
  std::optional<Refinement> best;
  for (const double b : trials) {
    const std::optional<std::array<double, 3>> sine = SineAt(s, b, rest);
    if (!sine || !keepGoing()) continue;
    std::vector<double> start = fit.p;
    start.push_back((*sine)[0]);
    if (!Harmonics(s)) start.push_back(b);
    start.push_back((*sine)[1]);
    if (!Acceptable(s, larger, start)) continue;
    // A trial still far above the best after a few steps is given up: the
    // periodogram's deepest comes first and mostly wins.
    RefineLimits limits = kLimits;
    if (best) limits.abandonAbove = kHopeless * best->error;
    Refinement r = RefineModel(larger, std::move(start), s.origin, pairs, s.held, limits);
    if (r.ok && Acceptable(s, larger, r.p) && (!best || Better(larger, r, *best)))
      best = std::move(r);
  }
  return best;
}

// Each sine's frequency moved to its aliases, its amplitude and phase
// fitted anew there, and all refined: kept where the error drops.
Refinement PolishAliases(const SineSumSearch& s, const ModelPairs& pairs,
                         const std::vector<double>& aliasOffsets, Refinement fit, int terms,
                         const std::function<bool()>& keepGoing) {
  const Model& model = SumOf(s, terms);
  const int moving = Harmonics(s) ? 1 : terms;
  for (int k = 0; k < moving; ++k) {
    // The held parameters of the first sine stay where the user put them.
    if (k == 0 && s.held >= 0 && s.held <= 2) continue;
    for (const double offset : aliasOffsets) {
      for (const double sign : {-1.0, 1.0}) {
        if (!keepGoing()) return fit;
        const auto a = static_cast<std::size_t>(model.AmplitudeIndex(k));
        const double b = fit.p[a + 1] + sign * offset;
        if (!(b > 0) || b > s.upper) continue;
        std::vector<double> start = fit.p;
        start[a + 1] = b;
        if (!Harmonics(s)) {
          start[a] = 0;
          const std::optional<std::array<double, 3>> sine =
              SineAt(s, b, Residuals(model, start, s.origin, pairs));
          if (!sine) continue;
          start[a] = (*sine)[0];
          start[a + 2] = (*sine)[1];
        }
        if (!Acceptable(s, model, start)) continue;
        Refinement r = RefineModel(model, std::move(start), s.origin, pairs, s.held, kLimits);
        if (r.ok && Acceptable(s, model, r.p) && Better(model, r, fit)) fit = std::move(r);
      }
    }
  }
  return fit;
}

}  // namespace

std::optional<std::vector<double>> PeriodogramMinima(const ModelPairs& pairs, double span,
                                                     double reach, double upper, int oversampling,
                                                     std::int64_t maxTrials,
                                                     const std::function<bool()>& keepGoing) {
  const auto n = static_cast<std::int64_t>(pairs.x.size());
  if (n < 3 || !(upper > 0)) return std::vector<double>{};
  FrequencyGrid grid = scan::GridUpTo(span, upper, oversampling, maxTrials);
  const bool fast = (n * grid.count > kScanMaxWork ||
                     scan::FastPeriodogramPays(static_cast<std::size_t>(n), grid.count)) &&
                    scan::FastPeriodogramTakes(reach, grid);
  if (!fast) grid.count = std::min(grid.count, std::max<std::int64_t>(3, kScanMaxWork / n));
  const scan::ShiftedPairs shifted = scan::Shift(pairs.x, pairs.y, pairs.w);
  const scan::Periodogram periodogram(FitMode::kAllFree, 0, shifted);
  std::vector<double> residual;
  const bool summed =
      fast ? scan::FastScanPeriodogram(shifted, grid, periodogram, residual, keepGoing)
           : scan::ScanPeriodogram(shifted, grid, periodogram, residual, keepGoing);
  if (!summed) return std::nullopt;
  return scan::ChooseCandidates(scan::FindPeaks(residual, grid.step), periodogram.Baseline());
}

std::vector<double> AliasOffsets(const ModelPairs& pairs, double span, double upper) {
  const std::size_t n = pairs.x.size();
  if (n < 3 || !(span > 0) || !(upper > 0)) return {};
  const double step = kTwoPi / (kWindowOversampling * span);
  const double reachable = std::floor(upper / step);
  if (!(reachable >= 3)) return {};
  const auto steps = static_cast<std::size_t>(std::min<double>(reachable, kWindowSteps));
  // Each pair's phase turns by the same angle from one frequency to the
  // next. Every few pairs of a long series draw the same window.
  std::vector<std::complex<double>> sums(steps + 1);
  double weights = 0;
  const std::size_t stride = (n + kWindowPairs - 1) / kWindowPairs;
  for (std::size_t i = 0; i < n; i += stride) {
    const double w = pairs.w.empty() ? 1 : pairs.w[i];
    const double t = pairs.x[i] - pairs.x[0];
    std::complex<double> turn = w;
    const std::complex<double> advance = std::polar(1.0, step * t);
    for (std::complex<double>& s : sums) {
      s += turn;
      turn *= advance;
    }
    weights += w;
  }
  if (!(weights > 0)) return {};
  std::vector<double> power(sums.size());
  for (std::size_t j = 0; j < sums.size(); ++j) power[j] = std::norm(sums[j]) / (weights * weights);
  // Past the main lobe: from its first minimum on.
  std::size_t j = 1;
  while (j + 1 < power.size() && power[j] < power[j - 1]) ++j;
  std::vector<std::pair<double, double>> peaks;  // power, offset
  for (; j + 1 < power.size(); ++j) {
    if (!(power[j] >= kAliasPower) || power[j] < power[j - 1] || power[j] < power[j + 1]) continue;
    // The top of the parabola through the three.
    const double curve = power[j - 1] - 2 * power[j] + power[j + 1];
    const double shift = curve < 0 ? 0.5 * (power[j - 1] - power[j + 1]) / curve : 0;
    peaks.emplace_back(power[j], (static_cast<double>(j) + shift) * step);
  }
  std::sort(peaks.begin(), peaks.end(), [](const auto& l, const auto& r) { return l.first > r.first; });
  std::vector<double> offsets;
  for (std::size_t k = 0; k < peaks.size() && k < kAliasOffsets; ++k) offsets.push_back(peaks[k].second);
  return offsets;
}

std::optional<Refinement> Prewhiten(const SineSumSearch& search, const ModelPairs& pairs,
                                    const std::vector<double>& aliasOffsets, Refinement first,
                                    const std::function<bool()>& keepGoing) {
  Refinement fit = std::move(first);
  int terms = static_cast<int>(Harmonics(search) ? (fit.p.size() - 2) / 2 : (fit.p.size() - 1) / 3);
  const int wanted = search.frequencies > 0 ? std::min(search.frequencies, kMaxFrequencies)
                                            : kMaxFrequencies;
  // Where the first sine is noise already, no further one will stand out.
  if (search.frequencies == 0 && !AllSignificant(search, SumOf(search, terms), fit.p, pairs))
    return fit;
  while (terms < wanted) {
    // Twice as many pairs as parameters at least: fewer fit anything.
    if (pairs.x.size() < 2 * static_cast<std::size_t>(SumOf(search, terms + 1).ParameterCount()))
      break;
    const ModelPairs rest = Residuals(SumOf(search, terms), fit.p, search.origin, pairs);
    std::vector<double> trials;
    if (Harmonics(search)) {
      trials.push_back((terms + 1) * fit.p[1]);
    } else {
      const std::optional<std::vector<double>> next =
          NextTrials(search, rest, aliasOffsets, keepGoing);
      if (!next) return std::nullopt;
      trials = *next;
    }
    std::optional<Refinement> added = AddSine(search, pairs, rest, fit, terms, trials, keepGoing);
    if (!keepGoing()) return std::nullopt;
    if (!added) break;
    if (search.frequencies == 0 &&
        (!AllSignificant(search, SumOf(search, terms + 1), added->p, pairs) ||
         !AddedStandsOut(search, fit, *added, rest)))
      break;
    fit = std::move(*added);
    ++terms;
  }
  fit = PolishAliases(search, pairs, aliasOffsets, std::move(fit), terms, keepGoing);
  if (!keepGoing()) return std::nullopt;
  return fit;
}

}  // namespace sinusfit
