// A whole run through the engine: a cantilever sheet-pile wall on user p-y
// curves, from the input data file to the report, monitoring and plot files.
#include <gtest/gtest.h>

#include "engine/RunFixture.h"
#include "korven.h"

namespace korven::testing {
namespace {

using WholeRun = RunDir;

// Linear user curves p = -k*y at stations 10, 15 and 20 (k = 500 lb/in per in).
const char* kCantilever =
    "CANTILEVER ON LINEAR SPRINGS\n"
    "1 0 1 1 0 0 1 3 1 0 0 0\n"
    "20 12.0 100.0 1.0E-6 120.0 12.0 240.0 100 0 0\n"
    "0.0 20.0 1\n"
    "0 0 0 0\n"
    "'SHEET PILE'\n"
    "0 0 0 0 0 0 0 0\n"
    "0 0 0 500.0 0 0 0 0 29000000.0 0  0  0\n"
    "0 0 0.0 0 0\n"
    "'PZ'\n"
    "0 0\n"
    "1\n"
    "1 0 0 1000.0 0.0 0.0\n"
    "0\n"
    "10 2 1.0 1.0\n-10.0 5000.0\n10.0 -5000.0\n"
    "15 2 1.0 1.0\n-10.0 5000.0\n10.0 -5000.0\n"
    "20 2 1.0 1.0\n-10.0 5000.0\n10.0 -5000.0\n"
    "1\n";

TEST_F(WholeRun, CantileverOnLinearCurves) {
  const RunOutcome outcome = run(kCantilever);
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  EXPECT_NE(report_.find("     NUMBER OF ITERATIONS :   3\n"), std::string::npos) << report_;
  EXPECT_NE(report_.find("   STA I      X         DEFL."), std::string::npos);
  EXPECT_EQ(countOf(monitor_, "\n      3         0"), 1) << monitor_;
  // Summary: stage value, station count N+1, unit flag, then 21 stations.
  EXPECT_NE(plot_.find("\n 1 21 1\n"), std::string::npos) << plot_;
}

}  // namespace
}  // namespace korven::testing
