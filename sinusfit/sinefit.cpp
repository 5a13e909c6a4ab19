// One pass of the sine fit: start values from the shared random generator,
// 40 Gauss-Newton steps per candidate (two cores share the candidates), and
// the scoring by the error sum of each candidate's term text.

#include "sinusfit/sinefit.h"

#include <cmath>
#include <thread>
#include <utility>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

using grund::Extended;
using grund::kTwoPi;

namespace {

// Builds the normal equations of one Gauss-Newton step into matrix cells
// [1..m][0..m]. Every cell adds its terms in point order, each sum held as a
// double after every term, exactly as a cell-by-cell loop would; the points
// run in the outer loop so each point's sine and cosine are computed once,
// and one triangle is computed and mirrored (the products are symmetric).
// Weighted, each point's terms are w times the unweighted ones, formed in
// extended precision; the unweighted loop has no weight in it at all.
template <bool kWeighted>
void BuildNormalEquations(const FitState& state, const std::vector<double>& x,
                          const std::vector<double>& y, const std::vector<double>& w,
                          NormalMatrix& matrix) {
  const int m = FreeParameterCount(state.mode);
  const ModelParameters p = ParametersOf(state);
  double cell[4][4] = {};
  double rhs[4] = {};
  double derivative[4];
  for (std::size_t i = 0; i < x.size(); ++i) {
    const SinCos sc = ModelSinCos(p, x[i]);
    ModelDerivativesFrom(state.mode, p, x[i], sc, std::span<double>(derivative, m));
    const Extended residual = static_cast<Extended>(y[i]) - ModelValue(p, sc);
    for (int k = 0; k < m; ++k) {
      if constexpr (kWeighted) {
        const Extended weighted = static_cast<Extended>(w[i]) * derivative[k];
        for (int l = k; l < m; ++l)
          cell[k][l] = static_cast<double>(cell[k][l] + weighted * derivative[l]);
        rhs[k] = static_cast<double>(rhs[k] + weighted * residual);
      } else {
        for (int l = k; l < m; ++l)
          cell[k][l] = AddProduct(cell[k][l], derivative[k], derivative[l]);
        rhs[k] = static_cast<double>(rhs[k] + derivative[k] * residual);
      }
    }
  }
  for (int k = 0; k < m; ++k) {
    for (int l = 0; l < m; ++l) matrix[k + 1][l + 1] = l >= k ? cell[k][l] : cell[l][k];
    matrix[k + 1][0] = rhs[k];
  }
}

bool AllFinite(const FitState& state) {
  const int m = FreeParameterCount(state.mode);
  for (int k = 0; k < m; ++k) {
    if (!std::isfinite(state.p[k])) return false;
  }
  return true;
}

// Beyond this magnitude the phase is first reduced in one step, so that the
// stepwise normalisation below runs at most some 160000 times.
constexpr double kStepwisePhaseLimit = 1e6;

template <bool kWeighted>
void RefineWith(FitState& state, const std::vector<double>& x, const std::vector<double>& y,
                const std::vector<double>& w, NormalMatrix& matrix) {
  const int m = FreeParameterCount(state.mode);
  for (int step = 0; step < kGaussNewtonSteps; ++step) {
    BuildNormalEquations<kWeighted>(state, x, y, w, matrix);
    double det = 0;
    std::uint8_t singular = 0;
    SolveLinearSystem(matrix, static_cast<std::uint8_t>(m), det, singular);
    // A singular system has no increment: the solution row still holds an
    // earlier solve's, which belongs to other parameters.
    if (singular) continue;
    for (int k = 0; k < m; ++k) {
      state.p[k] = static_cast<double>(static_cast<Extended>(state.p[k]) + matrix[0][k + 1]);
    }
  }
}

}  // namespace

void RefineCandidate(FitState& state, const std::vector<double>& x, const std::vector<double>& y,
                     NormalMatrix& matrix) {
  RefineWith<false>(state, x, y, {}, matrix);
}

void RefineCandidate(FitState& state, const std::vector<double>& x, const std::vector<double>& y,
                     const std::vector<double>& w, NormalMatrix& matrix) {
  if (w.empty()) {
    RefineWith<false>(state, x, y, w, matrix);
  } else {
    RefineWith<true>(state, x, y, w, matrix);
  }
}

grund::Extended ErrorSum(const std::string& term, const std::vector<double>& x,
                         const std::vector<double>& y) {
  Extended sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const Extended difference = static_cast<Extended>(y[i]) - fktint::EvaluateTerm(term, x[i]);
    sum += difference * difference;
  }
  return sum;
}

grund::Extended ErrorSum(const std::string& term, const std::vector<double>& x,
                         const std::vector<double>& y, const std::vector<double>& w) {
  if (w.empty()) return ErrorSum(term, x, y);
  Extended sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const Extended difference = static_cast<Extended>(y[i]) - fktint::EvaluateTerm(term, x[i]);
    sum += w[i] * difference * difference;
  }
  return sum;
}

