// Points drawn from their numbers: the reduced drawing must paint exactly
// the pixels of drawing every bar and every disc one by one, on a bitmap and
// as vectors; bars are cut at the edges; numbers too large or not numbers
// draw nothing; the layer follows the frame; fitted views hold the bars.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pointsreduction.h"
#include "platform/recording_canvas.h"
#include "tests/core/graph_pixel_canvas.h"

namespace {

namespace gr = graph_reduziert;
using graph_test::PixelCanvas;
using Calls = std::vector<std::string>;

constexpr int kW = 783;
constexpr int kH = 499;
constexpr platform::Color kBarGrey{64, 64, 64};
const double kNaN = std::nan("");

long long RoundedRow(double rowF, int height) {
  return std::llrint(std::clamp(rowF, -10.0, height + 10.0));
}

// The drawing the reduction stands in for: every bar, then every disc, each
// as the plot list draws a mark, with nothing merged or left out.
void DrawEveryPair(PixelCanvas& canvas, const gr::PlotPoints& p, int height) {
  const std::size_t n = std::min(p.x.size(), p.y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const double s = i < p.sigma.size() ? p.sigma[i] : 0;
    if (!std::isfinite(p.x[i]) || !std::isfinite(p.y[i]) || !(s > 0) || !std::isfinite(s)) continue;
    const double columnF = gr::XToColumnF(p.x[i]);
    if (std::fabs(columnF) > 1e7) continue;
    const int c = static_cast<int>(std::nearbyint(columnF));
    const long long a = RoundedRow(gr::YToRowF(p.y[i] + s), height);
    const long long b = RoundedRow(gr::YToRowF(p.y[i] - s), height);
    const long long top = std::min(a, b), bottom = std::max(a, b);
    for (long long row = std::max(top, 0LL); row <= std::min<long long>(bottom, height - 1); ++row)
      canvas.SetPixel(c, static_cast<int>(row), kBarGrey);
    for (const long long end : {top, bottom}) {
      if (end < 0 || end >= height) continue;
      for (int dx = -3; dx <= 3; ++dx) canvas.SetPixel(c + dx, static_cast<int>(end), kBarGrey);
    }
  }
  canvas.SetPenColor(platform::kBlack);
  canvas.SetBrushColor(platform::kAqua);
  for (std::size_t i = 0; i < n; ++i) {
    const double columnF = gr::XToColumnF(p.x[i]), rowF = gr::YToRowF(p.y[i]);
    if (!(std::fabs(columnF) < 1e7) || !(std::fabs(rowF) < 1e7)) continue;
    const int c = static_cast<int>(std::nearbyint(columnF));
    const int r = static_cast<int>(std::nearbyint(rowF));
    canvas.Ellipse(c - 3, r - 3, c + 4, r + 4);
  }
  canvas.SetBrushClear();
}

int DifferingPixels(const PixelCanvas& a, const PixelCanvas& b) {
  int differing = 0;
  for (std::size_t i = 0; i < a.Pixels().size(); ++i) differing += a.Pixels()[i] != b.Pixels()[i];
  return differing;
}

// Pairs on a coarse grid of the view, so that centres repeat and discs
// overlap, a share of them with bars of every kind.
gr::PlotPoints Scattered(int count, const gr::PlotView& v, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> cell(-2, 42);
  std::uniform_real_distribution<double> unit(0, 1);
  const double sigmas[] = {0, -1, kNaN, INFINITY, 0.02, 0.3, 1.5, 40, 1e300};
  gr::PlotPoints p;
  for (int i = 0; i < count; ++i) {
    p.x.push_back(v.XMin + (v.XMax - v.XMin) * cell(random) / 40.0 + unit(random) * 1e-3);
    p.y.push_back(v.YMin + (v.YMax - v.YMin) * cell(random) / 40.0);
    p.sigma.push_back(sigmas[random() % 9] * (v.YMax - v.YMin) / 10);
  }
  return p;
}

// The world y drawn at an unrounded row of the current frame.
double RowToY(double rowF) {
  const gr::PlotFrame& f = gr::Frame;
  return f.Ranged ? f.YMax - rowF / f.YScale : (f.OriginRow - rowF) / f.YScale;
}

// Pairs whose discs and bars sit across the four edges of the area.
gr::PlotPoints OnTheEdges(int width, int height) {
  gr::PlotPoints p;
  for (int k = -5; k <= 5; ++k) {
    for (const int column : {k, width - 1 + k}) {
      for (const int row : {k, height / 2, height - 1 + k}) {
        p.x.push_back(gr::ColumnToX(column) + 0.1 / gr::Frame.XScale);
        p.y.push_back(RowToY(row + 0.2));
        p.sigma.push_back((k + 6) * 2.5 / gr::Frame.YScale);
      }
    }
  }
  return p;
}

struct Scene {
  const char* what;
  int width, height;
  gr::PlotView view;  // XMin == XMax: the default frame BeginPlot(width, height, 8, -8)
};

void Begin(const Scene& s) {
  gr::Frame = {};
  if (s.view.XMin == s.view.XMax)
    gr::BeginPlot(s.width, s.height, 8, -8);
  else
    gr::BeginPlotRanges(s.width, s.height, s.view);
}

TEST(DrawPoints, PaintsExactlyThePixelsOfDrawingEveryBarAndDisc) {
  const Scene scenes[] = {{"default frame", kW, kH, {}},
                          {"a chosen view", kW, kH, {-3, 5, -2, 4}},
                          {"a small area", 40, 30, {0, 1, 0, 1}}};
  for (const Scene& scene : scenes) {
    Begin(scene);
    const gr::PlotView shown{gr::Frame.XMin, gr::Frame.XMax, gr::Frame.YMin, gr::Frame.YMax};
    const std::vector<std::pair<const char*, gr::PlotPoints>> sets = {
        {"scattered", Scattered(400, shown, 7)},
        {"dense", Scattered(3000, shown, 11)},
        {"on the edges", OnTheEdges(scene.width, scene.height)},
        {"no bars, not numbers and huge values",
         {{1e308, -1e308, kNaN, 0, INFINITY, 0.5, 0.5}, {0, 0, 0, kNaN, 1, -INFINITY, 0.25}, {}}},
    };
    for (const auto& [name, points] : sets) {
      SCOPED_TRACE(std::string(scene.what) + ", " + name);
      PixelCanvas every(scene.width, scene.height);
      DrawEveryPair(every, points, scene.height);
      for (const bool vectors : {false, true}) {
        SCOPED_TRACE(vectors ? "as vectors" : "as pixels");
        PixelCanvas reduced(scene.width, scene.height, vectors);
        gr::DrawPoints(reduced, points);
        EXPECT_FALSE(reduced.Unsupported());
        EXPECT_EQ(DifferingPixels(every, reduced), 0);
        EXPECT_LE(reduced.Blocks(), vectors ? 0 : 1);
        EXPECT_LE(reduced.FarthestOutside(), 8);  // nothing far off the area
      }
    }
    gr::EndPlot();
  }
}

// Long series are reduced in two halves at once; joined, they must give
// what one pass gives. The halves differ: the earlier pairs lie more to the
// left, the later more to the right, both in the middle, with bars of every
// kind, residual rows above and below and pairs that are no numbers. Most
// pairs lie far outside, so that the discs leave room to see the bars.
TEST(DrawPoints, TwoHalvesReduceAsOnePassReduces) {
  const Scene scenes[] = {{"a chosen view", 160, 90, {-3, 5, -2, 4}},
                          {"default frame", 120, 80, {}}};
  for (const Scene& scene : scenes) {
    SCOPED_TRACE(scene.what);
    Begin(scene);
    const gr::PlotFrame& f = gr::Frame;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0, 1);
    const double sigmas[] = {0, -1, kNaN, 0.01, 0.2, 1.5, 1e300};
    gr::PlotPoints points;
    constexpr int kPairs = 60000;
    for (int i = 0; i < kPairs; ++i) {
      const double from = i < kPairs / 2 ? -0.1 : 0.4;  // shares of the width
      points.x.push_back(f.XMin + (f.XMax - f.XMin) * (from + 0.7 * unit(random)));
      points.y.push_back(f.YMin + (f.YMax - f.YMin) * (1.4 * unit(random) - 0.2));
      points.sigma.push_back(sigmas[random() % 7] * (f.YMax - f.YMin));
      if (i % 997 == 0) points.y.back() = kNaN;
      if (i % 50 != 0) points.x.back() = f.XMax + 10 * (f.XMax - f.XMin);
    }
    for (const bool bars : {false, true}) {
      SCOPED_TRACE(bars ? "with bars" : "without bars");
      gr::PlotPoints p = points;
      if (!bars) p.sigma.clear();
      gr::PointsReduction onePass, halves;
      gr::ReducePoints(p, onePass, SIZE_MAX);
      gr::ReducePoints(p, halves, 0);
      ASSERT_TRUE(onePass.reduced && halves.reduced);
      EXPECT_EQ(halves.pixels, onePass.pixels);
      EXPECT_EQ(halves.discs, onePass.discs);
      EXPECT_EQ(halves.barRuns.size(), onePass.barRuns.size());
      EXPECT_EQ(halves.highestMark, onePass.highestMark);
      EXPECT_EQ(halves.lowestMark, onePass.lowestMark);
      EXPECT_EQ(halves.outside, onePass.outside);
      EXPECT_EQ(halves.anyBar, onePass.anyBar);
      EXPECT_EQ(std::make_tuple(halves.left, halves.top, halves.right, halves.bottom),
                std::make_tuple(onePass.left, onePass.top, onePass.right, onePass.bottom));
    }
    gr::EndPlot();
  }
}

