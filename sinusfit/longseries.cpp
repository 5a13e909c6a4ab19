// The long-series computation: starts refined on a subset, the best few on
// a larger one and the best of those on all pairs; the scan's periodogram
// (direct on a subset, or fast on all pairs for a long grid) with its
// minima's starts refined the same way; and the true error of each listed
// term text.

#include "sinusfit/longseries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>
#include <thread>
#include <utility>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/fastperiodogram.h"
#include "sinusfit/interpreterstate.h"
#include "sinusfit/pairloops.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

using grund::Extended;

namespace {

constexpr double kTwoPiD = 6.283185307179586476925286766559;
// Contenders of a pass (and of the scan) refined beyond the first subset.
constexpr int kContenders = 3;
// After the first, only fits whose subset error is within this factor of
// the first one's contend: a fit that much worse on a subset spread over
// all pairs does not overtake it on all pairs.
constexpr double kContender = 1.25;
constexpr int kSubsetSteps = 40;
// A step that lowers the error by less than this share ends a refinement:
// on the subset a start need only come close, the larger sets take it on.
constexpr double kSubsetConverged = 1e-9;
constexpr double kMediumConverged = 1e-8;
// On all pairs the error is then within this share of the minimum's, far
// below what the texts show.
constexpr double kAllConverged = 1e-8;
constexpr int kFullSteps = 30;
// Steps on all pairs where they are few and a step is cheap: a far start
// along a flat valley (amplitude and mean trading off) may need many.
constexpr int kShortSeriesSteps = 200;
constexpr std::size_t kShortSeriesPairs = 10000;
// Errors within this share of each other are equal: the aliases of evenly
// spaced x, told apart by |b|.
constexpr double kFitTieShare = 1e-9;
// Pairs per chunk of a loop over all pairs; chunks are summed in their
// order, so the sums do not depend on how many threads ran them.
constexpr std::size_t kChunk = 16384;
// From this many pairs on, a loop runs its later chunks on a second thread.
constexpr std::size_t kThreadedPairs = 131072;

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

// part(from, to) for every chunk of [0, n), in chunk order; a long loop
// runs its later half of chunks on a second thread.
template <typename Part, typename F>
std::vector<Part> ChunkParts(std::size_t n, const F& part) {
  const std::size_t chunks = (n + kChunk - 1) / kChunk;
  std::vector<Part> parts(chunks);
  const auto run = [&](std::size_t first, std::size_t last) {
    for (std::size_t c = first; c < last; ++c)
      parts[c] = part(c * kChunk, std::min(n, (c + 1) * kChunk));
  };
  std::size_t mine = chunks;
  std::thread helper;
  if (n >= kThreadedPairs && grund::SecondCoreWanted()) {
    try {
      helper = std::thread(run, chunks / 2, chunks);
      mine = chunks / 2;
    } catch (const std::system_error&) {
      mine = chunks;  // no thread to be had: all on this one
    }
  }
  run(0, mine);
  if (helper.joinable()) helper.join();
  return parts;
}

// Scales the m × m system to a unit diagonal (the unknowns by scale);
// false where a diagonal value is not positive and finite.
bool ScaleToUnitDiagonal(int m, std::array<std::array<double, 4>, 4>& g, std::array<double, 4>& r,
                         std::array<double, 4>& scale) {
  for (int k = 0; k < m; ++k) {
    if (!(g[k][k] > 0) || !std::isfinite(g[k][k])) return false;
    scale[k] = 1 / std::sqrt(g[k][k]);
  }
  for (int k = 0; k < m; ++k) {
    for (int l = 0; l < m; ++l) g[k][l] *= scale[k] * scale[l];
    r[k] *= scale[k];
  }
  return true;
}

// Solves the m × m system (row-major in g, right side r) with column scaling
// and partial pivoting; false when singular.
bool SolveSmall(int m, std::array<std::array<double, 4>, 4> g, std::array<double, 4> r,
                std::array<double, 4>& out) {
  std::array<double, 4> scale{};
  if (!ScaleToUnitDiagonal(m, g, r, scale)) return false;
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

// Solves the m × m system by Cholesky's factorisation of its scaled form;
// false unless the matrix is positive definite (to rounding).
bool SolvePositiveDefinite(int m, std::array<std::array<double, 4>, 4> g,
                           std::array<double, 4> r, std::array<double, 4>& out) {
  std::array<double, 4> scale{};
  if (!ScaleToUnitDiagonal(m, g, r, scale)) return false;
  // g = L·Lᵀ, L in the lower triangle of g.
  for (int k = 0; k < m; ++k) {
    for (int l = 0; l < k; ++l) {
      double v = g[k][l];
      for (int t = 0; t < l; ++t) v -= g[k][t] * g[l][t];
      g[k][l] = v / g[l][l];
    }
    double diag = g[k][k];
    for (int t = 0; t < k; ++t) diag -= g[k][t] * g[k][t];
    if (!(diag > 1e-12)) return false;
    g[k][k] = std::sqrt(diag);
  }
  std::array<double, 4> z{};
  for (int k = 0; k < m; ++k) {
    double v = r[k];
    for (int t = 0; t < k; ++t) v -= g[k][t] * z[t];
    z[k] = v / g[k][k];
  }
  for (int k = m - 1; k >= 0; --k) {
    double v = z[k];
    for (int t = k + 1; t < m; ++t) v -= g[t][k] * out[t];
    out[k] = v / g[k][k];
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
    // The interpreter reads no "NAN" or "INF" as numbers; only finite ones are.
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
  };
  ModelParameters p;
  if (!number(0, sinAt, p.a) || !number(sinAt + 5, xAt, p.b) || !number(xAt + 2, closeAt, p.c) ||
      !number(closeAt + 1, term.size(), p.d))
    return std::nullopt;
  return p;
}

}  // namespace

std::vector<std::size_t> StratifiedIndices(std::size_t n, std::size_t m) {
  std::vector<std::size_t> idx;
  if (m >= n) {
    idx.resize(n);
    for (std::size_t i = 0; i < n; ++i) idx[i] = i;
    return idx;
  }
  idx.reserve(m);
  std::uint64_t state = 0x9E3779B97F4A7C15ULL ^ m;
  const double width = static_cast<double>(n) / static_cast<double>(m);
  for (std::size_t j = 0; j < m; ++j) {
    state += 0x9E3779B97F4A7C15ULL;  // splitmix64
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    const double place = static_cast<double>(z >> 11) * 0x1.0p-53;
    std::size_t i = static_cast<std::size_t>((static_cast<double>(j) + place) * width);
    if (!idx.empty() && i <= idx.back()) i = idx.back() + 1;
    idx.push_back(std::min(i, n - (m - j)));
  }
  return idx;
}


// Counts pair evaluations and asks keepGoing every kLongCheckWork of them.
class LongSeriesFit::Work {
 public:
  explicit Work(const std::function<bool()>& keepGoing) : keepGoing_(keepGoing) {}
  bool Add(std::size_t pairs) {
    done_ += static_cast<std::int64_t>(pairs);
    if (done_ >= kLongCheckWork) {
      done_ = 0;
      return Ask();
    }
    return !stopped_;
  }
  // Asks keepGoing now (the periodogram asks about every millisecond).
  bool Ask() {
    if (!stopped_ && !keepGoing_()) stopped_ = true;
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
  const std::vector<std::size_t> subset = StratifiedIndices(n, kLongSubsetPairs);
  subset_ = Pick(all_, subset);
  for (std::size_t i : subset) subsetX_.push_back(xOriginal_[i]);
  if (n > 2 * kLongMediumPairs) medium_ = Pick(all_, StratifiedIndices(n, kLongMediumPairs));
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

// Gauss-Newton on the pairs, a step that raises the residual halved (up to
// a few times); stops when converged, stuck or not finite. A loop over many
// pairs runs on two threads.
LongSeriesFit::Refined LongSeriesFit::Refine(Shifted p, const Pairs& pairs, int steps,
                                             double converged, Work& work) const {
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
    const std::vector<pairloops::NormalSums> parts =
        ChunkParts<pairloops::NormalSums>(pairs.x.size(), [&](std::size_t from, std::size_t to) {
          return pairloops::SumNormal(Span(pairs, from, to), model);
        });
    for (const pairloops::NormalSums& part : parts) {
      for (int k = 0; k < 4; ++k) {
        for (int l = k; l < 4; ++l) {
          sums.g[k][l] += part.g[k][l];
          sums.h[k][l] += part.h[k][l];
        }
        sums.r[k] += part.r[k];
      }
      sums.error += part.error;
    }
    if (!work.Add(pairs.x.size())) return out;
    // The free parameters' part of the system.
    std::array<std::array<double, 4>, 4> g{}, hessian{};
    std::array<double, 4> r{};
    for (int k = 0; k < m; ++k) {
      r[k] = sums.r[which[k]];
      for (int l = 0; l < m; ++l) {
        const int low = std::min(which[k], which[l]), high = std::max(which[k], which[l]);
        g[k][l] = sums.g[low][high];
        hessian[k][l] = sums.g[low][high] - sums.h[low][high];
      }
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
    if (std::isfinite(previous) && previous - error <= converged * previous) break;
    if (std::isfinite(previous) && previous - error <= 1e-13 * previous) {
      bool small = true;
      for (int k = 0; k < m; ++k)
        if (std::fabs(step[k]) > 1e-9 * scaleOf[which[k]]) small = false;
      if (small) break;
    }
    // Newton's step where the error's Hessian is positive definite (near a
    // minimum, also of a large residual), Gauss-Newton's elsewhere.
    const bool newton = SolvePositiveDefinite(m, hessian, r, step);
    if (!newton && !SolveSmall(m, g, r, step)) break;
    // The step's own promise, r·step, is what it can still gain: when that
    // is no more than the share, the accepted fit is the minimum's.
    double promised = 0;
    for (int k = 0; k < m; ++k) promised += r[k] * step[k];
    if (!(promised > converged * error)) break;
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
  const std::vector<double> parts =
      ChunkParts<double>(xOriginal_.size(), [&](std::size_t from, std::size_t to) {
        pairloops::PairSpan span = Span(all_, from, to);
        span.x = xOriginal_.data() + from;
        return pairloops::SumTermResidual(span, t.a, t.b, t.c, t.d);
      });
  if (!work.Add(xOriginal_.size())) return std::nullopt;
  double total = 0;
  for (double part : parts) total += part;
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

// The contenders in order (a tie by |b|), the best few within kContender
// of the first refined on the second subset, and the best of those on all
// pairs; the first that ends within its bound and below the ceiling wins.
std::optional<LongSeriesFit::Scored> LongSeriesFit::FinishOnAllPairs(
    std::vector<Contender> contenders, Work& work) {
  OrderByError(contenders);
  std::vector<Contender> chosen;
  for (const Contender& c : contenders) {
    if (static_cast<int>(chosen.size()) == kContenders) break;
    if (!chosen.empty() && c.subset.error > kContender * chosen.front().subset.error) break;
    if (mode_ != FitMode::kFixedB && std::fabs(Original(c.subset.p).b) > c.bound) continue;
    chosen.push_back(c);
  }
  if (!medium_.x.empty()) {
    for (Contender& c : chosen) {
      c.subset = Refine(c.subset.p, medium_, kFullSteps, kMediumConverged, work);
      if (work.Stopped()) return std::nullopt;
    }
    std::erase_if(chosen, [](const Contender& c) { return !c.subset.ok; });
    OrderByError(chosen);
    // The second subset's order stands: the first that ends well wins.
    for (const Contender& c : chosen) {
      std::optional<Scored> s = AllPairsFit(c.subset, c.bound, work);
      if (work.Stopped()) return std::nullopt;
      if (s) return s;
    }
    return std::nullopt;
  }
  // Short enough that every contender goes on to all pairs.
  std::vector<Scored> scored;
  for (const Contender& c : chosen) {
    std::optional<Scored> s = AllPairsFit(c.subset, c.bound, work);
    if (work.Stopped()) return std::nullopt;
    if (s) scored.push_back(std::move(*s));
  }
  if (scored.empty()) return std::nullopt;
  std::size_t best = 0;
  for (std::size_t i = 1; i < scored.size(); ++i)
    if (scored[i].error < scored[best].error) best = i;
  const double tie = scored[best].error * (1 + kFitTieShare);
  for (std::size_t i = 0; i < scored.size(); ++i)
    if (scored[i].error <= tie && std::fabs(scored[i].p.b) < std::fabs(scored[best].p.b)) best = i;
  return std::move(scored[best]);
}

void LongSeriesFit::OrderByError(std::vector<Contender>& contenders) {
  std::stable_sort(contenders.begin(), contenders.end(), [](const Contender& l, const Contender& r) {
    return l.subset.error < r.subset.error;
  });
  if (contenders.empty()) return;
  // Of the fits that agree with the least error to rounding (the aliases of
  // evenly spaced x), the one with the smallest |b| first.
  const double tie = contenders.front().subset.error * (1 + kFitTieShare);
  auto lowest = contenders.begin();
  for (auto it = contenders.begin(); it != contenders.end() && it->subset.error <= tie; ++it)
    if (std::fabs(it->subset.p.b) < std::fabs(lowest->subset.p.b)) lowest = it;
  std::rotate(contenders.begin(), lowest, lowest + 1);
}

// The fit refined on all pairs (or the refinement of an equal fit done
// before), then scored; nothing out of bounds, above the ceiling or when
// stopped.
std::optional<LongSeriesFit::Scored> LongSeriesFit::AllPairsFit(const Refined& from, double bound,
                                                                Work& work) {
  const auto close = [&](const Shifted& u, const Shifted& v) {
    const double bScale = span_ > 0 ? kTwoPiD / span_ : 1;
    double dph = std::fabs(std::remainder(u.ph - v.ph, kTwoPiD));
    return std::fabs(u.a - v.a) <= 1e-7 * yScale_ && std::fabs(u.d - v.d) <= 1e-7 * yScale_ &&
           std::fabs(u.b - v.b) <= 1e-7 * bScale && dph <= 1e-7;
  };
  Refined full;
  bool found = false;
  for (const Cached& c : cache_) {
    if (!found && close(c.from, from.p)) {
      full = c.to;
      found = true;
    }
  }
  if (!found) {
    full = Refine(from.p, all_, kFullSteps, kAllConverged, work);
    if (work.Stopped()) return std::nullopt;
    cache_.push_back({from.p, full});
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
  std::array<Contender, kCandidatesPerPass> candidates;
  std::array<std::uint32_t, kCandidatesPerPass> seedAfter{};
  const auto drawAndRefine = [&](int first) {
    for (int i = first; i < kCandidatesPerPass; ++i) {
      const FitState state = DrawStart(mode_, fixed_, random);
      seedAfter[i] = random.Seed();
      candidates[i].subset.ok = false;
      candidates[i].subset.p = FromOriginal(ParametersOf(state));
    }
    for (int i = first; i < kCandidatesPerPass; ++i) {
      candidates[i].subset =
          Refine(candidates[i].subset.p, subset_, kSubsetSteps, kSubsetConverged, work);
      if (work.Stopped()) return;
    }
  };
  drawAndRefine(0);
  if (work.Stopped()) return std::nullopt;
  // Bounds in candidate order, as the ordinary pass reads them; a bound term
  // that draws random numbers shifts the later starts, drawn again.
  std::vector<Contender> contenders;
  for (int i = 0; i < kCandidatesPerPass; ++i) {
    random.SetSeed(seedAfter[i]);
    if (!candidates[i].subset.ok) continue;
    candidates[i].bound = mode_ == FitMode::kFixedB ? INFINITY : readBound();
    contenders.push_back(candidates[i]);
    if (random.Seed() != seedAfter[i] && i + 1 < kCandidatesPerPass) {
      drawAndRefine(i + 1);
      if (work.Stopped()) return std::nullopt;
    }
  }
  const std::optional<Scored> best = FinishOnAllPairs(std::move(contenders), work);
  if (work.Stopped()) return std::nullopt;
  PassResult result = Result(best, work);
  if (work.Stopped()) return std::nullopt;
  return result;
}

std::optional<PassResult> LongSeriesFit::RefineToMinimum(const PassResult& result,
                                                         const std::function<double()>& readBound,
                                                         const std::function<bool()>& keepGoing) {
  if (!(result.error < ceiling_)) return std::nullopt;
  Work work(keepGoing);
  const ModelParameters& p = result.parameters;
  if (!std::isfinite(p.a) || !std::isfinite(p.b) || !std::isfinite(p.c) || !std::isfinite(p.d))
    return std::nullopt;
  const int steps = all_.x.size() <= kShortSeriesPairs ? kShortSeriesSteps : kFullSteps;
  const Refined full = Refine(FromOriginal(p), all_, steps, kAllConverged, work);
  if (work.Stopped() || !full.ok) return std::nullopt;
  double bound = INFINITY;
  if (mode_ != FitMode::kFixedB) bound = readBound();
  if (mode_ != FitMode::kFixedB && std::fabs(Original(full.p).b) > bound) return std::nullopt;
  const std::optional<Scored> s = Score(full.p, work);
  if (work.Stopped() || !s || !(s->error < result.error) || s->term == result.term)
    return std::nullopt;
  return Result(s, work);
}

std::vector<double> LongSeriesFit::ScanCandidates(double bound, Work& work) const {
  // The grid: up to the bound; for evenly spaced x no further than Nyquist,
  // as every alias above it has its twin below (a held phase tells them
  // apart, so not with c held).
  const std::size_t n = all_.x.size();
  double upper = bound;
  if (mode_ != FitMode::kFixedC) {
    const double dx = (xOriginal_[n - 1] - xOriginal_[0]) / static_cast<double>(n - 1);
    bool even = dx > 0;
    for (std::size_t i = 1; even && i < n; ++i)
      even = std::fabs(xOriginal_[i] - xOriginal_[i - 1] - dx) <= 1e-6 * dx;
    if (even) upper = std::min(upper, static_cast<double>(grund::kPi) / dx);
  }
  FrequencyGrid grid = scan::GridUpTo(span_, upper, kLongScanOversampling, kScanMaxTrials);
  std::vector<double> residual;
  const auto ask = [&work] { return work.Ask(); };
  // Directly on a subset, or the fast way over all pairs where that costs
  // less (a long grid) or the subset would have to shrink.
  std::size_t m = std::min(n, kLongScanSubsetPairs);
  const bool direct = !scan::FastPeriodogramTakes(span_, grid) ||
                      (!scan::FastPeriodogramPays(n, grid.count, m) &&
                       (static_cast<std::int64_t>(m) * grid.count <= kLongScanMaxWork ||
                        !scan::FastPeriodogramPays(n, grid.count)));
  scan::ShiftedPairs pairs;
  if (direct) {
    // A subset of the pairs, fewer (down to kLongScanLeastPairs) for a long
    // grid, which then ends below the bound where it must.
    if (static_cast<std::int64_t>(m) * grid.count > kLongScanMaxWork)
      m = std::max<std::size_t>(kLongScanLeastPairs,
                                static_cast<std::size_t>(kLongScanMaxWork / grid.count));
    m = std::min(m, n);
    if (static_cast<std::int64_t>(m) * grid.count > kLongScanMaxWork)
      grid.count = std::max<std::int64_t>(3, kLongScanMaxWork / static_cast<std::int64_t>(m));
    const std::vector<std::size_t> idx = StratifiedIndices(n, m);
    std::vector<double> x, y, w;
    for (std::size_t i : idx) {
      x.push_back(xOriginal_[i]);
      y.push_back(all_.y[i]);
      if (!all_.w.empty()) w.push_back(all_.w[i]);
    }
    pairs = scan::Shift(x, y, w);
  } else {
    pairs = scan::Shift(xOriginal_, all_.y, all_.w);
  }
  const scan::Periodogram periodogram(mode_, fixed_, pairs);
  const bool summed = direct ? scan::ScanPeriodogram(pairs, grid, periodogram, residual, ask)
                             : scan::FastScanPeriodogram(pairs, grid, periodogram, residual, ask);
  if (!summed) return {};
  return scan::ChooseCandidates(scan::FindPeaks(residual, grid.step), periodogram.Baseline());
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
  const std::vector<double> candidates = ScanCandidates(bound, work);
  if (work.Stopped()) return std::nullopt;
  // Each minimum's starts, as the short scan makes them, refined on the subset.
  if (subsetShifted_.x.empty()) subsetShifted_ = scan::Shift(subsetX_, subset_.y, subset_.w);
  NormalMatrix matrix{};
  std::vector<Contender> contenders;
  for (const double b : candidates) {
    for (const FitState& start :
         scan::StartsAt(mode_, fixed_, subsetShifted_, subsetX_, subset_.y, b, matrix)) {
      if (!scan::AllFinite(start)) continue;
      const ModelParameters p = ParametersOf(scan::Unshifted(start, subsetShifted_.xMean));
      Refined r = Refine(FromOriginal(p), subset_, kSubsetSteps, kSubsetConverged, work);
      if (work.Stopped()) return std::nullopt;
      if (r.ok) contenders.push_back({r, bound});
    }
  }
  const std::optional<Scored> best = FinishOnAllPairs(std::move(contenders), work);
  if (work.Stopped() || !best) return std::nullopt;
  PassResult result = Result(best, work);
  if (work.Stopped()) return std::nullopt;
  return result;
}

}  // namespace sinusfit
