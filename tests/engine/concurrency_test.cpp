// The library call is safe on many threads at once: every example analysed
// 100 times over on 8 threads gives exactly what one sequential run gives.
// Run under ThreadSanitizer in CI (the KORVEN_TSAN build).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "RunFixture.h"
#include "korven.h"
#include "korven/analysis.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

bool sameStations(const AnalysisResult& a, const AnalysisResult& b) {
  if (a.problems.size() != b.problems.size()) return false;
  for (std::size_t i = 0; i < a.problems.size(); ++i) {
    const auto& x = a.problems[i].stations;
    const auto& y = b.problems[i].stations;
    if (x.size() != y.size()) return false;
    for (std::size_t k = 0; k < x.size(); ++k) {
      if (x[k].deflection != y[k].deflection || x[k].moment != y[k].moment ||
          x[k].shear != y[k].shear || x[k].soilReaction != y[k].soilReaction) {
        return false;
      }
    }
  }
  return true;
}

bool same(const AnalysisResult& a, const AnalysisResult& b) {
  return a.status == b.status && a.report == b.report && a.plotData == b.plotData &&
         a.iterationLog == b.iterationLog && a.pyCurves == b.pyCurves &&
         a.earthPressurePoints == b.earthPressurePoints && sameStations(a, b);
}

TEST(Concurrency, ExamplesOnEightThreadsMatchSequentialRuns) {
  std::vector<std::string> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(KORVEN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() == ".dat") inputs.push_back(readFile(entry.path()));
  }
  ASSERT_FALSE(inputs.empty());
  AnalysisOptions options;
  options.time = DateTime{2024, 3, 5, 9, 7, 3};
  std::vector<AnalysisResult> reference;
  for (const std::string& input : inputs) {
    reference.push_back(analyse(input, options));
    ASSERT_EQ(reference.back().status, KORVEN_STATUS_NORMAL) << reference.back().message;
  }

  constexpr int kThreads = 8;
  constexpr int kRounds = 100;
  const int jobs = kRounds * static_cast<int>(inputs.size());
  std::atomic<int> next{0};
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int j = next++; j < jobs; j = next++) {
        const std::size_t e = static_cast<std::size_t>(j) % inputs.size();
        if (!same(analyse(inputs[e], options), reference[e])) ++mismatches;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace korven::testing
