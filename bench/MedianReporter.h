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
      if (run.aggregate_name == "median") {
        medianMs[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};
