// The summary's extremes against cases worked by hand, its sign of the
// tie-back force, and the warnings it gathers.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "Summary.h"
#include "engine/RunFixture.h"
#include "korven.h"
#include "korven/analysis.h"

namespace korven::present {
namespace {

using korven::testing::readFile;

AnalysisResult analyseExample(const std::string& name) {
  AnalysisOptions options;
  options.inputName = name + ".dat";
  options.time = DateTime{2024, 1, 2, 3, 4, 5};
  const AnalysisResult r =
      analyse(readFile(std::string(KORVEN_SOURCE_DIR) + "/examples/" + name + ".dat"), options);
  EXPECT_EQ(r.status, KORVEN_STATUS_NORMAL) << r.message;
  return r;
}

// A 20 ft wall without soil, E = 29e6 psi, I = 500 in^4, held fixed at its
// foot (deflection and slope 0 at station 20) and loaded at its head by
// P = 1000 lbs towards the excavation, stations every 12 in.
const char* kHeadLoadedCantilever =
    "CANTILEVER WITH A HEAD LOAD, FIXED FOOT\n"
    "1 1 1 1 0 0 1 0 1 0 0 0\n"
    "20 12.0 100.0 1.0E-6 120.0 12.0 240.0 100 0 0\n"
    "3 20 0.0 0.0\n"
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
    "0\n"
    "1\n";

TEST(Summary, HeadLoadedCantileverMatchesBeamTheory) {
  const AnalysisResult r = analyse(kHeadLoadedCantilever);
  ASSERT_EQ(r.status, KORVEN_STATUS_NORMAL) << r.message;
  ASSERT_EQ(r.problems.size(), 1u);
  const ProblemSummary s = summarise(r.problems[0]);
  ASSERT_TRUE(s.hasStations);
  const double P = 1000.0, L = 240.0, h = 12.0, EI = 29e6 * 500.0;
  // Head deflection PL^3/3EI, less the first-order error of the difference
  // scheme at the fixed foot: (1 - 3h/4L + h^2/2L^2).
  const double beam = P * L * L * L / (3.0 * EI);
  const double scheme = beam * (1.0 - 0.75 * h / L + 0.5 * h * h / (L * L));
  EXPECT_NEAR(s.topDeflection.value, scheme, 1e-3 * scheme);
  EXPECT_NEAR(s.maxDeflection.value, beam, 0.04 * beam);
  EXPECT_EQ(s.maxDeflection.station, 0);
  EXPECT_DOUBLE_EQ(s.maxDeflection.depth, 0.0);
  // Moment P z grows to its largest at the last station above the foot
  // (19 ft, 228 000 lbs-in); the shear above it is P throughout.
  EXPECT_NEAR(s.maxMoment.value, P * (L - h), 1e-6 * P * L);
  EXPECT_DOUBLE_EQ(s.maxMoment.depth, 19.0);
  EXPECT_NEAR(s.maxShear.value, P, 1e-6 * P);
  EXPECT_DOUBLE_EQ(s.maxShear.depth, 1.0);  // the first of the stations carrying P
  // No soil: no reaction anywhere.
  EXPECT_EQ(s.maxSoilReaction.value, 0.0);
  EXPECT_EQ(s.minSoilReaction.value, 0.0);
}

TEST(Summary, CantileverInSandCarriesTheActiveThrustAtTheExcavation) {
  const AnalysisResult r = analyseExample("cantilever-sand");
  ASSERT_EQ(r.problems.size(), 1u);
  const ProblemResult& p = r.problems[0];
  // The example's excavation is 180 in = 15 ft deep.
  EXPECT_DOUBLE_EQ(p.excavationDepth, 15.0);
  const ProblemSummary s = summarise(p);
  ASSERT_TRUE(s.excavation.has_value());
  EXPECT_DOUBLE_EQ(s.excavation->station.depth, 15.0);
  // Rankine active thrust over H = 180 in of sand, gamma = 0.0694 lb/in^3,
  // phi = 32 degrees, on the 12 in width: Ka gamma H^2 b / 2 = 4146 lbs.
  const double pi = std::acos(-1.0);
  const double ka = std::pow(std::tan(pi / 4.0 - 16.0 * pi / 180.0), 2);
  const double thrust = 0.5 * ka * 0.0694 * 180.0 * 180.0 * 12.0;
  EXPECT_NEAR(s.excavation->station.shear, thrust, 0.01 * thrust);
  // The largest moment lies below the excavation, where the shear changes
  // sign, and the soil there pushes back towards the retained side.
  EXPECT_GT(s.maxMoment.depth, 15.0);
  const auto& st = p.stations;
  const auto at = static_cast<std::size_t>(s.maxMoment.station);
  EXPECT_LE(st[at - 1].shear * st[at + 1].shear, 0.0);
  EXPECT_LT(s.minSoilReaction.value, 0.0);
  EXPECT_GE(s.minSoilReaction.depth, 15.0);
  EXPECT_GT(s.topDeflection.value, 0.0);
  EXPECT_EQ(s.topDeflection.value, s.maxDeflection.value);
}

TEST(Summary, TieBackInTensionIsNegativeAndSaidSo) {
  const AnalysisResult r = analyseExample("anchored-soft-clay");
  ASSERT_EQ(r.problems.size(), 1u);
  ASSERT_EQ(r.problems[0].tieBacks.size(), 1u);
  const TieBackResult& t = r.problems[0].tieBacks[0];
  EXPECT_LT(t.horizontalForce, 0.0);
  EXPECT_STREQ(tieBackState(t.horizontalForce), "tension");
  const std::string text = summaryText(r, {});
  EXPECT_NE(text.find("tie-back 1 at 4 ft: -2.161e+04 lbs per tie-back (tension)"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("a negative tie-back force is tension"), std::string::npos);
  const auto j = nlohmann::json::parse(summaryJson(r, {}, {"anchored-soft-clay.dat", "1.0.0"}));
  EXPECT_EQ(j["problems"][0]["tieBacks"][0]["state"], "tension");
  EXPECT_DOUBLE_EQ(j["problems"][0]["tieBacks"][0]["forcePerTieBack"].get<double>(),
                   t.forcePerTieBack);
  EXPECT_NE(j["signConventions"]["tieBack"].get<std::string>().find("tension"), std::string::npos);
}

TEST(Summary, JsonCarriesEveryStageAndRoundTripsTheExtremes) {
  const AnalysisResult r = analyseExample("staged-excavation");
  ASSERT_GE(r.problems.size(), 2u);
  const auto j = nlohmann::json::parse(summaryJson(r, {}, {"staged-excavation.dat", "1.0.0"}));
  ASSERT_EQ(j["problems"].size(), r.problems.size());
  for (std::size_t i = 0; i < r.problems.size(); ++i) {
    const ProblemSummary s = summarise(r.problems[i]);
    const auto& p = j["problems"][i];
    EXPECT_EQ(p["number"], r.problems[i].number);
    EXPECT_EQ(p["units"]["moment"], "lbs-in");
    EXPECT_EQ(p["moment"]["max"]["value"].get<double>(), s.maxMoment.value);
    EXPECT_EQ(p["moment"]["min"]["depth"].get<double>(), s.minMoment.depth);
    EXPECT_EQ(p["deflection"]["top"]["value"].get<double>(), r.problems[i].stations[0].deflection);
  }
  EXPECT_EQ(j["status"], "normal");
  EXPECT_TRUE(j["warnings"].empty());
}

TEST(Summary, SiUnitsAreNamed) {
  const AnalysisResult r = analyseExample("silt-cantilever-si");
  const std::string text = summaryText(r, {});
  EXPECT_NE(text.find(" kN-m at "), std::string::npos) << text;
  EXPECT_NE(text.find(" m at "), std::string::npos);
  EXPECT_EQ(text.find("lbs"), std::string::npos);
}

TEST(Summary, WarningsComeFromTheReportAndFromProblemsThatDidNotConverge) {
  AnalysisResult r;
  ProblemResult p;
  p.number = 2;
  p.title = "STAGE TWO";
  p.iterations = 100;
  r.problems.push_back(p);
  const std::string report =
      "   some line\n"
      "                             **** WARNING ****\n"
      "     THE VALUE OF X = 1.2E+01 IS OUTSIDE THE TABLE\n"
      "     THE LAST VALUE IS USED\n"
      "\n"
      "     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****\n";
  const auto w = runWarnings(r, report);
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[0], "Problem 2: STAGE TWO did not converge (100 iterations); it has no results.");
  EXPECT_EQ(w[1], "THE VALUE OF X = 1.2E+01 IS OUTSIDE THE TABLE THE LAST VALUE IS USED");
  EXPECT_EQ(w[2], "MAXIMUM NUMBER OF ITERATIONS  REACHED");
  // A problem without stations shows no extremes, and says so in JSON.
  const std::string text = summaryText(r, w);
  EXPECT_NE(text.find("NOT CONVERGED after 100 iterations"), std::string::npos) << text;
  EXPECT_EQ(text.find("top deflection"), std::string::npos);
  const auto j = nlohmann::json::parse(summaryJson(r, w, {}));
  EXPECT_TRUE(j["problems"][0]["moment"].is_null());
  EXPECT_EQ(j["warnings"].size(), 3u);

  // Starred lines at the very start, inside a warning block and after
  // lines that only look like them; a block that runs to the end of a text
  // without a final line end.
  const std::string edges =
      "     ***** STOP AT THE START *****\n   some line\n  x WARNINGS y\n     ***** INSIDE *****\n\n"
      "  ******** not a star line\n     ***** LAST\n**** WARNING\n  TAIL WITHOUT END";
  EXPECT_EQ(runWarnings(AnalysisResult{}, edges),
            (std::vector<std::string>{"STOP AT THE START", "INSIDE", "LAST", "TAIL WITHOUT END"}));

  // A warning printed inside a table ends where the table's rows go on:
  // their numbers are not part of it.
  const std::string inTable =
      "         NO.          COEFFICIENT       COEFFICIENT\n\n\n**** WARNING ******\n"
      "THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE FRICTION ANGLE.\n"
      "           1          3.073E-01         3.255E+00\n"
      "           2          .3073E+00         3.255E+00\n\n      NOTES:\n";
  EXPECT_EQ(runWarnings(AnalysisResult{}, inTable),
            (std::vector<std::string>{"THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE FRICTION ANGLE."}));
}

}  // namespace
}  // namespace korven::present
