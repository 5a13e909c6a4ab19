#pragma once
// The loops of the long-series fit that run over every pair, written four
// pairs at a time so that they compile to vector instructions on any x86-64
// (and elsewhere): the sine and cosine of many arguments, the sums of the
// normal equations of a·sin(b·x + ph) + d, the residual sum of such a model,
// and the residual sum of a term's own values in unshifted x.

#include <array>
#include <cstddef>

namespace sinusfit::pairloops {

// |arg| up to this is reduced by three parts of π/2 (exact products for the
// quadrant counts that occur); beyond it, and for NaN and infinities, the
// library's sine and cosine are used.
inline constexpr double kReducedRange = 1.5e6;

// sin and cos of arg[0..n); within 2 ulp of the exact values for
// |arg| ≤ kReducedRange, the library's values beyond.
void SinCos(const double* arg, double* sine, double* cosine, std::size_t n);

// The pairs of one loop: x (shifted), y and the weights (null: all 1).
struct PairSpan {
  const double* x = nullptr;
  const double* y = nullptr;
  const double* w = nullptr;
  std::size_t n = 0;
};

// The model a·sin(b·x + ph) + d; the derivative by b uses x + bOffset.
struct Model {
  double a = 0, b = 0, ph = 0, d = 0;
  double bOffset = 0;
};

// Σ w·J·Jᵀ and Σ w·J·r for the Jacobian J = (∂a, ∂b, ∂ph, ∂d) of the model
// and the residual r = y − model, and Σ w·r²; and Σ w·r·∂²model for the
// Newton step, which converges where a large residual slows Gauss-Newton.
struct NormalSums {
  std::array<std::array<double, 4>, 4> g{};  // upper triangle filled
  std::array<double, 4> r{};
  double error = 0;
  std::array<std::array<double, 4>, 4> h{};  // upper triangle; 0 where d is involved
};

NormalSums SumNormal(const PairSpan& pairs, const Model& model);

// Σ w·(y − model)².
double SumResidual(const PairSpan& pairs, const Model& model);

// Σ w·(y − f(x))² for the term a*SIN(b*X+c)+d with its own numbers and x
// unshifted, f(x) rounded step by step in double as the interpreter forms it
// (with its cap of 10^10 on products and values).
double SumTermResidual(const PairSpan& pairs, double a, double b, double c, double d);

}  // namespace sinusfit::pairloops
