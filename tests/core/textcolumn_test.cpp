#include "wertedatei/textcolumn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using wertedatei::TextColumn;

std::vector<std::string> Texts(const TextColumn& column) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < column.size(); ++i) texts.emplace_back(column[i]);
  return texts;
}

// Each case edits a column of "1,5", "-2", "" and checks every cell after it.
TEST(TextColumn, EditsKeepEveryOtherCell) {
  struct Case {
    const char* what;
    void (*edit)(TextColumn&);
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"shorter text in place", [](TextColumn& c) { c.Set(0, "7"); }, {"7", "-2", ""}},
      {"longer text appended", [](TextColumn& c) { c.Set(1, "-2,000001"); }, {"1,5", "-2,000001", ""}},
      {"empty cell filled", [](TextColumn& c) { c.Set(2, "3e5"); }, {"1,5", "-2", "3e5"}},
      {"cell emptied", [](TextColumn& c) { c.Set(0, ""); }, {"", "-2", ""}},
      {"grown with empty cells", [](TextColumn& c) { c.resize(5); }, {"1,5", "-2", "", "", ""}},
      {"cut at the end", [](TextColumn& c) { c.resize(1); }, {"1,5"}},
      {"appended", [](TextColumn& c) { c.push_back("x"); }, {"1,5", "-2", "", "x"}},
      {"own text copied", [](TextColumn& c) { c.Set(2, c[0]); }, {"1,5", "-2", "1,5"}},
      {"own text appended", [](TextColumn& c) { c.push_back(c[1]); }, {"1,5", "-2", "", "-2"}},
      {"own text longer in place", [](TextColumn& c) { c.Set(1, c[0]); }, {"1,5", "1,5", ""}},
  };
  for (const Case& c : cases) {
    TextColumn column{"1,5", "-2", ""};
    c.edit(column);
    EXPECT_EQ(Texts(column), c.expected) << c.what;
  }
}

// Many rewrites of the same cells must neither lose texts nor let the block
// grow without end.
TEST(TextColumn, RewritingReclaimsTheReplacedBytes) {
  TextColumn column;
  for (int i = 0; i < 1000; ++i) column.push_back(std::to_string(i));
  for (int round = 0; round < 50; ++round)
    for (int i = 0; i < 1000; ++i) column.Set(i, std::to_string(i) + std::string(20, 'a' + round % 26));
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(column[i], std::to_string(i) + std::string(20, 'a' + 49 % 26)) << i;
  // 1000 live texts of some 23 bytes: the block holds at most about twice that.
  EXPECT_LT(column.MemoryBytes(), 3u * 1000 * 23 + 1000 * 8 + 4096 * 2);
}

TEST(TextColumn, ComparesByTexts) {
  TextColumn a{"1", "2"}, b{"1"};
  EXPECT_FALSE(a == b);
  b.push_back("2");
  EXPECT_TRUE(a == b);
  b.Set(1, "22");
  b.Set(1, "2");  // equal texts at other offsets
  EXPECT_TRUE(a == b);
}

TEST(TextColumn, CutsOverlongTexts) {
  TextColumn column;
  column.push_back(std::string(TextColumn::kMaxCellBytes + 10, '7'));
  EXPECT_EQ(column[0].size(), TextColumn::kMaxCellBytes);
}

}  // namespace
