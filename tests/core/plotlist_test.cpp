#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "_grund/grund.h"

namespace {

using grund::PlotList;

// The list a chosen fit writes: a blank curve, the fit's curve, the marks.
PlotList FitList() {
  PlotList list;
  grund::ClearPlotList(list);
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, "1,5*SIN(2*X+0,5)-1,25");
  grund::AddPlotEntry(list, "#m");
  grund::AddPlotEntry(list, "...");
  grund::AddPlotEntry(list, "1.5");
  grund::AddPlotEntry(list, "-0.25");
  grund::AddPlotEntry(list, "...");
  return list;
}

TEST(PlotList, WritersAppendInOrderAndLeaveTheCursorAtTheCount) {
  PlotList list = FitList();
  const std::vector<std::string> expected = {
      "#F", " ", "#F", "1,5*SIN(2*X+0,5)-1,25", "#m", "...", "1.5", "-0.25", "..."};
  EXPECT_EQ(list.Entries, expected);
  EXPECT_EQ(list.PlotCursor, 9);
  EXPECT_TRUE(grund::PlotListAtEnd(list));
}

TEST(PlotList, AddPlotTermOnAnEmptyListAddsTagAndTerm) {
  PlotList list;
  grund::AddPlotTerm(list, "SIN(X)");
  EXPECT_EQ(list.Entries, (std::vector<std::string>{"#F", "SIN(X)"}));
  EXPECT_EQ(list.PlotCursor, 2);
}

TEST(PlotList, DuplicatesAndEmptyTextsAreKept) {
  PlotList list;
  grund::AddPlotEntry(list, "");
  grund::AddPlotEntry(list, "...");
  grund::AddPlotEntry(list, "...");
  EXPECT_EQ(list.Entries, (std::vector<std::string>{"", "...", "..."}));
  EXPECT_EQ(list.PlotCursor, 3);
}

TEST(PlotList, ReadingAfterRewindWalksTheEntriesThenYieldsEmptyTexts) {
  PlotList list = FitList();
  grund::RewindPlotList(list);
  EXPECT_EQ(list.PlotCursor, 0);
  std::vector<std::string> read;
  while (!grund::PlotListAtEnd(list)) read.push_back(grund::ReadPlotEntry(list));
  EXPECT_EQ(read, list.Entries);
  EXPECT_EQ(list.PlotCursor, 9);
  // Past the end the cursor stays put and every read is empty.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(grund::ReadPlotEntry(list), "");
    EXPECT_EQ(list.PlotCursor, 9);
  }
}

TEST(PlotList, ReadingAnEmptyListYieldsTheEmptyTextAndKeepsTheCursor) {
  PlotList list;
  EXPECT_TRUE(grund::PlotListAtEnd(list));
  EXPECT_EQ(grund::ReadPlotEntry(list), "");
  EXPECT_EQ(list.PlotCursor, 0);
}

TEST(PlotList, ClearAfterAPartialReadEmptiesTheListAndResetsTheCursor) {
  PlotList list = FitList();
  grund::RewindPlotList(list);
  grund::ReadPlotEntry(list);
  grund::ReadPlotEntry(list);
  grund::ClearPlotList(list);
  EXPECT_TRUE(list.Entries.empty());
  EXPECT_EQ(list.PlotCursor, 0);
  EXPECT_TRUE(grund::PlotListAtEnd(list));
}

// The cursor is a public field; a value no writer produces must not make a
// reader index outside the list or the writers overflow it.
TEST(PlotList, ACursorOutsideTheListCountsAsTheEnd) {
  for (std::int32_t cursor : {-1, std::numeric_limits<std::int32_t>::min(), 100}) {
    PlotList list = FitList();
    list.PlotCursor = cursor;
    EXPECT_TRUE(grund::PlotListAtEnd(list)) << cursor;
    EXPECT_EQ(grund::ReadPlotEntry(list), "") << cursor;
    EXPECT_EQ(list.PlotCursor, cursor);
  }
  PlotList list;
  list.PlotCursor = std::numeric_limits<std::int32_t>::max() - 1;
  grund::AddPlotTerm(list, "X");
  EXPECT_EQ(list.PlotCursor, std::numeric_limits<std::int32_t>::max());
}

}  // namespace
