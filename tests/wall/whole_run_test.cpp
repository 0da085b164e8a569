// A whole run through the engine: a cantilever sheet-pile wall on user p-y
// curves, from the input data file to the report, monitoring and plot files.
#include <gtest/gtest.h>

#include <cstdio>

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

// A cantilever loaded by a specified active pressure (earth-pressure
// option 1) with generated p-y curves: the specified table (group P) comes
// before the soil data (group S), whose widths scale it.
const char* kSpecifiedPressure =
    "CANTILEVER UNDER A SPECIFIED ACTIVE PRESSURE\n"
    "1 0 1 1 0 1 2 0 1 0 0 0\n"
    "60 6.0 12.0 1.0E-5 180.0 12.0 360.0 100 0 0\n"
    "0.0 30.0 1\n"
    "1 1 6 0\n"
    "'PZ 27 SHEET PILE'\n"
    "12.0 0.0 18.0 12.0 0.0 0.0 0.375 0.375\n"
    "0.0 0.0 0.0 184.2 0.0 0.0 0.0 0.0 29000000.0 0.0 0.0 0\n"
    "5 0 0.375 0 0\n"
    "'PZ27'\n"
    "0 0\n"
    "0\n"
    "0\n"
    "3\n0.0 0.0\n180.0 1.0\n360.0 1.0\n"
    "180.0 24.0 12.0 600.0 600.0 1.0 0 0.0 0.0\n"
    "0.0 0.0 0.0 0.0 0.0 0.0\n"
    "0\n"
    "1 1 0.0\n"
    "4 480.0\n"
    "0.0694 0.0 32.0 0.0 90.0 0.0\n"
    "0.0694 0.0 32.0 0.0 90.0 0.0\n"
    "1\n";

// The line of the station table for station n.
std::string stationRow(const std::string& report, int n) {
  char head[16];
  std::snprintf(head, sizeof head, "\n  %4d  ", n);
  const std::size_t at = report.find(head, report.find("   STA I      X"));
  if (at == std::string::npos) return {};
  return report.substr(at + 1, report.find('\n', at + 1) - at - 1);
}

TEST_F(WholeRun, SpecifiedPressureIsTabledWidenedAndLoaded) {
  const RunOutcome outcome = run(kSpecifiedPressure);
  ASSERT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  // The echo as read (depths in inches), then the table the analysis uses:
  // depths in feet, the pressure times WA = 24 down to the excavation at
  // 180 in and times WP = 12 below it.
  const std::size_t echo = report_.find("SPECIFIED ACTIVE EARTH PRESSURE");
  const std::size_t table = report_.find(
      "\n\n         DEPTH         ACTIVE EARTH PRESSURE\n          FT                  LBS/IN\n"
      "        --------       ------------------------\n"
      "      0.00000E+00         0.00000E+00\n"
      "      1.50000E+01         2.40000E+01\n"
      "      3.00000E+01         1.20000E+01\n");
  ASSERT_NE(table, std::string::npos) << report_;
  EXPECT_LT(echo, table);
  // The plot section: the three rows, depth and column 2 times h = 6 in.
  EXPECT_NE(plot_.find(" 3\n   0.00000E+00"), std::string::npos) << plot_;
  EXPECT_NE(plot_.find("\n   0.18000E+03   0.14400E+03   0.14400E+03"), std::string::npos);
  // Above the excavation no curve acts: the net force per station is the
  // load, z/180 x 24 x 6 at depth z.
  const struct {
    int station;
    const char* force;
  } loads[] = {{5, "   2.400E+01   "}, {10, "   4.800E+01   "}, {20, "   9.600E+01   "}};
  for (const auto& l : loads) {
    EXPECT_NE(stationRow(report_, l.station).find(std::string("0.000E+00") + l.force),
              std::string::npos)
        << stationRow(report_, l.station);
  }
}

// With user p-y curves no soil data are read, so there are no widths: the
// table acts as given instead of vanishing.
TEST_F(WholeRun, SpecifiedPressureWithoutSoilDataActsAsGiven) {
  std::string deck = kSpecifiedPressure;
  deck.replace(deck.find("1 0 1 1 0 1 2 0 1 0 0 0"), 23, "1 0 1 1 0 1 1 1 1 0 0 0");
  const std::size_t soil = deck.find("180.0 24.0 12.0");
  deck.replace(soil, deck.rfind("1\n") - soil, "40 1\n1 0.0 0.0\n1 1.0E5 10.0\n");
  const RunOutcome outcome = run(deck);
  ASSERT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message << report_;
  EXPECT_NE(report_.find("      1.50000E+01         1.00000E+00\n"), std::string::npos) << report_;
  // z/180 x 6 at depth z = 90 in.
  EXPECT_NE(stationRow(report_, 15).find("0.000E+00   3.000E+00   "), std::string::npos)
      << stationRow(report_, 15);
}

}  // namespace
}  // namespace korven::testing