void NormaliseAllFree(ModelParameters& p) {
  if (p.b < 0) {
    p.a = -p.a;
    p.b = -p.b;
    p.c = -p.c;
  }
  if (!std::isfinite(p.c)) return;
  if (std::fabs(p.c) > kStepwisePhaseLimit) {
    p.c = static_cast<double>(std::fmod(static_cast<Extended>(p.c), kTwoPi));
  }
  while (p.c < 0) p.c = static_cast<double>(p.c + kTwoPi);
  while (p.c > kTwoPi) p.c = static_cast<double>(p.c - kTwoPi);
}

SineFit::SineFit(FitMode mode, double fixedValue, std::vector<double> x, std::vector<double> y)
    : SineFit(mode, fixedValue, FitData{std::move(x), std::move(y), {}}, TextPrecision{},
              kErrorCeiling) {}

SineFit::SineFit(FitMode mode, double fixedValue, FitData data, TextPrecision precision,
                 double ceiling)
    : mode_(EffectiveMode(mode)),
      fixedValue_(fixedValue),
      w_(WeightsOf(data)),
      precision_(precision),
      ceiling_(ceiling) {
  x_ = std::move(data.x);
  y_ = std::move(data.y);
  y_.resize(x_.size());
}

void SineFit::DrawStarts(Candidates& candidates, Seeds& seedAfterDraws, int first) const {
  grund::RandomGenerator& random = grund::ProcessRandom();
  for (int i = first; i < kCandidatesPerPass; ++i) {
    candidates[i] = DrawStart(mode_, fixedValue_, random);
    seedAfterDraws[i] = random.Seed();
  }
}

FitState DrawStart(FitMode mode, double fixedValue, grund::RandomGenerator& random) {
  FitState state{mode, {}, fixedValue};
  // Four draws in every mode, uniform in [-5, 5).
  for (double& p : state.p) p = random.NextFraction() * 10 - 5;
  return state;
}

void SineFit::RefineFrom(Candidates& candidates, int first) const {
  // The candidates are independent once their start values are drawn, so a
  // second core takes every other one. Only numbers are computed here; the
  // interpreter and the generator, whose state is the calling thread's, are
  // not touched.
  const auto refineEvery = [&](int start, NormalMatrix& matrix) {
    for (int i = start; i < kCandidatesPerPass; i += 2)
      RefineCandidate(candidates[i], x_, y_, w_, matrix);
  };
  if (!grund::SecondCoreWanted() || kCandidatesPerPass - first < 2) {
    for (int i = first; i < kCandidatesPerPass; ++i) {
      RefineCandidate(candidates[i], x_, y_, w_, ProcessNormalMatrix());
    }
    return;
  }
  std::thread helper([&] {
    NormalMatrix matrix{};
    refineEvery(first + 1, matrix);
  });
  refineEvery(first, ProcessNormalMatrix());
  helper.join();
}

void SineFit::Consider(const FitState& candidate, const std::function<double()>& readBound,
                       Best& best) const {
  // A run that diverged has no term to evaluate; the others still count.
  if (!AllFinite(candidate)) return;
  const ModelParameters p = ParametersOf(candidate);
  if (mode_ != FitMode::kFixedB && std::fabs(p.b) > readBound()) return;
  const std::string term = BuildTermText(p, precision_);
  // The error belongs to the parameters as the term text rounds them.
  const Extended error = ErrorSum(term, x_, y_, w_);
  if (error < best.error && std::isfinite(static_cast<double>(error))) {
    best.error = static_cast<double>(error);
    best.p = candidate.p;
  }
}

PassResult SineFit::Finish(const Best& best) const {
  PassResult result;
  result.error = best.error;
  result.parameters = ParametersOf(FitState{mode_, best.p, fixedValue_});
  if (mode_ == FitMode::kAllFree) NormaliseAllFree(result.parameters);
  const ModelParameters& p = result.parameters;
  result.term = BuildTermText(p, precision_);
  // A pass that took no candidate keeps the ceiling as its error on the
  // usual scale; beyond it the line states its own term's error, which for
  // data far from zero is far above the ceiling.
  if (!precision_.specifiedScale && best.error == ceiling_) {
    const double own = static_cast<double>(ErrorSum(result.term, x_, y_, w_));
    if (std::isfinite(own)) result.error = own;
  }
  result.entry = BuildResultEntry(result.error, result.term, precision_);
  return result;
}

PassResult SineFit::RunPass(const std::function<double()>& readBound) {
  grund::RandomGenerator& random = grund::ProcessRandom();
  Candidates candidates;
  Seeds seedAfterDraws;
  DrawStarts(candidates, seedAfterDraws, 0);
  RefineFrom(candidates, 0);

  // Bounds and error sums in candidate order. The start values were drawn
  // ahead, assuming that reading the bound draws no random numbers; a bound
  // term that does (MCARLO) shifts the later candidates' start values, which
  // are then drawn and refined again from where the generator stands.
  Best best = StartBest();
  for (int i = 0; i < kCandidatesPerPass; ++i) {
    random.SetSeed(seedAfterDraws[i]);
    Consider(candidates[i], readBound, best);
    if (random.Seed() != seedAfterDraws[i] && i + 1 < kCandidatesPerPass) {
      DrawStarts(candidates, seedAfterDraws, i + 1);
      RefineFrom(candidates, i + 1);
    }
  }
  return Finish(best);
}

}  // namespace sinusfit
