// The frequency scan pass against the 20 random passes of a computation, on
// 200 pairs over an x span of 100 with the bound 200 on |b|: some 32,000
// trial values of b. The ratio scan / random passes is printed at the end,
// and the weighted scan's to the unweighted one.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/sinefit.h"

namespace {

struct Pairs {
  std::vector<double> x;
  std::vector<double> y;
};

Pairs NoisySine() {
  Pairs p;
  for (int i = 0; i < 200; ++i) {
    const double x = 100.0 * i / 199;
    p.x.push_back(x);
    p.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.01 * ((i * 7919) % 13 - 6));
  }
  return p;
}

void BM_ScanPass(benchmark::State& state) {
  const Pairs pairs = NoisySine();
  const sinusfit::SineFit fit(sinusfit::FitMode::kAllFree, 0, pairs.x, pairs.y);
  for (auto _ : state) {
    benchmark::DoNotOptimize(sinusfit::RunFrequencyScan(
        fit, [] { return 200.0; }, [] { return true; }));
  }
}

void BM_TwentyRandomPasses(benchmark::State& state) {
  const Pairs pairs = NoisySine();
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::SineFit fit(sinusfit::FitMode::kAllFree, 0, pairs.x, pairs.y);
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
      benchmark::DoNotOptimize(fit.RunPass([] { return 200.0; }));
    }
  }
}

// The scan weighted by Δy from 0,01 to 1, through the same SineFit shape.
void BM_WeightedScanPass(benchmark::State& state) {
  const Pairs pairs = NoisySine();
  sinusfit::FitData data{pairs.x, pairs.y, {}};
  for (std::size_t i = 0; i < pairs.x.size(); ++i)
    data.sigma.push_back(0.01 * std::pow(100.0, static_cast<double>(i) / 199));
  const sinusfit::SineFit fit(sinusfit::FitMode::kAllFree, 0, data,
                              sinusfit::ChooseTextPrecision(data), sinusfit::ErrorCeiling(data));
  for (auto _ : state) {
    benchmark::DoNotOptimize(sinusfit::RunFrequencyScan(
        fit, [] { return 200.0; }, [] { return true; }));
  }
}

BENCHMARK(BM_ScanPass)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_WeightedScanPass)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_TwentyRandomPasses)->Unit(benchmark::kMillisecond)->MinTime(2);

double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The processor time of the scan unweighted and weighted, in turns: the
// median ratio of `rounds`.
double InterleavedWeightedRatio(int rounds) {
  const Pairs pairs = NoisySine();
  sinusfit::FitData data{pairs.x, pairs.y, {}};
  const sinusfit::SineFit plain(sinusfit::FitMode::kAllFree, 0, pairs.x, pairs.y);
  for (std::size_t i = 0; i < pairs.x.size(); ++i)
    data.sigma.push_back(0.01 * std::pow(100.0, static_cast<double>(i) / 199));
  const sinusfit::SineFit weighted(sinusfit::FitMode::kAllFree, 0, data,
                                   sinusfit::ChooseTextPrecision(data),
                                   sinusfit::ErrorCeiling(data));
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double seconds[2];
    for (int k = 0; k < 2; ++k) {
      const double start = ProcessSeconds();
      benchmark::DoNotOptimize(sinusfit::RunFrequencyScan(
          k == 0 ? plain : weighted, [] { return 200.0; }, [] { return true; }));
      seconds[k] = ProcessSeconds() - start;
    }
    ratios.push_back(seconds[1] / seconds[0]);
  }
  std::sort(ratios.begin(), ratios.end());
  return ratios[ratios.size() / 2];
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const double scan = times.Seconds("BM_ScanPass");
  const double passes = times.Seconds("BM_TwentyRandomPasses");
  std::printf("\nms: scan pass %.1f, 20 random passes %.1f\n", scan * 1e3, passes * 1e3);
  if (passes > 0) std::printf("scan pass / 20 random passes: %.2f\n", scan / passes);
  if (scan > 0)
    std::printf("weighted scan pass / scan pass: %.3f (processor time, in turns: %.3f)\n",
                times.Seconds("BM_WeightedScanPass") / scan, InterleavedWeightedRatio(15));
}

}  // namespace

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
