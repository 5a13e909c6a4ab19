// The interpreter's fifteen special-function names, called by their position
// in the function-name text: values, the second argument from P, the modulus
// from Q, and the error codes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "fktint/fktint.h"
#include "fktint/sonder_builtins.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace {

namespace sf = sonderfunktionen;

constexpr int kSi = 21;
constexpr int kGamma = 127;
constexpr int kCi = 146;
constexpr int kEi = 149;
constexpr int kBeta = 152;
constexpr int kBessJ0 = 157;
constexpr int kBessJ1 = 164;
constexpr int kGammaLn = 241;
constexpr int kSn = 302;
constexpr int kCn = 305;
constexpr int kDn = 308;
constexpr int kEulerPhi = 311;
constexpr int kAi = 320;
constexpr int kBi = 323;
constexpr int kDigamma = 340;

// The registers are process-wide; every test leaves them as it found them.
class SpecialBuiltins : public testing::Test {
 protected:
  void SetUp() override {
    savedP_ = fktint::ParamP;
    savedQ_ = fktint::ParamQ;
    fktint::ParamP = 0;
    fktint::ParamQ = 0;
  }
  void TearDown() override {
    fktint::ParamP = savedP_;
    fktint::ParamQ = savedQ_;
    fktint::EvalError = 0;
  }

 private:
  double savedP_ = 0;
  double savedQ_ = 0;
};

struct Case {
  const char* name;
  int position;
  double v;
  double p;  // ParamP before the call
  std::uint8_t codeBefore;
  double expected;
  double tolerance;
  std::uint8_t codeAfter;
};

TEST_F(SpecialBuiltins, EachNameGivesItsValueAndCode) {
  const double j0AtZero = 57568490574.0 / 57568490411.0;
  const Case cases[] = {
      // successes leave an earlier code, except the four dispatched names
      {"SI", kSi, 1, 0, 3, 0.94608277, 1e-8, 3},
      {"GAMMA", kGamma, 5, 0, 3, 24, 1e-12, 3},
      {"CI", kCi, 1, 0, 3, 0.33740829, 1e-8, 3},
      {"EI", kEi, 1, 0, 3, 1.89512028, 1e-8, 3},
      {"BETA", kBeta, 2, 3, 3, 1.0 / 12, 1e-8, 3},
      {"BESSJ0", kBessJ0, 0, 0, 2, j0AtZero, 1e-15, 0},
      {"BESSJ1", kBessJ1, 1, 0, 2, 0.44005059, 1e-8, 0},
      {"GAMMALN", kGammaLn, 0.5, 0, 2, 0.57236494, 1e-8, 0},
      {"SN", kSn, 1, 0, 3, std::sin(1.0), 1e-15, 3},
      {"CN", kCn, 1, 0, 3, std::cos(1.0), 1e-15, 3},
      {"DN", kDn, 1, 0, 3, 1, 1e-15, 3},
      {"EULERPHI", kEulerPhi, 10, 0, 3, 4, 0, 3},
      {"AI", kAi, 0, 0, 3, 0.3550280538878172, 0, 3},
      {"BI", kBi, 1, 0, 3, 1.20742359, 1e-8, 3},
      {"DIGAMMA", kDigamma, 1, 0, 2, -0.5772156649015329, 0, 0},
      // failures: value 0 and the routine's code
      {"SI", kSi, 0, 0, 0, 0, 0, 2},
      {"GAMMA", kGamma, 0, 0, 0, 0, 0, 4},
      {"GAMMA", kGamma, 44, 0, 0, 0, 0, 4},
      {"CI", kCi, -1, 0, 0, 0, 0, 2},
      {"EI", kEi, 40, 0, 0, 0, 0, 2},
      {"BETA", kBeta, 1, -1, 0, 0, 0, 4},   // Gamma(v + P) at a pole
      {"BETA", kBeta, 0, 1.5, 0, 0, 0, 4},  // Gamma(v) at a pole
      {"BETA", kBeta, 30, 30, 0, 0, 0, 4},  // Gamma(v + P) beyond 43
      {"GAMMALN", kGammaLn, -0.5, 0, 0, 0, 0, 4},
      {"GAMMALN", kGammaLn, 21, 0, 0, 0, 0, 4},
      {"EULERPHI", kEulerPhi, 0.4, 0, 0, 0, 0, 1},
      {"EULERPHI", kEulerPhi, 10001, 0, 0, 0, 0, 1},
      {"DIGAMMA", kDigamma, 0, 0, 0, 0, 0, 4},
      {"DIGAMMA", kDigamma, -2, 0, 0, 0, 0, 4},
  };
  for (const Case& c : cases) {
    fktint::ParamP = c.p;
    fktint::EvalError = c.codeBefore;
    EXPECT_NEAR(fktint::SpecialBuiltin(c.position, c.v), c.expected, c.tolerance)
        << c.name << "(" << c.v << "), P=" << c.p;
    EXPECT_EQ(fktint::EvalError, c.codeAfter) << c.name << "(" << c.v << "), P=" << c.p;
  }
}

