// The plot frame: the world-to-pixel mapping, the arrows, and the axes with
// grid, tick marks and numbers, checked call for call on a recording canvas
// (7 pixels per character, 14 pixels high).

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"

namespace {

namespace gr = graph_reduziert;
using platform::RecordingCanvas;
using Calls = std::vector<std::string>;

class PlotFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { gr::Frame = {}; }
  RecordingCanvas canvas_;
};

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> TextsDrawn(const Calls& calls) {
  std::vector<std::string> texts;
  for (const std::string& c : calls)
    if (StartsWith(c, "TextOut ")) texts.push_back(c);
  return texts;
}

// ---------------------------------------------------------------------------
// Frame and mapping

TEST_F(PlotFrameTest, TheWindowsAreaSpansEightUnitsEachWayAtOneScale) {
  gr::BeginPlot(783, 499, 8, -8);
  const gr::PlotFrame& f = gr::Frame;
  EXPECT_EQ(f.PlotWidth, 783);
  EXPECT_EQ(f.PlotHeight, 499);
  EXPECT_EQ(f.XMax, 8);
  EXPECT_EQ(f.XMin, -8);
  EXPECT_NEAR(f.YMax, 5.0983397, 1e-7);
  EXPECT_NEAR(f.YMin, -5.0983397, 1e-7);
  EXPECT_EQ(f.XRange, 16);
  EXPECT_DOUBLE_EQ(f.XScale, 48.9375);
  EXPECT_DOUBLE_EQ(f.YScale, 48.9375);
  EXPECT_EQ(f.OriginColumn, 392);  // nearest(391.5)
  EXPECT_EQ(f.OriginRow, 250);     // nearest(249.5)
}

TEST_F(PlotFrameTest, MappingsRoundToNearestWithTiesToEven) {
  gr::BeginPlot(10, 10, 10, 0);  // one pixel per unit, origin at (0, 10)
  ASSERT_EQ(gr::Frame.XScale, 1);
  ASSERT_EQ(gr::Frame.OriginColumn, 0);
  ASSERT_EQ(gr::Frame.OriginRow, 10);
  const struct {
    double v;
    int column;
  } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {3.49, 3}, {783.5, 784}};
  for (const auto& c : cases) {
    EXPECT_EQ(gr::XToColumn(c.v), c.column) << c.v;
    EXPECT_EQ(gr::YToRow(-c.v), 10 + c.column) << c.v;
  }
  EXPECT_EQ(gr::XToColumnF(2.5), 2.5);
  EXPECT_EQ(gr::YToRowF(2.5), 7.5);
  EXPECT_EQ(gr::ColumnToX(7), 7);
}

TEST_F(PlotFrameTest, PositionsBeyondTheIntegerRangeAreClampedNotOverflowed) {
  gr::BeginPlot(783, 499, 8, -8);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(gr::XToColumn(1e300), INT_MAX);
  EXPECT_EQ(gr::XToColumn(-inf), INT_MIN);
  EXPECT_EQ(gr::YToRow(1e300), INT_MIN);
  EXPECT_EQ(gr::YToRow(-1e12), INT_MAX);
  EXPECT_EQ(gr::XToColumn(nan), INT_MIN);
  EXPECT_EQ(gr::YToRow(nan), INT_MIN);
  EXPECT_DOUBLE_EQ(gr::ColumnToX(INT_MIN), (double{INT_MIN} - 392) / 48.9375);
}

TEST_F(PlotFrameTest, EndPlotRestoresTheBoundsOfOneLevelAndKeepsTheScales) {
  gr::BeginPlot(783, 499, 8, -8);
  gr::EndPlot();
  EXPECT_EQ(gr::Frame.XMax, 0);
  EXPECT_EQ(gr::Frame.XMin, 0);
  EXPECT_EQ(gr::Frame.YMax, 0);
  EXPECT_EQ(gr::Frame.YMin, 0);
  EXPECT_DOUBLE_EQ(gr::Frame.XScale, 48.9375);
  EXPECT_EQ(gr::Frame.OriginColumn, 392);

  // A second BeginPlot before EndPlot overwrites the saved level.
  gr::BeginPlot(100, 100, 4, -2);
  gr::BeginPlot(783, 499, 8, -8);
  gr::EndPlot();
  EXPECT_EQ(gr::Frame.XMax, 4);
  EXPECT_EQ(gr::Frame.XMin, -2);
  EXPECT_EQ(gr::Frame.YMax, 4);
  EXPECT_EQ(gr::Frame.YMin, -2);
}

// ---------------------------------------------------------------------------
// Arrows

