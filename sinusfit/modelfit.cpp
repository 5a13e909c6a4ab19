// The passes of the models beside the sine: starts from the periodogram and
// from random draws, their linear parameters solved, each refined by
// Levenberg-Marquardt steps; the best of a pass written as its term text
// with that text's own error.

#include "sinusfit/modelfit.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/fastperiodogram.h"
#include "sinusfit/interpreterstate.h"
#include "sinusfit/longseries.h"
#include "sinusfit/modelleastsquares.h"
#include "sinusfit/periodogram.h"
#include "sinusfit/prewhitening.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

using grund::Extended;

namespace {

// Levenberg-Marquardt steps of one refinement at most, and the share of
// the error below which a step's gain counts as converged.
constexpr int kSteps = 60;
constexpr int kSubsetSteps = 30;
constexpr double kConverged = 1e-10;
constexpr double kSubsetConverged = 1e-9;
constexpr double kAllConverged = 1e-8;
// On all pairs after the medium subset: a few steps finish the job.
constexpr int kAllSteps = 10;
// A random start still this far above the pass's best after kProbeSteps is
// given up: most land in a poor minimum, and their full refinement would
// cost most of a pass.
constexpr int kProbeSteps = 8;
constexpr double kHopeless = 1.5;
// Random starts of more than twice as many pairs are probed on this many first.
constexpr std::size_t kProbePairs = 500;
// Series longer than this refine their starts on kLongSubsetPairs first.
constexpr std::size_t kSubsetFrom = 2 * kLongSubsetPairs;
// The periodogram's deepest minima that start every pass.
constexpr int kPeriodogramStarts = 8;
// Trial values of the random passes' periodogram at most.
constexpr std::int64_t kPassTrials = std::int64_t{1} << 16;
// The best subset contender goes on to all pairs; where it leaves the bound
// the next, at most this many.
constexpr int kContenders = 3;
// Errors within this share of each other are equal: the aliases of evenly
// spaced x, told apart by |b|.
constexpr double kTieShare = 1e-9;
// x that keep this close (as a share of the step) to an even grid are on it.
constexpr double kGridWobble = 0.02;
// Decays tried at each b for a damped start, as δ·span.
constexpr double kDecayTrials[] = {-1, -0.3, 0, 0.3, 1, 2, 4, 8, 16};

int HeldIndex(FitMode mode) {
  switch (EffectiveMode(mode)) {
    case FitMode::kFixedA:
      return 0;
    case FitMode::kFixedB:
      return 1;
    case FitMode::kFixedC:
      return 2;
    case FitMode::kFixedD:
      return 3;
    case FitMode::kAllFree:
      break;
  }
  return -1;
}

ModelFit::Pairs Pick(const ModelFit::Pairs& all, const std::vector<std::size_t>& idx) {
  ModelFit::Pairs picked;
  for (std::size_t i : idx) {
    picked.x.push_back(all.x[i]);
    picked.y.push_back(all.y[i]);
    if (!all.w.empty()) picked.w.push_back(all.w[i]);
  }
  return picked;
}

// The shortest text that reads back as x, with a decimal comma; empty for
// an origin that is as good as 0.
std::string OriginText(double x, double span) {
  if (!(std::fabs(x) > 1e-9 * span) || !std::isfinite(x)) return {};
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
  std::string text = ec == std::errc{} ? std::string(buffer, end) : std::string();
  if (text.empty() || text.size() > 40) text = grund::FormatPoint(x, 0, DecimalsFor(1e-12 * span, 0));
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

double ReadBack(const std::string& text) {
  if (text.empty()) return 0;
  const grund::ParsedNumber number = grund::ParseNumber(grund::CommaToPoint(text));
  return number.ok ? number.value : 0;
}

// The model a pass starts from: a sum whose sines are added one at a time
// starts from its first.
const Model& StartModel(ModelKind kind, int frequencies) {
  if (kind == ModelKind::kSeveralFrequencies || (kind == ModelKind::kHarmonics && frequencies <= 0))
    return ModelOf(kind, 1);
  return ModelOf(kind, frequencies);
}

}  // namespace

ModelFit::ModelFit(ModelKind kind, FitMode mode, double fixedValue,
                   std::shared_ptr<const FitData> data, const TextPrecision& precision,
                   double ceiling)
    : ModelFit(kind, 1, mode, fixedValue, std::move(data), precision, ceiling) {}

ModelFit::ModelFit(ModelKind kind, int frequencies, FitMode mode, double fixedValue,
                   std::shared_ptr<const FitData> data, const TextPrecision& precision,
                   double ceiling)
    : model_(StartModel(kind, frequencies)),
      addedUpTo_(&model_ == &ModelOf(kind, frequencies) && frequencies > 0 ? -1
                                                                       : std::max(frequencies, 0)),
      held_(HeldIndex(mode)),
      fixed_(fixedValue),
      data_(std::move(data)),
      precision_(precision),
      ceiling_(ceiling) {
  all_.x = data_->x;
  all_.y = data_->y;
  all_.w = WeightsOf(*data_);
  const std::size_t n = all_.x.size();
  if (n > 2 * kProbePairs) probe_ = Pick(all_, StratifiedIndices(n, kProbePairs));
  if (n > kSubsetFrom) {
    subset_ = Pick(all_, StratifiedIndices(n, kLongSubsetPairs));
    if (n > 2 * kLongMediumPairs) medium_ = Pick(all_, StratifiedIndices(n, kLongMediumPairs));
  }
  double low = INFINITY, high = -INFINITY, yLow = INFINITY, yHigh = -INFINITY;
  for (std::size_t i = 0; i < n; ++i) {
    low = std::min(low, all_.x[i]);
    high = std::max(high, all_.x[i]);
    yLow = std::min(yLow, all_.y[i]);
    yHigh = std::max(yHigh, all_.y[i]);
    largestX_ = std::max(largestX_, std::fabs(all_.x[i]));
  }
  xLow_ = low;
  xHigh_ = high;
  span_ = high - low;
  if (!(span_ > 0) || !std::isfinite(span_)) span_ = 1;
  yRange_ = yHigh - yLow;
  if (!(yRange_ > 0) || !std::isfinite(yRange_)) yRange_ = std::max(std::fabs(yHigh), 1.0);
  x0Text_ = n > 0 ? OriginText(low, span_) : std::string();
  origin_.x0 = ReadBack(x0Text_);
  // A held phase (or a trend's held offset) is the term's own, about X.
  phaseHeld_ = held_ == 2 || (held_ == 3 && model_.Kind() == ModelKind::kSineWithTrend);
  origin_.phase = phaseHeld_ ? 0 : origin_.x0;

  // The step of x on an even grid (in any order, with gaps: hourly levels
  // with a missing day, nights of readings every two minutes), else 0.
  if (n >= 3) {
    // Recorded series come in order; only others are sorted.
    std::vector<double> sorted;
    const bool ordered = std::is_sorted(all_.x.begin(), all_.x.end());
    if (!ordered) {
      sorted = all_.x;
      std::sort(sorted.begin(), sorted.end());
    }
    const std::vector<double>& inOrder = ordered ? all_.x : sorted;
    // The step: the span over the count of the smallest steps it holds (x
    // written with few decimals, as 1920,083, wobble around it).
    double smallest = INFINITY;
    for (std::size_t i = 1; i < n; ++i)
      if (inOrder[i] > inOrder[i - 1]) smallest = std::min(smallest, inOrder[i] - inOrder[i - 1]);
    const double dx = span_ / std::round(span_ / smallest);
    bool even = dx > 0 && std::isfinite(dx);
    for (std::size_t i = 1; even && i < n; ++i) {
      const double steps = (inOrder[i] - inOrder[i - 1]) / dx;
      even = std::fabs(steps - std::round(steps)) <= kGridWobble;
    }
    if (even) gridStep_ = dx;
  }

  // The decay the swings show: the spread of y in the first and the last
  // third of the span.
  double yMean = 0;
  for (double v : all_.y) yMean += v;
  yMean /= std::max<std::size_t>(n, 1);
  double first = 0, last = 0;
  std::size_t inFirst = 0, inLast = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double u = (all_.x[i] - low) / span_;
    const double r = (all_.y[i] - yMean) * (all_.y[i] - yMean);
    if (u < 1.0 / 3) first += r, ++inFirst;
    if (u > 2.0 / 3) last += r, ++inLast;
  }
  const double ratio = std::sqrt((first / inFirst) / (last / inLast));
  envelopeDecay_ = std::log(ratio) / (2.0 / 3 * span_);
  if (!std::isfinite(envelopeDecay_)) envelopeDecay_ = 0;
  envelopeDecay_ = std::clamp(envelopeDecay_, -20 / span_, 20 / span_);
}