TEST(DrawPoints, AreasTooLargeForAPixelGridAreDrawnPairByPairAlike) {
  const Scene scene{"4100 x 4100", 4100, 4100, {0, 1, 0, 1}};
  Begin(scene);
  const gr::PlotPoints points = Scattered(400, scene.view, 9);
  PixelCanvas every(scene.width, scene.height);
  DrawEveryPair(every, points, scene.height);
  for (const bool vectors : {false, true}) {
    PixelCanvas drawn(scene.width, scene.height, vectors);
    gr::DrawPoints(drawn, points);
    EXPECT_EQ(DifferingPixels(every, drawn), 0);
    EXPECT_EQ(drawn.Blocks(), 0);
    EXPECT_LE(drawn.FarthestOutside(), 8);
  }
  gr::EndPlot();
}

TEST(DrawPoints, LooksLikeTheMarksOfThePlotList) {
  gr::Frame = {};
  gr::BeginPlot(kW, kH, 8, -8);
  const std::vector<std::string> texts = {"1.5", "2", "1.5", "2",    "-7.75", "0.25", "8.1",
                                          "-5",  "0", "0",   "0.02", "0.03",  "-8",   "5.1"};
  grund::PlotList list;
  for (const char* e : {"#F", " ", "#m", "..."}) grund::AddPlotEntry(list, e);
  gr::PlotPoints points;
  for (std::size_t i = 0; i < texts.size(); i += 2) {
    grund::AddPlotEntry(list, texts[i]);
    grund::AddPlotEntry(list, texts[i + 1]);
    points.x.push_back(std::stod(texts[i]));
    points.y.push_back(std::stod(texts[i + 1]));
  }
  grund::AddPlotEntry(list, "...");
  PixelCanvas marks(kW, kH), drawn(kW, kH);
  gr::DrawPlotList(marks, list);
  gr::DrawPoints(drawn, points);
  EXPECT_EQ(DifferingPixels(marks, drawn), 0);
  EXPECT_EQ(drawn.At(465, 152), platform::kAqua);  // the disc of (1.5, 2)
  gr::EndPlot();
}

