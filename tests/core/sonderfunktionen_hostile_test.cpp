// Every special-function routine and every special-function name on hostile
// arguments: each call returns a finite value (or writes finite values),
// leaves a valid code and ends; a routine that looped would hang this test.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "fktint/fktint.h"
#include "fktint/sonder_builtins.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace {

namespace sf = sonderfunktionen;

std::vector<double> HostileArguments() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double tiny = std::numeric_limits<double>::denorm_min();
  std::vector<double> values = {
      nan,
      -nan,
      inf,
      -inf,
      DBL_MAX,
      -DBL_MAX,
      tiny,
      -tiny,
      0.0,
      -0.0,
      DBL_MIN,
      -DBL_MIN,
      1e-310,
      -1e-310,
      5e-309,
      -5e-309,
      1e300,
      -1e300,
      1e19,
      -1e19,
      9.2233720368547758e18,
      -9.2233720368547758e18,
      -1e12 + 0.5,
      -4503599627370495.5,
      4503599627370495.5,
      -170.5,
      -1000.5,
      -4.5,
      20.5,
      43,
      -4.2e205,
      -1e206,
      25.77,
      25.78,
      -2.09,
      2.09,
      8,
      -8,
      8.3203353,
      49.999,
      50,
      39.999,
      40,
      10000.5,
      -3.000001,
      1e-5,
  };
  return values;
}

bool Finite(double v) { return std::isfinite(v); }

TEST(HostileArguments, EveryRoutineReturnsFiniteValues) {
  for (const double x : HostileArguments()) {
    fktint::EvalError = 0;
    bool failed = false;
    EXPECT_TRUE(Finite(sf::GammaPoly(x))) << "GammaPoly " << x;
    EXPECT_TRUE(Finite(sf::LnGamma(x, failed))) << "LnGamma " << x;
    EXPECT_TRUE(Finite(sf::Digamma(x, failed))) << "Digamma " << x;
    EXPECT_TRUE(Finite(sf::BesselJ0(x))) << "BesselJ0 " << x;
    EXPECT_TRUE(Finite(sf::BesselJ1(x))) << "BesselJ1 " << x;
    EXPECT_TRUE(Finite(sf::SignOf(x))) << "SignOf " << x;
    for (const std::uint8_t code : {0, 2, 4, 5, 16, 255}) {
      EXPECT_TRUE(Finite(sf::SpecialFunction(code, failed, x, x))) << "code " << int(code) << x;
    }
    double ai = 0;
    double bi = 0;
    sf::AiryAiBi(x, ai, bi);
    EXPECT_TRUE(Finite(ai) && Finite(bi)) << "AiryAiBi " << x;
    EXPECT_TRUE(Finite(sf::SineIntegral(x))) << "SineIntegral " << x;
    EXPECT_TRUE(Finite(sf::CosineIntegral(x))) << "CosineIntegral " << x;
    EXPECT_TRUE(Finite(sf::ExpIntegral(x))) << "ExpIntegral " << x;
    EXPECT_TRUE(Finite(sf::EulerPhi(x))) << "EulerPhi " << x;
    EXPECT_LE(fktint::EvalError, 4);
  }
}

TEST(HostileArguments, JacobiOnEveryPairOfArgumentAndParameter) {
  const auto values = HostileArguments();
  for (const double u : values) {
    for (const double mc : values) {
      double sn = 0;
      double cn = 0;
      double dn = 0;
      sf::JacobiSnCnDn(u, mc, sn, cn, dn);
      EXPECT_TRUE(Finite(sn) && Finite(cn) && Finite(dn)) << "u=" << u << " mc=" << mc;
    }
  }
}

TEST(HostileArguments, EverySpecialNameWithHostileRegisters) {
  const double savedP = fktint::ParamP;
  const double savedQ = fktint::ParamQ;
  const int positions[] = {21,  127, 146, 149, 152, 157, 164, 241,
                           302, 305, 308, 311, 320, 323, 340};
  const auto values = HostileArguments();
  for (const double v : values) {
    for (const double reg : values) {
      fktint::ParamP = reg;
      fktint::ParamQ = reg;
      for (const int position : positions) {
        fktint::EvalError = 0;
        EXPECT_TRUE(Finite(fktint::SpecialBuiltin(position, v)))
            << position << "(" << v << "), P=Q=" << reg;
        EXPECT_LE(fktint::EvalError, 4);
      }
    }
  }
  fktint::ParamP = savedP;
  fktint::ParamQ = savedQ;
  fktint::EvalError = 0;
}

TEST(HostileArguments, GcdOnExtremeIntegers) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t values[] = {kMin, kMin + 1, -1, 0, 1, 65536, kMax - 1, kMax};
  for (const std::int32_t a : values) {
    for (const std::int32_t b : values) {
      const std::int32_t g = sf::Gcd(a, b);
      if (a != 0 && b != 0) {
        EXPECT_EQ(a % static_cast<std::int64_t>(g), 0) << a << ", " << b;
        EXPECT_EQ(b % static_cast<std::int64_t>(g), 0) << a << ", " << b;
      } else {
        EXPECT_EQ(g, 1);
      }
    }
  }
}

}  // namespace
