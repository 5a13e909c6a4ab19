// Writing and reading a session of 1,000,000 pairs (x like "12.34567", y like
// "-0.001234"), some 30 MB of text. The yardstick, measured in the same run:
// the pair file writer and reader on the same pairs, which a session's table
// should cost about as much as.
//
// As in bench_wertedatei, fresh pages for the result are part of every
// reading; see there for running without that cost.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "wertedatei/session.h"
#include "wertedatei/wertedatei.h"

namespace {

constexpr int kPairs = 1'000'000;

std::string Fixed(double value, int decimals) {
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

const wertedatei::Session& LongSession() {
  static const wertedatei::Session session = [] {
    wertedatei::Session s;
    s.rows = kPairs;
    s.columns[0].latin1.reserve(kPairs, 9 * kPairs);
    s.columns[1].latin1.reserve(kPairs, 10 * kPairs);
    for (int i = 0; i < kPairs; ++i) {
      s.columns[0].latin1.push_back(Fixed(12.34567 + 0.00731 * i, 5));
      s.columns[1].latin1.push_back(Fixed(-0.001234 * (1 + (i % 1000 * 7919) % 1000) / 500.0, 6));
    }
    return s;
  }();
  return session;
}

const std::string& SessionText() {
  static const std::string text = wertedatei::WriteSession(LongSession());
  return text;
}

const std::string& PairFileText() {
  static const std::string text = wertedatei::WritePairFile(LongSession().columns[0].latin1,
                                                            LongSession().columns[1].latin1, ';');
  return text;
}

void BM_WriteSession(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wertedatei::WriteSession(LongSession()).size());
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * SessionText().size()));
}

void BM_ReadSession(benchmark::State& state) {
  for (auto _ : state) {
    const wertedatei::SessionReading reading = wertedatei::ReadSession(SessionText());
    if (!reading.session || reading.session->columns[1].latin1.size() != kPairs)
      state.SkipWithError("not all pairs read");
    benchmark::DoNotOptimize(reading.session);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * SessionText().size()));
}

void BM_WritePairFile(benchmark::State& state) {
  const wertedatei::Session& s = LongSession();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        wertedatei::WritePairFile(s.columns[0].latin1, s.columns[1].latin1, ';').size());
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * PairFileText().size()));
}

void BM_ReadPairFile(benchmark::State& state) {
  for (auto _ : state) {
    const wertedatei::PairFile file = wertedatei::ReadPairFile(PairFileText());
    if (file.x.size() != kPairs) state.SkipWithError("not all pairs read");
    benchmark::DoNotOptimize(file.x.size());
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * PairFileText().size()));
}

BENCHMARK(BM_WriteSession)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSession)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePairFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPairFile)->Unit(benchmark::kMillisecond);

void PrintSummary(const bench_support::TimesReporter& times) {
  const auto ratio = [&](const char* session, const char* pairFile, const char* what) {
    const double a = times.Seconds(session), b = times.Seconds(pairFile);
    if (a > 0 && b > 0)
      std::printf("%s %d pairs as a session takes %.0f ms, %.2f times the pair file.\n", what,
                  kPairs, 1e3 * a, a / b);
  };
  std::printf("\nSession %zu bytes, pair file %zu bytes.\n", SessionText().size(),
              PairFileText().size());
  ratio("BM_WriteSession", "BM_WritePairFile", "Writing");
  ratio("BM_ReadSession", "BM_ReadPairFile", "Reading");
}

}  // namespace

int main(int argc, char** argv) { return bench_support::RunWithSummary(argc, argv, PrintSummary); }
