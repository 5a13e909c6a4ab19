// The model's derivatives by the free parameters and the LU solver of the
// normal equations.

#include "sinusfit/normalsystem.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace sinusfit {

using grund::Extended;

FitMode EffectiveMode(FitMode mode) {
  switch (mode) {
    case FitMode::kFixedA:
    case FitMode::kFixedB:
    case FitMode::kFixedC:
    case FitMode::kFixedD:
      return mode;
    default:
      return FitMode::kAllFree;
  }
}

int FreeParameterCount(FitMode mode) { return EffectiveMode(mode) == FitMode::kAllFree ? 4 : 3; }

ModelParameters ParametersOf(const FitState& state) {
  const auto& p = state.p;
  const double f = state.fixed;
  switch (EffectiveMode(state.mode)) {
    case FitMode::kFixedA:
      return {f, p[0], p[1], p[2]};
    case FitMode::kFixedB:
      return {p[0], f, p[1], p[2]};
    case FitMode::kFixedC:
      return {p[0], p[1], f, p[2]};
    case FitMode::kFixedD:
      return {p[0], p[1], p[2], f};
    default:
      return {p[0], p[1], p[2], p[3]};
  }
}

namespace {

// The four shapes a derivative of the model takes.
enum class Derivative { kSine, kAXCos, kACos, kOne };

// Row: the mode (1..5); column: the free parameter k (0..3).
constexpr Derivative kDerivativeTable[5][4] = {
    {Derivative::kSine, Derivative::kAXCos, Derivative::kACos, Derivative::kOne},
    {Derivative::kAXCos, Derivative::kACos, Derivative::kOne, Derivative::kOne},
    {Derivative::kSine, Derivative::kACos, Derivative::kOne, Derivative::kOne},
    {Derivative::kSine, Derivative::kAXCos, Derivative::kOne, Derivative::kOne},
    {Derivative::kSine, Derivative::kAXCos, Derivative::kACos, Derivative::kOne},
};

Derivative DerivativeOf(FitMode mode, std::size_t k) {
  if (k > 3) return Derivative::kOne;
  return kDerivativeTable[static_cast<int>(EffectiveMode(mode)) - 1][k];
}

// Both the single derivative and the shared-sine path evaluate through this
// one function, which keeps them bit-identical.
double EvaluateDerivative(Derivative which, const ModelParameters& p, double x, const SinCos& sc) {
  switch (which) {
    case Derivative::kSine:
      return static_cast<double>(sc.sin);
    case Derivative::kAXCos:
      return static_cast<double>(static_cast<Extended>(p.a) * x * sc.cos);
    case Derivative::kACos:
      return static_cast<double>(static_cast<Extended>(p.a) * sc.cos);
    case Derivative::kOne:
      break;
  }
  return 1.0;
}

}  // namespace

double ModelDerivative(const FitState& state, int k, double x) {
  if (k < 0) return 1.0;
  const Derivative which = DerivativeOf(state.mode, static_cast<std::size_t>(k));
  if (which == Derivative::kOne) return 1.0;
  const ModelParameters p = ParametersOf(state);
  return EvaluateDerivative(which, p, x, ModelSinCos(p, x));
}

void ModelDerivativesFrom(FitMode mode, const ModelParameters& p, double x, const SinCos& sc,
                          std::span<double> out) {
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k] = EvaluateDerivative(DerivativeOf(mode, k), p, x, sc);
  }
}

void ModelDerivatives(const FitState& state, double x, std::span<double> out) {
  const ModelParameters p = ParametersOf(state);
  ModelDerivativesFrom(state.mode, p, x, ModelSinCos(p, x), out);
}

// ---------------------------------------------------------------------------

NormalMatrix& ProcessNormalMatrix() {
  static constinit thread_local NormalMatrix matrix{};
  return matrix;
}

namespace {

// The solver's arithmetic runs as on an 80-bit runtime whose variables are
// doubles: every sum is formed one term at a time, each product and partial
// sum (and each quotient) computed in grund::Extended and then rounded to
// double, as storing an x87 register into a double cell does. The results
// can differ in the last bit from plain double arithmetic.
double Divide(double u, double v) { return static_cast<double>(static_cast<Extended>(u) / v); }

}  // namespace

void SolveLinearSystem(NormalMatrix& A, std::uint8_t m_byte, double& det, std::uint8_t& singular) {
  const int m = m_byte;
  if (m < 2 || m > kMaxEquations) {
    det = 0;
    singular = 1;
    return;
  }

  // P[t]: the column of the given matrix that now stands at position t.
  std::array<std::uint8_t, kNormalMatrixSize> P{};
  for (int i = 1; i <= m; ++i) P[i] = static_cast<std::uint8_t>(i);
  bool odd_exchanges = false;

  for (int k = 1; k <= m - 1; ++k) {
    // Pivot: the largest magnitude along row k; a later column takes over
    // only when strictly larger.
    int pivot = k;
    double largest = std::fabs(A[k][k]);
    for (int j = k + 1; j <= m; ++j) {
      if (std::fabs(A[k][j]) > largest) {
        largest = std::fabs(A[k][j]);
        pivot = j;
      }
    }
    if (pivot != k) {
      std::swap(P[k], P[pivot]);
      odd_exchanges = !odd_exchanges;
      for (int r = 1; r <= m; ++r) std::swap(A[r][k], A[r][pivot]);
    }

    const double v = A[k][k];
    if (v == 0) continue;
    // Column k of L.
    for (int i = k + 1; i <= m; ++i) {
      double s = A[i][k];
      for (int t = 1; t <= k - 1; ++t) s = SubtractProduct(s, A[i][t], A[t][k]);
      A[i][k] = Divide(s, v);
    }
    // Row k+1 of U.
    for (int j = k + 1; j <= m; ++j) {
      double s = A[k + 1][j];
      for (int t = 1; t <= k; ++t) s = SubtractProduct(s, A[k + 1][t], A[t][j]);
      A[k + 1][j] = s;
    }
  }

  double product = 1;
  bool negative = odd_exchanges;
  for (int i = 1; i <= m; ++i) {
    product = static_cast<double>(static_cast<Extended>(product) * std::fabs(A[i][i]));
    if (A[i][i] < 0) negative = !negative;
  }
  det = negative ? -product : product;

  // Written as "not above" so that a NaN product (a NaN or an infinity times
  // zero on the diagonal) counts as singular too: only then is every
  // diagonal value that the substitutions divide by non-zero and a number.
  if (!(product > 1e-6)) {
    singular = 1;
    return;
  }

  // Forward substitution with the unit lower factor.
  for (int i = 2; i <= m; ++i) {
    double s = A[i][0];
    for (int t = 1; t <= i - 1; ++t) s = SubtractProduct(s, A[t][0], A[i][t]);
    A[i][0] = s;
  }
  // Back substitution with U.
  A[m][0] = Divide(A[m][0], A[m][m]);
  for (int i = m - 1; i >= 1; --i) {
    double s = A[i][0];
    for (int t = i + 1; t <= m; ++t) s = SubtractProduct(s, A[i][t], A[t][0]);
    A[i][0] = Divide(s, A[i][i]);
  }

  // Undo the column exchanges: variable i stands at the position t with P[t] = i.
  std::array<std::uint8_t, kNormalMatrixSize> position{};
  for (int t = 1; t <= m; ++t) position[P[t]] = static_cast<std::uint8_t>(t);
  for (int i = 1; i <= m; ++i) A[0][i] = A[position[i]][0];
  singular = 0;
}

}  // namespace sinusfit
