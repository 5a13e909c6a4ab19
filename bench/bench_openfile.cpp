// Opening a logger file of 1 000 000 pairs in the window, as "Öffnen" does
// it (the file read, its pairs into the table, the plot fitted to them),
// against the yardstick measured in the same run: reading the same file and
// counting its line ends. Before the benchmarks the program opens the file
// once and prints the peak memory that took above the empty window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "_grund/grund.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "bench/bench_support.h"

namespace {

constexpr int kPairs = 1000000;

TForm1* form_ = nullptr;
QString path_;

// A second of readings over eleven days: "x;y" with a decimal comma, LF.
void WriteLoggerFile(const QString& path) {
  std::string text = "t;U\n";
  text.reserve(16 * static_cast<std::size_t>(kPairs));
  for (int i = 0; i < kPairs; ++i) {
    const double x = 0.95 * i;
    text += grund::FormatComma(x, 1, 2) + ";" +
            grund::FormatComma(21 + 2 * std::sin(7.27e-5 * x + 0.3), 1, 3) + "\n";
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) std::abort();
  file.write(text.data(), static_cast<qint64>(text.size()));
}

// Kilobytes of the process's resident memory: now, or at its peak.
long MemoryKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return -1;
}

void BM_YardstickReadAndCountLineEnds(benchmark::State& state) {
  for (auto _ : state) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("cannot read");
    const QByteArray bytes = file.readAll();
    benchmark::DoNotOptimize(std::count(bytes.begin(), bytes.end(), '\n'));
  }
}

void BM_OpenMillionPairs(benchmark::State& state) {
  for (auto _ : state) {
    if (!form_->OpenPairFile(path_)) state.SkipWithError("not opened");
    state.PauseTiming();
    form_->SG4->UndoStack()->clear();  // a hundred opened files would stay in memory
    state.ResumeTiming();
  }
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const double count = times.Seconds("BM_YardstickReadAndCountLineEnds");
  const double open = times.Seconds("BM_OpenMillionPairs");
  if (count > 0 && open > 0)
    std::printf("\nOpening %d pairs takes %.0f ms, %.1f times reading the file and counting its "
                "line ends (%.1f ms).\n",
                kPairs, open * 1e3, open / count, count * 1e3);
}

}  // namespace

BENCHMARK(BM_YardstickReadAndCountLineEnds)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_OpenMillionPairs)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QTemporaryDir folder;
  path_ = QDir(folder.path()).filePath(QStringLiteral("logger.csv"));
  WriteLoggerFile(path_);
  const auto form = std::make_unique<TForm1>();
  form->CollectMessages(true);
  form->show();
  QApplication::processEvents();
  form_ = form.get();
  {
    // The peak of the first opening, above the empty window.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long empty = MemoryKb("VmRSS:");
    form->OpenPairFile(path_);
    QApplication::processEvents();
    const long peak = MemoryKb("VmHWM:");
    std::printf("File %lld bytes; peak memory of opening it %.1f MB above the empty window "
                "(%.1f MB), %d rows in the table.\n",
                static_cast<long long>(QFile(path_).size()), (peak - empty) / 1024.0,
                empty / 1024.0, form->SG4->model()->rowCount() - 1);
    form->SG4->UndoStack()->clear();
  }
  {
    // Reopened again and again, each opening a step of the undo history:
    // the history keeps only the newest tables, so memory stays flat.
    form->OpenPairFile(path_);
    QApplication::processEvents();
    const long first = MemoryKb("VmRSS:");
    for (int opening = 2; opening <= 12; ++opening) form->OpenPairFile(path_);
    QApplication::processEvents();
    const long twelfth = MemoryKb("VmRSS:");
    std::printf("Opened once more: resident memory %.1f MB; eleven openings later %.1f MB "
                "(%.2f times).\n",
                first / 1024.0, twelfth / 1024.0, static_cast<double>(twelfth) / first);
    form->SG4->UndoStack()->clear();
  }
  return bench_support::RunWithSummary(argc, argv, PrintSummary);
}