TEST_F(PlotFrameTest, ArrowHeadsPointAlongTheLine) {
  const struct {
    int x1, y1, x2, y2;
    const char* head;
  } cases[] = {
      {10, 250, 773, 250, "Polygon 759 246 773 250 759 254"},  // right
      {773, 250, 10, 250, "Polygon 24 254 10 250 24 246"},     // left
      {392, 489, 392, 10, "Polygon 388 24 392 10 396 24"},     // up
      {392, 10, 392, 489, "Polygon 396 475 392 489 388 475"},  // down
      {0, 0, 100, 100, "Polygon 93 88 100 100 88 93"},         // down and right
  };
  for (const auto& c : cases) {
    RecordingCanvas canvas;
    canvas.SetPenColor({255, 0, 0});
    canvas.ClearCalls();
    grund::DrawArrow(canvas, c.x1, c.y1, c.x2, c.y2);
    const Calls expected = {"MoveTo " + std::to_string(c.x1) + " " + std::to_string(c.y1),
                            "LineTo " + std::to_string(c.x2) + " " + std::to_string(c.y2),
                            "BrushColor 255 0 0",  // the pen's colour
                            c.head, "BrushClear"};
    EXPECT_EQ(canvas.Calls(), expected) << c.head;
  }
}

TEST_F(PlotFrameTest, ArrowWithEqualEndsDrawsNoHead) {
  grund::DrawArrow(canvas_, 5, 7, 5, 7);
  EXPECT_EQ(canvas_.Calls(), (Calls{"MoveTo 5 7", "LineTo 5 7"}));
}

TEST_F(PlotFrameTest, ArrowAtTheEdgeOfTheIntegerRangeKeepsItsHeadInRange) {
  // The corners stand 4 rows beside the line: beyond the range here.
  grund::DrawArrow(canvas_, 0, INT_MIN, 100, INT_MIN);
  grund::DrawArrow(canvas_, INT_MAX, INT_MAX, INT_MIN, INT_MAX);
  const Calls& calls = canvas_.Calls();
  EXPECT_EQ(calls[3], "Polygon 86 -2147483648 100 -2147483648 86 -2147483644");
  EXPECT_EQ(calls[8],
            "Polygon -2147483634 2147483647 -2147483648 2147483647 -2147483634 "
            "2147483643");
}

// ---------------------------------------------------------------------------
// Axes

Calls XTick(int column, const std::string& label) {
  const std::string c = std::to_string(column);
  return {"PenColor 208 208 208",
          "PenStyle Dotted",
          "MoveTo " + c + " 0",
          "LineTo " + c + " 499",
          "PenColor 0 0 0",
          "PenStyle Solid",
          "MoveTo " + c + " 256",
          "LineTo " + c + " 244",
          "TextOut " + std::to_string(column - 10) + " 256 " + label};
}

Calls YTick(int row, const std::string& label, bool marked) {
  const std::string r = std::to_string(row);
  Calls calls = {"PenColor 208 208 208", "PenStyle Dotted", "MoveTo 0 " + r,
                 "LineTo 783 " + r,      "PenColor 0 0 0",  "PenStyle Solid"};
  if (marked) {
    const int labelWidth = 7 * static_cast<int>(label.size());
    calls.insert(calls.end(),
                 {"MoveTo 386 " + r, "LineTo 398 " + r,
                  "TextOut " + std::to_string(386 - labelWidth) + " " + r + " " + label});
  }
  return calls;
}

TEST_F(PlotFrameTest, TheWindowsFrameIsDrawnCallForCall) {
  gr::BeginPlot(783, 499, 8, -8);
  gr::DrawAxes(canvas_);

  Calls expected = {"FontColor 0 0 0", "PenWidth 1", "PenColor 0 0 0",
                    // y axis
                    "MoveTo 392 489", "LineTo 392 10", "BrushColor 0 0 0",
                    "Polygon 388 24 392 10 396 24", "BrushClear", "PenWidth 1", "BrushClear",
                    "TextOut 375 10 y",
                    // x axis
                    "PenWidth 1", "MoveTo 10 250", "LineTo 773 250", "BrushColor 0 0 0",
                    "Polygon 759 246 773 250 759 254", "BrushClear", "PenWidth 1", "BrushClear",
                    "TextOut 766 231 x",
                    // the origin's single number
                    "PenWidth 1", "TextOut 382 256 0"};
  const auto append = [&](const Calls& more) {
    expected.insert(expected.end(), more.begin(), more.end());
  };
  // -8 would fall on column 0 and 8 on column 784: neither is drawn.
  const int left[] = {343, 294, 245, 196, 147, 98, 49};
  const int right[] = {441, 490, 539, 588, 637, 686, 735};
  for (int k = 0; k < 7; ++k) append(XTick(left[k], std::to_string(-(k + 1))));
  for (int k = 0; k < 7; ++k) append(XTick(right[k], std::to_string(k + 1)));
  // Row 5 is too near the top for a mark and a number; its grid line stays.
  const int up[] = {201, 152, 103, 54, 5};
  const int down[] = {299, 348, 397, 446, 495};
  for (int k = 0; k < 5; ++k) append(YTick(up[k], std::to_string(k + 1), up[k] > 26));
  for (int k = 0; k < 5; ++k) append(YTick(down[k], std::to_string(-(k + 1)), true));
  append({"FontColor 0 0 0"});

  EXPECT_EQ(canvas_.Calls(), expected);
}

