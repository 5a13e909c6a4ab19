// What the statistics and the residual lines add to what the window does
// anyway. A chosen result line evaluates its term at every pair (for the
// f(x) column): that is the yardstick for ComputeFitStatistics on the same
// 200 pairs. Every repaint draws the plot list: that is the yardstick for the
// residual lines of the same list. Both measured in the same run; the ratios
// are printed at the end.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"
#include "sinusfit/fitstatistics.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/sinefit.h"

namespace {

constexpr int kPairs = 200;
const sinusfit::ModelParameters kParameters{1.5, 2, 0.5, -1.25};

struct Pairs {
  std::vector<double> x, y;
};

const Pairs& SamplePairs() {
  static const Pairs pairs = [] {
    Pairs p;
    for (int i = 0; i < kPairs; ++i) {
      const double x = -5 + 0.05 * i;
      p.x.push_back(x);
      p.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.01 * ((i * 7919) % 13 - 6));
    }
    return p;
  }();
  return pairs;
}

std::string Term() {
  return sinusfit::BuildTermText(kParameters.a, kParameters.b, kParameters.c, kParameters.d);
}

grund::PlotList ResultList() {
  grund::PlotList list;
  sinusfit::BeginResultPlotList(list, Term());
  for (int i = 0; i < kPairs; ++i)
    sinusfit::AddPlotPair(list, SamplePairs().x[i], SamplePairs().y[i]);
  sinusfit::EndResultPlotList(list);
  return list;
}

// A canvas that only counts, so that the drawing logic is what is measured.
class CountingCanvas : public platform::Canvas {
 public:
  long calls = 0;
  void MoveTo(int, int) override { ++calls; }
  void LineTo(int, int) override { ++calls; }
  void Polygon(std::span<const platform::Point>) override { ++calls; }
  void Ellipse(int, int, int, int) override { ++calls; }
  void SetPixel(int, int, platform::Color) override { ++calls; }
  void TextOut(int, int, std::string_view) override { ++calls; }
  int TextWidth(std::string_view) override { return 7; }
  int TextHeight(std::string_view) override { return 14; }
  void SetPenColor(platform::Color c) override { pen_ = c; }
  platform::Color PenColor() const override { return pen_; }
  void SetPenWidth(int) override {}
  void SetPenStyle(platform::PenStyle) override {}
  void SetBrushColor(platform::Color) override {}
  void SetBrushClear() override {}
  void SetFont(std::string_view, int) override {}
  void SetFontColor(platform::Color) override {}
  void SetTransparentTextBackground() override {}
  void BeginArea(int, int, int, int) override {}
  void EndArea() override {}

 private:
  platform::Color pen_;
};

void BM_TermAtEveryPair(benchmark::State& st) {
  const std::string term = Term();
  for (auto _ : st)
    benchmark::DoNotOptimize(sinusfit::ErrorSum(term, SamplePairs().x, SamplePairs().y));
}

void BM_FitStatistics(benchmark::State& st) {
  for (auto _ : st) {
    benchmark::DoNotOptimize(sinusfit::ComputeFitStatistics(
        sinusfit::FitMode::kAllFree, kParameters, SamplePairs().x, SamplePairs().y));
  }
}

void BM_DrawPlotList(benchmark::State& st) {
  grund::PlotList list = ResultList();
  CountingCanvas canvas;
  graph_reduziert::BeginPlot(783, 499, 8, -8);
  for (auto _ : st) graph_reduziert::DrawPlotList(canvas, list);
  benchmark::DoNotOptimize(canvas.calls);
}

void BM_DrawResidualLines(benchmark::State& st) {
  const grund::PlotList list = ResultList();
  CountingCanvas canvas;
  graph_reduziert::BeginPlot(783, 499, 8, -8);
  for (auto _ : st) graph_reduziert::DrawResidualLines(canvas, list);
  benchmark::DoNotOptimize(canvas.calls);
}

BENCHMARK(BM_TermAtEveryPair);
BENCHMARK(BM_FitStatistics);
BENCHMARK(BM_DrawPlotList);
BENCHMARK(BM_DrawResidualLines);

}  // namespace

int main(int argc, char** argv) {
  return bench_support::RunWithSummary(argc, argv, [](const bench_support::TimesReporter& t) {
    const double term = t.Seconds("BM_TermAtEveryPair");
    const double plot = t.Seconds("BM_DrawPlotList");
    if (term > 0) {
      std::printf("\nstatistics / term at every pair: %.2f\n",
                  t.Seconds("BM_FitStatistics") / term);
    }
    if (plot > 0) {
      std::printf("residual lines / plot list drawing: %.2f\n",
                  t.Seconds("BM_DrawResidualLines") / plot);
    }
  });
}
