// The benchmark program's entry: Google Benchmark's usual run, then the
// registered summaries (ratios against the anchors measured in the same run).

#include <benchmark/benchmark.h>

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
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double ns = run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      results_[run.benchmark_name()] = ns;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  Results& results_;
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
