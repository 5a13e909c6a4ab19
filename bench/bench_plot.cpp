// One complete paint of the plot area as the window does it: a fresh white
// 783 x 499 bitmap, the frame, a fitted sine curve and 200 data marks drawn
// through the QPainter canvas. Beside it, to show where the time goes: the
// frame alone, the curve's 790 term evaluations alone, and the yardstick, a
// bare fill of a bitmap of the same size, measured in the same run. The same
// paint in a view fitted to the data (own scales, nice ticks) shows what a
// zoom or pan step costs.
//
// Long series: the same repaint with 1 000 000 points drawn from their
// numbers (a PointsLayer, as the window keeps it), against the repaint with
// the 200 marks of the plot list; a pan step that reduces the million points
// anew; fitting a view to them; and the size of an SVG export of them.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include "_grund/grund.h"
#include "app/tform1.h"
#include "bench/bench_support.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/qtcanvas.h"

namespace {

constexpr int kWidth = 783;
constexpr int kHeight = 499;
constexpr int kMarks = 200;
constexpr const char* kFitTerm = "1,5*SIN(2*X+0,5)-1,25";

// The list a chosen fit writes: a blank curve, the fit's curve, the marks.
void FillFitList(grund::PlotList& list) {
  grund::ClearPlotList(list);
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, kFitTerm);
  grund::AddPlotEntry(list, "#m");
  grund::AddPlotEntry(list, "...");
  for (int i = 0; i < kMarks; ++i) {
    const double x = -5 + 0.05 * i;
    const double y = 1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.1 * ((i * 7919) % 13 - 6) / 6;
    grund::AddPlotEntry(list, grund::FormatPoint(x, 1, 5));
    grund::AddPlotEntry(list, grund::FormatPoint(y, 1, 5));
  }
  grund::AddPlotEntry(list, "...");
}

// The window whose PaintPlot is measured; it lives within main, inside the
// application's lifetime.
TForm1* form_ = nullptr;

TForm1& Form() { return *form_; }

void PaintOnce(TForm1& form) {
  QImage bitmap = platform::QtCanvas::NewBitmap(kWidth, kHeight);
  {
    platform::QtCanvas canvas(bitmap);
    form.PaintPlot(canvas);
  }
  benchmark::DoNotOptimize(bitmap.constBits());
}

void BM_PaintPlot(benchmark::State& st) {
  TForm1& form = Form();
  FillFitList(*form.PlotList());
  for (auto _ : st) PaintOnce(form);
}

// A zoom or pan step repaints like this: the same list in a fitted view.
void BM_PaintFittedView(benchmark::State& st) {
  TForm1& form = Form();
  FillFitList(*form.PlotList());
  form.FitViewToData();
  for (auto _ : st) PaintOnce(form);
  form.ShowDefaultView();
}

void BM_PaintFrameOnly(benchmark::State& st) {
  TForm1& form = Form();
  grund::ClearPlotList(*form.PlotList());
  for (auto _ : st) PaintOnce(form);
}

// The term evaluations of one curve: columns -1 to W + 5.
void BM_CurveEvaluations(benchmark::State& st) {
  graph_reduziert::BeginPlot(kWidth, kHeight, 8, -8);
  for (auto _ : st) {
    for (int column = -1; column <= kWidth + 5; ++column)
      benchmark::DoNotOptimize(fktint::EvaluateTerm(kFitTerm, graph_reduziert::ColumnToX(column)));
  }
  graph_reduziert::EndPlot();
}

namespace gr = graph_reduziert;

constexpr int kLongSeries = 1000000;

// A noisy sine across the default view, n pairs, with Δy when asked.
gr::PlotPoints NoisySine(int n, bool bars) {
  gr::PlotPoints p;
  p.x.reserve(n), p.y.reserve(n);
  std::uint32_t seed = 1;
  for (int i = 0; i < n; ++i) {
    seed = seed * 134775813u + 1;
    const double x = -7.8 + 15.6 * i / n;
    p.x.push_back(x);
    p.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.8 * (seed / 4294967296.0 - 0.5));
    if (bars) p.sigma.push_back(0.15 + 0.1 * (seed % 7) / 7);
  }
  return p;
}

// The list a chosen fit writes when its pairs are drawn from their numbers.
void FillCurveList(grund::PlotList& list) {
  grund::ClearPlotList(list);
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, kFitTerm);
}

// A user view as it is drawn now: framed, titled, with the fit written in;
// or as the baseline, the grid over the whole area without frame, numbers,
// titles or caption.
enum class ViewStyle { kBaseline, kFramed };

const std::vector<std::string> kCaption = {
    "y = a·sin(bx + c) + d", "a = 2,3977 ± 0,0024", "b = 3,878378 ± 0,000064",
    "c = 0,7018 ± 0,0010", "d = 0,0173 ± 0,0017", "R² = 0,9972"};

