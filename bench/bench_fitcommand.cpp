// "kalvento --fit" on a folder of files: 40 files of 200 noisy pairs fitted
// on two threads against one (whose computations share both cores among
// their candidates) and against one core, with the default settings and with the scan
// up to a bound that admits thousands of periods; and the cost of starting
// the program (a process for one file) against one computation in the
// process. Prints the ratios at the end.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "_grund/grund.h"
#include "app/fitcommand.h"
#include "app/fitfile.h"
#include "bench/bench_support.h"

extern char** environ;

#ifndef KALVENTO_PROGRAM
#error "KALVENTO_PROGRAM must name the built program"
#endif

namespace {

constexpr int kFiles = 40;
constexpr int kPairs = 200;

QTemporaryDir* folder_ = nullptr;
QStringList files_;

// A sine in noise about as large as its amplitude: many starts end in
// minima of nearly the same error.
void WriteFiles() {
  for (int f = 0; f < kFiles; ++f) {
    std::string text = "t;U\n";
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(f);
    for (int i = 0; i < kPairs; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = (seed / 4294967296.0 - 0.5) * 2.0;
      const double x = 0.05 * i;
      const double y = std::sin((3 + 0.1 * f) * x + 0.2 * f) + noise;
      text += grund::FormatComma(x, 1, 2) + ";" + grund::FormatComma(y, 1, 4) + "\n";
    }
    const QString path = folder_->filePath(QStringLiteral("messung%1.csv").arg(f, 2, 10, QLatin1Char('0')));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) std::abort();
    file.write(text.data(), static_cast<qint64>(text.size()));
    files_ << path;
  }
}

app::FitCall Call(int jobs, bool hard) {
  app::FitCall call;
  call.files = files_;
  call.jobs = jobs;
  call.json = true;
  if (hard) {
    call.scan = true;
    call.bound = QStringLiteral("2000");
  }
  return call;
}

void BM_FitFolder(benchmark::State& state) {
  const app::FitCall call = Call(static_cast<int>(state.range(0)), state.range(1) != 0);
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    if (app::RunFitCommand(call, sink, sink) != 0) state.SkipWithError("a file was not fitted");
  }
  std::fclose(sink);
}
BENCHMARK(BM_FitFolder)
    ->ArgNames({"jobs", "hard"})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same files one after the other on one core: what each of two jobs
// does with its half.
void BM_FitFolderOnOneCore(benchmark::State& state) {
  const app::FitCall call = Call(1, state.range(0) != 0);
  grund::KeepToOneCore(true);
  for (auto _ : state) {
    for (const QString& file : files_) benchmark::DoNotOptimize(app::FitPairFile(file, call));
  }
  grund::KeepToOneCore(false);
}
BENCHMARK(BM_FitFolderOnOneCore)->ArgName("hard")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One file's computation in the process, as each file of a batch costs it.
void BM_OneComputation(benchmark::State& state) {
  const app::FitCall call = Call(1, false);
  for (auto _ : state) benchmark::DoNotOptimize(app::FitPairFile(files_.front(), call));
}
BENCHMARK(BM_OneComputation)->Unit(benchmark::kMillisecond)->UseRealTime();

int RunProgram(std::vector<std::string> arguments) {
  std::vector<char*> argv{const_cast<char*>(KALVENTO_PROGRAM)};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawn(&pid, KALVENTO_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) return -1;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The program started for the one file, as a cluster's job array or a
// shell loop starts it.
void BM_ProcessForOneFile(benchmark::State& state) {
  for (auto _ : state) {
    if (RunProgram({"--fit", "--json", files_.front().toStdString()}) != 0)
      state.SkipWithError("the program failed");
  }
}
BENCHMARK(BM_ProcessForOneFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The program started and ended with nothing to compute.
void BM_ProcessStartOnly(benchmark::State& state) {
  for (auto _ : state) {
    if (RunProgram({"--fit", "--help"}) != 0) state.SkipWithError("the program failed");
  }
}
BENCHMARK(BM_ProcessStartOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir folder;
  folder_ = &folder;
  WriteFiles();
  return bench_support::RunWithSummary(argc, argv, [](const bench_support::TimesReporter& r) {
    const auto ratio = [&r](const char* name, const char* base) {
      const double b = r.Seconds(base);
      return b > 0 ? r.Seconds(name) / b : 0.0;
    };
    std::printf("\n40 files of 200 pairs, two jobs against one: %.2fx faster (default), "
                "%.2fx faster (scan up to |b| = 2000)\n",
                ratio("BM_FitFolder/jobs:1/hard:0", "BM_FitFolder/jobs:2/hard:0"),
                ratio("BM_FitFolder/jobs:1/hard:1", "BM_FitFolder/jobs:2/hard:1"));
    std::printf("Two jobs against the same files on one core: %.2fx faster (default), %.2fx "
                "faster (scan)\n",
                ratio("BM_FitFolderOnOneCore/hard:0", "BM_FitFolder/jobs:2/hard:0"),
                ratio("BM_FitFolderOnOneCore/hard:1", "BM_FitFolder/jobs:2/hard:1"));
    std::printf("Starting the program against one computation: %.2fx (start only), "
                "%.2fx (a process for the file against fitting it in the process)\n",
                ratio("BM_ProcessStartOnly", "BM_OneComputation"),
                ratio("BM_ProcessForOneFile", "BM_OneComputation"));
  });
}
