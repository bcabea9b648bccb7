#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// A console reporter that keeps the median of each benchmark, for the ratios
// a program prints at its end.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medianMs;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name != "median") continue;
      // "BM_Name", or "BM_Name/ARGS" for a benchmark run with arguments.
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      medianMs[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};
