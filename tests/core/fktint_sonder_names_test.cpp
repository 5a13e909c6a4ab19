// The fifteen special-function names through the whole interpreter: one value
// and one failure each, and the names that discard earlier codes.

#include "tests/core/fktint_test_support.h"

namespace {

using fktint_test::ExpectTerm;
using fktint_test::InterpreterTest;
using fktint_test::TermCase;

using SpecialNames = InterpreterTest;

TEST_F(SpecialNames, EachNameWithAValueAndAFailure) {
  const TermCase cases[] = {
      {"SI(1)", 0, 0.94608277, 1e-8, 0},
      {"SI(0)", 0, 0, 0, 2},
      {"SI(50)", 0, 0, 0, 2},
      {"GAMMA(5)", 0, 24, 1e-6, 0},
      {"GAMMA(0,5)", 0, 1.77245399, 3e-7, 0},
      {"GAMMA(0)", 0, 0, 0, 4},
      {"GAMMA(44)", 0, 0, 0, 4},
      {"CI(1)", 0, 0.33740829, 1e-8, 0},
      {"CI(-1)", 0, 0, 0, 2},
      {"EI(1)", 0, 1.89512028, 1e-8, 0},
      {"EI(40)", 0, 0, 0, 2},
      {"BETA(2;3)", 0, 1.0 / 12, 1e-7, 0},
      {"BETA(0;1)", 0, 0, 0, 4},
      {"BETA(-1;1)", 0, 0, 0, 4},  // Gamma(0) below the line
      {"BESSJ0(1)", 0, 0.76519768, 1e-8, 0},
      {"BESSJ0(0)", 0, 57568490574.0 / 57568490411.0, 1e-15, 0},
      {"BESSJ1(1)", 0, 0.44005059, 1e-8, 0},
      {"BESSJ1(-10)", 0, -0.04347275, 1e-8, 0},
      {"GAMMALN(0,5)", 0, 0.57236494, 1e-7, 0},
      {"GAMMALN(21)", 0, 0, 0, 4},
      {"GAMMALN(-0,5)", 0, 0, 0, 4},
      {"SN(1)", 0, 0.8414709848078965, 1e-12, 0},
      {"CN(1)", 0, 0.5403023058681398, 1e-12, 0},
      {"DN(1)", 0, 1, 1e-12, 0},
      {"SN(X)", 0, 0, 0, 0},  // u = 0 gives (0, 1, 1)
      {"EULERPHI(10)", 0, 4, 0, 0},
      {"EULERPHI(36)", 0, 12, 0, 0},
      {"EULERPHI(0,4)", 0, 0, 0, 1},
      {"EULERPHI(10001)", 0, 0, 0, 1},
      {"AI(0)", 0, 0.3550280538878172, 1e-16, 0},
      {"AI(X)", 1, 0.13529242, 1e-8, 0},
      {"BI(0)", 0, 0.6149266274460007, 1e-15, 0},
      {"BI(25,78)", 0, 1e10, 0, 0},
      {"DIGAMMA(1)", 0, -0.5772156649015329, 0, 0},
      {"DIGAMMA(0)", 0, 0, 0, 4},
      {"DIGAMMA(-1)", 0, 0, 0, 4},
      {"DIGAMMA(-0,5)", 0, 0.03648997, 1e-8, 0},
  };
  for (const TermCase& c : cases) ExpectTerm(c);
}

TEST_F(SpecialNames, TheDispatchedNamesDiscardEarlierCodes) {
  const TermCase cases[] = {
      // LN(0) sets code 2, the Bessel call clears it.
      {"LN(0)+BESSJ0(0)", 0, 57568490574.0 / 57568490411.0, 1e-15, 0},
      {"LN(0)+GAMMALN(1)", 0, 0, 1e-9, 0},
      {"LN(0)+DIGAMMA(1)", 0, -0.5772156649015329, 0, 0},
      // The routines that report through the code leave it alone on success.
      {"LN(0)+GAMMA(5)", 0, 24, 1e-6, 2},
      {"LN(0)+SI(1)", 0, 0.94608277, 1e-8, 2},
      {"LN(0)+AI(0)", 0, 0.3550280538878172, 1e-16, 2},
  };
  for (const TermCase& c : cases) ExpectTerm(c);
}

}  // namespace
