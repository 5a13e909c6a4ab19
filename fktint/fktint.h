#pragma once
// The term interpreter: evaluates a term text such as 1,5*SIN(2*X+0,5)-1,25
// for a value of X in one pass, without a syntax tree. Failures are never
// thrown: every evaluation sets EvalError and yields a substitute value.

#include <array>
#include <cstdint>
#include <string_view>

namespace fktint {

// The error code of the last evaluation: 0 none, 1 syntax or unknown name,
// 2 arithmetic or domain failure, 3 value of a step function, 4 value clamped.
// Callers read it right after a call.
// Each thread has its own: files may be fitted on several threads at once.
extern constinit thread_local std::uint8_t EvalError;

// Fixed settings.
inline constexpr bool RangeCheck = false;
inline constexpr double RangeXMin = -1000000;
inline constexpr double RangeXMax = 1000000;
inline constexpr double MaxValue = 1e10;  // cap of results, overflow limit

// Parameter registers; they keep their values from one evaluation to the next.
// Per thread, as EvalError.
extern constinit thread_local double ParamP;  // written by ";", read as "P"
extern constinit thread_local double ParamQ;  // read as "Q", modulus of SN, CN, DN
extern constinit thread_local std::array<double, 6> ParamK;  // "R" is index 0, "K1".."K5" 1..5

// The value of the term with X = x. The result is always finite.
double EvaluateTerm(std::string_view text, double x);

}  // namespace fktint
