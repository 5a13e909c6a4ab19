// Number texts, run once in the C locale and once in a German locale: a
// German LC_NUMERIC (which the window's QApplication adopts from the desktop)
// must change nothing.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace {

using grund::CommaToPoint;
using grund::FormatComma;
using grund::FormatPoint;
using grund::FormatSigned;
using grund::ParseNumber;

class NumberText : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << "locale " << GetParam() << " missing (scripts/setup generates it)";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

struct FormatCase {
  double x;
  int width;
  int decimals;
  const char* expected;
};

TEST_P(NumberText, FormatPointRoundsHalfUpAndCutsTrailingZeros) {
  const FormatCase cases[] = {
      {1.5, 1, 5, "1.5"},
      {3, 1, 5, "3"},
      {100, 1, 5, "100"},
      {-0.25, 1, 5, "-0.25"},
      {12.345678, 1, 5, "12.34568"},
      {-0.000001, 1, 5, "0"},  // -0.00000 -> -0 -> 0
      {10, 1, 0, "10"},        // no decimals: integer zeros stay
      {0, 1, 5, "0"},
      {-0.0, 1, 5, "0"},
      {0.125, 1, 2, "0.13"},  // exact binary tie: half up
      {-0.125, 1, 2, "-0.13"},
      {2.5, 1, 0, "3"},
      {0.5, 1, 0, "1"},
      {-2.5, 1, 0, "-3"},
      {9.9999999, 1, 5, "10"},  // the carry reaches a new integer digit
      {999999.999999, 1, 4, "1000000"},
      {1.005, 1, 2, "1"},  // 1.00499999999999989...: no double rounding up
      // 18 digits first: 0.1 + 0.2 is 0.30000000000000004, 17 decimals 0.30000000000000004
      {0.1 + 0.2, 1, 16, "0.3"},
      {1.0 / 3.0, 1, 20, "0.33333333333333331"},           // 17 decimals, then only zeros
      {123456789.123456789, 1, 9, "123456789.123456791"},  // 18 significant digits
      {1e20, 1, 5, "100000000000000000000"},
      {1e36, 1, 5, "1000000000000000040000000000000000000"},  // 1.00000000000000004e36
      {-1.5, 6, 1, "  -1.5"},                                 // padded on the left to the width
      {1.5, 4, 3, "1.5"},   // "1.500" is wider than 4: nothing to pad
      {1.5, 6, 3, " 1.5"},  // padding comes before the zeros are cut
      {1e-7, 1, 6, "0"},
      {5e-7, 1, 6, "0.000001"},
      {-5e-7, 1, 6, "-0.000001"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPoint(c.x, c.width, c.decimals), c.expected)
        << c.x << " width " << c.width << " decimals " << c.decimals;
  }
}

TEST_P(NumberText, FormatCommaAndFormatSigned) {
  const FormatCase comma[] = {
      {0.5, 4, 3, "0,5"},   {-7, 4, 3, "-7"},         {0.0625, 4, 3, "0,063"},
      {1.25, 4, 3, "1,25"}, {0.0123, 1, 4, "0,0123"}, {10000, 1, 4, "10000"},
  };
  for (const auto& c : comma) EXPECT_EQ(FormatComma(c.x, c.width, c.decimals), c.expected) << c.x;

  const FormatCase sign[] = {
      {1.5, 1, 6, "+1,5"}, {-2, 1, 6, "-2"},    {0, 1, 6, "+0"},        {-0.0000001, 1, 6, "+0"},
      {-0.0, 1, 6, "+0"},  {0.5, 1, 6, "+0,5"}, {-1.25, 1, 6, "-1,25"},
  };
  for (const auto& c : sign) EXPECT_EQ(FormatSigned(c.x, c.width, c.decimals), c.expected) << c.x;
}

