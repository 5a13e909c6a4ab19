// One complete paint of the plot area as the window does it: a fresh white
// 783 x 499 bitmap, the frame, a fitted sine curve and 200 data marks drawn
// through the QPainter canvas. Beside it, to show where the time goes: the
// frame alone, the curve's 790 term evaluations alone, and the yardstick, a
// bare fill of a bitmap of the same size, measured in the same run. The same
// paint in a view fitted to the data (own scales, nice ticks) shows what a
// zoom or pan step costs.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <memory>

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
}

}  // namespace

BENCHMARK(BM_PaintPlot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFittedView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFrameOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CurveEvaluations)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BitmapFill)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  // Fonts need a GUI application; no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto form = std::make_unique<TForm1>();
  form_ = form.get();
  return bench_support::RunWithSummary(argc, argv, PrintSummary);
}
