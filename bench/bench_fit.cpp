// The whole computation behind "Berechnung": 20 passes of 20 candidates with
// 40 Gauss-Newton steps each, on 200 pairs and on the nine example pairs, in
// mode 1. The yardstick, measured in the same run, is a loop of 3,200,000
// glibc sincosl calls (one per point and step of the 200-pair computation).
// One pass on 200 pairs is timed too: the window answers an abort click at
// the end of the pass that is running.
//
// The same computation through Computation, on the 200 pairs as they are (the
// usual scale), with y a thousand times larger and a million times smaller
// (beyond it: longer term texts to score), and weighted by Δy; the summary
// gives each as a ratio to the usual scale, of the real times and of the
// processor times of both threads measured in turns (the latter hold up on
// a machine that others share).

#include <benchmark/benchmark.h>
#include <math.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "sinusfit/computation.h"
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

// The pairs with y scaled and, where asked, Δy from 0,01 to 1.
sinusfit::FitData Scaled(const Pairs& p, double yScale, bool weighted) {
  sinusfit::FitData d{p.x, p.y, {}};
  for (double& y : d.y) y *= yScale;
  if (weighted) {
    for (std::size_t i = 0; i < d.x.size(); ++i)
      d.sigma.push_back(0.01 * std::pow(100.0, static_cast<double>(i) / (d.x.size() - 1)));
  }
  return d;
}

void RunThroughComputation(benchmark::State& state, const sinusfit::FitData& data) {
  for (auto _ : state) {
    grund::ProcessRandom().SetSeed(0);
    sinusfit::Computation computation(sinusfit::FitMode::kAllFree, 0, data);
    for (int pass = 0; pass < sinusfit::kFitPasses; ++pass) {
      benchmark::DoNotOptimize(computation.RunPass([] { return 200.0; }, [] { return true; }));
    }
  }
}

void BM_ComputationUsualScale(benchmark::State& state) {
  RunThroughComputation(state, Scaled(NoisySine(200), 1, false));
}
void BM_ComputationLargeY(benchmark::State& state) {
  RunThroughComputation(state, Scaled(NoisySine(200), 1e3, false));
}
void BM_ComputationTinyY(benchmark::State& state) {
  RunThroughComputation(state, Scaled(NoisySine(200), 1e-6, false));
}
void BM_ComputationWeighted(benchmark::State& state) {
  RunThroughComputation(state, Scaled(NoisySine(200), 1, true));
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
BENCHMARK(BM_ComputationUsualScale)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ComputationLargeY)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ComputationTinyY)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ComputationWeighted)->Unit(benchmark::kMillisecond)->MinTime(2);

double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The processor time of one computation on each data set, in turns, the
// median of `rounds` for each.
std::vector<double> InterleavedSeconds(const std::vector<sinusfit::FitData>& sets, int rounds) {
  std::vector<std::vector<double>> times(sets.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < sets.size(); ++k) {
      grund::ProcessRandom().SetSeed(0);
      const double start = ProcessSeconds();
      sinusfit::Computation computation(sinusfit::FitMode::kAllFree, 0, sets[k]);
      for (int pass = 0; pass < sinusfit::kFitPasses; ++pass)
        benchmark::DoNotOptimize(computation.RunPass([] { return 200.0; }, [] { return true; }));
      times[k].push_back(ProcessSeconds() - start);
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& t : times) {
    std::sort(t.begin(), t.end());
    medians.push_back(t[t.size() / 2]);
  }
  return medians;
}

// The 200-pair computation as a share of the sincosl loop.
void PrintSummary(const bench_support::TimesReporter& times) {
  const double fit = times.Seconds("BM_Fit200Pairs");
  const double yardstick = times.Seconds("BM_Yardstick3200000Sincosl");
  const double pass = times.Seconds("BM_OnePass200Pairs");
  std::printf("\nms: 200 pairs %.1f, example pairs %.1f, one pass %.1f, sincosl loop %.1f\n",
              fit * 1e3, times.Seconds("BM_FitExamplePairs") * 1e3, pass * 1e3, yardstick * 1e3);
  if (yardstick > 0) std::printf("200 pairs / sincosl loop: %.2f\n", fit / yardstick);
  const double usual = times.Seconds("BM_ComputationUsualScale");
  if (usual > 0) {
    std::printf("computation / usual scale: y x 1000 %.3f, y x 1e-6 %.3f, weighted %.3f\n",
                times.Seconds("BM_ComputationLargeY") / usual,
                times.Seconds("BM_ComputationTinyY") / usual,
                times.Seconds("BM_ComputationWeighted") / usual);
    const Pairs pairs = NoisySine(200);
    const std::vector<double> cpu = InterleavedSeconds(
        {Scaled(pairs, 1, false), Scaled(pairs, 1e3, false), Scaled(pairs, 1e-6, false),
         Scaled(pairs, 1, true)},
        7);
    std::printf("processor time, in turns: usual scale %.1f ms; / usual: y x 1000 %.3f, "
                "y x 1e-6 %.3f, weighted %.3f\n",
                cpu[0] * 1e3, cpu[1] / cpu[0], cpu[2] / cpu[0], cpu[3] / cpu[0]);
  }
}

}  // namespace

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
