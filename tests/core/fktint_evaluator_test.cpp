// The term entry and the expression evaluator: normalisation, operators with
// their priorities and failures, operands, brackets and the quirks of the
// one-pass reading.

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>
#include <vector>

#include "fktint/parse_state.h"
#include "fktint/prepare_text.h"
#include "fktint_test_support.h"

namespace {

using fktint_test::ExpectTerm;
using fktint_test::InterpreterTest;
using fktint_test::kPi;
using fktint_test::TermCase;

std::string Prepared(const std::string& text) {
  std::vector<unsigned char> buffer(fktint::PreparedCapacity(text.size()));
  const fktint::PreparedText p = fktint::PrepareText(text, buffer.data());
  for (std::size_t i = 1; i <= fktint::kEndPadding; ++i) EXPECT_EQ(p.Text[p.Len + i], 0);
  return std::string(reinterpret_cast<const char*>(p.Text) + 1, p.Len);
}

TEST(PrepareText, RewritesCommasBlanksLeadingSignsAndNegatedPowersOfX) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1,5*2", "1.5*2"},
      {" 1 000 ", "1000"},
      {",,", ".."},
      {" ", " "},
      {"    ", " "},
      {"-X", "0-X"},
      {"+5", "0+5"},
      {" - X", "0-X"},
      {"--2", "0--2"},
      {"(-X^2)", "(0-X^2)"},
      {"( - X ^ 2 )", "(0-X^2)"},
      {"(-X^2)+(-X^3)", "(0-X^2)+(0-X^3)"},
      {"(-X^(-X^2))", "(0-X^(0-X^2))"},
      {"-(-X^2)", "0-(0-X^2)"},
      {"(-2^2)", "(-2^2)"},
      {"(-X*2)", "(-X*2)"},
      {"(-X", "(-X"},
      {"(-x^2)", "(-x^2)"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Prepared(text), expected) << text;
}

TEST(PrepareText, RewritesEveryNegatedPowerOfALongText) {
  std::string text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += "(-X^2)+";
    expected += "(0-X^2)+";
  }
  EXPECT_EQ(Prepared(text), expected);
}

double Literal(const std::string& text) {
  const auto* first = reinterpret_cast<const unsigned char*>(text.data());
  return fktint::LiteralValue(first, first + text.size());
}

TEST_F(InterpreterTest, LiteralsConvertToTheNearestDouble) {
  // Short literals take a quicker path than long ones; both must give the
  // correctly rounded value.
  std::mt19937 random(3);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 22);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int n = length(random);
    for (int k = 0; k < n; ++k) text += static_cast<char>('0' + digit(random));
    if (i % 4 != 0) text.insert(text.begin() + (i % (n + 1)), '.');
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected, std::chars_format::fixed);
    ASSERT_EQ(Literal(text), expected) << text;
  }
  EXPECT_EQ(Literal("0.1"), 0.1);
  EXPECT_EQ(Literal("123456789012345"), 123456789012345.0);
  EXPECT_EQ(Literal("9007199254740993"), 9007199254740992.0);  // 16 digits: rounded to even
  EXPECT_EQ(Literal("."), 0);
  EXPECT_EQ(Literal("1.2.3"), 1.2);
  EXPECT_EQ(Literal("7\xE9"
                    "1"),
            7);
  EXPECT_EQ(fktint::EvalError, 0);
}