TEST(DrawPoints, BarsHaveCapsInsideTheAreaAndAreCutAtItsEdges) {
  struct Case {
    const char* what;
    double x, y, sigma;
    Calls bar;  // as vector lines, between the grey pen and the disc
  };
  // Default frame: x = 0 is column 392, y = 0 row 250, y = 1 row 201, -1 row 299.
  const Case cases[] = {
      {"inside",
       0,
       0,
       1,
       {"MoveTo 392 201", "LineTo 392 300", "MoveTo 389 201", "LineTo 396 201", "MoveTo 389 299",
        "LineTo 396 299"}},
      {"beyond both edges", 0, 0, 100, {"MoveTo 392 0", "LineTo 392 499"}},
      {"the largest double", 0, 0, DBL_MAX, {"MoveTo 392 0", "LineTo 392 499"}},
      {"from far above down into the area",
       0,
       1e308,
       1e308,
       {"MoveTo 392 0", "LineTo 392 251", "MoveTo 389 250", "LineTo 396 250"}},
      {"not a number", 0, 0, kNaN, {}},
      {"infinite", 0, 0, INFINITY, {}},
      {"zero", 0, 0, 0, {}},
      {"negative", 0, 0, -1, {}},
      {"wholly above the area", 0, 30, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gr::Frame = {};
    gr::BeginPlot(kW, kH, 8, -8);
    platform::RecordingCanvas canvas;
    canvas.SetDrawsVectors(true);
    gr::DrawPoints(canvas, {{c.x}, {c.y}, {c.sigma}});
    Calls expected;
    if (!c.bar.empty()) expected.push_back("PenColor 64 64 64");
    expected.insert(expected.end(), c.bar.begin(), c.bar.end());
    if (std::fabs(c.y) < 6) {
      const int row = gr::YToRow(c.y);
      for (const std::string& call :
           {std::string("PenColor 0 0 0"), std::string("BrushColor 0 255 255"),
            "Ellipse 389 " + std::to_string(row - 3) + " 396 " + std::to_string(row + 4)})
        expected.push_back(call);
    }
    if (!expected.empty()) {
      expected.push_back("BrushClear");
      expected.push_back("PenColor 0 0 0");
    }
    EXPECT_EQ(canvas.Calls(), expected);
    gr::EndPlot();
  }
}

TEST(DrawPoints, NothingToShowDrawsNothing) {
  const std::vector<std::pair<const char*, gr::PlotPoints>> cases = {
      {"no points", {}},
      {"x without y", {{1, 2}, {}, {0.5, 0.5}}},
      {"not numbers", {{kNaN, 1, INFINITY}, {1, kNaN, 0}, {}}},
      {"far beyond the area", {{1e300, -1e300, 0, 0}, {0, 0, 1e300, -1e300}, {1, 1, 1, 1}}},
  };
  for (const auto& [what, points] : cases) {
    SCOPED_TRACE(what);
    gr::Frame = {};
    gr::BeginPlot(kW, kH, 8, -8);
    for (const bool vectors : {false, true}) {
      platform::RecordingCanvas canvas;
      canvas.SetDrawsVectors(vectors);
      gr::DrawPoints(canvas, points);
      EXPECT_EQ(canvas.Calls(), Calls{});
    }
    gr::EndPlot();
  }
  // Residual lines still reach points far beyond the area, as the plot
  // list's do: up to the top edge and down to the bottom one.
  gr::BeginPlot(kW, kH, 8, -8);
  platform::RecordingCanvas canvas;
  canvas.SetDrawsVectors(true);
  gr::DrawPointResiduals(canvas, cases.back().second, "0");
  EXPECT_EQ(canvas.Calls(),
            (Calls{"PenColor 230 80 0", "MoveTo 392 0", "LineTo 392 499", "PenColor 0 0 0"}));
  gr::EndPlot();
}

TEST(DrawPoints, ResidualLinesMeetTheCurveAtEachColumn) {
  gr::Frame = {};
  gr::BeginPlotRanges(kW, kH, {-3, 5, -2, 4});
  gr::PlotPoints points = Scattered(400, {-3, 5, -2, 4}, 5);
  points.x.push_back(1), points.y.push_back(1e300);  // far above: a line to the top
  const char* term = "SIN(X)+1";
  PixelCanvas every(kW, kH);
  every.SetPenColor({230, 80, 0});
  for (std::size_t i = 0; i < points.x.size(); ++i) {
    const long long c = std::llrint(gr::XToColumnF(points.x[i]));
    if (c < 0 || c >= kW) continue;
    const double fitted = fktint::EvaluateTerm(term, gr::ColumnToX(static_cast<int>(c)));
    const auto held = [](double rowF) {
      return static_cast<int>(std::clamp<double>(std::nearbyint(rowF), -1000, kH + 1000));
    };
    every.MoveTo(static_cast<int>(c), held(gr::YToRowF(fitted)));
    every.LineTo(static_cast<int>(c), held(gr::YToRowF(points.y[i])));
  }
  for (const bool vectors : {false, true}) {
    SCOPED_TRACE(vectors ? "as vectors" : "as pixels");
    PixelCanvas reduced(kW, kH, vectors);
    gr::DrawPointResiduals(reduced, points, term);
    EXPECT_EQ(DifferingPixels(every, reduced), 0);
    EXPECT_EQ(reduced.PenColor(), platform::kBlack);
    platform::RecordingCanvas failing;
    gr::DrawPointResiduals(failing, points, "QQQ(X)");
    EXPECT_EQ(failing.Calls(), Calls{});
  }
  gr::EndPlot();
}

TEST(PointsLayer, DrawsWhatDrawPointsDrawsForEveryFrameAndNewPoints) {
  const gr::PlotPoints first = Scattered(300, {-8, 8, -5, 5}, 3);
  const gr::PlotPoints second = Scattered(300, {-8, 8, -5, 5}, 4);
  gr::PointsLayer layer;
  layer.SetPoints(first);
  const gr::PlotView views[] = {{-8, 8, -5, 5}, {-2, 3, -1, 4}, {-8, 8, -5, 5}, {-8, 8, -5, 5}};
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    if (step == 3) layer.SetPoints(second);
    gr::Frame = {};
    gr::BeginPlotRanges(kW, kH, views[step]);
    platform::RecordingCanvas fromLayer, direct;
    layer.Draw(fromLayer);
    gr::DrawPoints(direct, step == 3 ? second : first);
    EXPECT_EQ(fromLayer.Calls(), direct.Calls());
    gr::PlotContents contents;
    contents.points = &layer.Points();
    EXPECT_EQ(layer.PairsOutside(), gr::CountPairsOutside(contents));
    gr::EndPlot();
  }
}

