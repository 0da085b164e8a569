#include <gtest/gtest.h>

#include "engine/RunFixture.h"

namespace korven {
namespace {

using testing::countOf;

class SectionFullRunTest : public testing::RunDir {};

// A problem using every group of the section and support input, read
// through the problem loop up to its continuation record.
const char* kProblem =
    "EVERY INPUT GROUP\n"
    "1 0 2 2 1 1 1 3 1 1 1 0\n"
    "20 12 10 0.001 120 12 240 100 0 0\n"
    "0 10 1\n10 20 2\n"
    // Cross section 1: elastic pipe; 2: user-defined EI.
    "0 0 1 0\n'PIPE'\n24 23 0 0 0 0 0 0\n0 0 0 1000 0 0 0 0 29e6 0 0 0\n0 0 0 0 0\n'NONE'\n"
    "0 0 0 1\n'USER EI'\n20 0 0 0 0 0 0 0 0\n10 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0\n'N'\n"
    "0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0\n"
    "0 0 0 1 0 0 0 0 0 0 0\n0 0 0 0 0 0\n"
    "0\n0\n0 0\n"  // group C: one user set, no points for cross section 1
    "0 0\n0 0\n"   // group D: no generated sets
    "1\n1 0 0 1000 0 0\n"
    "1\n20 20 1 1000 0\n"
    "5 1 29e6 20 15 8 10000\n"
    "0\n10 1 1\n"
    "2\n0 0\n240 1\n"
    "10 2 1 1\n-10 1000\n10 -1000\n15 2 1 1\n-10 1000\n10 -1000\n20 2 1 1\n-10 1000\n10 -1000\n"
    "0\n";

TEST_F(SectionFullRunTest, EveryGroupIsReadUpToTheContinuationRecord) {
  const RunOutcome outcome = run(kProblem);
  const char* sections[] = {"* WALL SECTIONS *",
                            "* CROSS SECTIONS *",
                            "* CROSS SECTIONS PROPERTIES *",
                            "* USER DEFINED NONLINEAR EI *",
                            "*        STIFFNESS AND LOAD DATA                 *",
                            "*                  TIE BACK DATA                 *",
                            "*        SPECIFIED ACTIVE EARTH PRESSURE         *",
                            "*     INPUTTED  SOIL RESISTANCE (P-Y) CURVES     *",
                            "END OF ANALYSIS"};
  for (const char* s : sections) EXPECT_EQ(countOf(report_, s), 1) << s << "\n" << report_;
  EXPECT_EQ(report_.find("INPUT ERROR"), std::string::npos) << report_;
  EXPECT_NE(report_.find("RESULTS"), std::string::npos) << outcome.message;
}

}  // namespace
}  // namespace korven
