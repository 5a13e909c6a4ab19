// The computation with the frequency scan on long series against the same
// computation on 200 pairs, measured in the same run: a logger's noisy daily
// cycle with Unix-time x, 200, 100 000 and 1 000 000 pairs.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "_grund/grund.h"
#include "sinusfit/sinusfit.h"

namespace {

sinusfit::FitData Logger(int n) {
  std::mt19937 random(11);
  std::normal_distribution<double> noise(0.0, 0.3);
  sinusfit::FitData data;
  const double span = 11 * 86400.0;  // eleven days, whatever the count
  for (int i = 0; i < n; ++i) {
    const double x = 1.7e9 + span * i / n;
    data.x.push_back(x);
    data.y.push_back(21 + 2 * std::sin(7.27e-5 * x + 0.3) + noise(random));
  }
  return data;
}

void RunWithScan(benchmark::State& state) {
  const sinusfit::FitData data = Logger(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::Computation computation(sinusfit::FitMode::kAllFree, 0, data);
    const auto bound = [] { return 0.001; };
    const auto goOn = [] { return true; };
    benchmark::DoNotOptimize(computation.RunScanPass(bound, goOn));
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      benchmark::DoNotOptimize(computation.RunPass(bound, goOn));
  }
}

}  // namespace

BENCHMARK(RunWithScan)->Name("BM_ComputationWithScan")->Arg(200)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