TEST_F(InterpreterTest, EntryNormalisesAndCapsTheResult) {
  const std::vector<TermCase> cases = {
      {"", 0, 0, 0, 1},
      {" ", 0, 0, 0, 1},
      {"1,5*2", 0, 3, 0, 0},
      {"1 000", 0, 1000, 0, 0},
      {"-X", 2, -2, 0, 0},
      {"+5", 0, 5, 0, 0},
      {"-2^2", 0, -4, 0, 0},
      {"(-X^2)", 3, -9, 0, 0},
      {"(-2^2)", 0, 4, 0, 0},
      {"20000000000", 0, 1e10, 0, 4},
      {"0-20000000000", 0, -2e10, 0, 0},
      {"2)+3", 0, 2, 0, 0},
      {"sin(x)", 1, 0, 0, 1},
      {"X", 5e6, 5e6, 0, 0},  // no range check in this system
      {"X", -5e6, -5e6, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, OperatorsFollowTheirPrioritiesAndAssociateToTheLeft) {
  const std::vector<TermCase> cases = {
      {"2+3*4", 0, 14, 0, 0},
      {"2*3+4", 0, 10, 0, 0},
      {"2*(3+4)", 0, 14, 0, 0},
      {"2*3^2", 0, 18, 0, 0},
      {"8-3-2", 0, 3, 0, 0},
      {"2^3^2", 0, 64, 0, 0},
      {"2--3", 0, 5, 0, 0},
      {"2*-3^2", 0, 18, 0, 0},  // the unary minus binds tighter than "^"
      {"16/4/2", 0, 2, 0, 0},
      {"2+3\xB7"
       "4",
       0, 14, 0, 0},  // the raised dot multiplies
      {"1+8\\3", 0, 3, 1e-15, 0},
      {"4#9+1", 0, 7, 0, 0},
      {"2&4*2", 0, 5, 0, 0},
      {"1+3<5", 0, 4, 0, 0},
      {"1+3>5", 0, 5, 0, 0},
      {"2*3%4", 0, 2, 0, 0},
      {"10-5~2", 0, 0, 0, 0},
      {"2*5~2", 0, 45, 0, 0},  // (2*5)~2: same priority, to the left
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, OperatorsYieldTheirValuesAndSubstitutes) {
  const std::vector<TermCase> cases = {
      // Quotient and product.
      {"1/0", 0, 1e10, 0, 2},
      {"7/2", 0, 3.5, 0, 0},
      {"10000000000*2", 0, 1e10, 0, 2},
      {"2*(0-10000000000)", 0, 1e10, 0, 2},
      {"99999*99999", 0, 9999800001, 0, 0},
      // Remainder of the rounded operands; its sign is the dividend's.
      {"7%3", 0, 1, 0, 0},
      {"(0-7)%3", 0, -1, 0, 0},
      {"7%(0-3)", 0, 1, 0, 0},
      {"7.5%2", 0, 0, 0, 0},
      {"6.5%4", 0, 2, 0, 0},
      {"5%0.4", 0, 1e10, 0, 2},
      {"(0-4)%2", 0, 0, 0, 0},
      // Means, minimum, maximum.
      {"4#9", 0, 6, 0, 0},
      {"(0-4)#9", 0, 0, 0, 2},
      {"(0-4)#(0-9)", 0, 6, 0, 0},
      {"2&4", 0, 3, 0, 0},
      {"3<5", 0, 3, 0, 0},
      {"3>5", 0, 5, 0, 0},
      // Binomial.
      {"5~2", 0, 10, 0, 0},
      {"5~0", 0, 1e10, 0, 2},
      {"5~6", 0, 0, 0, 0},
      {"5~(0-1)", 0, -5, 0, 0},
      {"10~3", 0, 120, 1e-12, 0},
      {"5~2.5", 0, 32, 1e-12, 0},
      {"40~20", 0, 1e10, 0, 2},
      // Power.
      {"2^10", 0, 1024, 0, 0},
      {"10^10", 0, 1e10, 0, 0},
      {"10^11", 0, 1e10, 0, 4},
      {"0^0", 0, 1, 0, 0},
      {"0^(0-1)", 0, 0, 0, 0},
      {"2^-1", 0, 0.5, 0, 0},
      {"(0-2)^3", 0, -8, 0, 0},
      {"(0-2)^-3", 0, -0.125, 1e-16, 0},
      {"(0-2)^0.5", 0, 0, 0, 2},
      {"10^-8", 0, 0, 0, 2},
      {"10^-6", 0, 1e-6, 1e-20, 0},
      {"2^0.5", 0, 1.4142135623730951, 1e-15, 0},
      {"(0-10)^11", 0, -1e11, 0, 0},  // only positive partial powers are capped
      {"(0-10)^12", 0, 1e10, 0, 4},
      // Root.
      {"8\\3", 0, 2, 1e-15, 0},
      {"(0-8)\\3", 0, 0, 0, 2},
      {"2\\0", 0, 0, 0, 2},
      {"2\\0.5", 0, 4, 0, 0},
      {"(0-8)\\(1/3)", 0, -512, 0, 0},
      {"16\\(0-4)", 0, 0.5, 1e-16, 0},
      // An earlier code above 1 fails every later power and root.
      {"INT(X)+X^2", 1.5, 1, 0, 2},
      {"X^2+INT(X)", 1.5, 3.25, 0, 3},
      {"LN(0)+8\\3", 0, 0, 0, 2},
      // ";" keeps the left value and stores the right one in P.
      {"2;3", 0, 2, 0, 0},
      {"(X;5)*P", 2, 10, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, OperandsBracketsAndReadingQuirks) {
  const std::vector<TermCase> cases = {
      {"2+", 0, 2, 0, 0},  // the last character is never an operator
      {"2X", 0, 2, 0, 0},
      {"2X+1", 0, 2, 0, 1},  // "X" read where an operator is expected
      {"2(3)", 0, 2, 0, 1},
      {"2+3X+4", 0, 5, 0, 1},
      {"2*+3", 0, 3, 0, 1},
      {"2---3", 0, -1, 0, 1},  // 2 - (-0) - 3: the second minus is no operand
      {"1E5", 0, 1, 0, 1},
      {".5", 0, 0.5, 0, 0},
      {".", 0, 0, 0, 0},
      {"5.", 0, 5, 0, 0},
      {"1.2.3", 0, 1.2, 0, 0},  // rejected literal: its leading number, no code
      {"1\xE9"
       "5+1",
       0, 2, 0, 0},
      {"[2.5]", 0, 2, 0, 0},
      {"[0-2.5]", 0, -3, 0, 0},
      {"[0-2]", 0, -2, 0, 0},
      {"[2.5)", 0, 2, 0, 0},  // any closing character closes any bracket
      {"(2.5]*2", 0, 5, 0, 0},
      {"|0-3|", 0, 3, 0, 0},
      {"|X-3|*2", 1, 4, 0, 0},
      {"(2+3", 0, 5, 0, 0},
      {"((2+3)*2", 0, 10, 0, 0},
      {"()", 0, 0, 0, 1},
      {"PI", 0, kPi, 0, 0},
      {"PHI", 0, 1.618033988749895, 0, 0},
      {"P", 0, 0, 0, 0},
      {"PX+1", 0, 0, 0, 1},
      {"2*PI", 0, 2 * kPi, 0, 0},
      {"\xC9", 0, 2.718281828459045, 0, 0},
      {"K1", 0, 0, 0, 0},
      {"K9", 0, 0, 0, 0},
      {"K0+K", 0, 0, 0, 0},
      {"R+Q", 0, 0, 0, 0},
      {"X*X", 3, 9, 0, 0},
      {"U", 0, 0, 0, 1},
      {"Y+1", 0, 0, 0, 1},
      {"x", 0, 0, 0, 1},
      {"2*(3", 0, 6, 0, 0},
      {"2*3)*100", 0, 6, 0, 0},
  };
  for (const auto& c : cases) ExpectTerm(c);
}

TEST_F(InterpreterTest, ParamPPersistsBetweenEvaluations) {
  EXPECT_EQ(fktint::EvaluateTerm("2;3", 0), 2);
  EXPECT_EQ(fktint::ParamP, 3);
  EXPECT_EQ(fktint::EvaluateTerm("P", 0), 3);
  EXPECT_EQ(fktint::EvaluateTerm("P*PI", 0), 3 * kPi);
  EXPECT_EQ(fktint::EvaluateTerm("EXPP(2)", 0), 9);
  EXPECT_EQ(fktint::EvaluateTerm("1;X", 7), 1);
  EXPECT_EQ(fktint::EvaluateTerm("P+1", 0), 8);
  // A failing term still stores what it reached.
  EXPECT_EQ(fktint::EvaluateTerm("(1;5)X+1", 0), 1);
  EXPECT_EQ(fktint::EvalError, 1);
  EXPECT_EQ(fktint::ParamP, 5);
}

TEST_F(InterpreterTest, TheSineTermOfAFit) {
  ExpectTerm({"1,5*SIN(2*X+0,5)-1,25", 0.3, 1.5 * std::sin(2 * 0.3 + 0.5) - 1.25, 1e-15, 0});
  ExpectTerm({"+2,5*SIN(-1,3*X+0,4)-1", 2, 2.5 * std::sin(-1.3 * 2 + 0.4) - 1, 1e-15, 0});
}

}  // namespace
