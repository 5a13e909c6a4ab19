// Views the user chooses: fitting to data, zoom and pan, the two-range frame,
// tick steps and labels, and the axes drawn for any view.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"

namespace {

namespace gr = graph_reduziert;

constexpr int kW = 783;
constexpr int kH = 499;

gr::PlotContents Pairs(std::vector<gr::PlotPair> pairs, std::vector<std::string> terms = {}) {
  return {std::move(pairs), std::move(terms)};
}

bool Contains(const gr::PlotView& v, double x, double y) {
  return v.XMin < x && x < v.XMax && v.YMin < y && y < v.YMax;
}

TEST(PlotViewTest, FittedViewsHoldEveryPairWithAMarginAndNoDegenerateRange) {
  struct Case {
    const char* name;
    std::vector<gr::PlotPair> pairs;
  };
  const std::vector<Case> cases = {
      {"monthly", {{1, -0.5}, {4, 9.1}, {7, 19.3}, {12, 0.8}}},
      {"single pair", {{3, 7}}},
      {"single pair at 0", {{0, 0}}},
      {"equal x", {{5, 1}, {5, 2}, {5, 9}}},
      {"equal y", {{-2, 4}, {1, 4}, {8, 4}}},
      {"years", {{1950, 2.1}, {1965, 2.4}}},
      {"timestamps", {{1.7e9, 3}, {1.7e9 + 60, 4}}},
      {"thousands", {{1000, 2500}, {9000, 7300}}},
      {"thousandths", {{0.001, -0.0042}, {0.009, 0.0031}}},
      {"tiny", {{1e-9, 1e-12}, {3e-9, 2e-12}}},
      {"huge", {{-4e12, 1e14}, {4e12, 9e14}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto view = gr::FitView(Pairs(c.pairs), kW);
    ASSERT_TRUE(view.has_value());
    EXPECT_TRUE(gr::ViewIsUsable(*view));
    double xLo = INFINITY, xHi = -INFINITY, yLo = INFINITY, yHi = -INFINITY;
    for (const gr::PlotPair& p : c.pairs) {
      EXPECT_TRUE(Contains(*view, p.x, p.y));
      xLo = std::min(xLo, p.x), xHi = std::max(xHi, p.x);
      yLo = std::min(yLo, p.y), yHi = std::max(yHi, p.y);
    }
    // The pairs fill most of a spread axis.
    if (xHi > xLo) {
      EXPECT_GT((xHi - xLo) / (view->XMax - view->XMin), 0.8);
    }
    if (yHi > yLo) {
      EXPECT_GT((yHi - yLo) / (view->YMax - view->YMin), 0.8);
    }
  }
}

TEST(PlotViewTest, FittedViewsTakeInTheCurveButNotItsPoles) {
  const auto sine = gr::FitView(Pairs({{0, -1}, {6, 3}}, {" ", "5*SIN(X)"}), kW);
  ASSERT_TRUE(sine.has_value());
  EXPECT_LT(sine->YMin, -4.9);
  EXPECT_GT(sine->YMax, 4.9);
  EXPECT_GE(sine->XMin, -1);  // x follows the pairs alone
  const auto pole = gr::FitView(Pairs({{0, 0}, {3, 1}}, {"TAN(X)"}), kW);
  ASSERT_TRUE(pole.has_value());
  EXPECT_LT(pole->YMax - pole->YMin, 6);
  // Nothing to fit: no view, and pairs that are not numbers are skipped.
  EXPECT_FALSE(gr::FitView(Pairs({}, {"SIN(X)"}), kW).has_value());
  EXPECT_FALSE(gr::FitView(Pairs({{NAN, 1}, {INFINITY, 2}, {1e300, 3}}), kW).has_value());
}

TEST(PlotViewTest, ReadingTheListFindsPairsAndTermsAndLeavesTheCursor) {
  grund::PlotList list;
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, "SIN(X)");
  for (const char* e : {"#m", "...", "1.5", "2", "-3", "4", "...", "#x", "y"})
    grund::AddPlotEntry(list, e);
  list.PlotCursor = 3;
  const gr::PlotContents c = gr::ReadPlotContents(list);
  EXPECT_EQ(list.PlotCursor, 3);
  ASSERT_EQ(c.pairs.size(), 2u);
  EXPECT_EQ(c.pairs[1].x, -3);
  EXPECT_EQ(c.pairs[1].y, 4);
  EXPECT_EQ(c.terms, (std::vector<std::string>{" ", "SIN(X)"}));
}

TEST(PlotViewTest, ZoomKeepsThePointUnderTheCursorAndPanFollowsTheMouse) {
  const gr::PlotView start{1950, 1965, -0.5, 19.3};
  for (double factor : {0.8, 1.25, 0.1, 3.0}) {
    for (auto [column, row] : {std::pair{0.0, 0.0}, {391.5, 249.5}, {700.0, 33.0}}) {
      const gr::PlotView z = gr::ZoomView(start, kW, kH, column, row, factor);
      gr::BeginPlotRanges(kW, kH, start);
      const double x = gr::ColumnToX(0) + column / gr::Frame.XScale;
      const double y = gr::Frame.YMax - row / gr::Frame.YScale;
      gr::BeginPlotRanges(kW, kH, z);
      EXPECT_NEAR(gr::XToColumnF(x), column, 1e-6);
      EXPECT_NEAR(gr::YToRowF(y), row, 1e-6);
      EXPECT_NEAR((z.XMax - z.XMin) / (start.XMax - start.XMin), factor, 1e-9);
    }
  }
  // Dragging 78.3 pixels right and 49.9 down shows what lay a tenth left and above.
  const gr::PlotView p = gr::PanView(start, kW, kH, 78.3, 49.9);
  EXPECT_NEAR(p.XMin, 1948.5, 1e-9);
  EXPECT_NEAR(p.YMax, 19.3 + 1.98, 1e-9);
  // Views never leave the limits: beyond them the view stays as it was.
  const gr::PlotView tiny{1, 1 + 2e-9, 0, 1};
  EXPECT_EQ(gr::ZoomView(tiny, kW, kH, 10, 10, 0.1), tiny);
  const gr::PlotView wide{-9e14, 9e14, 0, 1};
  EXPECT_EQ(gr::ZoomView(wide, kW, kH, 10, 10, 10), wide);
  EXPECT_EQ(gr::PanView(wide, kW, kH, -200, 0), wide);
  EXPECT_EQ(gr::ZoomView(start, kW, kH, 10, 10, NAN), start);
}

TEST(PlotViewTest, TwoRangeFrameMapsFarViewsExactlyAndTheDefaultFrameComesBack) {
  gr::Frame = {};
  gr::BeginPlot(kW, kH, 8, -8);
  const gr::PlotFrame specified = gr::Frame;

  const gr::PlotView far{1.7e9, 1.7e9 + 100, 1e-6, 3e-6};
  gr::BeginPlotRanges(kW, kH, far);
  EXPECT_EQ(gr::XToColumn(1.7e9), 0);
  EXPECT_EQ(gr::XToColumn(1.7e9 + 50), 392);  // 391.5, ties to even
  EXPECT_EQ(gr::XToColumn(1.7e9 + 100), kW);
  EXPECT_EQ(gr::YToRow(3e-6), 0);
  EXPECT_EQ(gr::YToRow(1e-6), kH);
  EXPECT_NEAR(gr::ColumnToX(783), 1.7e9 + 100, 1e-5);
  gr::EndPlot();

  gr::BeginPlot(kW, kH, 8, -8);
  const gr::PlotFrame& f = gr::Frame;
  EXPECT_FALSE(f.Ranged);
  EXPECT_EQ(f.XScale, specified.XScale);
  EXPECT_EQ(f.YScale, specified.YScale);
  EXPECT_EQ(f.YMax, specified.YMax);
  EXPECT_EQ(f.OriginColumn, 392);
  EXPECT_EQ(f.OriginRow, 250);
  EXPECT_EQ(gr::XToColumnF(1.25), 1.25 * 48.9375 + 392);
  EXPECT_EQ(gr::DefaultView(kW, kH), (gr::PlotView{-8, 8, f.YMin, f.YMax}));
}

TEST(PlotViewTest, PairsOutsideTheFrameAreCounted) {
  gr::BeginPlot(kW, kH, 8, -8);
  EXPECT_EQ(gr::CountPairsOutside(Pairs({{1.5, 1.4}, {-1.5, 1.2}, {2.8, 0.1}})), 0);
  EXPECT_EQ(gr::CountPairsOutside(Pairs({{1, 1}, {9, 0}, {0, -6}, {NAN, 0}})), 3);
  gr::BeginPlotRanges(kW, kH, {0, 13, -1, 20});
  EXPECT_EQ(gr::CountPairsOutside(Pairs({{1, -0.5}, {12, 19.3}, {14, 0}})), 1);
  EXPECT_EQ(gr::OutsideHintText(1),
            "1 Wertepaar au\xDF"
            "erhalb - Doppelklick passt die Ansicht an");
  EXPECT_EQ(gr::OutsideHintText(3).substr(0, 13), "3 Wertepaare ");
}

// Labels 7 pixels a character, as the recording canvas measures them.
int Width(std::string_view s) { return 7 * static_cast<int>(s.size()); }

TEST(PlotViewTest, TicksStepByOneTwoOrFiveWithReadableUnoverlappedLabels) {
  struct Case {
    double lo, hi;
    int pixels;
    double step;
    std::string firstLabel;
  };
  const std::vector<Case> cases = {
      {0.34, 12.66, kW, 2, "2"},
      {-1.7, 20.5, kH, 2, "0"},
      {-0.00362, -0.00158, kW, 0.0002, "-0,0036"},
      {1949.1, 1965.9, kW, 2, "1950"},
      {-3e6, 4e6, kW, 1e6, "-3000000"},
      {1e-6, 2.2e-6, kH, 2e-7, "0,0000010"},
      {1.7e9, 1.7e9 + 100, kW, 20, "1700000000"},  // 10 would crowd
      {0, 1e6, kW, 1e5, "0"},
      {-8, 8, kW, 2, "-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lo) + " .. " + std::to_string(c.hi));
    const gr::AxisTicks t = gr::ChooseTicks(
        c.lo, c.hi, c.pixels, c.pixels == kW ? 66 : 42, 14,
        c.pixels == kW ? gr::LabelExtent(Width) : [](std::string_view) { return 14; });
    EXPECT_DOUBLE_EQ(t.step, c.step);
    ASSERT_GT(t.count, 0);
    EXPECT_EQ(gr::TickLabel(t.Value(0), t.decimals), c.firstLabel);
    EXPECT_GE(t.count, 3);
    EXPECT_LE(t.count, 12);
    // Neighbouring labels, centred on their ticks, leave a gap.
    const double spacing = t.step / (c.hi - c.lo) * c.pixels;
    for (int i = 0; c.pixels == kW && i < t.count; ++i)
      EXPECT_GE(spacing, Width(gr::TickLabel(t.Value(i), t.decimals)) + 14);
    EXPECT_GE(t.Value(0), c.lo);
    EXPECT_LE(t.Value(t.count - 1), c.hi);
  }
  EXPECT_EQ(gr::TickLabel(0.30000000000000004, 1), "0,3");
  EXPECT_EQ(gr::TickLabel(-0.0, 2), "0,00");
  EXPECT_EQ(gr::TickLabel(-1e-9, 3), "0,000");
  EXPECT_EQ(gr::TickLabel(-2500, 0), "-2500");
  EXPECT_EQ(gr::ChooseTicks(1, 1, kW, 66, 14, Width).count, 0);
}

// The texts a recording drew, with their boxes (fixed advance, 14 high).
struct DrawnText {
  std::string call, text;
  gr::PixelBox box;
};
std::vector<DrawnText> TextsOf(const platform::RecordingCanvas& canvas) {
  std::vector<DrawnText> texts;
  for (const std::string& call : canvas.Calls()) {
    int x = 0, y = 0, consumed = 0;
    if (std::sscanf(call.c_str(), "TextOut %d %d %n", &x, &y, &consumed) != 2 &&
        std::sscanf(call.c_str(), "TextUtf8 %d %d %n", &x, &y, &consumed) != 2)
      continue;
    const std::string text = call.substr(static_cast<std::size_t>(consumed));
    texts.push_back({call, text, {x, y, Width(text.c_str()), 14}});
  }
  return texts;
}

// In every view the numbers and titles stand outside the framed area (where
// nothing drawn inside can cover them), inside the plot, and apart.
TEST(PlotViewTest, FrameTextsStayOutsideTheAreaInsideThePlotAndApart) {
  const std::vector<gr::PlotView> views = {
      {1949, 1966, 10, 20}, {-8, 8, -5, 5}, {0.001, 0.0012, -3e-6, 4e-6}, {-1e6, 2e6, 1e9, 3e9}};
  for (const gr::PlotView& v : views) {
    SCOPED_TRACE(v.XMin);
    platform::RecordingCanvas canvas;
    const gr::ViewFrame frame = gr::LayOutViewFrame(canvas, kW, kH, v);
    gr::BeginPlotRanges(frame.width, frame.height, v);
    const gr::TitleBoxes titles = gr::DrawViewFrame(canvas, frame, {"Zeit t in s", "U in V"});
    gr::EndPlot();
    const gr::PixelBox area{frame.left, frame.top, frame.width, frame.height};
    const gr::PixelBox plot{0, 0, kW, kH};
    const std::vector<DrawnText> texts = TextsOf(canvas);
    ASSERT_GE(texts.size(), 6u);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      EXPECT_FALSE(texts[i].box.Meets(area)) << texts[i].call;
      EXPECT_TRUE(texts[i].box.left >= 0 && texts[i].box.top >= 0 &&
                  texts[i].box.left + texts[i].box.width <= kW &&
                  texts[i].box.top + texts[i].box.height <= kH)
          << texts[i].call;
      for (std::size_t j = i + 1; j < texts.size(); ++j)
        EXPECT_FALSE(texts[i].box.Meets(texts[j].box)) << texts[i].call << " / " << texts[j].call;
    }
    EXPECT_TRUE(plot.Meets(titles.x) && plot.Meets(titles.y));
    EXPECT_EQ(texts.back().text, "U in V");
  }
  // The numbers of the first view: each year under its tick, 15 beside its own.
  platform::RecordingCanvas canvas;
  const gr::ViewFrame frame = gr::LayOutViewFrame(canvas, kW, kH, views[0]);
  gr::BeginPlotRanges(frame.width, frame.height, views[0]);
  gr::DrawViewFrame(canvas, frame, {});
  const int column1950 = frame.left + gr::XToColumn(1950);
  const int row15 = frame.top + gr::YToRow(15);
  gr::EndPlot();
  const std::vector<DrawnText> texts = TextsOf(canvas);
  const auto at = [&](const std::string& text) {
    return std::find_if(texts.begin(), texts.end(), [&](const DrawnText& t) { return t.text == text; });
  };
  ASSERT_NE(at("1950"), texts.end());
  EXPECT_EQ(at("1950")->box.left, column1950 - 14);
  ASSERT_NE(at("15"), texts.end());
  EXPECT_EQ(at("15")->box.top, row15 - 7);
  EXPECT_EQ(at("15")->box.left + 14 + 3 + 5, frame.left - 1);
}

}  // namespace

namespace {

// Views at the limits draw a bounded picture without faults.
TEST(PlotViewTest, ViewsAtTheLimitsDrawQuickly) {
  const double tinyAt5 = 6 * gr::kMinViewSpanRelative;
  const std::vector<gr::PlotView> views = {
      {-gr::kViewLimit, gr::kViewLimit, -gr::kViewLimit, gr::kViewLimit},
      {5, 5 + tinyAt5, -gr::kMinViewSpan, 0},
      {1.7e9, 1.7e9 + 2, 1e14, 1e14 + 2e5},
      {-1e-3, 1e-3, 1e-300, 2e-12},
  };
  grund::PlotList list;
  grund::AddPlotTerm(list, "TAN(X)");
  grund::AddPlotTerm(list, "1/X");
  for (const char* e : {"#m", "...", "5", "0", "1e300", "-1e300", "..."})
    grund::AddPlotEntry(list, e);
  for (const gr::PlotView& v : views) {
    ASSERT_TRUE(gr::ViewIsUsable(v));
    platform::RecordingCanvas canvas;
    const gr::ViewFrame frame = gr::LayOutViewFrame(canvas, kW, kH, v);
    gr::BeginPlotRanges(frame.width, frame.height, v);
    gr::DrawViewFrame(canvas, frame, {});
    gr::DrawViewGrid(canvas, frame);
    gr::DrawPlotList(canvas, list);
    gr::DrawOutsideHint(canvas, 2);
    gr::EndPlot();
    EXPECT_LT(canvas.Calls().size(), 20000u);
  }
}

}  // namespace
