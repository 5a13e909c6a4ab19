#pragma once
// Reading the bound runs the field's term, which may draw random numbers
// (MCARLO) or write the registers (";"): a scan that reads it on its own
// leaves no trace of it. The guard restores what it saw when made.

#include <array>
#include <cstdint>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace sinusfit {

class InterpreterStateGuard {
 public:
  InterpreterStateGuard()
      : seed_(grund::ProcessRandom().Seed()),
        error_(fktint::EvalError),
        p_(fktint::ParamP),
        q_(fktint::ParamQ),
        k_(fktint::ParamK) {}
  ~InterpreterStateGuard() {
    grund::ProcessRandom().SetSeed(seed_);
    fktint::EvalError = error_;
    fktint::ParamP = p_;
    fktint::ParamQ = q_;
    fktint::ParamK = k_;
  }
  InterpreterStateGuard(const InterpreterStateGuard&) = delete;
  InterpreterStateGuard& operator=(const InterpreterStateGuard&) = delete;

 private:
  std::uint32_t seed_;
  std::uint8_t error_;
  double p_, q_;
  decltype(fktint::ParamK) k_;
};

}  // namespace sinusfit
