// The trend and the damped model against the sine, each a whole computation
// as the window runs it: with "Frequenzsuche" the scan's pass and 20 passes,
// without it the 20 passes; the random generator from the same seed in every
// iteration.
// - the yardstick: the sine on 200 noisy pairs of a dying swing (x from 0 in
//   steps of 0.05, bound 200); the trend and the damped model on the same
//   pairs should take at most twice as long;
// - the trend and the damped model on 1 000 000 pairs at 100 Hz, with the
//   bound 5 and with 200 (some 300 000 periods over the span: the
//   periodogram's largest grid); each should take at most ten times its own
//   200-pair computation;
// - the damped model on 6000 pairs of pure noise with the bound 200: many
//   starts end in minima of about the same depth.
// The summary prints each as a ratio to the yardstick measured in the same
// run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "sinusfit/computation.h"

namespace {

using sinusfit::ModelKind;

// 200 pairs of a swing that dies away, in noise of 0.05.
sinusfit::FitData DyingSwing() {
  std::mt19937 random(17);
  std::normal_distribution<double> noise(0.0, 0.05);
  sinusfit::FitData data;
  for (int i = 0; i < 200; ++i) {
    const double x = 0.05 * i;
    data.x.push_back(x);
    data.y.push_back(2 * std::exp(-0.25 * x) * std::sin(3.1 * x + 0.4) + 0.5 + noise(random));
  }
  return data;
}

// A million pairs at 100 Hz over 10 000 s: a ten-minute cycle that fades
// over the span, on a slow drift, in noise of 0.05.
sinusfit::FitData Recording() {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0.0, 0.05);
  sinusfit::FitData data;
  for (int i = 0; i < 1000000; ++i) {
    const double x = 0.01 * i;
    data.x.push_back(x);
    data.y.push_back(1.2 + 0.75 * std::exp(-x / 15000) * std::sin(2 * M_PI / 600 * x + 0.4) +
                     2e-5 * x + noise(random));
  }
  return data;
}

// 6000 pairs of noise alone, x from 0 in steps of 0.05.
sinusfit::FitData PureNoise() {
  std::mt19937 random(23);
  std::normal_distribution<double> noise(0.0, 1.0);
  sinusfit::FitData data;
  for (int i = 0; i < 6000; ++i) {
    data.x.push_back(0.05 * i);
    data.y.push_back(noise(random));
  }
  return data;
}

const sinusfit::FitData& Data(int which) {
  static const sinusfit::FitData swing = DyingSwing();
  static const sinusfit::FitData recording = Recording();
  static const sinusfit::FitData noise = PureNoise();
  return which == 0 ? swing : which == 1 ? recording : noise;
}

// One computation per iteration; args: model, data (0 swing, 1 recording,
// 2 noise), bound, scan.
void RunComputation(benchmark::State& state) {
  const auto model = static_cast<ModelKind>(state.range(0));
  const sinusfit::FitData& data = Data(static_cast<int>(state.range(1)));
  const double bound = static_cast<double>(state.range(2));
  const bool scan = state.range(3) != 0;
  const auto readBound = [bound] { return bound; };
  const auto goOn = [] { return true; };
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::Computation computation(model, sinusfit::FitMode::kAllFree, 0, data);
    if (scan) benchmark::DoNotOptimize(computation.RunScanPass(readBound, goOn));
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      benchmark::DoNotOptimize(computation.RunPass(readBound, goOn));
  }
}

constexpr int kSine = static_cast<int>(ModelKind::kSine);
constexpr int kTrend = static_cast<int>(ModelKind::kSineWithTrend);
constexpr int kDamped = static_cast<int>(ModelKind::kDampedOscillation);

// The benchmark's name for model, data, bound and scan, as the reporter keeps it.
std::string Name(int model, int data, int bound, int scan) {
  return "BM_Model/model:" + std::to_string(model) + "/data:" + std::to_string(data) +
         "/bound:" + std::to_string(bound) + "/scan:" + std::to_string(scan);
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const char* const models[] = {"sine", "trend", "damped"};
  std::printf("\nms and ratios (scan: with Frequenzsuche / without)\n");
  for (int scan = 1; scan >= 0; --scan) {
    const double sine = times.Seconds(Name(kSine, 0, 200, scan));
    if (!(sine > 0)) continue;
    std::printf("%s the scan:\n", scan ? "With" : "Without");
    std::printf("  %-30s %9.1f ms\n", "sine, 200 pairs (yardstick)", sine * 1e3);
    for (int model : {kTrend, kDamped}) {
      const double own = times.Seconds(Name(model, 0, 200, scan));
      if (!(own > 0)) continue;
      std::printf("  %-30s %9.1f ms  %6.2fx sine (at most 2)\n",
                  (std::string(models[model]) + ", 200 pairs").c_str(), own * 1e3, own / sine);
      for (int bound : {5, 200}) {
        const double million = times.Seconds(Name(model, 1, bound, scan));
        if (million > 0)
          std::printf(
              "  %-30s %9.1f ms  %6.2fx own 200 pairs (at most 10), %6.2fx sine\n",
              (std::string(models[model]) + ", 1e6 pairs, bound " + std::to_string(bound)).c_str(),
              million * 1e3, million / own, million / sine);
      }
    }
    const double noise = times.Seconds(Name(kDamped, 2, 200, scan));
    const double damped = times.Seconds(Name(kDamped, 0, 200, scan));
    if (noise > 0 && damped > 0)
      std::printf("  %-30s %9.1f ms  %6.2fx own 200 pairs, %6.2fx sine\n",
                  "damped, 6000 noise, bound 200", noise * 1e3, noise / damped, noise / sine);
  }
}

}  // namespace

BENCHMARK(RunComputation)
    ->Name("BM_Model")
    ->ArgNames({"model", "data", "bound", "scan"})
    ->ArgsProduct({{kSine, kTrend, kDamped}, {0}, {200}, {1, 0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RunComputation)
    ->Name("BM_Model")
    ->ArgNames({"model", "data", "bound", "scan"})
    ->ArgsProduct({{kTrend, kDamped}, {1}, {5, 200}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(RunComputation)
    ->Name("BM_Model")
    ->ArgNames({"model", "data", "bound", "scan"})
    ->Args({kDamped, 2, 200, 1})
    ->Args({kDamped, 2, 200, 0})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
