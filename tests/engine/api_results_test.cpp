// The results the library call returns are the values the files print:
// the iteration history as the iteration log shows it, the earth-pressure
// table as the report's ACTIVE EARTH PRESSURE table, the p-y curves as the
// plot-data file's p-y section.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "RunFixture.h"
#include "korven.h"
#include "korven/analysis.h"

namespace korven::testing {
namespace {

std::string e12(const char* format, double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

TEST(ApiResults, TablesAgreeWithWhatTheFilesPrint) {
  const AnalysisResult r = analyse(
      readFile(std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" / "cantilever-sand.dat"));
  ASSERT_EQ(r.status, KORVEN_STATUS_NORMAL) << r.message;
  ASSERT_EQ(r.problems.size(), 1u);
  const ProblemResult& p = r.problems[0];
  EXPECT_DOUBLE_EQ(p.excavationDepth, 15.0);

  // One history row per iteration, as the log's rows.
  ASSERT_EQ(static_cast<int>(p.iterationHistory.size()), p.iterations);
  for (const IterationRecord& it : p.iterationHistory) {
    char row[64];
    std::snprintf(row, sizeof row, "   %4d      %4d      %12.3E", it.iteration, it.notClosed,
                  it.maxChange);
    EXPECT_NE(r.iterationLog.find(row), std::string::npos) << row;
  }
  EXPECT_EQ(p.iterationHistory.back().notClosed, 0);

  // Every row the report's table prints is a point of the returned table.
  const std::size_t table = r.report.find("ACTIVE EARTH PRESSURE\n");
  ASSERT_NE(table, std::string::npos);
  std::istringstream rows(r.report.substr(r.report.find("------\n", table) + 7));
  std::string line;
  int printed = 0;
  while (std::getline(rows, line) && !line.empty()) {
    bool found = false;
    for (const EarthPressurePoint& e : p.earthPressure) {
      found |= line == "     " + e12("%12.5E", e.depth) + "        " + e12("%12.5E", e.pressure);
    }
    EXPECT_TRUE(found) << line;
    ++printed;
  }
  EXPECT_GT(printed, 10);
  EXPECT_GE(p.earthPressure.size(), static_cast<std::size_t>(printed));

  // Generated curves: five per layer below the excavation, 33 points each,
  // at stations below it, p opposing y.
  ASSERT_FALSE(p.pyCurves.empty());
  for (const PyCurveResult& c : p.pyCurves) {
    EXPECT_EQ(c.y.size(), 33u);
    EXPECT_EQ(c.p.size(), 33u);
    EXPECT_GE(c.depth, p.excavationDepth);
    EXPECT_GT(c.p.front(), 0.0);
    EXPECT_LT(c.y.front(), 0.0);
    EXPECT_LT(c.p.back(), 0.0);
  }
}

}  // namespace
}  // namespace korven::testing
