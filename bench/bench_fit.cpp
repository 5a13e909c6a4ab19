// The whole computation behind "Berechnung": 20 passes of 20 candidates with
// 40 Gauss-Newton steps each, on 200 pairs and on the nine example pairs, in
// mode 1. The yardstick, measured in the same run, is a loop of 3,200,000
// glibc sincosl calls (one per point and step of the 200-pair computation).
// One pass on 200 pairs is timed too: the window answers an abort click at
// the end of the pass that is running.

#include <benchmark/benchmark.h>
#include <math.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "sinusfit/sinefit.h"

namespace {

struct Pairs {
  std::vector<double> x;
  std::vector<double> y;
};

Pairs NoisySine(int n) {
  Pairs p;
  for (int i = 0; i < n; ++i) {
    const double x = -5 + 10.0 * i / n;
    p.x.push_back(x);
    p.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.01 * ((i * 7919) % 13 - 6));
  }
  return p;
}

const Pairs kExample{{1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8},
                     {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1}};

void RunComputation(benchmark::State& state, const Pairs& pairs) {
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::SineFit fit(sinusfit::FitMode::kAllFree, 0, pairs.x, pairs.y);
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
      benchmark::DoNotOptimize(fit.RunPass([] { return 200.0; }));
    }
  }
}

void BM_Fit200Pairs(benchmark::State& state) { RunComputation(state, NoisySine(200)); }
void BM_FitExamplePairs(benchmark::State& state) { RunComputation(state, kExample); }

void BM_OnePass200Pairs(benchmark::State& state) {
  const Pairs pairs = NoisySine(200);
  grund::ProcessRandom().SetSeed(0);
  sinusfit::SineFit fit(sinusfit::FitMode::kAllFree, 0, pairs.x, pairs.y);
  for (auto _ : state) benchmark::DoNotOptimize(fit.RunPass([] { return 200.0; }));
}

void BM_Yardstick3200000Sincosl(benchmark::State& state) {
  for (auto _ : state) {
    long double sum = 0;
    long double arg = 0.1L;
    for (int i = 0; i < 3200000; ++i) {
      long double s, c;
      sincosl(arg, &s, &c);
      sum += s + c;
      arg += 0.001L;
    }
    benchmark::DoNotOptimize(sum);
  }
}

BENCHMARK(BM_Fit200Pairs)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_FitExamplePairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnePass200Pairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Yardstick3200000Sincosl)->Unit(benchmark::kMillisecond)->MinTime(2);

// The 200-pair computation as a share of the sincosl loop.
void PrintSummary(const bench_support::TimesReporter& times) {
  const double fit = times.Seconds("BM_Fit200Pairs");
  const double yardstick = times.Seconds("BM_Yardstick3200000Sincosl");
  const double pass = times.Seconds("BM_OnePass200Pairs");
  std::printf("\nms: 200 pairs %.1f, example pairs %.1f, one pass %.1f, sincosl loop %.1f\n",
              fit * 1e3, times.Seconds("BM_FitExamplePairs") * 1e3, pass * 1e3, yardstick * 1e3);
  if (yardstick > 0) std::printf("200 pairs / sincosl loop: %.2f\n", fit / yardstick);
}

}  // namespace

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
