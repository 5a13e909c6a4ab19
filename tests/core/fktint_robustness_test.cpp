// The interpreter on hostile input: loops whose length depends on the
// operands end at once with the value the step-by-step rule gives, nesting is
// bounded, and no text of any kind yields an infinite or undefined value.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fktint/operators.h"
#include "fktint_test_support.h"

namespace {

using fktint_test::ExpectTerm;
using fktint_test::InterpreterTest;
using fktint_test::TermCase;
using Extended = grund::Extended;

std::string Repeat(const std::string& s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct Outcome {
  double value;
  int code;
};

// The binomial rule step by step, with no bound (only for operands where it
// ends in reasonable time).
Outcome BinomialByTheLoop(double left, double right) {
  Extended r = 1, l = left, q = right;
  int code = 0;
  do {
    if (q != 0) {
      r = r * l / q;
    } else {
      code = 2;
    }
    if (r > fktint::MaxValue) code = 2;
    l -= 1;
    q -= 1;
  } while (q > 0 && code == 0);
  return {code != 0 ? fktint::MaxValue : static_cast<double>(r), code};
}

// The power of an integer exponent n > 4 by repeated multiplication.
Outcome PowerByTheLoop(double base, std::int32_t n) {
  Extended t = base;
  for (std::int32_t i = 1; i < n; ++i) {
    t *= base;
    if (t > fktint::MaxValue) return {fktint::MaxValue, 4};
  }
  return {static_cast<double>(t), 0};
}

double TimeByTheLoop(double v) {
  while (v > 24) v -= 24;
  while (v < 0) v += 24;
  return v;
}

void ExpectClose(double actual, double expected, double relative) {
  EXPECT_NEAR(actual, expected, relative * std::fabs(expected) + 1e-300);
}

TEST_F(InterpreterTest, LongBinomialLoopsKeepTheirValueInClosedForm) {
  // Right operands where the step-by-step product stays in the extended range
  // (further on its partial products can underflow to 0 on the way).
  for (const double right : {129.0, 200.0, 1000.0, 1234.75, 5000.5}) {
    const std::vector<double> lefts = {right,       right + 1, right + 2,    right + 3, right + 0.5,
                                       right - 0.5, right - 1, right - 3,    -1,        -2,
                                       -2.5,        0.5,       3.5,          100.25,    right / 2,
                                       2 * right,   -right,    right + 1e-9, 1e-3};
    for (const double left : lefts) {
      SCOPED_TRACE(std::to_string(left) + " ~ " + std::to_string(right));
      const Outcome expected = BinomialByTheLoop(left, right);
      fktint::EvalError = 0;
      const double value = fktint::Binomial(left, right);
      EXPECT_EQ(fktint::EvalError, expected.code);
      ExpectClose(value, expected.value, 1e-9);
    }
  }
}

TEST_F(InterpreterTest, HugeBinomialsEndAtOnce) {
  const std::vector<TermCase> cases = {
      {"1000000001~1000000000", 0, 1000000001, 0, 0},
      {"1000000000~1000000000", 0, 1, 0, 0},
      {"100000~99998", 0, 4999950000, 0, 0},
      {"(0-1)~1000000000", 0, 1, 0, 0},
      {"(0-1)~1000000001", 0, -1, 0, 0},
      {"(0-2)~1000000000", 0, 1000000001, 0, 0},
      {"(0-1)~20000", 0, 1, 0, 0},
      {"20001~20000", 0, 20001, 0, 0},
      {"(0-3)~20000", 0, 200030001, 0, 0},
      {"1~99999999999999999999", 0, 0, 0, 0},
      {"99999999999999999999~99999999999999999999", 0, 1, 0, 0},
      {"X~(X-1)", 1e15, 1e10, 0, 2},
      {"3000000000~1000000000", 0, 1e10, 0, 2},
      {"LN(0)+2~99999999999999999999", 0, 1e10, 0, 2},  // an earlier code ends the loop
  };
  for (const auto& c : cases) ExpectTerm(c);
  for (const char* term : {"0.5~1000000000", "(0-0.5)~99999999999999999999", "X~1000000000.5",
                           "X~99999999999999999999999999999999"}) {
    for (const double x : {0.0, 1.5, -7.25, 1e9, 1e300}) {
      const double v = fktint::EvaluateTerm(term, x);
      EXPECT_TRUE(std::isfinite(v)) << term << " at " << x;
      EXPECT_LE(fktint::EvalError, 4) << term << " at " << x;
    }
  }
}

TEST_F(InterpreterTest, LongIntegerPowersKeepTheirValueInClosedForm) {
  for (const double base : {0.9999, -0.9999, 0.5, -0.5, 1.0, -1.0, 1.0000001, -1.0000001, 1.2, -1.2,
                            1.43, -1.43, 1.44, -1.44, 0.0}) {
    for (const std::int32_t n : {65, 66, 100, 101, 1001, 100000, 100001}) {
      SCOPED_TRACE(std::to_string(base) + " ^ " + std::to_string(n));
      const Outcome expected = PowerByTheLoop(base, n);
      fktint::EvalError = 0;
      const double value = fktint::Power(base, n);
      EXPECT_EQ(fktint::EvalError, expected.code);
      ExpectClose(value, expected.value, 1e-12);
    }
  }
  const std::vector<TermCase> cases = {
      {"0.5^2147483646", 0, 0, 0, 0},
      {"(0-1)^2147483646", 0, 1, 0, 0},
      {"(0-1)^2147483645", 0, -1, 0, 0},
      {"1.0000001^2000000000", 0, 1e10, 0, 4},
      {"(0-1.0000001)^2000000001", 0, 1e10, 0, 4},
      {"1.000000001^2000000000", 0, std::exp(2.0), 1e-5, 0},
      {"(0-1)^3000000000", 0, 0, 0, 2},  // no 32-bit integer: not an integer power
      {"1^99999999999999999999", 0, 1, 0, 0},
      {"X^X", 1e300, 0, 0, 2},
      {"X^2", 1e300, 1e10, 0, 4},
      {"X^3", -1e300, -1e10, 0, 4},
      {"X\\0.5", 1e300, 1e10, 0, 4},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, TimeEqualsTheStepwiseRuleAndEndsOnHugeArguments) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-1e6, 1e6);
  std::vector<double> values;
  for (double v = -500; v <= 500; v += 0.37) values.push_back(v);
  for (int i = 0; i < 2000; ++i) values.push_back(wide(random));
  for (const double v : {-48.0, -24.0, -1e-20, 0.0, 24.0, 24.000000000000004, 48.0, 1e-300}) {
    values.push_back(v);
  }
  for (const double v : values) {
    EXPECT_EQ(fktint::EvaluateTerm("TIME(X)", v), TimeByTheLoop(v)) << v;
  }
  for (const double v : {1e17, -1e17, 1e300, -1e300, 1.7976931348623157e308}) {
    const double t = fktint::EvaluateTerm("TIME(X)", v);
    EXPECT_TRUE(t >= 0 && t <= 24) << v;
    EXPECT_EQ(fktint::EvalError, 0);
  }
}

TEST_F(InterpreterTest, RemainderOfOperandsBeyondSixtyFourBits) {
  const std::vector<TermCase> cases = {
      {"X%7", 1e300, std::fmod(1e300, 7.0), 0, 0},
      {"X%X", 1e300, 0, 0, 0},
      {"7%X", 1e300, 7, 0, 0},
      {"X%(0-1)", -9223372036854775808.0, 0, 0, 0},
      {"X%3", 9223372036854775807.0, std::fmod(9223372036854775808.0, 3.0), 0, 0},
      {"[X]+INT(X)", 1e300, 1e10, 0, 4},
      {"MCARLO(X)", 1e300, 1e10, 0, 4},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, NestingBeyondTheLimitIsASyntaxError) {
  ExpectTerm({Repeat("(", 200) + "1" + Repeat(")", 200), 0, 1, 0, 0});
  ExpectTerm({Repeat("SIN(", 100) + "0" + Repeat(")", 100), 0, 0, 0, 0});
  ExpectTerm({Repeat("|[(", 80) + "2.5" + Repeat(")]|", 80), 0, 2, 0, 0});
  for (const std::string& open : {std::string("("), std::string("["), std::string("|"),
                                  std::string("SIN("), std::string("SGN("), std::string("2;(")}) {
    for (const int depth : {300, 100000}) {
      SCOPED_TRACE(open + " nested " + std::to_string(depth) + " deep");
      ExpectTerm({Repeat(open, depth) + "1" + Repeat(")", depth), 0, 0, 0, 1});
    }
  }
  // A failed deep term leaves the registers as they were before the failure.
  fktint::ParamP = 3;
  fktint::EvaluateTerm(Repeat("(", 300) + "1;7", 0);
  EXPECT_EQ(fktint::ParamP, 3);
  // The next evaluation starts clean.
  ExpectTerm({"2+3", 0, 5, 0, 0});
}

TEST_F(InterpreterTest, UserFunctionsRunTheirTextsAndEndOnSelfReference) {
  const auto saved = grund::UserFunctionText;
  grund::UserFunctionText[1] = "X*2";
  grund::UserFunctionText[2] = "F1(X)+1";
  grund::UserFunctionText[3] = "F3(X)+1";
  ExpectTerm({"F1(3)", 0, 6, 0, 0});
  ExpectTerm({"F2(3)+F1(1)", 0, 9, 0, 0});
  ExpectTerm({"F3(1)", 0, 0, 0, 1});
  ExpectTerm({"2*F3(1)+SGN(1)", 0, 0, 0, 1});
  ExpectTerm({"LN(0)+F1(1)", 0, 2, 0, 0});  // the nested call resets the code
  grund::UserFunctionText = saved;
}

TEST_F(InterpreterTest, ValuesBeyondTheDoubleRangeNeverLeaveAnOperation) {
  const std::string digits400 = "1" + std::string(400, '0');
  const std::vector<TermCase> cases = {
      {digits400, 0, 1e10, 0, 4},
      {"0-" + digits400, 0, -1e10, 0, 4},
      {"0." + std::string(400, '0') + "1", 0, 0, 0, 0},
      {"1/0." + std::string(400, '0') + "1", 0, 1e10, 0, 2},
      {std::string(400, '0') + "1.5", 0, 1.5, 0, 0},
      {"X+X", 1.7e308, 1e10, 0, 4},
      {"0-X-X", 1.7e308, -1e10, 0, 4},
      {"X/0.5", -1.7e308, -1e10, 0, 4},
      {"X&X", 1.7e308, 1e10, 0, 4},
      {"X#X", 1.7e308, 1e10, 0, 4},
      {"1/X", 4.9e-324, 1e10, 0, 4},
      {"COTH(X)", 4.9e-324, 1e10, 0, 4},
      {"CSC(X)", -4.9e-324, -1e10, 0, 4},
      {"X\\X", 4.9e-324, 0, 0, 2},
      {"SIN(X)", 1.7e308, std::sin(1.7e308), 0, 0},
      // A caller's x outside the doubles' finite range.
      {"X", std::nan(""), 0, 0, 2},
      {"SIN(X)+1", std::nan(""), 1, 0, 2},
      {"0-X", HUGE_VAL, -1e10, 0, 4},
      {"5", std::nan(""), 5, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

// Every hostile term must end with a finite value and a code 0 to 4, and
// leave the register P finite.
void ExpectSafe(const std::string& term, double x = 1.5) {
  const double v = fktint::EvaluateTerm(term, x);
  const std::string shown = term.size() > 60 ? term.substr(0, 60) + "..." : term;
  EXPECT_TRUE(std::isfinite(v)) << shown;
  EXPECT_LE(v, fktint::MaxValue) << shown;
  EXPECT_LE(fktint::EvalError, 4) << shown;
  EXPECT_TRUE(std::isfinite(fktint::ParamP)) << shown;
}

TEST_F(InterpreterTest, EveryByteValueInEveryPosition) {
  for (int b = 0; b < 256; ++b) {
    const std::string c(1, static_cast<char>(b));
    for (const std::string& term :
         {c, c + c + c, "1" + c, c + "1", "1" + c + "1", "(" + c + "1)", "SIN(" + c + ")",
          "2*" + c + "+3", "X^" + c + "2", "9~" + c + "9", "P" + c, "K" + c, "S" + c + "(1)",
          "(-X^" + c, "1.5" + c + "\xE9" + c}) {
      ExpectSafe(term);
    }
  }
}

TEST_F(InterpreterTest, VeryLongTextsEvaluate) {
  ExpectTerm({Repeat("1+", 50000) + "1", 0, 50001, 0, 0});
  ExpectTerm({std::string(100000, ' ') + "1", 0, 1, 0, 0});
  ExpectTerm({std::string(100000, '0') + "1", 0, 1, 0, 0});
  ExpectTerm({Repeat("(-X^2)+", 20000) + "0", 3, -180000, 0, 0});
  ExpectTerm({std::string(100000, '9'), 0, 1e10, 0, 4});
  ExpectTerm({std::string(100000, 'A') + "(1)", 0, 0, 0, 1});
  for (const std::string& term :
       {std::string(100000, '('), std::string(100000, ')'), std::string(100000, '-'),
        std::string(100000, '.'), std::string(100000, 'X'), std::string(100000, '|'),
        std::string(100000, '\xB7'), std::string(100000, '\xE9'), Repeat("9~", 50000) + "9",
        Repeat("X^", 50000) + "X", Repeat("1;", 50000) + "1", Repeat("SIN(", 30000),
        Repeat("99999999999999999999~", 5000) + "9", Repeat("TIME(", 200) + std::string(300, '9'),
        Repeat("1.0000001^2000000000*", 3000) + "1", Repeat(",", 100000),
        Repeat("P", 100000) + "HI", Repeat("K", 100000)}) {
    ExpectSafe(term);
  }
}

TEST_F(InterpreterTest, HugeOperandsForEveryOperatorAndFunction) {
  const std::string huge = "99999999999999999999999999999999999999";
  const std::string tiny = "0.000000000000000000000000000000000000001";
  const std::vector<std::string> operands = {
      huge, "(0-" + huge + ")", tiny, "(0-" + tiny + ")", "0", "X", "(0-X)"};
  const std::string operators = "+-#&;<>*/%~^\\\xB7";
  for (const std::string& a : operands) {
    for (const std::string& b : operands) {
      for (const char op : operators) ExpectSafe(a + op + b, 1.7e308);
    }
  }
  const char* names[] = {"SQR",    "SQRT",   "EXP",     "LN",      "ABS",       "SIN",     "COS",
                         "TAN",    "ARCCOS", "LG",      "ARCTAN",  "SINH",      "COSH",    "TANH",
                         "INT",    "SGN",    "COT",     "LD",      "ARCSIN",    "ARSINH",  "ARCOSH",
                         "ARTANH", "SEC",    "GAUSS",   "MCARLO",  "WURZEL3",   "WURZEL4", "LOG",
                         "CSC",    "WP",     "FRAC",    "EXPP",    "HEAVISIDE", "SINW",    "COSW",
                         "TANW",   "COTW",   "ARCTANW", "ARCSINW", "GSUMME",    "ARCCOT",  "ARCSEC",
                         "TIME",   "ARCCSC", "COTH"};
  for (const char* name : names) {
    for (const std::string& a : operands) {
      for (const std::string& p :
           {std::string(";0"), std::string(";1"), ";" + huge, ";" + tiny, std::string(";(0-2)")}) {
        ExpectSafe(std::string(name) + "(" + a + p + ")", 1.7e308);
        ExpectSafe(std::string(name) + "(" + a + p + ")", 4.9e-324);
      }
    }
  }
}

TEST_F(InterpreterTest, RandomTextsEvaluateSafely) {
  const std::string alphabet =
      "0123456789.,+-*/%~^\\#&;<>()[]|XPIHKQR SINCOAGTEWFMLDUVZ\xB7\xC9\xE9";
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> length(1, 60);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<int> choice(0, 9);
  for (int i = 0; i < 20000; ++i) {
    std::string term;
    const int n = length(random);
    for (int k = 0; k < n; ++k) {
      term += choice(random) == 0 ? static_cast<char>(anyByte(random)) : alphabet[pick(random)];
    }
    ExpectSafe(term, i % 3 == 0 ? 1e300 : -2.5);
  }
}

}  // namespace
