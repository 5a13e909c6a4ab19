#include "sinusfit/resulttext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "_grund/grund.h"

namespace {

TEST(BuildTermText, WritesEachParameterWithItsSignRule) {
  const struct {
    double a, b, c, d;
    const char* expected;
  } cases[] = {
      {1.5, 2, 0.5, -1.25, "1,5*SIN(2*X+0,5)-1,25"},
      {0, 0, 0, 0, "0*SIN(0*X+0)+0"},
      {-0.0, -0.0, -0.0, -0.0, "0*SIN(0*X+0)+0"},
      {-0.0000004, 1, -0.0000004, -0.0000004, "0*SIN(1*X+0)+0"},
      {-2, -3.25, -0.5, 0.0000004, "-2*SIN(-3,25*X-0,5)+0"},
      {1.23456789, 0.1000004, 6.283185307179586, -1000, "1,234568*SIN(0,1*X+6,283185)-1000"},
      {0.0000005, 12.5, 3, 0.000001, "0,000001*SIN(12,5*X+3)+0,000001"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sinusfit::BuildTermText(c.a, c.b, c.c, c.d), c.expected);
  }
}

// The four parameter texts of a term text a*SIN(b*X c) d.
std::vector<std::string> Pieces(const std::string& term) {
  const std::size_t sin = term.find("*SIN(");
  const std::size_t x = term.find("*X", sin);
  const std::size_t close = term.rfind(')');
  return {term.substr(0, sin), term.substr(sin + 5, x - sin - 5), term.substr(x + 2, close - x - 2),
          term.substr(close + 1)};
}

TEST(BuildTermText, AFixedValueStandsUnchangedWhateverTheOthers) {
  const struct {
    double fixed;
    const char* plain;    // as a or b
    const char* signed_;  // as c or d
  } cases[] = {
      {2.5, "2,5", "+2,5"},
      {-1.5707963267948966, "-1,570796", "-1,570796"},
      {0, "0", "+0"},
      {200, "200", "+200"},
  };
  std::mt19937 engine(5);
  std::uniform_real_distribution<double> value(-50, 50);
  for (const auto& c : cases) {
    for (int position = 0; position < 4; ++position) {
      for (int trial = 0; trial < 50; ++trial) {
        double p[4] = {value(engine), value(engine), value(engine), value(engine)};
        p[position] = c.fixed;
        const std::string term = sinusfit::BuildTermText(p[0], p[1], p[2], p[3]);
        EXPECT_EQ(Pieces(term)[position], position < 2 ? c.plain : c.signed_) << term;
      }
    }
  }
}

TEST(ResultEntry, JoinsErrorTabAndTermAndGivesTheTermBack) {
  const struct {
    double error;
    const char* expected_error;
  } cases[] = {
      {0.0123, "0,0123"}, {2.5, "2,5"}, {10000, "10000"}, {0.00004, "0"}, {0.00005, "0,0001"},
  };
  const std::string term = "1,5*SIN(2*X+0,5)-1,25";
  for (const auto& c : cases) {
    const std::string entry = sinusfit::BuildResultEntry(c.error, term);
    EXPECT_EQ(entry, std::string(c.expected_error) + "\tY = " + term);
    EXPECT_EQ(sinusfit::TermOfEntry(entry), term);
  }
  EXPECT_EQ(sinusfit::TermOfEntry("1\tY = Y = 2"), "Y = 2");  // only the first marker goes
  EXPECT_EQ(sinusfit::TermOfEntry("no marker"), "no marker");
  EXPECT_EQ(sinusfit::TermOfEntry("0\tY = "), "");
}

TEST(ResultList, ByteOrderTreatsEveryByteAsUnsigned) {
  const struct {
    const char* left;
    const char* right;
    bool less;
  } cases[] = {
      {"0\tY", "0,5\tY", true},  // tab before comma
      {"0,5", "00", true},       // comma before digits
      {"10000\t", "2\t", true},  // text order, not numeric order
      {"a", "ab", true},        {"ab", "a", false},     {"", "a", true},
      {"a", "a", false},        {"\x7f", "\x80", true}, {"\xe9", "z", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sinusfit::ResultTextLess(c.left, c.right), c.less) << c.left << " < " << c.right;
  }
}

TEST(ResultList, InsertionKeepsOneOrderWithoutDuplicates) {
  std::vector<std::string> entries = {
      "2\tY = 1*SIN(1*X+0)+0", "10000\tY = 0*SIN(0*X+0)+0", "0,5\tY = 1*SIN(2*X+1)+0",
      "0\tY = 1*SIN(2*X+1)+0", "12,5\tY = -1*SIN(1*X+0)+0", "0,5\tY = 1*SIN(2*X+0,5)+0",
  };
  const std::vector<std::string> expected = {
      "0\tY = 1*SIN(2*X+1)+0",     "0,5\tY = 1*SIN(2*X+0,5)+0", "0,5\tY = 1*SIN(2*X+1)+0",
      "10000\tY = 0*SIN(0*X+0)+0", "12,5\tY = -1*SIN(1*X+0)+0", "2\tY = 1*SIN(1*X+0)+0",
  };
  std::sort(entries.begin(), entries.end());
  do {
    std::vector<std::string> list;
    for (const std::string& entry : entries) {
      EXPECT_TRUE(sinusfit::InsertResultEntry(list, entry));
      EXPECT_FALSE(sinusfit::InsertResultEntry(list, entry));  // a second pass with the same text
    }
    ASSERT_EQ(list, expected);
  } while (std::next_permutation(entries.begin(), entries.end()));

  EXPECT_EQ(sinusfit::ResultInsertPosition(expected, "0\tY = 0"), 0u);
  EXPECT_EQ(sinusfit::ResultInsertPosition(expected, expected[3]), 3u);
  EXPECT_EQ(sinusfit::ResultInsertPosition(expected, "3"), expected.size());
  EXPECT_EQ(sinusfit::ResultInsertPosition({}, "x"), 0u);
  EXPECT_TRUE(sinusfit::ResultListContains(expected, expected[4]));
  EXPECT_FALSE(sinusfit::ResultListContains(expected, "12,5\tY = -1*SIN(1*X+0)"));
}

}  // namespace