ModelFit::~ModelFit() = default;

std::optional<PassResult> ModelFit::RunPass(const std::function<double()>& readBound,
                                            const std::function<bool()>& keepGoing) {
  return Pass(false, readBound, keepGoing);
}

std::optional<PassResult> ModelFit::RunScanPass(const std::function<double()>& readBound,
                                                const std::function<bool()>& keepGoing) {
  if (held_ == 1) return std::nullopt;
  return Pass(true, readBound, keepGoing);
}

std::optional<std::vector<double>> ModelFit::Candidates(double bound, bool full,
                                                       const std::function<bool()>& keepGoing) {
  std::vector<double> found;
  const std::size_t n = all_.x.size();
  if (held_ == 1 || n < 3 || !(bound > 0) || !AllFinite(all_.x) || !AllFinite(all_.y))
    return found;
  const double upper = SearchUpper(bound);
  // The random passes take the periodogram's minima of a grid of at most
  // kPassTrials (random draws reach beyond); the scan's grid goes to the
  // bound. Summed on a long series' subset, the fast way where the grid is
  // long.
  const bool longSeries = !subset_.x.empty();
  FrequencyGrid grid = scan::GridUpTo(span_, upper,
                                      longSeries ? kLongScanOversampling : kScanOversampling,
                                      full ? kScanMaxTrials : kPassTrials);
  // The same grid for the scan and the passes is summed once.
  for (const CandidateList& known : candidates_)
    if (known.bound && *known.bound == bound && known.trials == grid.count) return known.b;
  CandidateList& list = candidates_[full ? 1 : 0];
  Pairs pairs = longSeries ? subset_ : all_;
  const auto withoutTrend = [this](Pairs& p) {
    // A trend would hide the period: the periodogram of what the straight
    // line leaves.
    if (model_.Kind() == ModelKind::kSineWithTrend) {
      const LinearFit line =
          SolveLinear(ModelOf(ModelKind::kSineWithTrend), {0}, origin_, p, -1, 0);
      if (line.coefficients.size() == 4)
        for (std::size_t i = 0; i < p.x.size(); ++i)
          p.y[i] -= line.coefficients[2] + line.coefficients[3] * (p.x[i] - origin_.phase);
    }
  };
  withoutTrend(pairs);
  const std::optional<std::vector<double>> minima = PeriodogramMinima(
      pairs, span_, std::max(std::fabs(xLow_), std::fabs(xHigh_)) + span_, upper,
      longSeries ? kLongScanOversampling : kScanOversampling,
      full ? kScanMaxTrials : kPassTrials, keepGoing);
  if (!minima) return std::nullopt;
  list = {bound, grid.count, *minima};
  return minima;
}

