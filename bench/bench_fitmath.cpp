// One Gauss-Newton iteration's normal-matrix build over 200 points in mode 1,
// two ways: calling ModelDerivative for every factor of every product, and
// computing one sine/cosine per point and reusing it for all derivatives.
// (A third variant shows the same sums interleaved over the points.)
// The yardstick, measured in the same run, is a loop of glibc sincosl calls,
// one per point. Times are reported per point, with the ratios at the end.

#include <benchmark/benchmark.h>
#include <math.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "sinusfit/normalsystem.h"

namespace {

using grund::Extended;
using sinusfit::FitState;
using sinusfit::NormalMatrix;

constexpr int kPoints = 200;

struct Data {
  std::vector<Extended> x;
  std::vector<Extended> y;
};

const Data& SampleData() {
  static const Data data = [] {
    Data d;
    for (int i = 0; i < kPoints; ++i) {
      const double x = -5 + 0.05 * i;
      d.x.push_back(x);
      d.y.push_back(1.5 * std::sin(2 * x + 0.5) - 1.25 + 0.01 * ((i * 7919) % 13 - 6));
    }
    return d;
  }();
  return data;
}

const FitState kState{sinusfit::FitMode::kAllFree, {1.3, 1.9, 0.4, -1.1}, 0};

// The build as written out: each cell its own sum over the points, each
// factor its own ModelDerivative call.
void BuildPerProduct(const FitState& state, const Data& data, NormalMatrix& A) {
  const int m = sinusfit::FreeParameterCount(state.mode);
  const sinusfit::ModelParameters p = sinusfit::ParametersOf(state);
  for (int K = 0; K < m; ++K) {
    for (int L = 0; L < m; ++L) {
      double cell = 0;
      for (int i = 0; i < kPoints; ++i) {
        const double x = static_cast<double>(data.x[i]);
        cell = sinusfit::AddProduct(cell, sinusfit::ModelDerivative(state, K, x),
                                    sinusfit::ModelDerivative(state, L, x));
      }
      A[K + 1][L + 1] = cell;
    }
  }
  for (int K = 0; K < m; ++K) {
    double cell = 0;
    for (int i = 0; i < kPoints; ++i) {
      const double x = static_cast<double>(data.x[i]);
      const Extended residual =
          data.y[i] - sinusfit::ModelValue(p, sinusfit::ModelSinCos(p, data.x[i]));
      cell = static_cast<double>(cell + sinusfit::ModelDerivative(state, K, x) * residual);
    }
    A[K + 1][0] = cell;
  }
}

// The same sums from one sine/cosine per point.
void BuildShared(const FitState& state, const Data& data, NormalMatrix& A) {
  const int m = sinusfit::FreeParameterCount(state.mode);
  const sinusfit::ModelParameters p = sinusfit::ParametersOf(state);
  double D[kPoints][4];
  Extended residual[kPoints];
  for (int i = 0; i < kPoints; ++i) {
    const double x = static_cast<double>(data.x[i]);
    const sinusfit::SinCos sc = sinusfit::ModelSinCos(p, data.x[i]);
    sinusfit::ModelDerivativesFrom(state.mode, p, x, sc, std::span<double>(D[i], m));
    residual[i] = data.y[i] - sinusfit::ModelValue(p, sc);
  }
  for (int K = 0; K < m; ++K) {
    for (int L = 0; L < m; ++L) {
      double cell = 0;
      for (int i = 0; i < kPoints; ++i) cell = sinusfit::AddProduct(cell, D[i][K], D[i][L]);
      A[K + 1][L + 1] = cell;
    }
  }
  for (int K = 0; K < m; ++K) {
    double cell = 0;
    for (int i = 0; i < kPoints; ++i) cell = static_cast<double>(cell + D[i][K] * residual[i]);
    A[K + 1][0] = cell;
  }
}

// The shared build with the points in the outer loop, so that the cells'
// sums run side by side, and one triangle mirrored (D[K]·D[L] = D[L]·D[K]
// exactly). Each cell still adds its terms in point order: same doubles.
void BuildSharedInterleaved(const FitState& state, const Data& data, NormalMatrix& A) {
  const int m = sinusfit::FreeParameterCount(state.mode);
  const sinusfit::ModelParameters p = sinusfit::ParametersOf(state);
  double cell[4][4] = {};
  double rhs[4] = {};
  double D[4];
  for (int i = 0; i < kPoints; ++i) {
    const double x = static_cast<double>(data.x[i]);
    const sinusfit::SinCos sc = sinusfit::ModelSinCos(p, data.x[i]);
    sinusfit::ModelDerivativesFrom(state.mode, p, x, sc, std::span<double>(D, m));
    const Extended residual = data.y[i] - sinusfit::ModelValue(p, sc);
    for (int K = 0; K < m; ++K) {
      for (int L = K; L < m; ++L) cell[K][L] = sinusfit::AddProduct(cell[K][L], D[K], D[L]);
      rhs[K] = static_cast<double>(rhs[K] + D[K] * residual);
    }
  }
  for (int K = 0; K < m; ++K) {
    for (int L = 0; L < m; ++L) A[K + 1][L + 1] = L >= K ? cell[K][L] : cell[L][K];
    A[K + 1][0] = rhs[K];
  }
}

void BM_NormalMatrixPerProduct(benchmark::State& st) {
  NormalMatrix A{};
  for (auto _ : st) {
    BuildPerProduct(kState, SampleData(), A);
    benchmark::DoNotOptimize(A);
  }
}

void BM_NormalMatrixSharedSinCos(benchmark::State& st) {
  NormalMatrix A{};
  for (auto _ : st) {
    BuildShared(kState, SampleData(), A);
    benchmark::DoNotOptimize(A);
  }
}

void BM_NormalMatrixSharedInterleaved(benchmark::State& st) {
  NormalMatrix A{};
  for (auto _ : st) {
    BuildSharedInterleaved(kState, SampleData(), A);
    benchmark::DoNotOptimize(A);
  }
}

void BM_GlibcSincosl(benchmark::State& st) {
  const Data& data = SampleData();
  for (auto _ : st) {
    for (int i = 0; i < kPoints; ++i) {
      long double s;
      long double c;
      sincosl(1.9L * data.x[i] + 0.4L, &s, &c);
      benchmark::DoNotOptimize(s);
      benchmark::DoNotOptimize(c);
    }
  }
}

void BM_ExtendedSinCos(benchmark::State& st) {
  const Data& data = SampleData();
  for (auto _ : st) {
    for (int i = 0; i < kPoints; ++i) {
      const sinusfit::SinCos sc = sinusfit::ExtendedSinCos(1.9L * data.x[i] + 0.4L);
      benchmark::DoNotOptimize(sc);
    }
  }
}

// Per-point times and their ratios to glibc's sincosl.
void PrintSummary(const bench_support::TimesReporter& times) {
  const auto nsPerPoint = [&](const char* name) { return times.Seconds(name) * 1e9 / kPoints; };
  const double per_product = nsPerPoint("BM_NormalMatrixPerProduct");
  const double shared = nsPerPoint("BM_NormalMatrixSharedSinCos");
  const double interleaved = nsPerPoint("BM_NormalMatrixSharedInterleaved");
  const double glibc = nsPerPoint("BM_GlibcSincosl");
  const double x87 = nsPerPoint("BM_ExtendedSinCos");
  std::printf(
      "\nns per point: per product %.1f, shared sin/cos %.1f, shared interleaved %.1f, "
      "glibc sincosl %.1f, ExtendedSinCos %.1f\n",
      per_product, shared, interleaved, glibc, x87);
  if (glibc > 0) {
    std::printf(
        "ratios to glibc sincosl: per product %.2f, shared %.2f, interleaved %.2f, "
        "ExtendedSinCos %.2f\n",
        per_product / glibc, shared / glibc, interleaved / glibc, x87 / glibc);
  }
  if (shared > 0) std::printf("per product / shared: %.1f\n", per_product / shared);
}

// Both builds must give the same doubles, or the comparison means nothing.
bool BuildsAgree() {
  NormalMatrix a{};
  NormalMatrix b{};
  NormalMatrix c{};
  BuildPerProduct(kState, SampleData(), a);
  BuildShared(kState, SampleData(), b);
  BuildSharedInterleaved(kState, SampleData(), c);
  return a == b && a == c;
}

}  // namespace

BENCHMARK(BM_NormalMatrixPerProduct);
BENCHMARK(BM_NormalMatrixSharedSinCos);
BENCHMARK(BM_NormalMatrixSharedInterleaved);
BENCHMARK(BM_GlibcSincosl);
BENCHMARK(BM_ExtendedSinCos);

int main(int argc, char** argv) {
  if (!BuildsAgree()) {
    std::fprintf(stderr, "the two normal-matrix builds differ\n");
    return 1;
  }
  return bench_support::RunWithSummary(argc, argv, PrintSummary);
}
