// The check of the table's Δy cells: unweighted, weighted, or refused with
// the rows named.

#include "sinusfit/uncertainties.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using sinusfit::UncertaintyVerdict;

sinusfit::UncertaintyCheck Check(const std::vector<std::string_view>& texts, int firstRow = 1) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < texts.size(); ++i) rows.push_back(firstRow + static_cast<int>(i));
  return sinusfit::CheckUncertainties(rows, texts);
}

TEST(CheckUncertainties, NoDeltaYIsUnweightedAndEveryGoodOneWeighted) {
  EXPECT_EQ(Check({}).verdict, UncertaintyVerdict::kUnweighted);
  EXPECT_EQ(Check({"", "", ""}).verdict, UncertaintyVerdict::kUnweighted);
  EXPECT_EQ(Check({" ", "", "  "}).verdict, UncertaintyVerdict::kUnweighted);

  const auto weighted = Check({"0,05", "0.5", " 2", "1e-3", "1,5E2", "+3"});
  EXPECT_EQ(weighted.verdict, UncertaintyVerdict::kWeighted);
  EXPECT_EQ(weighted.sigma, (std::vector<double>{0.05, 0.5, 2, 1e-3, 150, 3}));
  EXPECT_TRUE(weighted.problems.empty());
}

TEST(CheckUncertainties, EachBadDeltaYIsNamedWithItsRow) {
  const struct {
    std::string_view text;
    const char* problem;
  } cases[] = {
      {"", "Δy fehlt"},
      {"  ", "Δy fehlt"},
      {"0", "Δy = 0"},
      {"-0", "Δy = 0"},
      {"0,000", "Δy = 0"},
      {"1e-400", "Δy = 0"},  // reads as 0
      {"-0,1", "Δy ist negativ"},
      {"abc", "Δy ist keine Zahl"},
      {"0,5abc", "Δy ist keine Zahl"},  // must read whole
      {"1,5,2", "Δy ist keine Zahl"},
      {"1e400", "Δy ist keine Zahl"},
      {"inf", "Δy ist keine Zahl"},
      {"nan", "Δy ist keine Zahl"},
      {"1e-160", "Δy ist zu klein"},  // 1/Δy² is no double
      {"1e160", "Δy ist zu groß"},    // 1/Δy² vanishes
  };
  for (const auto& c : cases) {
    const auto check = Check({"0,1", c.text, "0,2"}, 6);
    EXPECT_EQ(check.verdict, UncertaintyVerdict::kRefused) << c.text;
    ASSERT_EQ(check.problems.size(), 1u) << c.text;
    EXPECT_EQ(check.problems[0], std::string("Zeile 7: ") + c.problem) << c.text;
    EXPECT_TRUE(check.sigma.empty());
    EXPECT_EQ(check.furtherProblems, 0u);
  }
  // The extremes that still have a weight.
  EXPECT_EQ(Check({"1e-150", "1e150"}).verdict, UncertaintyVerdict::kWeighted);
}

TEST(CheckUncertainties, NamesTenRowsAndCountsTheRest) {
  std::vector<std::string_view> texts(30, "0,1");
  for (std::size_t i = 0; i < texts.size(); i += 2) texts[i] = "0";  // 15 rows at 0
  std::vector<int> rows;
  for (std::size_t i = 0; i < texts.size(); ++i) rows.push_back(static_cast<int>(10 * i + 3));
  const auto check = sinusfit::CheckUncertainties(rows, texts);
  EXPECT_EQ(check.verdict, UncertaintyVerdict::kRefused);
  ASSERT_EQ(check.problems.size(), sinusfit::kNamedProblems);
  EXPECT_EQ(check.problems.front(), "Zeile 3: Δy = 0");
  EXPECT_EQ(check.problems.back(), "Zeile 183: Δy = 0");
  EXPECT_EQ(check.furtherProblems, 5u);
  const std::string text = sinusfit::UncertaintyRefusalText(check);
  EXPECT_EQ(text.rfind("Die Berechnung wurde nicht gestartet", 0), 0u) << text;
  EXPECT_NE(text.find("\nZeile 3: Δy = 0\n"), std::string::npos);
  EXPECT_NE(text.find("\n… und 5 weitere Zeilen"), std::string::npos);

  texts.resize(23);  // 12 at 0: two beyond the ten
  rows.resize(23);
  auto two = sinusfit::CheckUncertainties(rows, texts);
  EXPECT_EQ(two.furtherProblems, 2u);
  two.furtherProblems = 1;
  EXPECT_NE(sinusfit::UncertaintyRefusalText(two).find("\n… und 1 weitere Zeile"), std::string::npos);
}

TEST(CheckUncertainties, PairsAreAsManyAsRowsAndTextsGive) {
  const std::vector<int> rows = {1, 2};
  const std::vector<std::string_view> texts = {"0,1", "0,2", ""};
  const auto check = sinusfit::CheckUncertainties(rows, texts);
  EXPECT_EQ(check.verdict, UncertaintyVerdict::kWeighted);
  EXPECT_EQ(check.sigma.size(), 2u);
}

}  // namespace