double ModelFit::SearchedUpTo(double bound) const {
  if (!(bound > 0)) return 0;
  // The scan's grid ends where its trials do, also for no bound.
  const double oversampling = subset_.x.empty() ? kScanOversampling : kLongScanOversampling;
  const double gridEnd = 2 * static_cast<double>(grund::kPi) / (oversampling * span_) *
                         static_cast<double>(kScanMaxTrials);
  return std::min(SearchUpper(bound), gridEnd);
}

double ModelFit::SearchUpper(double bound) const {
  // For evenly spaced x no further than Nyquist: every alias above has its
  // twin below (unless a held phase tells them apart).
  if (held_ != 2 && gridStep_ > 0) return std::min(bound, static_cast<double>(grund::kPi) / gridStep_);
  return bound;
}

std::optional<std::vector<double>> ModelFit::StartAt(double b, const Pairs& pairs,
                                                     bool searchDecay) const {
  // d held: the offset's column carries the held value.
  const int heldColumn = held_ == 3 ? 2 : -1;
  std::vector<double> nonlinear{b};
  LinearFit best;
  if (model_.ExtraNonlinearCount() > 0) {
    nonlinear.push_back(0);
    std::vector<double> decays{envelopeDecay_, 0};
    if (searchDecay)
      for (double trial : kDecayTrials) decays.push_back(trial / span_);
    double bestDecay = 0;
    for (double decay : decays) {
      nonlinear[1] = decay;
      const LinearFit fit = SolveLinear(model_, nonlinear, origin_, pairs, heldColumn, fixed_);
      if (!fit.coefficients.empty() && !(fit.error >= best.error)) {
        best = fit;
        bestDecay = decay;
      }
    }
    nonlinear[1] = bestDecay;
  } else {
    best = SolveLinear(model_, nonlinear, origin_, pairs, heldColumn, fixed_);
  }
  if (best.coefficients.empty()) return std::nullopt;
  std::vector<double> p = model_.FromLinear(nonlinear, best.coefficients);
  if (held_ == 0) {
    // The held amplitude, the phase turned where its sign differs.
    if ((p[0] < 0) != (fixed_ < 0)) p[2] += static_cast<double>(grund::kPi);
    p[0] = fixed_;
  } else if (held_ == 2) {
    p[2] = fixed_;
  }
  if (!AllFinite(p)) return std::nullopt;
  return p;
}

