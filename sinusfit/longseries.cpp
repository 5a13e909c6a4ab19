// The long-series computation: subset-then-all refinement of the random
// starts, the scan's periodogram on a subset with the best peaks refined on
// all pairs, and the true error of each listed term text.

#include "sinusfit/longseries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "_grund/grund.h"
#include "sinusfit/interpreterstate.h"
#include "sinusfit/pairloops.h"
#include "fktint/fktint.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

using grund::Extended;

namespace {

constexpr double kTwoPiD = 6.283185307179586476925286766559;
// Candidates of a pass (and peaks of the scan) refined on all pairs.
constexpr int kFullRefinements = 3;
// After the first, only fits whose subset error is within this factor of
// the first one's go on to all pairs: a fit that much worse on an evenly
// spread subset does not overtake it on all pairs.
constexpr double kContender = 1.25;
constexpr int kScanPeaks = 10;
constexpr int kSubsetSteps = 40;
// A step on the subset that lowers its error by less than this share ends
// the refinement there.
constexpr double kSubsetConverged = 1e-9;
constexpr int kFullSteps = 30;
// Pairs per chunk of a loop over all pairs, between two looks at keepGoing.
constexpr std::size_t kChunk = 16384;

std::vector<std::size_t> SpreadIndices(std::size_t n, std::size_t m) {
  std::vector<std::size_t> idx;
  if (m >= n) {
    idx.resize(n);
    for (std::size_t i = 0; i < n; ++i) idx[i] = i;
    return idx;
  }
  idx.reserve(m);
  for (std::size_t j = 0; j < m; ++j)
    idx.push_back(static_cast<std::size_t>((static_cast<double>(j) + 0.5) * n / m));
  return idx;
}

LongSeriesFit::Pairs Pick(const LongSeriesFit::Pairs& all, const std::vector<std::size_t>& idx) {
  LongSeriesFit::Pairs p;
  p.x.reserve(idx.size());
  p.y.reserve(idx.size());
  for (std::size_t i : idx) {
    p.x.push_back(all.x[i]);
    p.y.push_back(all.y[i]);
    if (!all.w.empty()) p.w.push_back(all.w[i]);
  }
  return p;
}

// Pairs [from, to) of a set, for the loops over pairs.
pairloops::PairSpan Span(const LongSeriesFit::Pairs& pairs, std::size_t from, std::size_t to) {
  return {pairs.x.data() + from, pairs.y.data() + from,
          pairs.w.empty() ? nullptr : pairs.w.data() + from, to - from};
}

// Solves the m × m system (row-major in g, right side r) with column scaling
// and partial pivoting; false when singular.
bool SolveSmall(int m, std::array<std::array<double, 4>, 4> g, std::array<double, 4> r,
                std::array<double, 4>& out) {
  std::array<double, 4> scale{};
  for (int k = 0; k < m; ++k) {
    if (!(g[k][k] > 0) || !std::isfinite(g[k][k])) return false;
    scale[k] = 1 / std::sqrt(g[k][k]);
  }
  for (int k = 0; k < m; ++k) {
    for (int l = 0; l < m; ++l) g[k][l] *= scale[k] * scale[l];
    r[k] *= scale[k];
  }
  std::array<int, 4> row{0, 1, 2, 3};
  for (int col = 0; col < m; ++col) {
    int pivot = col;
    for (int k = col + 1; k < m; ++k)
      if (std::fabs(g[row[k]][col]) > std::fabs(g[row[pivot]][col])) pivot = k;
    std::swap(row[col], row[pivot]);
    const double diag = g[row[col]][col];
    if (!(std::fabs(diag) > 1e-13)) return false;
    for (int k = col + 1; k < m; ++k) {
      const double f = g[row[k]][col] / diag;
      for (int l = col; l < m; ++l) g[row[k]][l] -= f * g[row[col]][l];
      r[row[k]] -= f * r[row[col]];
    }
  }
  for (int col = m - 1; col >= 0; --col) {
    double v = r[row[col]];
    for (int l = col + 1; l < m; ++l) v -= g[row[col]][l] * out[l];
    out[col] = v / g[row[col]][col];
  }
  for (int k = 0; k < m; ++k) {
    out[k] *= scale[k];
    if (!std::isfinite(out[k])) return false;
  }
  return true;
}

// The numbers of a term text a*SIN(b*X±c)±d as the interpreter reads them.
std::optional<ModelParameters> ParseTerm(const std::string& term) {
  const std::size_t sinAt = term.find("*SIN(");
  const std::size_t xAt = term.find("*X", sinAt == std::string::npos ? 0 : sinAt);
  const std::size_t closeAt = term.rfind(')');
  if (sinAt == std::string::npos || xAt == std::string::npos || closeAt == std::string::npos ||
      closeAt < xAt)
    return std::nullopt;
  const auto number = [&](std::size_t from, std::size_t to, double& out) {
    std::string text = term.substr(from, to - from);
    std::replace(text.begin(), text.end(), ',', '.');
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
  };
  ModelParameters p;
  if (!number(0, sinAt, p.a) || !number(sinAt + 5, xAt, p.b) || !number(xAt + 2, closeAt, p.c) ||
      !number(closeAt + 1, term.size(), p.d))
    return std::nullopt;
  return p;
}

}  // namespace

