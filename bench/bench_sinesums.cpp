// The sums of sines against the sine, each a whole computation as the
// window runs it with "Frequenzsuche" (the scan's pass and 20 passes), the
// random generator from the same seed in every iteration:
// - the yardstick: the sine on 1440 hourly water levels of four tides
//   (60 days, bound 200);
// - four frequencies, and as many as are significant, on the same pairs: at
//   most five times the yardstick;
// - a pulsating star (eight nights of six hours, a reading every two
//   minutes: 1440 pairs with the nights' aliases), as many as significant;
// - 1440 pairs of pure noise, as many as significant: many starts end in
//   minima of about the same depth (beside the sine and the sum's first
//   sine alone on them);
// - harmonics, as many as significant, on the tides;
// - a million pairs at 100 Hz of two periods, as many as significant.
// The summary prints each as a ratio to the yardstick measured in the same run.

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

constexpr double kTwoPi = 2 * M_PI;

sinusfit::FitData Tides() {
  std::mt19937 random(17);
  std::normal_distribution<double> noise(0.0, 0.05);
  sinusfit::FitData data;
  for (int h = 0; h < 1440; ++h) {
    data.x.push_back(h);
    data.y.push_back(2 + std::sin(kTwoPi / 12.4206 * h + 0.3) +
                     0.45 * std::sin(kTwoPi / 12 * h + 2) + 0.4 * std::sin(kTwoPi / 23.9345 * h + 4) +
                     0.3 * std::sin(kTwoPi / 25.8193 * h + 1) + noise(random));
  }
  return data;
}

sinusfit::FitData Star() {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0.0, 0.004);
  sinusfit::FitData data;
  for (int night = 0; night < 8; ++night) {
    for (int i = 0; i < 180; ++i) {
      const double t = night + i * 2.0 / 1440;
      data.x.push_back(2460000.3 + t);
      data.y.push_back(12.4 + 0.03 * std::sin(kTwoPi * 10.3 * t + 1) +
                       0.02 * std::sin(kTwoPi * 13.1 * t + 2.5) +
                       0.012 * std::sin(kTwoPi * 7.9 * t + 4) + noise(random));
    }
  }
  return data;
}

sinusfit::FitData Noise() {
  std::mt19937 random(23);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::uniform_real_distribution<double> when(0.0, 100.0);
  sinusfit::FitData data;
  for (int i = 0; i < 1440; ++i) {
    data.x.push_back(when(random));
    data.y.push_back(noise(random));
  }
  return data;
}

sinusfit::FitData Recording() {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 0.05);
  sinusfit::FitData data;
  for (int i = 0; i < 1000000; ++i) {
    const double x = 0.01 * i;
    data.x.push_back(x);
    data.y.push_back(1.2 + 0.75 * std::sin(kTwoPi / 600 * x + 0.4) +
                     0.3 * std::sin(kTwoPi / 170 * x + 2) + noise(random));
  }
  return data;
}

const sinusfit::FitData& Data(int which) {
  static const sinusfit::FitData tides = Tides();
  static const sinusfit::FitData star = Star();
  static const sinusfit::FitData noise = Noise();
  if (which == 3) {
    static const sinusfit::FitData recording = Recording();
    return recording;
  }
  return which == 0 ? tides : which == 1 ? star : noise;
}

// One computation with the scan per iteration; args: model, frequencies,
// data (0 tides, 1 star, 2 noise, 3 recording), bound.
void RunComputation(benchmark::State& state) {
  const auto model = static_cast<ModelKind>(state.range(0));
  const int frequencies = static_cast<int>(state.range(1));
  const sinusfit::FitData& data = Data(static_cast<int>(state.range(2)));
  const double bound = static_cast<double>(state.range(3));
  const auto readBound = [bound] { return bound; };
  const auto goOn = [] { return true; };
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::Computation computation(model, frequencies, sinusfit::FitMode::kAllFree, 0, data);
    benchmark::DoNotOptimize(computation.RunScanPass(readBound, goOn));
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
      benchmark::DoNotOptimize(computation.RunPass(readBound, goOn));
  }
}

constexpr int kSine = static_cast<int>(ModelKind::kSine);
constexpr int kSum = static_cast<int>(ModelKind::kSeveralFrequencies);
constexpr int kHarmonics = static_cast<int>(ModelKind::kHarmonics);

std::string Name(int model, int frequencies, int data, int bound) {
  return "BM_SineSum/model:" + std::to_string(model) + "/frequencies:" +
         std::to_string(frequencies) + "/data:" + std::to_string(data) +
         "/bound:" + std::to_string(bound);
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const double sine = times.Seconds(Name(kSine, 1, 0, 200));
  if (!(sine > 0)) return;
  std::printf("\nms and ratios to the sine with the scan on the tides\n");
  std::printf("  %-44s %9.1f ms\n", "sine, 1440 tides (yardstick)", sine * 1e3);
  const struct {
    const char* what;
    int model, frequencies, data, bound;
  } rows[] = {{"four frequencies, tides (at most 5)", kSum, 4, 0, 200},
              {"as many as significant, tides", kSum, 0, 0, 200},
              {"as many as significant, star", kSum, 0, 1, 200},
              {"sine, noise", kSine, 1, 2, 200},
              {"one sine of the sum (its first), noise", kSum, 1, 2, 200},
              {"as many as significant, noise", kSum, 0, 2, 200},
              {"harmonics as many as significant, tides", kHarmonics, 0, 0, 200},
              {"as many as significant, 1e6 pairs, bound 5", kSum, 0, 3, 5}};
  for (const auto& row : rows) {
    const double own = times.Seconds(Name(row.model, row.frequencies, row.data, row.bound));
    if (own > 0) std::printf("  %-44s %9.1f ms  %6.2fx sine\n", row.what, own * 1e3, own / sine);
  }
}

}  // namespace

BENCHMARK(RunComputation)
    ->Name("BM_SineSum")
    ->ArgNames({"model", "frequencies", "data", "bound"})
    ->Args({kSine, 1, 0, 200})
    ->Args({kSum, 4, 0, 200})
    ->Args({kSum, 0, 0, 200})
    ->Args({kSum, 0, 1, 200})
    ->Args({kSum, 1, 2, 200})
    ->Args({kSine, 1, 2, 200})
    ->Args({kSum, 0, 2, 200})
    ->Args({kHarmonics, 0, 0, 200})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RunComputation)
    ->Name("BM_SineSum")
    ->ArgNames({"model", "frequencies", "data", "bound"})
    ->Args({kSum, 0, 3, 5})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
