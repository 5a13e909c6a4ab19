#include "fktint/fktint.h"

namespace fktint {

std::uint8_t EvalError = 0;
double ParamP = 0;
double ParamQ = 0;
std::array<double, 6> ParamK{};

}  // namespace fktint
