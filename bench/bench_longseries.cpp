// The computation on long series against the same computation on 200 pairs,
// measured in the same run:
// - a logger's noisy daily cycle with Unix-time x (bound 0.001): 200, 100 000
//   and 1 000 000 pairs, with the scan;
// - a recording at 100 Hz, a ten-minute cycle over 10 000 s (bound 1, which
//   admits some 1 600 periods over the span), with and without the scan,
//   and with the bound 100;
// - a logger whose times are uneven (gaps and jitter), 100 000 pairs;
// - microvolts on 200 pairs over 0.04 s with a high bound (1000).
// The summary prints each as a ratio to the 200-pair computation.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "sinusfit/pairloops.h"
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

// n pairs at 100 Hz: a cycle of 600 s, amplitude 0.75, in noise of 0.05.
sinusfit::FitData Recording(int n) {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0.0, 0.05);
  sinusfit::FitData data;
  for (int i = 0; i < n; ++i) {
    const double x = i * 0.01;
    data.x.push_back(x);
    data.y.push_back(1.2 + 0.75 * std::sin(2 * M_PI / 600 * x + 0.4) + noise(random));
  }
  return data;
}

// A logger that writes about every 10 s with jitter and now and then a gap.
sinusfit::FitData UnevenLogger(int n) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 0.2);
  std::uniform_real_distribution<double> jitter(0.0, 1.0);
  sinusfit::FitData data;
  double x = 1.69e9;
  for (int i = 0; i < n; ++i) {
    x += 10 * (0.5 + jitter(random)) + (jitter(random) < 0.001 ? 3600 : 0);
    data.x.push_back(x);
    data.y.push_back(15 + 4 * std::sin(7.2722e-5 * x + 1.1) + noise(random));
  }
  return data;
}

// 200 pairs over 0.04 s in microvolts: 50 Hz hum in noise.
sinusfit::FitData Microvolts() {
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0.0, 1e-7);
  sinusfit::FitData data;
  for (int i = 0; i < 200; ++i) {
    const double x = 0.0002 * i;
    data.x.push_back(x);
    data.y.push_back(2.5e-6 * std::sin(313.7 * x + 0.8) + 4e-7 + noise(random));
  }
  return data;
}

void RunComputation(benchmark::State& state, const sinusfit::FitData& data, double bound,
                    bool scan) {
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::Computation computation(sinusfit::FitMode::kAllFree, 0, data);
    const auto readBound = [bound] { return bound; };
    const auto goOn = [] { return true; };
    if (scan) benchmark::DoNotOptimize(computation.RunScanPass(readBound, goOn));
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      benchmark::DoNotOptimize(computation.RunPass(readBound, goOn));
  }
}

void LoggerWithScan(benchmark::State& state) {
  RunComputation(state, Logger(static_cast<int>(state.range(0))), 0.001, true);
}

void Recording100Hz(benchmark::State& state) {
  RunComputation(state, Recording(1000000), 1, state.range(0) != 0);
}

// The same with the bound 100: some 160 000 periods over the span, a grid
// of 800 000 trial values.
void Recording100HzHighBound(benchmark::State& state) {
  RunComputation(state, Recording(1000000), 100, true);
}

void UnevenLoggerWithScan(benchmark::State& state) {
  RunComputation(state, UnevenLogger(100000), 0.01, true);
}

void MicrovoltsHighBound(benchmark::State& state) {
  RunComputation(state, Microvolts(), 1000, true);
}

// The periodogram view of the same recording over 10⁵ trial values of b
// (the bound 4π, at 5 trial values per 2π/span), against one computation.
void Recording100HzSpectrum(benchmark::State& state) {
  const sinusfit::FitData data = Recording(1000000);
  for (auto _ : state) {
    const auto spectrum =
        sinusfit::ComputePowerSpectrum(data, 4 * M_PI, [] { return true; });
    benchmark::DoNotOptimize(spectrum);
    state.counters["trials"] = spectrum ? static_cast<double>(spectrum->power.size()) : 0;
  }
}

// One sweep of the loops over a million pairs, the unit of every cost above.
void SweepNormalSums(benchmark::State& state) {
  const sinusfit::FitData data = Recording(1000000);
  const sinusfit::pairloops::PairSpan pairs{data.x.data(), data.y.data(), nullptr, data.x.size()};
  for (auto _ : state)
    benchmark::DoNotOptimize(sinusfit::pairloops::SumNormal(pairs, {0.75, 0.0104, 0.4, 1.2, 0}));
}

void SweepTermResidual(benchmark::State& state) {
  const sinusfit::FitData data = Recording(1000000);
  const sinusfit::pairloops::PairSpan pairs{data.x.data(), data.y.data(), nullptr, data.x.size()};
  for (auto _ : state)
    benchmark::DoNotOptimize(sinusfit::pairloops::SumTermResidual(pairs, 0.75, 0.0104, 0.4, 1.2));
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const double yardstick = times.Seconds("BM_ComputationWithScan/200");
  if (!(yardstick > 0)) return;
  const double computation = times.Seconds("BM_Recording100Hz/scan:0");
  const double spectrum = times.Seconds("BM_Recording100HzSpectrum");
  if (computation > 0 && spectrum > 0)
    std::printf("\nThe periodogram of the 100-Hz recording over 10^5 values of b: %.2fx its "
                "computation without the scan\n", spectrum / computation);
  std::printf("\nEach as a multiple of the 200-pair computation (%.1f ms):\n", yardstick * 1e3);
  for (const char* name :
       {"BM_ComputationWithScan/100000", "BM_ComputationWithScan/1000000",
        "BM_Recording100Hz/scan:0", "BM_Recording100Hz/scan:1", "BM_Recording100HzHighBound",
        "BM_UnevenLoggerWithScan",
        "BM_MicrovoltsHighBound"}) {
    const double seconds = times.Seconds(name);
    if (seconds > 0) std::printf("  %-32s %8.1f ms  %6.2fx\n", name, seconds * 1e3, seconds / yardstick);
  }
}

}  // namespace

BENCHMARK(LoggerWithScan)->Name("BM_ComputationWithScan")->Arg(200)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Recording100Hz)->Name("BM_Recording100Hz")->ArgName("scan")->Arg(0)->Arg(1)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Recording100HzHighBound)->Name("BM_Recording100HzHighBound")
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Recording100HzSpectrum)->Name("BM_Recording100HzSpectrum")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(UnevenLoggerWithScan)->Name("BM_UnevenLoggerWithScan")->Unit(benchmark::kMillisecond);
BENCHMARK(MicrovoltsHighBound)->Name("BM_MicrovoltsHighBound")->Unit(benchmark::kMillisecond);

BENCHMARK(SweepNormalSums)->Name("BM_SweepNormalSums")->Unit(benchmark::kMillisecond);
BENCHMARK(SweepTermResidual)->Name("BM_SweepTermResidual")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench_support::RunWithSummary(argc, argv, PrintSummary);
}
