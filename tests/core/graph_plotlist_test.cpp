// Drawing the plot list: curves sampled once per pixel column, with the pen
// lifted at jumps and parked for huge values, and disc marks for data points;
// and lists no writer produces, which must still be read to their end.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"

namespace {

namespace gr = graph_reduziert;
using Calls = std::vector<std::string>;

constexpr int kWidth = 783;
constexpr int kHeight = 499;

// One recorded call split into its name and numbers.
struct Call {
  std::string name;
  std::vector<long long> args;
};

Call Parse(const std::string& line) {
  std::istringstream in(line);
  Call call;
  in >> call.name;
  for (long long v; in >> v;) call.args.push_back(v);
  return call;
}

grund::PlotList ListOf(const std::vector<std::string>& entries) {
  grund::PlotList list;
  for (const std::string& e : entries) grund::AddPlotEntry(list, e);
  return list;
}

class DrawPlotListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gr::Frame = {};
    gr::BeginPlot(kWidth, kHeight, 8, -8);
  }
  const Calls& Draw(const std::vector<std::string>& entries) {
    list_ = ListOf(entries);
    gr::DrawPlotList(canvas_, list_);
    return canvas_.Calls();
  }
  // The row a term's value at a column is drawn at.
  static long long RowOf(const char* term, int column) {
    return std::llround(gr::YToRowF(fktint::EvaluateTerm(term, gr::ColumnToX(column))));
  }

  platform::RecordingCanvas canvas_;
  grund::PlotList list_;
};

TEST_F(DrawPlotListTest, SineRunsAcrossTheWholeWidthFromColumnMinusOne) {
  const Calls& calls = Draw({"#F", "SIN(X)"});
  ASSERT_EQ(calls.size(), 2u + 789u);
  EXPECT_EQ(calls[0], "PenColor 0 0 255");
  EXPECT_EQ(calls[1], "MoveTo -1 298");  // sin(-8.03) is about -0.98
  // One line per column up to W + 5, each to the sine's rounded row.
  for (int column = 0; column <= kWidth + 5; ++column) {
    const Call call = Parse(calls[2 + column]);
    ASSERT_EQ(call.name, "LineTo");
    EXPECT_EQ(call.args[0], column);
    const double row = -std::sin((column - 392) / 48.9375) * 48.9375 + 250;
    EXPECT_EQ(call.args[1], std::nearbyint(row)) << column;
  }
}

TEST_F(DrawPlotListTest, TangentLiftsThePenAtEveryPole) {
  const Calls& calls = Draw({"#F", "TAN(X)"});
  long long penRow = 0;
  int lifts = 0, lines = 0;
  for (std::size_t i = 1; i < calls.size(); ++i) {
    const Call call = Parse(calls[i]);
    if (call.name == "LineTo") {
      ++lines;
      EXPECT_LE(std::llabs(call.args[1] - penRow), kHeight / 2 - 10) << calls[i];
    } else {
      ASSERT_EQ(call.name, "MoveTo");
      ++lifts;
    }
    penRow = call.args[1];
  }
  // Six poles between -8 and 8 (odd multiples of pi/2 up to 5 pi/2); each
  // lifts the pen at least once, and most columns are still drawn.
  EXPECT_GE(lifts, 1 + 6);
  EXPECT_GT(lines, 700);
}

TEST_F(DrawPlotListTest, TermsThatNeverEvaluateDrawNothingVisible) {
  for (const char* term : {"", " ", "SIN(", "1/0"}) {
    canvas_.ClearCalls();
    const Calls& calls = Draw({"#F", term});
    ASSERT_GE(calls.size(), 2u) << term;
    // The search gives up beyond the right edge: a start and one sample there.
    EXPECT_EQ(calls.size(), 3u) << term;
    for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_GE(Parse(calls[i]).args[0], kWidth);
  }
}

TEST_F(DrawPlotListTest, AMarkIsASevenPixelDiscAroundItsPoint) {
  const Calls& calls = Draw({"#m", "...", "1.5", "2", "..."});
  // Centre (465, 152): nearest(1.5 * 48.9375 + 392), nearest(-2 * 48.9375 + 250).
  EXPECT_EQ(calls, (Calls{"PenColor 0 0 0", "BrushColor 0 255 255", "Ellipse 462 149 469 156",
                          "BrushClear"}));
}

TEST_F(DrawPlotListTest, OtherTagsAreSkippedPairwise) {
  const Calls& calls =
      Draw({"#x", "SIN(X)", "", "...", "#", "1", "F", "COS(X)", "#m", "...", "0", "0", "..."});
  EXPECT_EQ(calls, (Calls{"PenColor 0 0 0", "BrushColor 0 255 255", "Ellipse 389 247 396 254",
                          "BrushClear"}));
}

TEST_F(DrawPlotListTest, TheFitsListDrawsTheCurveThenTheMarks) {
  const Calls& calls = Draw(
      {"#F", " ", "#F", "1,5*SIN(2*X+0,5)-1,25", "#m", "...", "-1", "0.5", "2.25", "-1.75", "..."});
  ASSERT_GE(calls.size(), 4u);
  const Calls tail(calls.end() - 5, calls.end());
  EXPECT_EQ(tail, (Calls{"PenColor 0 0 0", "BrushColor 0 255 255", "Ellipse 340 223 347 230",
                         "Ellipse 499 333 506 340", "BrushClear"}));
  EXPECT_EQ(list_.PlotCursor, 11);
}