ModelFit::Refined ModelFit::Refine(std::vector<double> p, const Pairs& pairs, int steps,
                                   double converged, double abandonAbove) const {
  const Model& model = ModelFor(p);
  return RefineModel(model, std::move(p), origin_, pairs, held_,
                     {steps, converged, abandonAbove, kProbeSteps});
}

ModelFit::Refined ModelFit::RefineOnAll(const Refined& onSubset,
                                        const std::function<bool()>& keepGoing) {
  // A start that ended where an earlier one did goes the same way on all pairs.
  for (const auto& [from, to] : refinedOnAll_) {
    if (from.p.size() == onSubset.p.size() &&
        std::fabs(from.p[1] - onSubset.p[1]) * span_ <= 1e-3 &&
        std::fabs(from.error - onSubset.error) <= 1e-6 * from.error)
      return to;
  }
  Refined r = onSubset;
  if (!medium_.x.empty() && keepGoing()) r = Refine(r.p, medium_, kSteps, kConverged);
  if (r.ok && keepGoing())
    r = Refine(r.p, all_, medium_.x.empty() ? kSteps : kAllSteps, kAllConverged);
  refinedOnAll_.emplace_back(onSubset, r);
  return r;
}

bool ModelFit::WithinBound(const std::vector<double>& p, double bound) const {
  for (const int k : ModelFor(p).FrequencyParameters())
    if (!(k == 1 && held_ == 1) && !(std::fabs(p[static_cast<std::size_t>(k)]) <= bound)) return false;
  return true;
}

std::optional<ModelFit::Refined> ModelFit::AddSines(const Refined& first, bool scan, double bound,
                                                    const std::function<bool()>& keepGoing) {
  // Random starts end in the same first sine up to the last bits: the sum
  // grown from it is found once, by where b lies to a ten-thousandth of the
  // resolution.
  const bool longSeries = !subset_.x.empty();
  const int oversampling = longSeries ? kLongScanOversampling : kScanOversampling;
  const std::int64_t maxTrials = scan ? kScanMaxTrials : kPassTrials;
  // The scan's and the passes' grids alike where both reach the highest b.
  const std::int64_t trials =
      scan::GridUpTo(span_, SearchedUpTo(bound), oversampling, maxTrials).count;
  const std::pair key{std::llround(first.p[1] * span_ / (2 * grund::kPi) * 1e4), trials};
  const Pairs& level = longSeries ? subset_ : all_;
  SineSumSearch search;
  search.kind = model_.Kind();
  search.frequencies = addedUpTo_;
  search.held = held_;
  search.origin = origin_;
  search.span = span_;
  search.reach = std::max(std::fabs(xLow_), std::fabs(xHigh_)) + span_;
  search.oversampling = oversampling;
  search.maxTrials = maxTrials;
  search.upper = SearchedUpTo(bound);
  search.bound = bound;
  const auto known = sums_.find(key);
  if (known != sums_.end()) return known->second;
  if (!aliasOffsets_ || aliasOffsets_->first != search.upper)
    aliasOffsets_.emplace(search.upper, AliasOffsets(level, span_, search.upper));
  std::optional<Refined> sum = Prewhiten(search, level, aliasOffsets_->second, first, keepGoing);
  if (!sum) return std::nullopt;
  sums_.emplace(key, sum);
  return sum;
}

