// A million readings with a time column against the same million with the
// time as plain seconds, measured in the same run: an ISO date-time column
// ("2026-01-01 00:00:01;0,8415"), a logger's German dates behind a row
// number ("7;01.01.26 00:00:06;0,8415", the general way over split fields),
// and the yardstick of plain numbers ("6;0,8415"). The ratios of the times
// are what counts; the date-time files are longer in bytes.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "wertedatei/wertedatei.h"

namespace {

constexpr int kRows = 1000000;

enum class Layout { kSeconds, kIso, kLogger };

std::string Bytes(Layout layout) {
  std::string text = layout == Layout::kLogger ? "#;Datum Zeit;Wert\n" : "Zeit;Wert\n";
  char line[96];
  for (int i = 0; i < kRows; ++i) {
    const int s = i % 60, m = i / 60 % 60, h = i / 3600 % 24, d = 1 + i / 86400;
    char value[24];
    std::snprintf(value, sizeof value, "%.4f", std::sin(i / 500.0));
    for (char* c = value; *c; ++c)
      if (*c == '.') *c = ',';
    switch (layout) {
      case Layout::kSeconds:
        std::snprintf(line, sizeof line, "%d;%s\n", i, value);
        break;
      case Layout::kIso:
        std::snprintf(line, sizeof line, "2026-01-%02d %02d:%02d:%02d;%s\n", d, h, m, s, value);
        break;
      case Layout::kLogger:
        std::snprintf(line, sizeof line, "%d;%02d.01.26 %02d:%02d:%02d;%s\n", i + 1, d, h, m, s,
                      value);
        break;
    }
    text += line;
  }
  return text;
}

void BM_ReadMillion(benchmark::State& state) {
  const std::string bytes = Bytes(static_cast<Layout>(state.range(0)));
  for (auto _ : state) {
    const wertedatei::PairFile file = wertedatei::ReadPairFile(bytes);
    if (file.x.size() != kRows) state.SkipWithError("not all pairs read");
    benchmark::DoNotOptimize(file.x.size());
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(BM_ReadMillion)
    ->ArgName("seconds0_iso1_logger2")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK_MAIN();
