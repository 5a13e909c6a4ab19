// π and 2π, defined once for the fit, the frequency scan and the
// interpreter.

#include <gtest/gtest.h>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace {

TEST(Constants, PiAndTwoPiAreTheNearestValuesOfTheExtendedType) {
  EXPECT_EQ(grund::kTwoPi, 2 * grund::kPi);
  // The fit's phase is normalised with 2π = 6.283185307179586477 in the
  // 80-bit format (the nearest double elsewhere).
  EXPECT_EQ(grund::kTwoPi, static_cast<grund::Extended>(6.283185307179586477L));
  EXPECT_EQ(static_cast<double>(grund::kPi), 3.141592653589793);
  // The term language's PI is π as a double.
  EXPECT_EQ(fktint::EvaluateTerm("PI", 0), static_cast<double>(grund::kPi));
}

}  // namespace