TEST(PointsView, FittedViewsHoldTheBarsAndCountWhatLeavesTheView) {
  gr::PlotPoints points{{0, 10, 5, 3}, {0, 1, 2, 1}, {5, 0, kNaN, 1e300}};
  gr::PlotContents contents;
  contents.points = &points;
  const auto view = gr::FitView(contents, kW);
  ASSERT_TRUE(view.has_value());
  EXPECT_LT(view->YMin, -5);  // the bar of (0, 0)
  EXPECT_GT(view->YMax, 5);
  EXPECT_LT(view->YMax, 7);  // a bar too long for any view adds nothing
  EXPECT_LT(view->XMin, 0);
  EXPECT_GT(view->XMax, 10);

  gr::Frame = {};
  gr::BeginPlotRanges(kW, kH, *view);
  EXPECT_EQ(gr::CountPairsOutside(contents), 0);
  gr::EndPlot();
  // A view that holds every pair but not the bar of (0, 0).
  gr::BeginPlotRanges(kW, kH, {-1, 11, -2, 3});
  EXPECT_EQ(gr::CountPairsOutside(contents), 1);
  points.x.push_back(kNaN), points.y.push_back(0);  // not a number: outside, as in the list
  contents.pairs.push_back({20, 0});
  EXPECT_EQ(gr::CountPairsOutside(contents), 3);
  gr::EndPlot();

  const gr::PlotPoints unusable{{kNaN, 1e300}, {0, 0}, {}};
  contents = {};
  contents.points = &unusable;
  EXPECT_FALSE(gr::FitView(contents, kW).has_value());
}

}  // namespace
