#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "sinusfit/extended_sincos.h"
#include "sinusfit/normalsystem.h"

namespace {

using grund::Extended;
using sinusfit::FitMode;
using sinusfit::FitState;

constexpr FitMode kModes[] = {FitMode::kAllFree, FitMode::kFixedA, FitMode::kFixedB,
                              FitMode::kFixedC, FitMode::kFixedD};

TEST(FitMode, FreeParametersMapOntoABCD) {
  const struct {
    FitMode mode;
    sinusfit::ModelParameters expected;
    int m;
  } cases[] = {
      {FitMode::kAllFree, {1, 2, 3, 4}, 4},       {FitMode::kFixedA, {9, 1, 2, 3}, 3},
      {FitMode::kFixedB, {1, 9, 2, 3}, 3},        {FitMode::kFixedC, {1, 2, 9, 3}, 3},
      {FitMode::kFixedD, {1, 2, 3, 9}, 3},        {static_cast<FitMode>(0), {1, 2, 3, 4}, 4},
      {static_cast<FitMode>(6), {1, 2, 3, 4}, 4}, {static_cast<FitMode>(-1), {1, 2, 3, 4}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    const sinusfit::ModelParameters p = sinusfit::ParametersOf(FitState{c.mode, {1, 2, 3, 4}, 9});
    EXPECT_EQ(p.a, c.expected.a);
    EXPECT_EQ(p.b, c.expected.b);
    EXPECT_EQ(p.c, c.expected.c);
    EXPECT_EQ(p.d, c.expected.d);
    EXPECT_EQ(sinusfit::FreeParameterCount(c.mode), c.m);
  }
}

// The model a·sin(b·x + c) + d with free parameter k moved by h, computed
// with the library sine as an independent reference.
long double ModelWithShift(const FitState& state, int k, long double h, long double x) {
  FitState moved = state;
  moved.p[k] += static_cast<double>(h);
  const sinusfit::ModelParameters p = sinusfit::ParametersOf(moved);
  return p.a * sinl(p.b * x + p.c) + static_cast<long double>(p.d);
}

TEST(ModelDerivative, MatchesCentralDifferencesInEveryMode) {
  std::mt19937 engine(7);
  std::uniform_real_distribution<double> value(-5, 5);
  for (FitMode mode : kModes) {
    const int m = sinusfit::FreeParameterCount(mode);
    for (int trial = 0; trial < 200; ++trial) {
      const FitState state{
          mode, {value(engine), value(engine), value(engine), value(engine)}, value(engine)};
      const double x = 2 * value(engine);
      for (int k = 0; k < m; ++k) {
        // A small step: the truncation error is of order h².
        const long double h = 1.0 / 65536;
        const long double difference =
            (ModelWithShift(state, k, h, x) - ModelWithShift(state, k, -h, x)) / (2 * h);
        EXPECT_NEAR(sinusfit::ModelDerivative(state, k, x), static_cast<double>(difference),
                    1e-6 * (1 + std::fabs(static_cast<double>(difference))))
            << "mode " << static_cast<int>(mode) << " k " << k << " x " << x;
      }
    }
  }
}

TEST(ModelDerivative, IndexesOutsideTheTableGiveOne) {
  const FitState all{FitMode::kAllFree, {2, 3, 0.5, 1}, 0};
  for (int k : {-1, 4, 25, INT_MIN, INT_MAX})
    EXPECT_EQ(sinusfit::ModelDerivative(all, k, 0.7), 1) << k;
  EXPECT_EQ(sinusfit::ModelDerivative(all, 3, 0.7), 1);  // d itself
  // With one parameter fixed, p4 is unused; the table still gives 1 for it.
  for (FitMode mode : {FitMode::kFixedA, FitMode::kFixedB, FitMode::kFixedC, FitMode::kFixedD})
    EXPECT_EQ(sinusfit::ModelDerivative(FitState{mode, {2, 3, 0.5, 1}, 4}, 3, 0.7), 1);
}

TEST(ModelDerivative, OtherModesAreTreatedAsAllFree) {
  const FitState all{FitMode::kAllFree, {2, 3, 0.5, 1}, 7};
  for (int mode : {0, 6, -3, 100}) {
    const FitState other{static_cast<FitMode>(mode), all.p, all.fixed};
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(sinusfit::ModelDerivative(other, k, 1.25), sinusfit::ModelDerivative(all, k, 1.25));
  }
}

// x values over many magnitudes, so that b·x + c also leaves the range of
// the x87 sine and overflows.
double WideX(std::mt19937& engine) {
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-4, 30);
  const int e = exponent(engine);
  if (e == 30) return mantissa(engine) * 1e308;
  return mantissa(engine) * std::pow(10.0, e);
}

TEST(ModelDerivatives, SharedSinCosIsBitIdenticalToSingleDerivatives) {
  std::mt19937 engine(99);
  std::uniform_real_distribution<double> value(-5, 5);
  std::uniform_int_distribution<int> mode_of(0, 6);  // 0 and 6 stand for "other"
  std::array<double, 6> shared{};
  for (int trial = 0; trial < 50000; ++trial) {
    const FitState state{static_cast<FitMode>(mode_of(engine)),
                         {value(engine), value(engine), value(engine), value(engine)},
                         value(engine)};
    const double x = trial % 4 == 0 ? WideX(engine) : 2 * value(engine);
    sinusfit::ModelDerivatives(state, x, shared);
    for (int k = 0; k < 6; ++k) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(shared[k]),
                std::bit_cast<std::uint64_t>(sinusfit::ModelDerivative(state, k, x)))
          << "mode " << static_cast<int>(state.mode) << " k " << k << " x " << x;
    }
  }
}

