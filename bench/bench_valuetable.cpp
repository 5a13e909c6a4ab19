// The value table with a long series: filling it with a million pairs from
// the columns of a file (moved in, as opening does), one repaint of the
// shown table, reading the pairs as the fit does, writing a fit's f(x)
// column and showing it, undoing the filling, and pasting the pairs as a
// block that grows the table. Each is measured for the
// start table's 200 rows too; the summary gives the times and their ratios
// to the 200-row ones, and the memory the million rows take. Beside them:
// a million pairs opened twelve times in one table, the resident memory
// after the first and the twelfth (the undo history's budget at work) and
// the time of the second opening (no step dropped yet) and the twelfth.
//
// Run: build/release/bench/bench_valuetable

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QUndoStack>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/tablepairs.h"
#include "app/valuetable.h"
#include "bench/bench_support.h"
#include "sinusfit/resulttext.h"

namespace {

constexpr int kLong = 1'000'000;
constexpr int kShort = 200;
constexpr const char* kTerm = "1,5*SIN(2*X+0,5)-1,25";

// Logger-like texts: x with three decimals, y with four.
app::TableColumns Series(int count) {
  app::TableColumns columns;
  columns.x.reserve(static_cast<std::size_t>(count), static_cast<std::size_t>(count) * 8);
  columns.y.reserve(static_cast<std::size_t>(count), static_cast<std::size_t>(count) * 8);
  for (int i = 0; i < count; ++i) {
    columns.x.push_back(std::to_string(i / 1000) + "," + std::to_string(100 + i % 900));
    // In 64 bits: i * 7919 overflows an int from i = 271 182 on.
    columns.y.push_back("-0," + std::to_string(1000 + std::int64_t{i} * 7919 % 9000));
  }
  return columns;
}

// The table as the window shows it, 229 x 241 pixels.
std::unique_ptr<app::ValueTable> ShownTable() {
  auto table = std::make_unique<app::ValueTable>();
  table->resize(229, 241);
  table->show();
  QCoreApplication::processEvents();
  return table;
}

int Count(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void Fill(app::ValueTable& table, int count) {
  table.ReplaceContents(Series(count), QStringLiteral("öffnen"));
  table.UndoStack()->clear();
}

void BM_Fill(benchmark::State& state) {
  const int count = Count(state);
  auto table = ShownTable();
  for (auto _ : state) {
    state.PauseTiming();
    app::TableColumns columns = Series(count);
    table->UndoStack()->clear();
    table->ClearDataRows();
    state.ResumeTiming();
    table->ReplaceContents(std::move(columns), QStringLiteral("öffnen"));
    QCoreApplication::processEvents();  // the view's layout after the change
  }
}

void BM_UndoFill(benchmark::State& state) {
  const int count = Count(state);
  auto table = ShownTable();
  table->ReplaceContents(Series(count), QStringLiteral("öffnen"));
  for (auto _ : state) {
    table->Undo();  // back to the empty start table
    table->Redo();
    QCoreApplication::processEvents();
  }
}

// A block of tab-separated lines pasted at row 1, growing the table.
void BM_Paste(benchmark::State& state) {
  const int count = Count(state);
  const app::TableColumns series = Series(count);
  QString block;
  for (int i = 0; i < count; ++i) {
    block += QString::fromLatin1(series.x[static_cast<std::size_t>(i)].data(),
                                 static_cast<qsizetype>(series.x[static_cast<std::size_t>(i)].size()));
    block += QLatin1Char('\t');
    block += QString::fromLatin1(series.y[static_cast<std::size_t>(i)].data(),
                                 static_cast<qsizetype>(series.y[static_cast<std::size_t>(i)].size()));
    block += QLatin1Char('\n');
  }
  auto table = ShownTable();
  for (auto _ : state) {
    state.PauseTiming();
    table->UndoStack()->clear();
    table->ClearDataRows();
    table->setCurrentIndex(table->model()->index(1, 0));
    state.ResumeTiming();
    table->PasteText(block);
    QCoreApplication::processEvents();
  }
}

void BM_Repaint(benchmark::State& state) {
  auto table = ShownTable();
  Fill(*table, Count(state));
  table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
  for (auto _ : state) table->viewport()->repaint();
}

void BM_ReadPairs(benchmark::State& state) {
  auto table = ShownTable();
  Fill(*table, Count(state));
  for (auto _ : state) {
    const app::TablePairs pairs = app::ReadPairs(*table);
    benchmark::DoNotOptimize(pairs.x.data());
  }
}

// What the end of a computation does: f(x) for every pair row, then the
// table shown with the values of its visible rows.
void BM_WriteFittedValues(benchmark::State& state) {
  auto table = ShownTable();
  Fill(*table, Count(state));
  const app::TablePairs pairs = app::ReadPairs(*table);
  table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
  for (auto _ : state) {
    table->WriteFittedValues(pairs.rows, pairs.x, [](double x) {
      return sinusfit::FittedValueText(kTerm, x);
    });
    table->viewport()->repaint();
  }
}

// The resident memory of the process, from /proc (0 where there is none).
double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kib = 0;
      status >> kib;
      return kib / 1024;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

void PrintMemory() {
  auto table = ShownTable();
  const double before = ResidentMiB();
  Fill(*table, kLong);
  const double after = ResidentMiB();
  std::printf("memory: %d pairs take %.1f MiB of texts in the table, %.1f MiB resident in all\n\n",
              kLong, static_cast<double>(table->Contents().MemoryBytes()) / (1 << 20),
              after - before);
}

// As a file is opened again and again: each opening one undo step holding
// the table it replaced, until the history's budget drops the oldest.
void BM_ReopenTwelveTimes(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kOpenings = 12;
  for (auto _ : state) {
    auto table = ShownTable();
    double firstMiB = 0, secondMs = 0, lastMs = 0;
    for (int opening = 1; opening <= kOpenings; ++opening) {
      state.PauseTiming();
      app::TableColumns columns = Series(kLong);
      state.ResumeTiming();
      const Clock::time_point start = Clock::now();
      table->ReplaceContents(std::move(columns), QStringLiteral("Datei öffnen"));
      QCoreApplication::processEvents();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (opening == 1) firstMiB = ResidentMiB();
      if (opening == 2) secondMs = ms;  // the first to keep a million rows, none dropped
      lastMs = ms;
    }
    const double lastMiB = ResidentMiB();
    state.counters["rss_first_MiB"] = firstMiB;
    state.counters["rss_twelfth_MiB"] = lastMiB;
    state.counters["rss_ratio"] = firstMiB > 0 ? lastMiB / firstMiB : 0;
    state.counters["history_MiB"] =
        static_cast<double>(table->Model().UndoHistoryBytes()) / (1 << 20);
    state.counters["undo_steps"] = table->UndoStack()->count();
    state.counters["second_open_ms"] = secondMs;
    state.counters["twelfth_open_ms"] = lastMs;
  }
}

using Benchmark = void (*)(benchmark::State&);
const struct {
  const char* name;
  Benchmark run;
  int iterations;  // 0: as many as the library wants
} kBenchmarks[] = {
    {"Fill", BM_Fill, 5},         {"UndoFill", BM_UndoFill, 5},     {"Paste", BM_Paste, 3},
    {"Repaint", BM_Repaint, 0},   {"ReadPairs", BM_ReadPairs, 0},
    {"WriteFittedValues", BM_WriteFittedValues, 0},
};

// Each under a name of its own per size (the summary finds them by name).
void Register() {
  // First, while the heap holds little of the others.
  benchmark::RegisterBenchmark("ReopenTwelveTimes", BM_ReopenTwelveTimes)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  for (const auto& b : kBenchmarks) {
    for (int count : {kShort, kLong}) {
      const std::string name = std::string(b.name) + "_" + std::to_string(count);
      auto* registered = benchmark::RegisterBenchmark(name.c_str(), b.run);
      registered->Arg(count)->Unit(benchmark::kMillisecond);
      if (b.iterations > 0) registered->Iterations(b.iterations);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  Register();
  PrintMemory();  // first, while the heap holds nothing of the benchmarks
  return bench_support::RunWithSummary(argc, argv, [](const bench_support::TimesReporter& times) {
    std::printf("\n1 000 000 rows against 200 (same run):\n");
    for (const auto& b : kBenchmarks) {
      const std::string name = b.name;
      const double shortTime = times.Seconds(name + "_" + std::to_string(kShort));
      const double longTime = times.Seconds(name + "_" + std::to_string(kLong));
      if (shortTime <= 0 || longTime <= 0) continue;
      std::printf("  %-18s %9.3f ms  %9.3f ms  ratio %8.1f\n", b.name, shortTime * 1e3,
                  longTime * 1e3, longTime / shortTime);
    }
  });
}
