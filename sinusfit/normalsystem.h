#pragma once
// The numeric core of one Gauss-Newton step of the sine fit
// y = a·sin(b·x + c) + d: the model's partial derivatives by the free
// parameters, and the solver for the normal equations held in the 26 × 26
// NormalMatrix layout.

#include <array>
#include <cstdint>
#include <span>

#include "_grund/grund.h"
#include "sinusfit/extended_sincos.h"

namespace sinusfit {

// Which parameter is held at a typed value. The other three (or all four)
// are the free parameters p1..p4, counted in the order a, b, c, d with the
// fixed one left out. A value outside 1..5 counts as kAllFree.
enum class FitMode : int {
  kAllFree = 1,
  kFixedA = 2,
  kFixedB = 3,
  kFixedC = 4,
  kFixedD = 5,
};

// The mode the model works in: values other than 2..5 become kAllFree.
FitMode EffectiveMode(FitMode mode);
// The number of free parameters m: 4 in mode 1, 3 otherwise.
int FreeParameterCount(FitMode mode);

// Everything the model reads of a running fit. Each candidate of the fit
// carries its own, so candidates can be refined independently.
struct FitState {
  FitMode mode = FitMode::kAllFree;
  std::array<double, 4> p{};  // p1..p4 at p[0]..p[3]; p[3] is unused outside mode 1
  double fixed = 0;           // the held parameter's value (not used in mode 1)
};

struct ModelParameters {
  double a = 0;
  double b = 0;
  double c = 0;
  double d = 0;
};

// a, b, c, d from the free parameters and the fixed value.
ModelParameters ParametersOf(const FitState& state);

// sin(b·x + c) and cos(b·x + c), the argument formed in extended precision.
inline SinCos ModelSinCos(const ModelParameters& p, grund::Extended x) {
  const grund::Extended arg = static_cast<grund::Extended>(p.b) * x + p.c;
  return ExtendedSinCos(arg);
}

// The model value a·sin(b·x + c) + d in extended precision, from the sine of
// ModelSinCos at the same x.
inline grund::Extended ModelValue(const ModelParameters& p, const SinCos& sc) {
  return static_cast<grund::Extended>(p.a) * sc.sin + p.d;
}

// The derivative of the model by the k-th free parameter (k from 0) at x:
//
//   mode            k = 0        k = 1        k = 2        k = 3
//   1 (all free)    sin          a·x·cos      a·cos        1
//   2 (a fixed)     a·x·cos      a·cos        1            1
//   3 (b fixed)     sin          a·cos        1            1
//   4 (c fixed)     sin          a·x·cos      1            1
//   5 (d fixed)     sin          a·x·cos      a·cos        1
//
// with sin and cos of b·x + c. Any other k gives 1. Computed in extended
// precision and rounded to double.
double ModelDerivative(const FitState& state, int k, double x);

// The derivatives by the free parameters 0 .. out.size()-1 at x, all from the
// one sine/cosine pair `sc` = ModelSinCos(p, x) (and only computed where
// needed). Bit-identical to ModelDerivative(state, k, x) for every k.
void ModelDerivativesFrom(FitMode mode, const ModelParameters& p, double x, const SinCos& sc,
                          std::span<double> out);
// The same, computing the sine and cosine itself.
void ModelDerivatives(const FitState& state, double x, std::span<double> out);

// ---------------------------------------------------------------------------
// The linear solver

inline constexpr int kNormalMatrixSize = 26;
inline constexpr int kMaxEquations = kNormalMatrixSize - 1;

// A linear system of m equations (2 <= m <= 25), indexed [row][column]:
// [1..m][1..m] the matrix, [1..m][0] the right-hand side; after a solve
// [0][1..m] holds the solution.
using NormalMatrix = std::array<std::array<double, kNormalMatrixSize>, kNormalMatrixSize>;

// The system the fit on this thread uses (one per thread). It is never
// cleared.
NormalMatrix& ProcessNormalMatrix();

// Solves the system in A in place by an LU factorisation with column
// exchanges (pivot: the largest magnitude along the row, ties keep the
// leftmost column). On success singular = 0, A[0][1..m] holds the solution,
// [1..m][1..m] the factors and [1..m][0] intermediate values. The system is
// singular (singular = 1) when the product of the absolute diagonal values of
// U is at most 1e-6, an absolute threshold; row 0 then stays as it was.
// det receives that product with the sign of the determinant. Cells [0][0]
// and beyond m are never touched. Any m outside 2..25 (m = 1 included)
// reports singular with det = 0 and changes nothing.
void SolveLinearSystem(NormalMatrix& A, std::uint8_t m, double& det, std::uint8_t& singular);

// One step of a sum of products as an 80-bit runtime performs it when the sum
// lives in a double: the product and the sum are formed in extended
// precision, the result is rounded to double.
inline double AddProduct(double sum, double u, double v) {
  return static_cast<double>(static_cast<grund::Extended>(sum) +
                             static_cast<grund::Extended>(u) * v);
}
inline double SubtractProduct(double sum, double u, double v) {
  return static_cast<double>(static_cast<grund::Extended>(sum) -
                             static_cast<grund::Extended>(u) * v);
}

}  // namespace sinusfit