TEST(ModelValue, IsTheModelFromTheSharedSine) {
  const sinusfit::ModelParameters p{1.5, 2, 0.5, -1.25};
  for (double x : {-3.0, 0.0, 0.1, 2.5, 40.0}) {
    const Extended value = sinusfit::ModelValue(p, sinusfit::ModelSinCos(p, x));
    EXPECT_NEAR(static_cast<double>(value), 1.5 * std::sin(2 * x + 0.5) - 1.25, 1e-14) << x;
  }
}

TEST(ExtendedSinCos, AgreesWithTheLibrary) {
  std::mt19937 engine(3);
  std::uniform_real_distribution<double> arg(-200, 200);
  for (int i = 0; i < 10000; ++i) {
    const Extended a = arg(engine);
    const sinusfit::SinCos sc = sinusfit::ExtendedSinCos(a);
    // The x87 instruction reduces with a 66-bit pi, so compare absolutely.
    EXPECT_NEAR(static_cast<double>(sc.sin - std::sin(a)), 0, 1e-17) << static_cast<double>(a);
    EXPECT_NEAR(static_cast<double>(sc.cos - std::cos(a)), 0, 1e-17) << static_cast<double>(a);
  }
  const sinusfit::SinCos zero = sinusfit::ExtendedSinCos(0);
  EXPECT_EQ(zero.sin, 0);
  EXPECT_EQ(zero.cos, 1);
}

TEST(ExtendedSinCos, HugeAndNonFiniteArguments) {
  // Just inside the instruction's range it still yields a sine and cosine
  // (outside, it would hand back the argument itself).
  const Extended inside = std::nextafter(Extended{0x1p63L}, Extended{0});
  for (Extended a : {inside, -inside}) {
    const sinusfit::SinCos sc = sinusfit::ExtendedSinCos(a);
    EXPECT_LE(std::fabs(sc.sin), 1);
    EXPECT_LE(std::fabs(sc.cos), 1);
    EXPECT_NEAR(static_cast<double>(sc.sin * sc.sin + sc.cos * sc.cos), 1, 1e-15);
  }
  // From 2^63 on the library computes them.
  for (Extended a : {Extended{0x1p63L}, Extended{-0x1p63L}, Extended{1e30L}, Extended{-3e300L}}) {
    const sinusfit::SinCos sc = sinusfit::ExtendedSinCos(a);
    EXPECT_EQ(sc.sin, std::sin(a));
    EXPECT_EQ(sc.cos, std::cos(a));
  }
  for (Extended a :
       {std::numeric_limits<Extended>::infinity(), -std::numeric_limits<Extended>::infinity(),
        std::numeric_limits<Extended>::quiet_NaN()}) {
    const sinusfit::SinCos sc = sinusfit::ExtendedSinCos(a);
    EXPECT_TRUE(std::isnan(sc.sin));
    EXPECT_TRUE(std::isnan(sc.cos));
  }
}

}  // namespace
