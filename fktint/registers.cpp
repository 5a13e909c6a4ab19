#include "fktint/fktint.h"

namespace fktint {

constinit thread_local std::uint8_t EvalError = 0;
constinit thread_local double ParamP = 0;
constinit thread_local double ParamQ = 0;
constinit thread_local std::array<double, 6> ParamK{};

}  // namespace fktint
