// The worked examples run from input to results and converge.
#include <cmath>
#include <filesystem>
#include <sstream>

#include "RunFixture.h"
#include "korven.h"

namespace korven::testing {
namespace {

class ExampleRun : public RunDir {};

void checkConverged(const std::string& report, const std::string& monitor, int problems) {
  EXPECT_EQ(countOf(report, "NUMBER OF ITERATIONS :"), problems);
  EXPECT_EQ(countOf(report, "   STA I      X         DEFL."), problems);
  for (const char* warning : {"MAX ALLOWABLE DEFLECTION EXCEEDED", "MAXIMUM NUMBER OF ITERATIONS  REACHED",
                              "ANALYSIS STOPPED", "WARNING", "INPUT ERROR"}) {
    EXPECT_EQ(countOf(report, warning), 0) << warning;
  }
  EXPECT_EQ(countOf(report, "ERROR"), 0);
  EXPECT_EQ(countOf(report, "END OF ANALYSIS"), 1);
  EXPECT_EQ(countOf(monitor, "END OF ANALYSIS"), 1);
}

// The station tables of the report: the net forces per station (earth
// pressure, soil reactions, tie-backs and restraints together) must balance
// in force and in moment, relative to the forces that act.
void checkEquilibrium(const std::string& report) {
  std::size_t pos = 0;
  while ((pos = report.find("   ------    ----", pos)) != std::string::npos) {
    std::istringstream rows(report.substr(report.find('\n', pos) + 1));
    std::string line;
    double force = 0.0, moment = 0.0, scale = 0.0, length = 0.0;
    while (std::getline(rows, line) && !line.empty()) {
      std::istringstream fields(line);
      double n, x, defl, slope, m, v, reaction, net;
      if (!(fields >> n >> x >> defl >> slope >> m >> v >> reaction >> net)) break;
      force += net;
      moment += net * x;
      scale += std::fabs(net);
      length = x;
    }
    ASSERT_GT(scale, 0.0);
    EXPECT_LT(std::fabs(force), 2e-3 * scale);
    EXPECT_LT(std::fabs(moment), 2e-3 * scale * length);
    pos += 10;
  }
}

const char* const kExamples[] = {
    "cantilever-sand",         "anchored-soft-clay",        "soldier-pile-stiff-clay",
    "silt-cantilever-si",      "rock-socket",               "anchored-sand-user-curves",
    "staged-excavation",
};

TEST_F(ExampleRun, EveryExampleConverges) {
  for (const char* name : kExamples) {
    SCOPED_TRACE(name);
    const std::filesystem::path source =
        std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" / (std::string(name) + ".dat");
    ASSERT_TRUE(std::filesystem::exists(source));
    const RunOutcome outcome = run(readFile(source));
    EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
    const int problems = std::string(name) == "staged-excavation" ? 2 : 1;
    checkConverged(report_, monitor_, problems);
    checkEquilibrium(report_);
  }
}

}  // namespace
}  // namespace korven::testing