// Lists no writer produces: each must be read to its end, never past it.
TEST_F(DrawPlotListTest, MalformedListsEndWithinTheList) {
  const struct {
    std::vector<std::string> entries;
    int discs;
  } cases[] = {
      {{"#m", "...", "1.5", "2"}, 1},                                  // no closing "..."
      {{"#m", "...", "1.5", "2", "3"}, 1},                             // an x-text without y-text
      {{"#m", "...", "1.5", "...", "#m", "...", "0", "0", "..."}, 2},  // y-text "..."
      {{"#m", "...", "abc", "1,5", "x", "", "..."}, 2},                // not numbers
      {{"#m", "...", "...", "#F"}, 0},                                 // empty section, lone tag
      {{"#m"}, 0},
      {{"#m", "..."}, 0},
      {{"#F"}, 0},
      {{""}, 0},
      {{"#m", "...", "1e300", "-1e300", "..."}, 1},  // beyond every pixel range
  };
  for (const auto& c : cases) {
    canvas_.ClearCalls();
    const Calls& calls = Draw(c.entries);
    int discs = 0;
    for (const std::string& call : calls) discs += Parse(call).name == "Ellipse";
    EXPECT_EQ(discs, c.discs) << c.entries.size() << " " << c.entries.back();
    EXPECT_EQ(list_.PlotCursor, static_cast<int>(c.entries.size()));
  }
}

// Random lists from the entries the format knows and some it does not: each
// is read to its last entry and no further, whatever the order.
TEST_F(DrawPlotListTest, AnyListIsReadToItsEnd) {
  const char* const vocabulary[] = {"#F", "#m",     "...", "1.5",   "-2", "abc", "",
                                    "#x", "SIN(X)", "1/X", "1e300", "m",  "#mm", "10^20"};
  grund::RandomGenerator random;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> entries;
    const std::uint32_t length = random.NextBelow(13);
    for (std::uint32_t i = 0; i < length; ++i)
      entries.emplace_back(vocabulary[random.NextBelow(std::size(vocabulary))]);
    canvas_.ClearCalls();
    Draw(entries);
    EXPECT_EQ(list_.PlotCursor, static_cast<int>(entries.size())) << round;
  }
}

TEST_F(DrawPlotListTest, AHugeMarkStaysInsideTheIntegerRange) {
  const Calls& calls = Draw({"#m", "...", "1e300", "-1e300", "..."});
  EXPECT_EQ(calls[2], "Ellipse 2147483644 2147483644 2147483647 2147483647");
}

TEST_F(DrawPlotListTest, StepFunctionValuesAreSinglePixels) {
  const Calls& calls = Draw({"#F", "INT(X)"});
  ASSERT_EQ(calls.size(), 2u + 789u);
  EXPECT_EQ(calls[1], "MoveTo -1 " + std::to_string(RowOf("INT(X)", -1)));
  for (int column = 0; column <= kWidth + 5; ++column)
    EXPECT_EQ(calls[2 + column], "SetPixel " + std::to_string(column) + " " +
                                     std::to_string(RowOf("INT(X)", column)) + " 0 0 255");
}

TEST_F(DrawPlotListTest, CappedValuesParkThePenBelowTheArea) {
  const Calls& calls = Draw({"#F", "10^20"});  // 1e10 everywhere, code 4
  ASSERT_EQ(calls.size(), 2u + 789u);
  EXPECT_EQ(calls[1], "MoveTo -1 699");  // a huge start: H + 200
  for (int column = 0; column <= kWidth + 5; ++column)
    EXPECT_EQ(calls[2 + column], "MoveTo " + std::to_string(column) + " 1000");
}

TEST_F(DrawPlotListTest, AfterAParkedRunTheCurveResumesWithAMove) {
  // Capped left of about -0.115, ordinary (and soon 0) to the right.
  const Calls& calls = Draw({"#F", "EXP(-200*X)"});
  long long penRow = 0;
  bool parked = false, resumed = false;
  for (std::size_t i = 1; i < calls.size(); ++i) {
    const Call call = Parse(calls[i]);
    if (call.name == "LineTo") {
      EXPECT_LE(std::llabs(call.args[1] - penRow), kHeight / 2 - 10) << calls[i];
      EXPECT_FALSE(penRow == 1000) << "a line from the parking row: " << calls[i];
      resumed = resumed || parked;
    }
    parked = parked || (call.name == "MoveTo" && call.args[1] == 1000);
    penRow = call.args[1];
  }
  EXPECT_TRUE(parked);
  EXPECT_TRUE(resumed);
  EXPECT_EQ(calls.back(), "LineTo 788 250");  // e^-1600 is 0
}

TEST_F(DrawPlotListTest, AnEmptyListDrawsNothingAndCurveBoundsAreSet) {
  gr::CurveXMin = 0;
  gr::CurveXMax = 0;
  EXPECT_TRUE(Draw({}).empty());
  EXPECT_EQ(gr::CurveXMin, -10000);
  EXPECT_EQ(gr::CurveXMax, 10000);
}

}  // namespace
