// The benchmark program's entry: Google Benchmark's usual run, then the
// registered summaries (ratios against the anchors measured in the same run).

#include <benchmark/benchmark.h>

#include <set>
#include <string>
#include <vector>

#include "bench_summary.h"

namespace halverne::bench {
namespace {

std::vector<Summary>& summaries() {
  static std::vector<Summary> all;
  return all;
}

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  explicit CollectingReporter(Results& results) : results_(results) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    // One figure per benchmark: the median when repeated, else the run.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double ns =
          run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        results_[run.run_name.str()] = ns;
        medians_.insert(run.run_name.str());
      } else if (run.run_type == Run::RT_Iteration && medians_.count(run.run_name.str()) == 0) {
        results_[run.run_name.str()] = ns;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  Results& results_;
  std::set<std::string> medians_;
};

}  // namespace

int register_summary(Summary summary) {
  summaries().push_back(summary);
  return 0;
}

}  // namespace halverne::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  halverne::bench::Results results;
  halverne::bench::CollectingReporter reporter(results);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const auto summary : halverne::bench::summaries()) summary(results);
  return 0;
}