std::optional<PassResult> ModelFit::Pass(bool scan, const std::function<double()>& readBound,
                                         const std::function<bool()>& keepGoing) {
  double bound = 0;
  if (scan) {
    const InterpreterStateGuard guard;
    bound = readBound();
  } else {
    bound = readBound();
  }
  const std::optional<std::vector<double>> found = Candidates(bound, scan, keepGoing);
  if (!found) return std::nullopt;
  const std::vector<double>& candidates = *found;
  if (scan && candidates.empty()) return std::nullopt;
  std::vector<double> starts;
  std::size_t fromPeriodogram = 0;
  if (held_ == 1) {
    starts.assign(1, fixed_);
  } else {
    fromPeriodogram =
        scan ? candidates.size()
             : std::min<std::size_t>(candidates.size(), kPeriodogramStarts);
    starts.assign(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(fromPeriodogram));
  }
  if (!scan) {
    // The rest at random within the bound (the grid's end where it is huge),
    // for x on an even grid below Nyquist: above it are only aliases.
    double upper = std::isfinite(bound) ? SearchUpper(bound) : 0;
    const double gridEnd = 2 * static_cast<double>(grund::kPi) / (kScanOversampling * span_) *
                           static_cast<double>(kScanMaxTrials);
    if (!(upper > 0) || upper > gridEnd) upper = std::isfinite(gridEnd) ? gridEnd : 5;
    grund::RandomGenerator& random = grund::ProcessRandom();
    while (starts.size() < static_cast<std::size_t>(kCandidatesPerPass)) {
      const double b = random.NextFraction() * upper;
      starts.push_back(held_ == 1 ? fixed_ : b);
    }
  }

  const Pairs& level = subset_.x.empty() ? all_ : subset_;
  const bool onSubset = !subset_.x.empty();
  std::vector<Refined> contenders;
  double bestSoFar = INFINITY;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const bool random = i >= fromPeriodogram;
    // The periodogram's starts are the same every pass.
    std::optional<std::vector<double>> start;
    if (random) {
      start = StartAt(starts[i], probe_.x.empty() ? level : probe_, false);
    } else {
      auto known = periodogramStarts_.find(starts[i]);
      if (known == periodogramStarts_.end())
        known = periodogramStarts_.emplace(starts[i], StartAt(starts[i], level, true)).first;
      start = known->second;
    }
    if (!keepGoing()) return std::nullopt;
    if (!start) continue;
    auto cached = refinedStarts_.find(*start);
    if (cached == refinedStarts_.end()) {
      double abandon = random ? kHopeless * bestSoFar : INFINITY;
      Refined r;
      r.ok = true;
      r.p = *start;
      if (random && !probe_.x.empty()) {
        // A few steps on the few pairs of the probe tell most random starts
        // apart from those worth the pairs' time; its error scaled to theirs.
        const double scale = static_cast<double>(level.x.size()) / probe_.x.size();
        r = Refine(r.p, probe_, kProbeSteps, kSubsetConverged);
        if (!(r.error * scale <= abandon)) r.ok = false;
        abandon = INFINITY;
      }
      if (r.ok)
        r = onSubset ? Refine(r.p, level, kSubsetSteps, kSubsetConverged, abandon)
                     : Refine(r.p, level, kSteps, kConverged, abandon);
      cached = refinedStarts_.emplace(*start, std::move(r)).first;
    }
    Refined r = cached->second;
    // A refinement that left the bound leaves its start, which was within.
    if (r.ok && !WithinBound(r.p, bound) && WithinBound(*start, bound))
      r = Refine(*start, level, 0, kConverged);
    if (r.ok && WithinBound(r.p, bound)) {
      bestSoFar = std::min(bestSoFar, r.error);
      contenders.push_back(std::move(r));
    }
  }
  // The least error first; of equal ones the lowest |b|.
  std::sort(contenders.begin(), contenders.end(), [](const Refined& l, const Refined& r) {
    if (std::fabs(l.error - r.error) <= kTieShare * std::max(l.error, r.error))
      return std::fabs(l.p[1]) < std::fabs(r.p[1]);
    return l.error < r.error;
  });
  Refined best;
  best.error = ceiling_;
  for (std::size_t i = 0; i < contenders.size() && static_cast<int>(i) < kContenders; ++i) {
    Refined found = contenders[i];
    if (addedUpTo_ >= 0) {
      std::optional<Refined> sum = AddSines(found, scan, bound, keepGoing);
      if (!sum) return std::nullopt;
      found = std::move(*sum);
    }
    const Refined r = onSubset ? RefineOnAll(found, keepGoing) : found;
    if (!keepGoing()) return std::nullopt;
    if (r.ok && WithinBound(r.p, bound)) {
      if (r.error < best.error) best = r;
      break;
    }
  }
  // As for the sine, the line's own text must beat the ceiling; where the
  // interpreter sees it otherwise (its caps), the zero term stands instead.
  PassResult result = Result(best);
  if (best.ok && !(result.error < ceiling_)) result = Result(Refined{});
  return result;
}

