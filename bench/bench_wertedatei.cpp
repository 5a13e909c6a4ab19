// Reading a pair file of 50,000 pairs (about 1 MB, as a spreadsheet writes
// it: ";", decimal commas, CRLF). The yardstick, measured in the same run, is
// counting the line ends of the same bytes with std::count: the least any
// reader has to do.
//
// The result holds 100,000 texts (some 1.3 MB in two text columns). glibc hands that memory back to the
// system after each run, so every run pays for fresh pages; in a virtual
// machine that can be most of the time. BM_FreshPagesOfTheResult measures
// that part alone. To see the reader's own work, run
//   GLIBC_TUNABLES=glibc.malloc.trim_threshold=100000000:glibc.malloc.mmap_threshold=100000000 \
//     build/release/bench/bench_wertedatei

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "_grund/grund.h"
#include "bench/bench_support.h"
#include "wertedatei/wertedatei.h"

namespace {

constexpr int kPairs = 50000;

const std::string& FileBytes() {
  static const std::string bytes = [] {
    std::string text = "Zeit [s];Spannung [V]\r\n";
    for (int i = 0; i < kPairs; ++i) {
      const double x = 0.01 * i;
      std::string line = grund::FormatComma(x, 1, 4) + ";" +
                         grund::FormatComma(1.5 * std::sin(2 * x + 0.5) - 1.25, 1, 5);
      line.resize(18, ' ');  // trailing blanks: every line the same length
      text += line + "\r\n";
    }
    return text;
  }();
  return bytes;
}

void BM_ReadPairFile50000(benchmark::State& state) {
  const std::string& bytes = FileBytes();
  for (auto _ : state) {
    const wertedatei::PairFile file = wertedatei::ReadPairFile(bytes);
    if (file.x.size() != kPairs) state.SkipWithError("not all pairs read");
    benchmark::DoNotOptimize(file.x.size());
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * bytes.size()));
}

void BM_YardstickCountLineEnds(benchmark::State& state) {
  const std::string& bytes = FileBytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::count(bytes.begin(), bytes.end(), '\n'));
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * bytes.size()));
}

// Fresh pages from the system for as much memory as the result holds.
void BM_FreshPagesOfTheResult(benchmark::State& state) {
  const wertedatei::PairFile file = wertedatei::ReadPairFile(FileBytes());
  const std::size_t size = file.x.MemoryBytes() + file.y.MemoryBytes();
  for (auto _ : state) {
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
      state.SkipWithError("no memory");
      break;
    }
    char* bytes = static_cast<char*>(memory);
    for (std::size_t i = 0; i < size; i += 4096) bytes[i] = 1;
    benchmark::DoNotOptimize(bytes);
    munmap(memory, size);
  }
}

void BM_WritePairFile50000(benchmark::State& state) {
  const wertedatei::PairFile file = wertedatei::ReadPairFile(FileBytes());
  for (auto _ : state) {
    benchmark::DoNotOptimize(wertedatei::WritePairFile(file.x, file.y, ';').size());
  }
}

BENCHMARK(BM_ReadPairFile50000)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_YardstickCountLineEnds)->Unit(benchmark::kMicrosecond)->MinTime(1);
BENCHMARK(BM_FreshPagesOfTheResult)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_WritePairFile50000)->Unit(benchmark::kMillisecond);

void PrintSummary(const bench_support::TimesReporter& times) {
  const double read = times.Seconds("BM_ReadPairFile50000");
  const double count = times.Seconds("BM_YardstickCountLineEnds");
  if (read > 0 && count > 0) {
    std::printf("\nReading %zu bytes of %d pairs takes %.1f times counting their line ends.\n",
                FileBytes().size(), kPairs, read / count);
  }
  const double pages = times.Seconds("BM_FreshPagesOfTheResult");
  if (pages > 0 && count > 0) {
    std::printf("Fresh pages for the result alone take %.1f times.\n", pages / count);
  }
}

}  // namespace

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
