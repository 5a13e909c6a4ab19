#pragma once
// A console reporter that also keeps each benchmark's real time, so that a
// benchmark program can print its figures as ratios to a yardstick measured
// in the same run. With repetitions, the median stands for a benchmark.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench_support {

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  TimesReporter() : ConsoleReporter(OO_Tabular) {}  // no colour codes in the output

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (!median && (run.run_type != Run::RT_Iteration || run.iterations == 0)) continue;
      const double seconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      seconds_[run.run_name.function_name] = seconds;
      // With its arguments too ("BM_Name/200"), where it has any.
      if (!run.run_name.args.empty())
        seconds_[run.run_name.function_name + "/" + run.run_name.args] = seconds;
    }
  }

  // The real time of one iteration of the named benchmark, in seconds; 0 when
  // it did not run.
  double Seconds(const std::string& name) const {
    const auto it = seconds_.find(name);
    return it == seconds_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

// Runs the benchmarks the command line selects, then `summary(reporter)`.
template <typename Summary>
int RunWithSummary(int& argc, char** argv, Summary summary) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  summary(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench_support
