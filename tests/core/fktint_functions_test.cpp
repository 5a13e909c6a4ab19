// The built-in function table: the seventy names at their positions, the
// substring lookup with its shortened names, and the value and domain
// failure of each of the fifty-five names that are not special functions.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fktint/function_table.h"
#include "fktint_test_support.h"

namespace {

using fktint_test::ExpectTerm;
using fktint_test::InterpreterTest;
using fktint_test::kPi;
using fktint_test::TermCase;

TEST(FunctionNames, HoldsTheSeventyNamesAtTheirPositions) {
  const std::vector<std::pair<std::string, int>> names = {
      {"SQR", 1},         {"SQRT", 5},         {"EXP", 10},      {"LN", 14},      {"ABS", 17},
      {"SI", 21},         {"SIN", 24},         {"COS", 28},      {"TAN", 32},     {"ARCCOS", 36},
      {"LG", 43},         {"ARCTAN", 46},      {"SINH", 53},     {"COSH", 58},    {"TANH", 63},
      {"INT", 68},        {"SGN", 72},         {"F1", 76},       {"F2", 79},      {"F3", 82},
      {"F4", 85},         {"COT", 88},         {"LD", 92},       {"ARCSIN", 95},  {"ARSINH", 102},
      {"ARCOSH", 109},    {"ARTANH", 116},     {"SEC", 123},     {"GAMMA", 127},  {"GAUSS", 133},
      {"MCARLO", 139},    {"CI", 146},         {"EI", 149},      {"BETA", 152},   {"BESSJ0", 157},
      {"BESSJ1", 164},    {"WURZEL", 171},     {"WURZEL3", 178}, {"EHOCH", 186},  {"WURZEL4", 192},
      {"W3", 200},        {"W4", 203},         {"LOG", 206},     {"CSC", 210},    {"WP", 214},
      {"F5", 217},        {"VORZEICHEN", 220}, {"FRAC", 231},    {"EXPP", 236},   {"GAMMALN", 241},
      {"HEAVISIDE", 249}, {"SINW", 259},       {"COSW", 264},    {"TANW", 269},   {"COTW", 274},
      {"ARCTANW", 279},   {"ARCSINW", 287},    {"GSUMME", 295},  {"SN", 302},     {"CN", 305},
      {"DN", 308},        {"EULERPHI", 311},   {"AI", 320},      {"BI", 323},     {"ARCCOT", 326},
      {"ARCSEC", 333},    {"DIGAMMA", 340},    {"TIME", 348},    {"ARCCSC", 353}, {"COTH", 360},
  };
  ASSERT_EQ(names.size(), 70u);
  EXPECT_EQ(fktint::FunctionNames.size(), 363u);
  for (const auto& [name, position] : names) {
    EXPECT_EQ(fktint::FindFunctionName(name), position) << name;
    EXPECT_TRUE(fktint::IsFunctionStart(position)) << name;
  }
}

TEST(FunctionNames, ShortenedNamesFindTheEntryTheirFirstOccurrenceStarts) {
  const std::vector<std::pair<std::string, int>> lookups = {
      {"S", 1},     {"SQ", 1},     {"A", 17},     {"C", 28},     {"E", 10},   {"W", 171},
      {"ARCC", 36}, {"GAMM", 127}, {"WURZ", 171}, {"HEAV", 249}, {"EU", 311},
  };
  for (const auto& [name, position] : lookups) {
    EXPECT_EQ(fktint::FindFunctionName(name), position) << name;
    EXPECT_TRUE(fktint::IsFunctionStart(position)) << name;
  }
  // Found inside an entry, or not at all.
  for (const std::string name : {"T", "I", "INH", "QRT"}) {
    EXPECT_FALSE(fktint::IsFunctionStart(fktint::FindFunctionName(name))) << name;
  }
  for (const std::string name : {"F6", "SINUS", "sin", "VORZEICHENX"}) {
    EXPECT_EQ(fktint::FindFunctionName(name), 0) << name;
  }
}

TEST_F(InterpreterTest, ShortenedAndUnknownNamesInTerms) {
  const std::vector<TermCase> cases = {
      {"S(3)", 0, 9, 0, 0},
      {"SQ(3)", 0, 9, 0, 0},
      {"A(0-2)", 0, 2, 0, 0},
      {"C(0)", 0, 1, 0, 0},
      {"E(0)", 0, 1, 0, 0},
      {"W(9)", 0, 3, 0, 0},
      {"ARCC(1)", 0, 0, 0, 0},
      {"T(3)", 0, 0, 0, 1},
      {"INH(3)", 0, 0, 0, 1},
      {"F6(1)", 0, 0, 0, 1},
      {"sin(1)", 0, 0, 0, 1},
      {"2+T(3)*4", 0, 2, 0, 1},  // the argument is left unread
      {"SIN", 0, 0, 0, 1},       // no "(": the argument lies past the end
      {"2*COS", 0, 2, 0, 1},
      {"SGN", 0, 0, 0, 0},  // SGN clears the code of its missing argument
      {"SIN(X", kPi / 2, 1, 0, 0},
      {"SIN(COS(0)-1)", 0, 0, 0, 0},
      {"SQR(SQR(SQR(2)))", 0, 256, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, ElementaryFunctions) {
  const double e = std::exp(1.0);
  const std::vector<TermCase> cases = {
      {"SQR(3)", 0, 9, 0, 0},
      {"SQR(0-3)", 0, 9, 0, 0},
      {"SQR(10000000000)", 0, 1e10, 0, 0},  // saturates without a code
      {"SQRT(16)", 0, 4, 0, 0},
      {"SQRT(0-4)", 0, 0, 0, 2},
      {"WURZEL(9)", 0, 3, 0, 0},
      {"WURZEL(0-1)", 0, 0, 0, 2},
      {"EXP(1)", 0, e, 1e-15, 0},
      {"EHOCH(2)", 0, e * e, 1e-14, 0},
      {"EXP(1000)", 0, 1e10, 0, 4},
      {"EXP(1000)-EXP(100)", 0, 0, 0, 0},
      {"EXP(0-1000)", 0, std::exp(-100.0), 1e-58, 0},
      {"LN(\xC9)", 0, 1, 0, 0},
      {"LN(0)", 0, 0, 0, 2},
      {"LN(0-1)", 0, 0, 0, 2},
      {"ABS(0-2.5)", 0, 2.5, 0, 0},
      {"LG(1000)", 0, 3, 1e-12, 0},
      {"LG(0)", 0, 0, 0, 2},
      {"LD(8)", 0, 3, 1e-11, 0},
      {"LD(0-1)", 0, 0, 0, 2},
      {"LOG(8;2)", 0, 3, 1e-15, 0},
      {"LOG(8;2+1)", 0, std::log2(9.0), 1e-15, 0},
      {"LOG(8;1)", 0, 0, 0, 2},
      {"LOG(0;2)", 0, 0, 0, 2},
      {"LOG(8;(0-2))", 0, 0, 0, 2},
      {"WURZEL3(27)", 0, 3, 1e-15, 0},
      {"W3(0-8)", 0, -2, 1e-15, 0},
      {"W3(0)", 0, 0, 0, 0},
      {"WURZEL4(16)", 0, 2, 1e-15, 0},
      {"W4(0)", 0, 0, 0, 0},
      {"W4(0-16)", 0, 0, 0, 2},
      {"WP(27;3)", 0, 3, 1e-15, 0},
      {"WP(27;0)", 0, 0, 0, 2},
      {"WP(0-27;3)", 0, 0, 0, 2},
      {"WP(10;0.01)", 0, 0, 0, 2},  // ln 10 / 0.01 is beyond 50
      {"EXPP(3;2)", 0, 8, 1e-15, 0},
      {"EXPP(3;(0-2))", 0, 0, 0, 2},
      {"EXPP(100;2)", 0, 0, 0, 2},  // 100 ln 2 is beyond 50
      {"FRAC(2.75)", 0, 0.75, 0, 0},
      {"FRAC(0-2.75)", 0, -0.75, 0, 0},
      {"FRAC(20000000000)", 0, 0, 0, 2},
      {"INT(2.7)", 0, 2, 0, 3},
      {"INT(0-2.5)", 0, -3, 0, 3},
      {"INT(0-2)", 0, -2, 0, 3},
      {"LN(0)+INT(2)", 0, 2, 0, 3},  // codes are overwritten
      {"SGN(0-5)", 0, -1, 0, 0},
      {"SGN(3)", 0, 1, 0, 0},
      {"SGN(LN(0))", 0, 0, 0, 0},
      {"VORZEICHEN(0-2)", 0, -1, 0, 0},
      {"HEAVISIDE(0-1)", 0, 0, 0, 3},
      {"HEAVISIDE(0)", 0, 0.5, 0, 3},
      {"HEAVISIDE(2)", 0, 1, 0, 3},
      {"F1(2)", 0, 0, 0, 1},  // the user-function texts are empty
      {"F2(2)", 0, 0, 0, 1},
      {"F3(2)", 0, 0, 0, 1},
      {"F4(2)", 0, 0, 0, 1},
      {"F5(2)", 0, 0, 0, 1},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, TrigonometricAndHyperbolicFunctions) {
  const std::vector<TermCase> cases = {
      {"SIN(PI/2)", 0, 1, 0, 0},
      {"COS(PI)", 0, -1, 0, 0},
      {"TAN(PI/4)", 0, 1, 1e-15, 0},
      {"COT(PI/4)", 0, 1, 1e-15, 0},
      {"COT(0)", 0, 0, 0, 0},
      {"SEC(PI)", 0, -1, 0, 0},
      {"CSC(PI/2)", 0, 1, 0, 0},
      {"CSC(0)", 0, 0, 0, 2},
      {"ARCCOS(0-1)", 0, kPi, 0, 0},
      {"ARCCOS(1.5)", 0, 0, 0, 2},
      {"ARCTAN(1)", 0, kPi / 4, 0, 0},
      {"ARCSIN(0.5)", 0, kPi / 6, 1e-15, 0},
      {"ARCSIN(1)", 0, 1.5707963267948966, 0, 0},
      {"ARCSIN(0-1)", 0, -1.5707963267948966, 0, 0},
      {"ARCSIN(1.5)", 0, 0, 0, 2},
      {"ARCCOT(0)", 0, kPi / 2, 0, 0},
      {"ARCCOT(1)", 0, kPi / 4, 0, 0},
      {"ARCCOT(0-1)", 0, -kPi / 4, 0, 0},
      {"ARCSEC(2)", 0, kPi / 3, 1e-15, 0},
      {"ARCSEC(0-2)", 0, 2 * kPi / 3, 1e-15, 0},
      {"ARCSEC(0.5)", 0, 0, 0, 2},
      {"ARCCSC(2)", 0, kPi / 6, 1e-15, 0},
      {"ARCCSC(0.5)", 0, 0, 0, 2},
      {"SINW(90)", 0, 1, 0, 0},
      {"SINW(30)", 0, 0.5, 1e-15, 0},
      {"COSW(180)", 0, -1, 0, 0},
      {"COSW(60)", 0, 0.5, 1e-15, 0},
      {"TANW(45)", 0, 1, 1e-15, 0},
      {"TANW(0)", 0, 0, 0, 0},
      {"COTW(45)", 0, 1, 1e-15, 0},
      {"COTW(0)", 0, 0, 0, 0},
      {"ARCTANW(1)", 0, kPi / 4, 0, 0},
      {"ARCTANW(0-1)", 0, 3 * kPi / 4, 0, 0},
      {"ARCSINW(0.5)", 0, kPi / 6, 1e-15, 0},
      {"ARCSINW(0-0.5)", 0, kPi / 2 + kPi / 6, 1e-15, 0},
      {"ARCSINW(1)", 0, kPi / 2, 0, 0},
      {"ARCSINW(0-1)", 0, kPi / 2, 0, 0},
      {"ARCSINW(2)", 0, 0, 0, 2},
      {"SINH(1)", 0, std::sinh(1.0), 1e-15, 0},
      {"SINH(60)", 0, 1e10, 0, 0},
      {"SINH(0-60)", 0, 1e10, 0, 0},  // MaxValue on both sides
      {"COSH(0)", 0, 1, 0, 0},
      {"COSH(60)", 0, 1e10, 0, 2},
      {"TANH(0.5)", 0, std::tanh(0.5), 1e-16, 0},
      {"TANH(60)", 0, 1e10, 0, 1},
      {"COTH(1)", 0, 1 / std::tanh(1.0), 1e-15, 0},
      {"COTH(0)", 0, 1e10, 0, 1},
      {"COTH(60)", 0, 1e10, 0, 1},
      {"ARSINH(1)", 0, std::asinh(1.0), 1e-15, 0},
      {"ARSINH(0-1)", 0, -std::asinh(1.0), 1e-15, 0},
      {"ARCOSH(1)", 0, 0, 0, 0},
      {"ARCOSH(2)", 0, std::acosh(2.0), 1e-15, 0},
      {"ARCOSH(0.5)", 0, 0, 0, 2},
      {"ARTANH(0.5)", 0, std::atanh(0.5), 1e-15, 0},
      {"ARTANH(1)", 0, 0, 0, 2},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, StatisticalFunctionsAndClockTime) {
  const std::vector<TermCase> cases = {
      {"GAUSS(0)", 0, 1 / 2.506628274631, 1e-16, 0},
      {"GAUSS(1)", 0, std::exp(-0.5) / 2.506628274631, 1e-16, 0},
      {"GAUSS(60)", 0, std::exp(-1250.0), 0, 4},  // clamped to 50
      {"GAUSS(0-60)", 0, 0, 0, 4},
      {"GSUMME(0)", 0, 0.5, 0, 0},
      {"GSUMME(10)", 0, 1, 0, 0},
      {"GSUMME(1)", 0, 0.8413447460685429, 2e-4, 0},
      {"GSUMME(0-1)", 0, 1 - 0.8413447460685429, 2e-4, 0},
      {"GSUMME(0-2)+GSUMME(2)", 0, 1, 1e-15, 0},
      {"TIME(49)", 0, 1, 0, 0},
      {"TIME(24)", 0, 24, 0, 0},
      {"TIME(48)", 0, 24, 0, 0},
      {"TIME(25.5)", 0, 1.5, 0, 0},
      {"TIME(12)", 0, 12, 0, 0},
      {"TIME(0-1)", 0, 23, 0, 0},
      {"TIME(0-24)", 0, 0, 0, 0},
      {"TIME(0-49)", 0, 23, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, McarloDrawsFromTheProcessWideGenerator) {
  grund::RandomGenerator expected;  // the same sequence from seed 0
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(0)", 0), expected.NextFraction());
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(6)", 0), expected.NextBelow(6));
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(6.9)", 0), expected.NextBelow(6));
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(1000000)", 0), expected.NextBelow(1000000));
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(0.5)", 0), expected.NextBelow(0));  // n = 0 gives 0
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(0-6)", 0), -static_cast<double>(expected.NextBelow(6)));
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(10000000000000)/10000", 0),
            std::floor(expected.NextFraction() * 1e13) / 1e4);
  EXPECT_EQ(fktint::EvalError, 0);
  // The fit draws from the same generator.
  EXPECT_EQ(grund::ProcessRandom().Seed(), expected.Seed());

  for (int i = 0; i < 200; ++i) {
    const double v = fktint::EvaluateTerm("MCARLO(6)", 0);
    EXPECT_TRUE(v >= 0 && v <= 5 && v == std::floor(v)) << v;
    const double w = fktint::EvaluateTerm("MCARLO(0-6)", 0);
    EXPECT_TRUE(w >= -5 && w <= 0 && w == std::floor(w)) << w;
  }
}

TEST_F(InterpreterTest, McarloRestartsItsSequenceWithTheSeed) {
  const double first = fktint::EvaluateTerm("MCARLO(0)", 0);
  const double second = fktint::EvaluateTerm("MCARLO(0)", 0);
  EXPECT_NE(first, second);
  grund::ProcessRandom().SetSeed(0);
  EXPECT_EQ(fktint::EvaluateTerm("MCARLO(0)", 0), first);
}

TEST_F(InterpreterTest, ExppWithParamPZero) {
  // P is 0 after the program starts; the logarithm of 0 is never formed.
  ExpectTerm({"EXPP(2)", 0, 0, 0, 0});
  ExpectTerm({"EXPP(0)", 0, 1, 0, 0});
  ExpectTerm({"EXPP(0-2)", 0, 0, 0, 2});
}

TEST_F(InterpreterTest, ArsinhOfHugeNegativeArguments) {
  // v + sqrt(v*v + 1) cancels to 0 for these; the value comes from the odd
  // symmetry instead.
  for (const double v : {-1e9, -1e12, -1e20, -1e300, -1.7976931348623157e308}) {
    const double value = fktint::EvaluateTerm("ARSINH(X)", v);
    EXPECT_EQ(fktint::EvalError, 0) << v;
    EXPECT_NEAR(value, std::asinh(v), 1e-13 * std::fabs(std::asinh(v))) << v;
  }
  EXPECT_NEAR(fktint::EvaluateTerm("ARSINH(X)", 1e300), std::asinh(1e300), 1e-12);
  EXPECT_NEAR(fktint::EvaluateTerm("ARCOSH(X)", 1e300), std::acosh(1e300), 1e-12);
}

TEST_F(InterpreterTest, SpecialFunctionNamesEvaluateTheirArgument) {
  // Their values are the special-function routines'; here only that the
  // lookup reaches them and the argument is read to its closing bracket.
  for (const std::string name : {"SI", "GAMMA", "CI", "EI", "BETA", "BESSJ0", "BESSJ1", "GAMMALN",
                                 "SN", "CN", "DN", "EULERPHI", "AI", "BI", "DIGAMMA"}) {
    EXPECT_TRUE(std::isfinite(fktint::EvaluateTerm(name + "(1;7)", 0))) << name;
    EXPECT_EQ(fktint::ParamP, 7) << name;
    fktint::ParamP = 0;
  }
}

}  // namespace