// The window's repaint: frame, axes, the plot list, then the points.
void PaintScene(platform::Canvas& canvas, grund::PlotList& list, gr::PointsLayer* layer,
                const gr::PlotView* view, ViewStyle style = ViewStyle::kFramed) {
  canvas.SetTransparentTextBackground();
  canvas.SetFont("Verdana", 9);
  const bool framed = view != nullptr && style == ViewStyle::kFramed;
  gr::ViewFrame frame;
  if (view == nullptr) {
    gr::BeginPlot(kWidth, kHeight, 8, -8);
    gr::DrawAxes(canvas);
  } else if (framed) {
    frame = gr::LayOutViewFrame(canvas, kWidth, kHeight, *view);
    gr::BeginPlotRanges(frame.width, frame.height, *view);
    gr::DrawViewFrame(canvas, frame, {"Zeit t in s", "Beschleunigung in m/s^2"});
    canvas.BeginArea(frame.left, frame.top, frame.width, frame.height);
    gr::DrawViewGrid(canvas, frame);
  } else {
    frame = gr::LayOutViewFrame(canvas, kWidth, kHeight, *view);
    frame.width = kWidth, frame.height = kHeight;
    gr::BeginPlotRanges(kWidth, kHeight, *view);
    gr::DrawViewGrid(canvas, frame);
  }
  gr::DrawPlotList(canvas, list);
  if (layer) layer->Draw(canvas);
  if (framed) {
    // The window looks for the caption's corner once per picture and keeps it.
    static std::optional<gr::PixelBox> place;
    if (!place || place->width == 0) {
      const gr::PlotContents contents = gr::ReadPlotContents(list);
      const auto marksIn = [&](const gr::PixelBox& box) {
        return gr::MarksIn(contents, kFitTerm, box) + (layer ? layer->PixelsIn(box) : 0);
      };
      place = gr::QuietestCorner(gr::CaptionBox(canvas, kCaption), marksIn);
    }
    gr::DrawCaption(canvas, *place, kCaption);
    canvas.EndArea();
  }
  gr::EndPlot();
}

void RepaintBitmap(grund::PlotList& list, gr::PointsLayer* layer,
                   const gr::PlotView* view = nullptr, ViewStyle style = ViewStyle::kFramed) {
  QImage bitmap = platform::QtCanvas::NewBitmap(kWidth, kHeight);
  {
    platform::QtCanvas canvas(bitmap);
    PaintScene(canvas, list, layer, view, style);
  }
  benchmark::DoNotOptimize(bitmap.constBits());
}

// A fitted view of a million points painted again: framed with titles and
// the caption against the baseline without them.
void RepaintFittedView(benchmark::State& st, ViewStyle style) {
  grund::PlotList list;
  FillCurveList(list);
  gr::PointsLayer layer;
  layer.SetPoints(NoisySine(kLongSeries, false));
  gr::PlotContents contents = gr::ReadPlotContents(list);
  contents.points = &layer.Points();
  const gr::PlotView view = *gr::FitView(contents, kWidth);
  RepaintBitmap(list, &layer, &view, style);
  for (auto _ : st) RepaintBitmap(list, &layer, &view, style);
}
void BM_Repaint1MFittedBaseline(benchmark::State& st) {
  RepaintFittedView(st, ViewStyle::kBaseline);
}
void BM_Repaint1MFittedFramedWithCaption(benchmark::State& st) {
  RepaintFittedView(st, ViewStyle::kFramed);
}

// The specified picture: 200 marks from the plot list.
void BM_Repaint200Marks(benchmark::State& st) {
  grund::PlotList list;
  FillFitList(list);
  for (auto _ : st) RepaintBitmap(list, nullptr);
}

// Points from their numbers, the same view painted again (the layer keeps
// their reduction from the first paint).
void RepaintPoints(benchmark::State& st, int n, bool bars) {
  grund::PlotList list;
  FillCurveList(list);
  gr::PointsLayer layer;
  layer.SetPoints(NoisySine(n, bars));
  RepaintBitmap(list, &layer);
  for (auto _ : st) RepaintBitmap(list, &layer);
}
void BM_Repaint200Points(benchmark::State& st) { RepaintPoints(st, 200, false); }
void BM_Repaint1MPoints(benchmark::State& st) { RepaintPoints(st, kLongSeries, false); }
void BM_Repaint1MPointsWithBars(benchmark::State& st) { RepaintPoints(st, kLongSeries, true); }

