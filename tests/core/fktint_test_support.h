#pragma once
// Shared by the interpreter's tests: a table row (term, x, expected value with
// tolerance, expected code) and a fixture that resets the state that persists
// between evaluations, so the tests do not depend on their order.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace fktint_test {

struct TermCase {
  std::string term;
  double x;
  double value;
  double tolerance;  // 0: exactly this value
  int code;
};

inline void ExpectTerm(const TermCase& c) {
  SCOPED_TRACE("term \"" + c.term + "\" at x = " + std::to_string(c.x));
  const double v = fktint::EvaluateTerm(c.term, c.x);
  EXPECT_EQ(fktint::EvalError, c.code);
  if (c.tolerance == 0) {
    EXPECT_EQ(v, c.value);
  } else {
    EXPECT_NEAR(v, c.value, c.tolerance);
  }
}

class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
    fktint::EvalError = 0;
  }
};

inline constexpr double kPi = 3.141592653589793;

}  // namespace fktint_test