TEST_P(NumberText, MinusZeroIsWrittenAsZeroAtEveryWidth) {
  // Padding comes before the zeros are cut, so a padded minus zero is not
  // the bare text "-0"; its minus becomes a blank, so the width stays.
  const FormatCase point[] = {
      {-0.4, 4, 0, "   0"},   {-1e-9, 8, 3, "   0"}, {-0.0004, 6, 3, "0"},
      {-1e-300, 3, 0, "  0"}, {-0.4, 2, 0, "0"},     {-0.4, 1, 0, "0"},
  };
  for (const auto& c : point) {
    EXPECT_EQ(FormatPoint(c.x, c.width, c.decimals), c.expected)
        << c.x << " width " << c.width << " decimals " << c.decimals;
  }
  EXPECT_EQ(FormatComma(-1e-9, 8, 3), "   0");
  EXPECT_EQ(FormatSigned(-1e-9, 8, 3), "+   0");  // the sign of zero is "+"
  EXPECT_EQ(FormatSigned(-0.4, 4, 0), "+   0");
  EXPECT_EQ(FormatSigned(-1.5, 6, 1), "  -1,5");
}

TEST_P(NumberText, FormattersGiveATextForEveryDouble) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatPoint(inf, 1, 5), "INF");
  EXPECT_EQ(FormatPoint(-inf, 1, 5), "-INF");
  EXPECT_EQ(FormatPoint(std::numeric_limits<double>::quiet_NaN(), 1, 5), "NAN");
  const std::string max = FormatPoint(std::numeric_limits<double>::max(), 1, 5);
  EXPECT_EQ(max.size(), 309u);
  EXPECT_EQ(max.substr(0, 18), "179769313486231571");
  EXPECT_EQ(FormatPoint(std::numeric_limits<double>::denorm_min(), 1, 30), "0");
  EXPECT_EQ(FormatPoint(1.5, 1, -3), "2");  // negative decimals act as none
  EXPECT_EQ(FormatPoint(1.5, 1, 1000), "1.5");
}

// Values below 0.1 keep 18 significant digits where more than 17 decimals are
// asked (the fit's texts for microvolts and Unix times); at 17 decimals and
// below, and for values from 0.1 up, the texts stay as they were.
TEST_P(NumberText, FormatPointKeepsTheDigitsOfTinyValuesAtManyDecimals) {
  const FormatCase cases[] = {
      {2.5e-6, 1, 17, "0.0000025"},
      {1.0 / 3e6, 1, 17, "0.00000033333333333"},      // 17 decimals as before
      {1.0 / 3e6, 1, 24, "0.000000333333333333333354"},  // 18 significant digits
      {-1.0 / 3e6, 1, 20, "-0.00000033333333333333"},
      {7.27220521664304e-5, 1, 20, "0.0000727220521664304"},
      {1e-20, 1, 25, "0.00000000000000000001"},
      {1e-20, 1, 19, "0"},
      {5e-20, 1, 20, "0.00000000000000000005"},  // 4.99999999999999988e-20, half up
      {0.09999999999999999, 1, 30, "0.0999999999999999917"},
      {1.0 / 3.0, 1, 20, "0.33333333333333331"},  // from 0.1 up: 17 decimals
      {0.1, 1, 20, "0.10000000000000001"},
      {std::numeric_limits<double>::denorm_min(), 1, 30, "0"},
      {1.5e-9, 1, 1000, "0.00000000149999999999999999"},  // the double's digits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPoint(c.x, c.width, c.decimals), c.expected)
        << c.x << " width " << c.width << " decimals " << c.decimals;
  }
  // Read back, a tiny value at 30 decimals is the value to 18 digits.
  for (const double x : {1.234567890123456e-9, 9.87654321e-13, 3.3e-5}) {
    const double back = ParseNumber(FormatPoint(x, 1, 30)).value;
    EXPECT_NEAR(back, x, 1e-17 * x + 5e-31) << x;
  }
}

TEST_P(NumberText, CommaToPointReplacesEveryComma) {
  EXPECT_EQ(CommaToPoint("1,5,2"), "1.5.2");
  EXPECT_EQ(CommaToPoint(""), "");
  EXPECT_EQ(CommaToPoint("-0,25"), "-0.25");
}