// A pan step: every repaint in a new view, so the points are reduced anew.
void Pan(benchmark::State& st, bool bars) {
  grund::PlotList list;
  FillCurveList(list);
  gr::PointsLayer layer;
  layer.SetPoints(NoisySine(kLongSeries, bars));
  gr::PlotView view = gr::DefaultView(kWidth, kHeight);
  for (auto _ : st) {
    view = gr::PanView(view, kWidth, kHeight, 1, 0.5);
    RepaintBitmap(list, &layer, &view);
  }
}
void BM_Pan1MPoints(benchmark::State& st) { Pan(st, false); }
void BM_Pan1MPointsWithBars(benchmark::State& st) { Pan(st, true); }

void BM_FitView1MPoints(benchmark::State& st) {
  const gr::PlotPoints points = NoisySine(kLongSeries, true);
  gr::PlotContents contents;
  contents.terms = {" ", kFitTerm};
  contents.points = &points;
  for (auto _ : st) benchmark::DoNotOptimize(gr::FitView(contents, kWidth));
}

// The bytes of a vector export of a million points, and its drawing time.
void ReportExportSizes() {
  grund::PlotList list;
  FillCurveList(list);
  for (const bool bars : {false, true}) {
    gr::PointsLayer layer;
    layer.SetPoints(NoisySine(kLongSeries, bars));
    QBuffer svgBytes, pdfBytes;
    svgBytes.open(QIODevice::WriteOnly);
    pdfBytes.open(QIODevice::WriteOnly);
    {
      QSvgGenerator svg;
      svg.setOutputDevice(&svgBytes);
      svg.setSize(QSize(kWidth, kHeight));
      svg.setViewBox(QRect(0, 0, kWidth, kHeight));
      platform::QtCanvas canvas(svg, QSize(kWidth, kHeight));
      PaintScene(canvas, list, &layer, nullptr);
    }
    {
      QPdfWriter pdf(&pdfBytes);
      platform::QtCanvas canvas(pdf, QSize(kWidth, kHeight));
      PaintScene(canvas, list, &layer, nullptr);
    }
    const auto ellipses = svgBytes.data().count("<ellipse") + svgBytes.data().count("<circle");
    std::printf("export of %d points%s: SVG %.0f kB (%lld circles, %s), PDF %.0f kB\n", kLongSeries,
                bars ? " with error bars" : "", svgBytes.size() / 1024.0,
                static_cast<long long>(ellipses),
                svgBytes.data().contains("<image") ? "with a bitmap" : "no bitmap",
                pdfBytes.size() / 1024.0);
  }
}

// The yardstick: a fresh white bitmap of the same size.
void BM_BitmapFill(benchmark::State& st) {
  for (auto _ : st) {
    QImage bitmap(kWidth, kHeight, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    benchmark::DoNotOptimize(bitmap.constBits());
  }
}

// Times in microseconds and their ratios to the bare bitmap fill.
void PrintSummary(const bench_support::TimesReporter& times) {
  const auto microseconds = [&](const char* name) { return times.Seconds(name) * 1e6; };
  const double paint = microseconds("BM_PaintPlot");
  const double fitted = microseconds("BM_PaintFittedView");
  const double frame = microseconds("BM_PaintFrameOnly");
  const double curve = microseconds("BM_CurveEvaluations");
  const double fill = microseconds("BM_BitmapFill");
  std::printf("\nmicroseconds: paint %.0f, frame only %.0f, curve evaluations %.0f, fill %.0f\n",
              paint, frame, curve, fill);
  if (fill > 0)
    std::printf("ratios to the bitmap fill: paint %.1f, frame only %.1f, curve evaluations %.1f\n",
                paint / fill, frame / fill, curve / fill);
  if (paint > 0)
    std::printf("fitted view: %.0f microseconds, %.2f times the default view's paint\n", fitted,
                fitted / paint);

  const double marks = microseconds("BM_Repaint200Marks");
  if (marks > 0) {
    std::printf("\nlong series, against the repaint with 200 marks of the list (%.0f us):\n",
                marks);
    for (const char* name :
         {"BM_Repaint200Points", "BM_Repaint1MPoints", "BM_Repaint1MPointsWithBars",
          "BM_Pan1MPoints", "BM_Pan1MPointsWithBars", "BM_FitView1MPoints"}) {
      const double t = microseconds(name);
      if (t > 0) std::printf("  %-28s %8.0f us  %6.2f x\n", name, t, t / marks);
    }
  }
  ReportExportSizes();
}

}  // namespace

BENCHMARK(BM_PaintPlot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFittedView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFrameOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CurveEvaluations)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BitmapFill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint200Marks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint200Points)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint1MPoints)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint1MFittedBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint1MFittedFramedWithCaption)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint1MPointsWithBars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pan1MPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pan1MPointsWithBars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitView1MPoints)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // Fonts need a GUI application; no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto form = std::make_unique<TForm1>();
  form_ = form.get();
  return bench_support::RunWithSummary(argc, argv, PrintSummary);
}