TEST_F(SpecialBuiltins, BesselNamesNeverFail) {
  for (const double v : {0.0, -7.99, 8.0, -1e300, 1e300}) {
    for (const int position : {kBessJ0, kBessJ1}) {
      fktint::EvalError = 2;
      const double value = fktint::SpecialBuiltin(position, v);
      EXPECT_TRUE(std::isfinite(value));
      EXPECT_EQ(fktint::EvalError, 0) << position << "(" << v << ")";
    }
  }
}

TEST_F(SpecialBuiltins, BetaMultipliesBeforeDividing) {
  fktint::ParamP = 4.5;
  const double expected = sf::GammaPoly(1.25) * sf::GammaPoly(4.5) / sf::GammaPoly(5.75);
  EXPECT_DOUBLE_EQ(fktint::SpecialBuiltin(kBeta, 1.25), expected);
}

TEST_F(SpecialBuiltins, BetaBeyondTheDoubleRangeIsClamped) {
  // B(v, v) ~ 2/v: for v = 1e-308 the value 2e308 is not a double.
  fktint::ParamP = 1e-308;
  fktint::EvalError = 0;
  EXPECT_EQ(fktint::SpecialBuiltin(kBeta, 1e-308), 0);
  EXPECT_EQ(fktint::EvalError, 4);
}

TEST_F(SpecialBuiltins, JacobiNamesTakeTheModulusFromQ) {
  fktint::ParamQ = 0.5;  // mc = 0.75
  double sn = 0;
  double cn = 0;
  double dn = 0;
  sf::JacobiSnCnDn(0.5, 0.75, sn, cn, dn);
  EXPECT_EQ(fktint::SpecialBuiltin(kSn, 0.5), sn);
  EXPECT_EQ(fktint::SpecialBuiltin(kCn, 0.5), cn);
  EXPECT_EQ(fktint::SpecialBuiltin(kDn, 0.5), dn);
  EXPECT_NEAR(sn, 0.47508294, 1e-8);

  fktint::ParamQ = 1.5;  // mc = -1.25: the reciprocal-modulus branch
  EXPECT_NEAR(fktint::SpecialBuiltin(kSn, 1), 0.64873847, 1e-8);
  EXPECT_NEAR(fktint::SpecialBuiltin(kCn, 1), 0.76101143, 1e-8);
  EXPECT_NEAR(fktint::SpecialBuiltin(kDn, 1), 0.23035061, 1e-8);
}

TEST_F(SpecialBuiltins, OnlyTheFifteenPositionsAreSpecial) {
  for (const int position : {kSi, kGamma, kCi, kEi, kBeta, kBessJ0, kBessJ1, kGammaLn, kSn, kCn,
                             kDn, kEulerPhi, kAi, kBi, kDigamma}) {
    EXPECT_TRUE(fktint::IsSpecialBuiltin(position)) << position;
  }
  for (const int position : {0, 1, 22, 24, 128, 133, 303, 345, 364, -21}) {
    EXPECT_FALSE(fktint::IsSpecialBuiltin(position)) << position;
    fktint::EvalError = 3;
    EXPECT_EQ(fktint::SpecialBuiltin(position, 1), 0) << position;
    EXPECT_EQ(fktint::EvalError, 3) << position;
  }
}

}  // namespace