// Counts pair evaluations and asks keepGoing every kLongCheckWork of them.
class LongSeriesFit::Work {
 public:
  explicit Work(const std::function<bool()>& keepGoing) : keepGoing_(keepGoing) {}
  bool Add(std::size_t pairs) {
    done_ += static_cast<std::int64_t>(pairs);
    if (done_ >= kLongCheckWork) {
      done_ = 0;
      if (!stopped_ && !keepGoing_()) stopped_ = true;
    }
    return !stopped_;
  }
  bool Stopped() const { return stopped_; }

 private:
  const std::function<bool()>& keepGoing_;
  std::int64_t done_ = 0;
  bool stopped_ = false;
};

LongSeriesFit::LongSeriesFit(FitMode mode, double fixedValue, const FitData& data,
                             const TextPrecision& precision, double ceiling)
    : mode_(EffectiveMode(mode)), fixed_(fixedValue), precision_(precision), ceiling_(ceiling) {
  const std::size_t n = std::min(data.x.size(), data.y.size());
  xOriginal_.assign(data.x.begin(), data.x.begin() + static_cast<std::ptrdiff_t>(n));
  std::vector<double> w = WeightsOf(data);
  w.resize(w.empty() ? 0 : n);
  Extended sum = 0;
  double low = n ? xOriginal_[0] : 0, high = low;
  for (double v : xOriginal_) {
    sum += v;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  xMean_ = n ? static_cast<double>(sum / static_cast<Extended>(n)) : 0;
  if (!std::isfinite(xMean_)) xMean_ = 0;
  span_ = high - low;
  all_.x.resize(n);
  for (std::size_t i = 0; i < n; ++i) all_.x[i] = xOriginal_[i] - xMean_;
  all_.y.assign(data.y.begin(), data.y.begin() + static_cast<std::ptrdiff_t>(n));
  all_.w = std::move(w);
  double ymax = 0;
  for (double v : all_.y)
    if (std::isfinite(v)) ymax = std::max(ymax, std::fabs(v));
  yScale_ = ymax > 0 ? ymax : 1;
  subset_ = Pick(all_, SpreadIndices(n, kLongSubsetPairs));
}

ModelParameters LongSeriesFit::Original(const Shifted& s) const {
  ModelParameters p{s.a, s.b, 0, s.d};
  if (mode_ == FitMode::kFixedC) {
    p.c = fixed_;
  } else {
    Extended c = static_cast<Extended>(s.ph) - static_cast<Extended>(s.b) * xMean_;
    if (s.b < 0 && (mode_ == FitMode::kFixedA || mode_ == FitMode::kFixedD)) {
      p.b = -s.b;  // a·sin(−|b|·x + c) = a·sin(|b|·x + π − c)
      c = grund::kPi - c;
    }
    c = std::fmod(c, grund::kTwoPi);
    if (c < 0) c += grund::kTwoPi;
    p.c = static_cast<double>(c);
  }
  if (mode_ == FitMode::kFixedA) p.a = fixed_;
  if (mode_ == FitMode::kFixedB) p.b = fixed_;
  if (mode_ == FitMode::kFixedD) p.d = fixed_;
  if (mode_ == FitMode::kAllFree) NormaliseAllFree(p);
  return p;
}

LongSeriesFit::Shifted LongSeriesFit::FromOriginal(const ModelParameters& p) const {
  Shifted s{p.a, p.b, 0, p.d};
  Extended ph = static_cast<Extended>(p.c) + static_cast<Extended>(p.b) * xMean_;
  ph = std::fmod(ph, grund::kTwoPi);
  s.ph = static_cast<double>(ph);
  if (mode_ == FitMode::kFixedA) s.a = fixed_;
  if (mode_ == FitMode::kFixedB) s.b = fixed_;
  if (mode_ == FitMode::kFixedD) s.d = fixed_;
  return s;
}

// The phase in the shifted x with c held: c + b·xMean (accurate enough in
// double for one step; the term text's error is computed in extended).
static double HeldPhase(double c, double b, double xMean) {
  return static_cast<double>(
      std::fmod(static_cast<Extended>(c) + static_cast<Extended>(b) * xMean, grund::kTwoPi));
}

double LongSeriesFit::ModelError(const Shifted& p, const Pairs& pairs, Work& work) const {
  const double ph = mode_ == FitMode::kFixedC ? HeldPhase(fixed_, p.b, xMean_) : p.ph;
  const pairloops::Model model{p.a, p.b, ph, p.d, 0.0};
  double total = 0;
  for (std::size_t from = 0; from < pairs.x.size(); from += kChunk) {
    const std::size_t to = std::min(pairs.x.size(), from + kChunk);
    total += pairloops::SumResidual(Span(pairs, from, to), model);
    if (!work.Add(to - from)) return total;
  }
  return total;
}

// Gauss-Newton on the pairs, a step that raises the residual halved (up to
// a few times); stops when converged, stuck or not finite.
LongSeriesFit::Refined LongSeriesFit::Refine(Shifted p, const Pairs& pairs, int steps,
                                             Work& work) const {
  const int m = FreeParameterCount(mode_);
  const bool heldC = mode_ == FitMode::kFixedC;
  const double bScale = span_ > 0 ? kTwoPiD / span_ : 1;
  const std::array<double, 4> scaleOf = {yScale_, bScale, 1.0, yScale_};  // a, b, ph, d
  // Which of a, b, ph, d the k-th free parameter is.
  std::array<int, 4> which{};
  {
    int k = 0;
    for (int q = 0; q < 4; ++q) {
      const bool held = (q == 0 && mode_ == FitMode::kFixedA) ||
                        (q == 1 && mode_ == FitMode::kFixedB) ||
                        (q == 2 && mode_ == FitMode::kFixedC) ||
                        (q == 3 && mode_ == FitMode::kFixedD);
      if (!held) which[k++] = q;
    }
  }
  const auto get = [](Shifted& s, int q) -> double& {
    return q == 0 ? s.a : q == 1 ? s.b : q == 2 ? s.ph : s.d;
  };
  Refined out;
  Shifted accepted = p;
  double acceptedError = INFINITY;
  std::array<double, 4> step{};
  int halvings = 0;
  for (int iter = 0; iter <= steps; ++iter) {
    // Normal equations and residual at p.
    const double ph = heldC ? HeldPhase(fixed_, p.b, xMean_) : p.ph;
    const pairloops::Model model{p.a, p.b, ph, p.d, heldC ? xMean_ : 0.0};
    pairloops::NormalSums sums;
    for (std::size_t from = 0; from < pairs.x.size(); from += kChunk) {
      const std::size_t to = std::min(pairs.x.size(), from + kChunk);
      const pairloops::NormalSums part = pairloops::SumNormal(Span(pairs, from, to), model);
      for (int k = 0; k < 4; ++k) {
        for (int l = k; l < 4; ++l) sums.g[k][l] += part.g[k][l];
        sums.r[k] += part.r[k];
      }
      sums.error += part.error;
      if (!work.Add(to - from)) return out;
    }
    // The free parameters' part of the system.
    std::array<std::array<double, 4>, 4> g{};
    std::array<double, 4> r{};
    for (int k = 0; k < m; ++k) {
      r[k] = sums.r[which[k]];
      for (int l = 0; l < m; ++l)
        g[k][l] = sums.g[std::min(which[k], which[l])][std::max(which[k], which[l])];
    }
    const double error = sums.error;
    if (!std::isfinite(error)) {
      if (!std::isfinite(acceptedError)) return out;
      break;
    }
    if (error > acceptedError) {
      // Worse: back to the accepted point with half the step.
      if (++halvings > 8 || iter == steps) break;
      for (int k = 0; k < m; ++k) {
        step[k] *= 0.5;
        get(p, which[k]) = get(accepted, which[k]) + step[k];
      }
      continue;
    }
    const double previous = acceptedError;
    accepted = p;
    acceptedError = error;
    halvings = 0;
    if (iter == steps) break;
    // On the subset a start need only come close: all pairs refine it on.
    if (&pairs == &subset_ && std::isfinite(previous) &&
        previous - error <= kSubsetConverged * previous)
      break;
    if (std::isfinite(previous) && previous - error <= 1e-13 * previous) {
      bool small = true;
      for (int k = 0; k < m; ++k)
        if (std::fabs(step[k]) > 1e-9 * scaleOf[which[k]]) small = false;
      if (small) break;
    }
    if (!SolveSmall(m, g, r, step)) break;
    for (int k = 0; k < m; ++k) get(p, which[k]) = get(accepted, which[k]) + step[k];
  }
  out.ok = std::isfinite(acceptedError);
  out.p = accepted;
  if (!heldC) out.p.ph = std::fmod(out.p.ph, kTwoPiD);
  out.error = acceptedError;
  return out;
}

std::optional<LongSeriesFit::Scored> LongSeriesFit::Score(const Shifted& s, Work& work) {
  Scored scored;
  scored.p = Original(s);
  if (!std::isfinite(scored.p.a) || !std::isfinite(scored.p.b) || !std::isfinite(scored.p.c) ||
      !std::isfinite(scored.p.d))
    return std::nullopt;
  scored.term = BuildTermText(scored.p, precision_);
  if (const auto known = termErrors_.find(scored.term); known != termErrors_.end()) {
    scored.error = known->second;
    return scored;
  }
  const std::optional<ModelParameters> t = ParseTerm(scored.term);
  if (!t) return std::nullopt;
  const std::optional<double> error = TermError(*t, work);
  if (!error) return std::nullopt;
  scored.error = *error;
  if (!std::isfinite(scored.error)) return std::nullopt;
  termErrors_.emplace(scored.term, scored.error);
  return scored;
}

// The error sum of a term's own numbers on all pairs (x unshifted).
std::optional<double> LongSeriesFit::TermError(const ModelParameters& t, Work& work) const {
  double total = 0;
  for (std::size_t from = 0; from < xOriginal_.size(); from += kChunk) {
    const std::size_t to = std::min(xOriginal_.size(), from + kChunk);
    pairloops::PairSpan span = Span(all_, from, to);
    span.x = xOriginal_.data() + from;
    total += pairloops::SumTermResidual(span, t.a, t.b, t.c, t.d);
    if (!work.Add(to - from)) return std::nullopt;
  }
  return total;
}

PassResult LongSeriesFit::Result(const std::optional<Scored>& best, Work& work) const {
  PassResult result;
  if (best) {
    result.error = best->error;
    result.parameters = best->p;
    result.term = best->term;
  } else {
    // No candidate below the ceiling: the mode's zero term with its own
    // error, which for data far from zero lies far above the ceiling.
    result.error = ceiling_;
    result.parameters = ParametersOf(FitState{mode_, {}, fixed_});
    if (mode_ == FitMode::kAllFree) NormaliseAllFree(result.parameters);
    result.term = BuildTermText(result.parameters, precision_);
    const std::optional<ModelParameters> t = ParseTerm(result.term);
    std::optional<double> own = t ? TermError(*t, work) : std::nullopt;
    if (!work.Stopped() && !(own && std::isfinite(*own))) {
      // A held value the term cannot state as a number ("NAN"): what the
      // interpreter makes of the text.
      own = static_cast<double>(ErrorSum(result.term, xOriginal_, all_.y, all_.w));
    }
    if (own && std::isfinite(*own)) result.error = *own;
  }
  result.entry = BuildResultEntry(result.error, result.term, precision_);
  return result;
}

// The subset fit refined on all pairs (or the refinement of an equal subset
// fit done before), then scored; nothing out of bounds or when stopped.
std::optional<LongSeriesFit::Scored> LongSeriesFit::FullRefineAndScore(const Shifted& from,
                                                                       double bound, Work& work) {
  const auto close = [&](const Shifted& u, const Shifted& v) {
    const double bScale = span_ > 0 ? kTwoPiD / span_ : 1;
    double dph = std::fabs(std::remainder(u.ph - v.ph, kTwoPiD));
    return std::fabs(u.a - v.a) <= 1e-7 * yScale_ && std::fabs(u.d - v.d) <= 1e-7 * yScale_ &&
           std::fabs(u.b - v.b) <= 1e-7 * bScale && dph <= 1e-7;
  };
  Refined full;
  bool found = false;
  for (const Cached& c : cache_) {
    if (!found && close(c.from, from)) {
      full = c.to;
      found = true;
    }
  }
  if (!found) {
    full = Refine(from, all_, kFullSteps, work);
    if (work.Stopped()) return std::nullopt;
    cache_.push_back({from, full});
  }
  if (!full.ok) return std::nullopt;
  const ModelParameters p = Original(full.p);
  if (mode_ != FitMode::kFixedB && std::fabs(p.b) > bound) return std::nullopt;
  std::optional<Scored> s = Score(full.p, work);
  if (!s || !(s->error < ceiling_)) return std::nullopt;
  return s;
}

std::optional<PassResult> LongSeriesFit::RunPass(const std::function<double()>& readBound,
                                                 const std::function<bool()>& keepGoing) {
  Work work(keepGoing);
  grund::RandomGenerator& random = grund::ProcessRandom();
  struct Candidate {
    Refined subset;
    double bound = 0;
  };
  std::array<Candidate, kCandidatesPerPass> candidates;
  std::array<std::uint32_t, kCandidatesPerPass> seedAfter{};
  const auto drawAndRefine = [&](int first) {
    for (int i = first; i < kCandidatesPerPass; ++i) {
      FitState state{mode_, {}, fixed_};
      for (double& v : state.p) v = random.NextFraction() * 10 - 5;
      seedAfter[i] = random.Seed();
      candidates[i].subset.ok = false;
      candidates[i].subset.p = FromOriginal(ParametersOf(state));
    }
    for (int i = first; i < kCandidatesPerPass; ++i) {
      candidates[i].subset = Refine(candidates[i].subset.p, subset_, kSubsetSteps, work);
      if (work.Stopped()) return;
    }
  };
  drawAndRefine(0);
  if (work.Stopped()) return std::nullopt;
  // Bounds in candidate order, as the ordinary pass reads them; a bound term
  // that draws random numbers shifts the later starts, drawn again.
  std::vector<int> order;
  for (int i = 0; i < kCandidatesPerPass; ++i) {
    random.SetSeed(seedAfter[i]);
    if (!candidates[i].subset.ok) continue;
    candidates[i].bound = mode_ == FitMode::kFixedB ? INFINITY : readBound();
    order.push_back(i);
    if (random.Seed() != seedAfter[i] && i + 1 < kCandidatesPerPass) {
      drawAndRefine(i + 1);
      if (work.Stopped()) return std::nullopt;
    }
  }
  // The best few on the subset (within their bound, which a full refinement
  // rarely changes much) go on to all pairs.
  std::stable_sort(order.begin(), order.end(), [&](int l, int r) {
    return candidates[l].subset.error < candidates[r].subset.error;
  });
  std::optional<Scored> best;
  double bestSubsetError = INFINITY;
  int refined = 0;
  for (int i : order) {
    if (refined == kFullRefinements || candidates[i].subset.error > kContender * bestSubsetError)
      break;
    const ModelParameters p = Original(candidates[i].subset.p);
    if (mode_ != FitMode::kFixedB && std::fabs(p.b) > candidates[i].bound) continue;
    ++refined;
    std::optional<Scored> s = FullRefineAndScore(candidates[i].subset.p, candidates[i].bound, work);
    if (work.Stopped()) return std::nullopt;
    if (!s) continue;
    bestSubsetError = std::min(bestSubsetError, candidates[i].subset.error);
    if (!best || s->error < best->error) best = std::move(s);
  }
  PassResult result = Result(best, work);
  if (work.Stopped()) return std::nullopt;
  return result;
}

std::optional<PassResult> LongSeriesFit::RunScanPass(const std::function<double()>& readBound,
                                                     const std::function<bool()>& keepGoing) {
  if (mode_ == FitMode::kFixedB || all_.x.size() < 3 || !(span_ > 0) || !std::isfinite(span_))
    return std::nullopt;
  for (double v : all_.y)
    if (!std::isfinite(v)) return std::nullopt;
  double bound = 0;
  {
    const InterpreterStateGuard guard;
    bound = readBound();
  }
  if (!(bound > 0)) return std::nullopt;
  Work work(keepGoing);
  // The grid: up to the bound, for evenly spaced x no further than Nyquist.
  const std::size_t n = all_.x.size();
  double upper = bound;
  {
    const double dx = (xOriginal_[n - 1] - xOriginal_[0]) / static_cast<double>(n - 1);
    bool even = dx > 0;
    for (std::size_t i = 1; even && i < n; ++i)
      even = std::fabs(xOriginal_[i] - xOriginal_[i - 1] - dx) <= 1e-6 * dx;
    if (even) upper = std::min(upper, static_cast<double>(grund::kPi) / dx);
  }
  double step = kTwoPiD / (kLongScanOversampling * span_);
  const double wanted = upper / step;
  std::int64_t count = wanted >= static_cast<double>(kLongScanMaxTrials)
                           ? kLongScanMaxTrials
                           : static_cast<std::int64_t>(wanted);
  if (count < 3) {
    count = 3;
    step = upper / 3;
  }
  std::size_t m = std::min(n, kLongScanSubsetPairs);
  if (static_cast<std::int64_t>(m) * count > kLongScanMaxWork)
    m = std::max<std::size_t>(kLongScanLeastPairs,
                              static_cast<std::size_t>(kLongScanMaxWork / count));
  m = std::min(m, n);
  if (static_cast<std::int64_t>(m) * count > kLongScanMaxWork)
    count = std::max<std::int64_t>(3, kLongScanMaxWork / static_cast<std::int64_t>(m));
  const Pairs sub = Pick(all_, SpreadIndices(n, m));
  const bool weighted = !sub.w.empty();
  double wsum = 0, ymean = 0;
  for (std::size_t j = 0; j < m; ++j) {
    const double w = weighted ? sub.w[j] : 1.0;
    wsum += w;
    ymean += w * sub.y[j];
  }
  ymean /= wsum;
  std::vector<double> yc(m), wv(m), sn(m), cs(m), s1(m), c1(m);
  double syy = 0;
  for (std::size_t j = 0; j < m; ++j) {
    yc[j] = sub.y[j] - ymean;
    wv[j] = weighted ? sub.w[j] : 1.0;
    syy += wv[j] * yc[j] * yc[j];
    s1[j] = std::sin(step * sub.x[j]);
    c1[j] = std::cos(step * sub.x[j]);
  }
  // Residual of the floating-mean fit at b = k·step, k = 1..count, by
  // rotating each pair's sine and cosine (resynchronised now and then).
  std::vector<double> residual(static_cast<std::size_t>(count));
  for (std::int64_t k = 1; k <= count; ++k) {
    if (k == 1 || k % 512 == 0) {
      const double b = static_cast<double>(k) * step;
      for (std::size_t j = 0; j < m; ++j) {
        sn[j] = std::sin(b * sub.x[j]);
        cs[j] = std::cos(b * sub.x[j]);
      }
    } else {
      for (std::size_t j = 0; j < m; ++j) {
        const double s = sn[j] * c1[j] + cs[j] * s1[j];
        const double c = cs[j] * c1[j] - sn[j] * s1[j];
        sn[j] = s;
        cs[j] = c;
      }
    }
    double S = 0, C = 0, SS = 0, SC = 0, CC = 0, YS = 0, YC = 0;
    for (std::size_t j = 0; j < m; ++j) {
      const double w = wv[j], s = sn[j], c = cs[j];
      S += w * s;
      C += w * c;
      SS += w * s * s;
      SC += w * s * c;
      CC += w * c * c;
      YS += w * yc[j] * s;
      YC += w * yc[j] * c;
    }
    const double gss = SS - S * S / wsum, gsc = SC - S * C / wsum, gcc = CC - C * C / wsum;
    const double det = gss * gcc - gsc * gsc, tr = gss + gcc;
    double explained = 0;
    if (det > 1e-10 * tr * tr) {
      explained = ((gcc * YS - gsc * YC) * YS + (gss * YC - gsc * YS) * YC) / det;
    } else {
      explained = std::max(gss > 0 ? YS * YS / gss : 0, gcc > 0 ? YC * YC / gcc : 0);
    }
    residual[static_cast<std::size_t>(k - 1)] = std::max(0.0, syy - explained);
    if (!work.Add(m)) return std::nullopt;
  }
  // The deepest local minima, each placed by its parabola.
  std::vector<std::pair<double, double>> peaks;  // residual, b
  for (std::size_t k = 0; k < residual.size(); ++k) {
    const double left = k > 0 ? residual[k - 1] : INFINITY;
    const double right = k + 1 < residual.size() ? residual[k + 1] : INFINITY;
    if (!(residual[k] <= left && residual[k] < right)) continue;
    double b = static_cast<double>(k + 1) * step;
    if (std::isfinite(left) && std::isfinite(right)) {
      const double curve = left - 2 * residual[k] + right;
      if (curve > 0) b += 0.5 * step * (left - right) / curve;
    }
    peaks.emplace_back(residual[k], b);
  }
  std::sort(peaks.begin(), peaks.end());
  if (peaks.size() > static_cast<std::size_t>(kScanPeaks)) peaks.resize(kScanPeaks);
  // Each peak's linear fit on the subset, refined there in the mode.
  std::vector<Refined> starts;
  const auto linearAt = [&](double b) {
    double S = 0, C = 0, SS = 0, SC = 0, CC = 0, YS = 0, YC = 0;
    for (std::size_t j = 0; j < subset_.x.size(); ++j) {
      const double w = subset_.w.empty() ? 1.0 : subset_.w[j];
      const double s = std::sin(b * subset_.x[j]), c = std::cos(b * subset_.x[j]);
      const double y = subset_.y[j];
      S += w * s; C += w * c; SS += w * s * s; SC += w * s * c; CC += w * c * c;
      YS += w * y * s; YC += w * y * c;
    }
    double W = 0, Y = 0;
    for (std::size_t j = 0; j < subset_.x.size(); ++j) {
      const double w = subset_.w.empty() ? 1.0 : subset_.w[j];
      W += w;
      Y += w * subset_.y[j];
    }
    Shifted s{0, b, 0, 0};
    if (mode_ == FitMode::kFixedD) {
      const double ys = YS - fixed_ * S, ycc = YC - fixed_ * C;
      const double det = SS * CC - SC * SC;
      const double u = det != 0 ? (CC * ys - SC * ycc) / det : 0;
      const double v = det != 0 ? (SS * ycc - SC * ys) / det : 0;
      s = {std::hypot(u, v), b, std::atan2(v, u), fixed_};
      return s;
    }
    const double gss = SS - S * S / W, gsc = SC - S * C / W, gcc = CC - C * C / W;
    const double ys = YS - Y * S / W, ycc = YC - Y * C / W;
    const double det = gss * gcc - gsc * gsc;
    const double u = det != 0 ? (gcc * ys - gsc * ycc) / det : 0;
    const double v = det != 0 ? (gss * ycc - gsc * ys) / det : 0;
    s = {std::hypot(u, v), b, std::atan2(v, u), (Y - u * S - v * C) / W};
    if (mode_ == FitMode::kFixedA) {
      if (fixed_ < 0) s.ph += grund::kPi;
      double sum = 0;
      for (std::size_t j = 0; j < subset_.x.size(); ++j)
        sum += (subset_.w.empty() ? 1.0 : subset_.w[j]) * std::sin(b * subset_.x[j] + s.ph);
      s.a = fixed_;
      s.d = (Y - fixed_ * sum) / W;
    }
    return s;
  };
  const FitMode mode = mode_;
  for (const auto& peak : peaks) {
    Shifted start = linearAt(peak.second);
    if (mode == FitMode::kFixedC) {
      // The free fit's b and the two b around it at which c + b·xMean
      // matches the free fit's phase (up to the sign of a).
      mode_ = FitMode::kAllFree;
      Refined free = Refine(start, subset_, kSubsetSteps, work);
      mode_ = mode;
      if (work.Stopped()) return std::nullopt;
      if (!free.ok) continue;
      std::vector<double> trial{free.p.b};
      if (xMean_ != 0) {
        const double below = std::floor((free.p.b * xMean_ - free.p.ph + fixed_) / grund::kPi);
        for (const double j : {below, below + 1})
          trial.push_back((free.p.ph - fixed_ + j * grund::kPi) / xMean_);
      }
      for (const double b : trial) {
        if (!std::isfinite(b)) continue;
        // a and d by linear least squares at this b with the held phase.
        const double ph = HeldPhase(fixed_, b, xMean_);
        double W = 0, U = 0, UU = 0, Y = 0, YU = 0;
        for (std::size_t j = 0; j < subset_.x.size(); ++j) {
          const double w = subset_.w.empty() ? 1.0 : subset_.w[j];
          const double u = std::sin(b * subset_.x[j] + ph);
          W += w; U += w * u; UU += w * u * u; Y += w * subset_.y[j]; YU += w * subset_.y[j] * u;
        }
        const double var = UU - U * U / W;
        const double a = var > 0 ? (YU - Y * U / W) / var : 0;
        Refined r = Refine({a, b, 0, (Y - a * U) / W}, subset_, kSubsetSteps, work);
        if (work.Stopped()) return std::nullopt;
        if (r.ok) starts.push_back(r);
      }
      continue;
    }
    Refined r = Refine(start, subset_, kSubsetSteps, work);
    if (work.Stopped()) return std::nullopt;
    if (r.ok) starts.push_back(r);
  }
  std::stable_sort(starts.begin(), starts.end(),
                   [](const Refined& l, const Refined& r) { return l.error < r.error; });
  std::optional<Scored> best;
  double bestSubsetError = INFINITY;
  int refined = 0;
  for (const Refined& r : starts) {
    if (refined == kFullRefinements || r.error > kContender * bestSubsetError) break;
    if (std::fabs(Original(r.p).b) > bound) continue;
    ++refined;
    std::optional<Scored> s = FullRefineAndScore(r.p, bound, work);
    if (work.Stopped()) return std::nullopt;
    if (!s) continue;
    bestSubsetError = std::min(bestSubsetError, r.error);
    if (!best || s->error < best->error) best = std::move(s);
  }
  if (!best) return std::nullopt;
  PassResult result = Result(best, work);
  if (work.Stopped()) return std::nullopt;
  return result;
}

}  // namespace sinusfit