PassResult ModelFit::Result(const Refined& best) const {
  std::vector<double> p = best.p;
  if (!best.ok) {
    // Nothing below the ceiling: the model's zero term, the held value kept.
    p.assign(static_cast<std::size_t>(model_.ParameterCount()), 0);
    if (held_ >= 0) p[static_cast<std::size_t>(held_)] = fixed_;
  }
  ModelOrigin written = origin_;
  // About X where b·x and x themselves stay well inside the interpreter's
  // range (beyond it only X − x₀ is exact there). A sum's sines about x₀
  // where the pairs lie far from X = 0 (a star's days near 2 460 000): their
  // b and c then read plainly, and their uncertainties are those of the
  // phases at the data, not 2 460 000 days before them.
  const bool farFromZero = IsSumOfSines(model_.Kind()) && std::fabs(origin_.x0) > span_;
  if (!phaseHeld_ && std::fabs(p[1]) * largestX_ <= kPhaseAboutXLimit &&
      largestX_ <= kPhaseAboutXLimit && !farFromZero)
    written.phase = 0;
  const Model& model = ModelFor(p);
  std::vector<double> values = model.MovePhaseOrigin(p, origin_, written);

  // The decimals: the window's on its usual scale; beyond, enough that
  // rounding moves the model at no pair by more than kModelShare of the y range.
  const std::size_t count = values.size();
  std::vector<int> decimals(count, 6);
  if (!precision_.specifiedScale) {
    // The derivatives are largest at the ends of x; a long series' subset
    // stands in for the rest.
    std::vector<double> largest(count, 0), dp(count);
    const auto include = [&](double x) {
      model.Evaluate(values, x, written, dp);
      for (std::size_t k = 0; k < count; ++k) largest[k] = std::max(largest[k], std::fabs(dp[k]));
    };
    for (double x : subset_.x.empty() ? all_.x : subset_.x) include(x);
    include(xLow_);
    include(xHigh_);
    for (std::size_t k = 0; k < count; ++k)
      decimals[k] = DecimalsFor(kModelShare * yRange_ / largest[k], 6);
  }
  const std::string phaseText = written.phase == 0 ? std::string() : x0Text_;
  PassResult result;
  result.term = model.TermText(values, decimals, x0Text_, phaseText);
  std::vector<double> rounded(count);
  for (std::size_t k = 0; k < count; ++k)
    rounded[k] = ReadBack(grund::FormatComma(values[k], 0, decimals[k]));
  result.error = TextError(result.term, rounded, written);
  result.model = model_.Kind();
  result.values = std::move(values);
  result.origin = written;
  result.entry = BuildResultEntry(result.error, result.term, precision_);
  return result;
}

double ModelFit::TextError(const std::string& term, const std::vector<double>& written,
                           const ModelOrigin& origin) const {
  const std::size_t n = all_.x.size();
  // Where the text's values could reach the interpreter's caps, or the
  // series is short enough, the interpreter itself.
  // The interpreter caps numbers in the text too.
  bool capped = (origin.phase == 0 && largestX_ > kPhaseAboutXLimit) ||
                largestX_ >= fktint::MaxValue;
  for (const double v : written) capped = capped || !(std::fabs(v) <= 1e9);
  if (model_.Kind() == ModelKind::kDampedOscillation)
    capped = capped || std::fabs(written[4]) * span_ > 20;
  if (model_.Kind() == ModelKind::kSineWithTrend)
    capped = capped || std::fabs(written[4]) * largestX_ > 1e9;
  const auto known = textErrors_.find(term);
  if (known != textErrors_.end()) return known->second;
  if (n <= kInterpretedPairs || capped)
    return textErrors_[term] = static_cast<double>(ErrorSum(term, all_.x, all_.y, all_.w));
  const Model& model = ModelFor(written);
  Extended sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Extended r =
        static_cast<Extended>(all_.y[i]) - model.Evaluate(written, all_.x[i], origin, {});
    sum += (all_.w.empty() ? 1 : all_.w[i]) * r * r;
  }
  return textErrors_[term] = static_cast<double>(sum);
}

}  // namespace sinusfit
