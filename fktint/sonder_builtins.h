#pragma once
// The fifteen built-in names whose values come from the special-function
// routines (SI, GAMMA, CI, EI, BETA, BESSJ0, BESSJ1, GAMMALN, SN, CN, DN,
// EULERPHI, AI, BI, DIGAMMA). Internal to the interpreter.

namespace fktint {

// True when the name starting at this 1-based position of the function-name
// text is one of the fifteen.
bool IsSpecialBuiltin(int position);
// The value of that function for the evaluated argument v; sets EvalError as
// the function's rules say.
double SpecialBuiltin(int position, double v);

}  // namespace fktint