TEST_F(PlotFrameTest, TickStepShrinksThroughTheDivisorsUntilItFits) {
  // The first number right of the origin and the first above it give the
  // steps; d runs 1, 2, 4, 10, 20, 40, 100, ...
  const struct {
    int width, height;
    double xMax, xMin;
    const char* xStep;
    const char* yStep;
  } cases[] = {
      {783, 499, 8, -8, "1", "1"},               // 49 pixels a unit: d = 1
      {783, 499, 2, -2, "0,25", "0,25"},         // d = 4
      {783, 499, 0.5, -0.5, "0,1", "0,05"},      // 8 is skipped: d = 10; y d = 20
      {783, 499, 0.05, -0.05, "0,01", "0,005"},  // 80 is skipped: d = 100; y d = 200
      {783, 499, 80, -80, "9", "6"},             // n = 9 and n = 6
      {783, 499, 400, -400, "41", "26"},
      {2000, 400, 1, -1, "0,05", "0,05"},
  };
  for (const auto& c : cases) {
    RecordingCanvas canvas;
    gr::BeginPlot(c.width, c.height, c.xMax, c.xMin);
    gr::DrawAxes(canvas);
    std::string xLabelRow = std::to_string(gr::Frame.OriginRow + 6);
    xLabelRow = ' ' + xLabelRow + ' ';
    std::string firstRight, firstUp;
    for (const std::string& text : TextsDrawn(canvas.Calls())) {
      const std::string label = text.substr(text.rfind(' ') + 1);
      if (label == "x" || label == "y" || label == "0" || label[0] == '-') continue;
      if (text.find(xLabelRow) != std::string::npos) {
        if (firstRight.empty()) firstRight = label;
      } else if (firstUp.empty()) {
        firstUp = label;
      }
    }
    EXPECT_EQ(firstRight, c.xStep) << c.xMax;
    EXPECT_EQ(firstUp, c.yStep) << c.xMax;
  }
}

TEST_F(PlotFrameTest, FrameWithoutTheOriginHasGridButNoAxes) {
  gr::BeginPlot(783, 499, 12, 4);  // y from about 2.5 to 7.6: the origin lies below
  gr::DrawAxes(canvas_);
  const Calls& calls = canvas_.Calls();
  EXPECT_TRUE(TextsDrawn(calls).empty());
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return StartsWith(c, "Polygon"); }),
            0);
  // Vertical grid lines at 4, 4.5, ... 12 (column 782), horizontal ones at
  // 3, 3.5, ... 7.5; nothing but grid lines is drawn.
  int vertical = 0, horizontal = 0;
  for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
    if (!StartsWith(calls[i], "LineTo")) continue;
    ASSERT_EQ(calls[i - 2], "PenStyle Dotted");
    StartsWith(calls[i], "LineTo 783 ") ? ++horizontal : ++vertical;
  }
  EXPECT_EQ(vertical, 17);
  EXPECT_EQ(horizontal, 10);
}

TEST_F(PlotFrameTest, TicksGetMarksWhereverTheXAxisRowLiesInsideEvenWithoutTheAxis) {
  // x up to -0.001: the origin sits just past the right edge, at row 0.
  gr::BeginPlot(783, 499, -0.001, -8);
  ASSERT_EQ(gr::Frame.OriginRow, 0);
  ASSERT_EQ(gr::Frame.OriginColumn, 783);
  gr::DrawAxes(canvas_);
  const std::vector<std::string> texts = TextsDrawn(canvas_.Calls());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "TextOut 773 6 0");
  EXPECT_EQ(texts[1], "TextOut 724 6 -0,5");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "TextOut 766 -19 x"), 0);  // no x axis
}

// Frames the window never sets up must still be drawn in bounded time and
// without arithmetic faults: empty, reversed, astronomically wide, or so far
// from 0 that the ticks are out of reach.
TEST_F(PlotFrameTest, DegenerateFramesEndQuickly) {
  const struct {
    int width, height;
    double xMax, xMin;
  } cases[] = {{0, 0, 8, -8},
               {-5, 499, 8, -8},
               {783, 499, 8, 8},
               {783, 499, -8, 8},
               {783, 499, 1e300, -1e300},
               {783, 499, 1e308, -1e308},
               {783, 499, 1e20, 1e19},
               {783, 499, 1e15, 9.99999e14},
               {1, 1, 1e-300, 0}};
  for (const auto& c : cases) {
    RecordingCanvas canvas;
    gr::BeginPlot(c.width, c.height, c.xMax, c.xMin);
    gr::DrawAxes(canvas);
    EXPECT_LT(canvas.Calls().size(), 1000u) << c.xMax << " " << c.xMin;
  }
}

}  // namespace