TEST_P(NumberText, ParseNumberReadsDecimalPointNumbers) {
  struct Case {
    const char* text;
    double value;
    bool ok;
  };
  const Case cases[] = {
      {"1.5", 1.5, true},   {"  -0.25", -0.25, true}, {"+3", 3, true},
      {"1e3", 1000, true},  {"2.5E-2", 0.025, true},  {".5", 0.5, true},
      {"5.", 5, true},      {"0", 0, true},           {"1e-400", 0, true},
      {"", 0, false},       {" ", 0, false},          {"-", 0, false},
      {".", 0, false},      {"1,5", 1, false},        {"12abc", 12, false},
      {"1.5 ", 1.5, false}, {"1e", 1, false},         {"1e+", 1, false},
      {"1e400", 0, false},  {"-1e400", 0, false},     {"inf", 0, false},
      {"nan", 0, false},    {"1.2.3", 1.2, false},    {"0x10", 0, false},
      {"\xe9", 0, false},
  };
  for (const auto& c : cases) {
    const grund::ParsedNumber n = ParseNumber(c.text);
    EXPECT_EQ(n.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(n.ok, c.ok) << '"' << c.text << '"';
  }
  // A 400-digit integer overflows, a 400-digit fraction is fine.
  EXPECT_FALSE(ParseNumber(std::string(400, '9')).ok);
  EXPECT_EQ(ParseNumber(std::string(400, '9')).value, 0);
  EXPECT_EQ(ParseNumber("0." + std::string(400, '0') + "1").value, 0);
  EXPECT_EQ(ParseNumber("0." + std::string(400, '3')).value, 1.0 / 3.0);
}

TEST_P(NumberText, ParseNumberTellsOverflowFromUnderflowHoweverLongTheDigitsRun) {
  // The decimal order of the leading digit decides between "too large" (not
  // ok) and "too small" (0, ok), also beyond 100,000 digits or exponent digits.
  const std::string zeros(200000, '0');
  const grund::ParsedNumber huge = ParseNumber("1" + zeros + "e-150000");  // 1e50000
  EXPECT_FALSE(huge.ok);
  EXPECT_EQ(huge.value, 0);
  EXPECT_FALSE(ParseNumber("0." + zeros.substr(0, 99999) + "1e150000").ok);  // 1e50000
  const grund::ParsedNumber tiny = ParseNumber("0." + zeros + "1e150000");   // 1e-50001
  EXPECT_TRUE(tiny.ok);
  EXPECT_EQ(tiny.value, 0);
  EXPECT_EQ(ParseNumber("1" + zeros + "e-200000").value, 1);
  EXPECT_FALSE(ParseNumber("1e" + std::string(30, '9')).ok);
  EXPECT_TRUE(ParseNumber("1e-" + std::string(30, '9')).ok);
}

TEST_P(NumberText, ReadEditValueReadsATermAtXEqualOneAndZeroOnAnyError) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"pi/2", 1.5707963267948966},
      {"2*x", 2},
      {"1,5", 1.5},
      {"1.5", 1.5},
      {"  200", 200},
      {"1/0", 0},
      {"", 0},
      {"abc", 0},
      {"sqrt(-1)", 0},
      {"int(2,5)", 0},  // a step function's code counts too
      {"20000000000", 0},
      {"10000000000", 1e10},  // capped values read as 0
      {"-3", -3},
      {"2 000,5", 2000.5},
  };
  for (const Case& c : cases) {
    fktint::EvalError = 2;  // reset before reading, whatever it held
    EXPECT_DOUBLE_EQ(grund::ReadEditValue(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST_P(NumberText, FormatPointRoundTripsThroughParseNumber) {
  for (double x : {1.5, -0.25, 3.0, 12.34568, 0.00001, -98765.4321}) {
    EXPECT_EQ(ParseNumber(FormatPoint(x, 1, 5)).value, x);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberText, testing::Values("C", "de_DE.UTF-8"),
                         [](const auto& info) {
                           return std::string(info.param[0] == 'C' ? "C" : "German");
                         });

}  // namespace
