#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "echo_fixture.h"
#include "input/SupportInput.h"

namespace korven {
namespace {

using testing::InputFixture;

std::string b(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string e10(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%10.3E", x);
  return buf;
}

template <class Reader>
std::string stopped(InputFixture& f, Reader reader) {
  EXPECT_THROW(reader(f.ctx), RunEnd);
  return f.reportText();
}

const std::string kZero = " 0.000E+00";

TEST(SupportInputTest, RestraintsAndTieBacksAreSpreadAndEchoed) {
  InputFixture f("1\n0 0 1 1000 5e6\n10.5 1.5 29e6 20 15 8 50000\n6\n");
  f.ctx.model.control.tieBackCount = 1;
  f.ctx.model.stiffnessRecords.resize(2);
  readRestraintsAndTieBacks(f.ctx);

  const TieBack& t = f.ctx.model.tieBacks.at(0);
  EXPECT_EQ(t.station, 11);  // 10.5 ft at h = 12 in: 10.5 rounds away from zero
  const double c = std::cos(15.0 * 3.1415998935699463 / 180.0);
  EXPECT_DOUBLE_EQ(t.stiffness, 1.5 * 29e6 * c * 12.0 / (144.0 * 20.0 * 8.0));
  EXPECT_DOUBLE_EQ(t.load, -50000.0 * c * 12.0 / (12.0 * 8.0));
  const StationTables& st = f.ctx.model.stations;
  EXPECT_DOUBLE_EQ(st.q(11), t.load);
  EXPECT_DOUBLE_EQ(st.s(11), t.stiffness);
  EXPECT_DOUBLE_EQ(st.s(0), 1000.0);
  EXPECT_DOUBLE_EQ(st.r(0), 5e6);
  EXPECT_EQ(f.ctx.model.concentratedEntries, 4);
  EXPECT_EQ(f.nextInteger(), 6);

  EXPECT_EQ(f.reportText(),
            "        0   0  1 " + kZero + kZero + " 1.000E+03" + kZero + " 5.000E+06" + kZero + "\n" +
                "       11  11  1 " + kZero + e10(t.load) + e10(t.stiffness) + kZero + kZero + kZero +
                "\n\n\n\n      **************************************************\n"
                "      *                  TIE BACK DATA                 *\n"
                "      **************************************************\n\n"
                "         DEPTH      AREA    ELASTIC   UNBONDED   HORIZ.    ANCHOR  PRESTRESS.\n"
                "                            MODULUS    LENGTH    ANGLE    SPACING    FORCE\n" +
                b(10) + "FT" + b(7) + "IN**2" + b(2) + " LBS/IN**2" + b(5) + "FT" + b(7) + "DEG" +
                b(7) + "FT" + b(6) + " LBS\n" +
                "       1.050E+01 1.500E+00 2.900E+07 2.000E+01 1.500E+01 8.000E+00 5.000E+04\n");
}

TEST(SupportInputTest, RestraintChainsAndFaultsEndTheRunOrWarn) {
  {
    InputFixture f("2\n2 2 2 10 0\n0 6 1 30 0\n");
    readRestraintsAndTieBacks(f.ctx);
    EXPECT_DOUBLE_EQ(f.ctx.model.stations.s(2), 5.0);
    EXPECT_DOUBLE_EQ(f.ctx.model.stations.s(4), 20.0);
    EXPECT_DOUBLE_EQ(f.ctx.model.stations.s(6), 15.0);
    EXPECT_EQ(f.reportText(), "        2      2 " + kZero + kZero + " 1.000E+01" + kZero + kZero +
                                  kZero + "\n" + b(9) + "   6  1 " + kZero + kZero + " 3.000E+01" +
                                  kZero + kZero + kZero + "\n");
  }
  {
    InputFixture f("1\n3 3 2 10 0\n");
    readRestraintsAndTieBacks(f.ctx);
    EXPECT_NE(f.reportText().find("WARNING -- THE LAST RESTRAINT RECORD IS CONTINUED"),
              std::string::npos);
  }
  struct Case {
    const char* input;
    int tieBacks;
    const char* message;
  };
  const Case cases[] = {
      {"1\n5 4 1 1 0\n", 0, "     ERROR STOP -- STATIONS NOT IN ORDER"},
      {"1\n4 4 0 1 0\n", 0, "A RESTRAINT RECORD HAS CONTINUATION FLAG          0"},
      {"21\n", 0, "NUMBER OF RESTRAINTS =         21 EXCEEDS THE LIMIT OF   20"},
      {"-2\n", 0, "NEGATIVE NUMBER OF RESTRAINTS =         -2"},
      {"0\n", 21, "NUMBER OF TIE BACKS =         21 EXCEEDS THE LIMIT OF   20"},
      {"0\n30 1 1 1 0 1 1\n", 1, "A TIE BACK AT STATION         30"},
      {"0\n21 1 1 1 0 1 1\n", 1,
       "A TIE BACK AT STATION         21\n     LIES OUTSIDE THE WALL (STATIONS  0 TO  20)"},
      {"0\n3 1 1 0 0 1 1\n", 1, "NONZERO UNBONDED LENGTH AND ANCHOR SPACING"},
      // A spring beyond the range of numbers, and a depth whose station
      // would not fit an integer: rejected, never wrapped into the wall.
      {"0\n3 1 1 4.9e-324 0 1 1\n", 1, "TIE BACK STIFFNESS OR LOAD TOO LARGE TO BE REPRESENTED"},
      {"0\n1e300 1 1 1 0 1 1\n", 1, "A TIE BACK AT STATION 2147483647"},
      {"0\n-1e300 1 1 1 0 1 1\n", 1, "A TIE BACK AT STATION-2147483648"},
  };
  for (const Case& c : cases) {
    InputFixture f(c.input);
    f.ctx.model.control.tieBackCount = c.tieBacks;
    EXPECT_NE(stopped(f, readRestraintsAndTieBacks).find(c.message), std::string::npos) << c.input;
  }
  {
    // Tie-back springs and forces are taken per width of the wall analysed.
    InputFixture f("0\n3 1 1 1 0 1 1\n");
    f.ctx.model.control.tieBackCount = 1;
    f.ctx.model.wall.analysisWidth = 0.0;
    EXPECT_NE(stopped(f, readRestraintsAndTieBacks)
                  .find("INPUT ERROR -- A TIE BACK NEEDS A NONZERO WIDTH OF THE WALL ANALYSED"),
              std::string::npos);
  }
  {
    // The offending record is listed before the stop.
    InputFixture f("1\n5 4 1 1 0\n");
    EXPECT_EQ(stopped(f, readRestraintsAndTieBacks),
              "        5   4  1 " + kZero + kZero + " 1.000E+00" + kZero + kZero + kZero +
                  "\n\n\n     ERROR STOP -- STATIONS NOT IN ORDER\n");
  }
}

TEST(SupportInputTest, ReductionFactorsAndSpecifiedPressure) {
  InputFixture f("1\n0 1 1\n10 .5 .8\n2\n0 0\n120 100\n");
  f.ctx.model.control.reductionFactorCount = 2;
  readReductionFactors(f.ctx);
  ASSERT_EQ(f.ctx.model.reduction.rows.size(), 2u);
  EXPECT_EQ(f.ctx.model.reduction.groupFlag, 1);
  EXPECT_DOUBLE_EQ(f.ctx.model.reduction.rows[1].yFactor, 0.8);

  readSpecifiedPressure(f.ctx);
  EXPECT_EQ(f.reportText(),
            "\n\n      **************************************************\n"
            "      *        SPECIFIED ACTIVE EARTH PRESSURE         *\n"
            "      **************************************************\n\n\n\n"
            "         DEPTH         ACTIVE EARTH PRESSURE\n" +
                b(9) + " IN" + b(17) + " LBS/IN\n" +
                "        --------       ------------------------\n"
                "      0.00000E+00         0.00000E+00\n"
                "      1.20000E+02         1.00000E+02\n");
  const auto& rows = f.ctx.model.pressure.rows;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_DOUBLE_EQ(rows[1][0], 120.0);
  // Kept as read in column 2 and in its copy, column 3: the widths and h
  // are applied by the wall analysis, as for a computed table.
  EXPECT_DOUBLE_EQ(rows[1][1], 100.0);
  EXPECT_DOUBLE_EQ(rows[1][2], 100.0);
  EXPECT_TRUE(f.ctx.model.pressurePresent);

  InputFixture g("52\n");
  g.ctx.model.control.reductionFactorCount = 52;
  EXPECT_NE(stopped(g, readReductionFactors).find("EXCEEDS THE LIMIT OF   51"), std::string::npos);
}

const char* kSoilHead =
    "3 1 1 2 4 0.2 1 0 0\n10 0 0 0 0 0\n2\n1 1000 1500 0 250 1\n3 20 0 2000 0 0.5\n";

TEST(SupportInputTest, SoilDataConvertsMillimetresAndLayerDepths) {
  InputFixture f(std::string(kSoilHead) +
                     "3 0 100\n1 10\n18 20 0 .02 0 0\n18 30 0 .02 0 0\n4 25\n19 0 30 0 1e4 0\n"
                     "19 0 32 0 1e4 0\n6 40\n20 1e3 0 0 0 0\n20 1e3 0 0 0 0\n8\n",
                 2, 20, 0.5);
  readSoilData(f.ctx);
  const SoilData& s = f.ctx.model.soil;
  EXPECT_DOUBLE_EQ(s.excavationDepth, 3.0);
  EXPECT_EQ(s.waterPressureFlag, 1);
  EXPECT_DOUBLE_EQ(s.referenceWidth, 0.30479999631643295);
  ASSERT_EQ(s.surcharges.size(), 2u);
  EXPECT_DOUBLE_EQ(s.surcharges[0].distance, 1.5);
  EXPECT_DOUBLE_EQ(s.surcharges[1].width, 2.0);
  EXPECT_DOUBLE_EQ(s.surcharges[0].vertical, 0.25);
  EXPECT_DOUBLE_EQ(s.legacy.uniform, 10.0);
  EXPECT_EQ(s.loadingFlag, 0);
  EXPECT_DOUBLE_EQ(s.cycles, 100.0);
  ASSERT_EQ(s.layers.size(), 3u);
  EXPECT_DOUBLE_EQ(s.layers[0].thickness, 10.0);
  EXPECT_DOUBLE_EQ(s.layers[1].thickness, 15.0);
  EXPECT_DOUBLE_EQ(s.layers[2].thickness, 15.0);
  EXPECT_DOUBLE_EQ(s.layers[1].bottom[kPhi], 32.0);
  EXPECT_EQ(s.layers[2].modelCode, 6);
  EXPECT_TRUE(s.present);
  EXPECT_EQ(f.nextInteger(), 8);
  EXPECT_EQ(f.reportText(), "");

  // English runs keep the distances as read.
  InputFixture e(std::string(kSoilHead) + "0 1 0\n");
  readSoilData(e.ctx);
  EXPECT_DOUBLE_EQ(e.ctx.model.soil.surcharges[0].distance, 1500.0);
  EXPECT_DOUBLE_EQ(e.ctx.model.soil.referenceWidth, 12.0);
}

TEST(SupportInputTest, SoilDataFaultsEndTheRun) {
  const std::pair<std::string, const char*> cases[] = {
      {std::string(kSoilHead) + "2 1 0\n1 10\n0 0 0 0 0 0\n0 0 0 0 0 0\n1 10\n",
       "INPUT ERROR -- THE BOTTOM OF SOIL LAYER  2 AT  1.000E+01\n"
       "     IS NOT BELOW THE TOP OF THE LAYER AT  1.000E+01"},
      {std::string(kSoilHead) + "1 1 0\n1 0\n", "SOIL LAYER  1 AT  0.000E+00"},
      {std::string(kSoilHead) + "21 1 0\n", "SOIL LAYERS =         21 EXCEEDS THE LIMIT OF   20"},
      {"0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0\n21\n", "SURCHARGES =         21 EXCEEDS THE LIMIT OF   20"},
  };
  for (const auto& [input, message] : cases) {
    InputFixture f(input);
    EXPECT_NE(stopped(f, readSoilData).find(message), std::string::npos) << input;
  }
}

const char* kCurves =
    "5 2 1 2\n-1 100\n1 -100\n"
    "10 2 2 1\n-1 100\n1 -100\n"
    "14 1 1 1\n0 0\n";

TEST(SupportInputTest, UserCurvesGoToTheSolverTableWithTheirEcho) {
  InputFixture f(kCurves);
  f.ctx.model.control.userCurveCount = 3;
  f.ctx.model.control.pyOption = 1;
  f.ctx.model.wall.excavationDepth = 120.0;  // station 10 at h = 12
  readUserPyCurves(f.ctx);

  const auto& curves = f.ctx.model.curves;
  ASSERT_EQ(curves.size(), 3u);
  EXPECT_EQ(curves[0].contd, 0);  // above the excavation
  EXPECT_EQ(curves[1].contd, 1);
  EXPECT_EQ(curves[2].contd, 1);
  EXPECT_EQ(curves[1].firstStation, 10);
  EXPECT_EQ(curves[1].lastStation, 10);
  EXPECT_EQ(curves[0].points, 2);
  EXPECT_DOUBLE_EQ(curves[0].y[0], -2.0);  // y times the y-multiplier
  EXPECT_DOUBLE_EQ(curves[1].p[0], 200.0);  // p times the p-multiplier, not h
  EXPECT_EQ(f.plotText().substr(0, 13), " 1 3\n 5 2\n -2");

  const std::string head = "\n\n     FROM TO CONTD      P-MULTIPLIER  Y-MULTIPLIER      POINTS     \n";
  const std::string pointHead = "\n" + b(18) + "    Y    " + b(12) + "   P    \n" + b(20) + " IN" +
                                b(16) + " LBS/IN\n" + b(18) + "---------" + b(12) + "--------\n";
  EXPECT_EQ(f.reportText(),
            "\n\n      **************************************************\n"
            "      *     INPUTTED  SOIL RESISTANCE (P-Y) CURVES     *\n"
            "      **************************************************\n\n" +
                head + "        5   5  0          0.100E+01     0.200E+01" + b(8) + "   2\n" + pointHead +
                b(17) + "-2.000E+00" + b(10) + " 1.000E+02\n" + b(17) + " 2.000E+00" + b(10) +
                "-1.000E+02\n" + head + "       10      1     " + "     2.000E+00     1.000E+00" +
                b(10) + "  2\n" + pointHead + b(17) + "-1.000E+00" + b(10) + " 2.000E+02\n" +
                b(17) + " 1.000E+00" + b(10) + "-2.000E+02\n" + head + b(9) + "  14  1     " +
                "     1.000E+00     1.000E+00" + b(10) + "  1\n" + pointHead + b(17) + " 0.000E+00" +
                b(10) + " 0.000E+00\n");
}

TEST(SupportInputTest, UserCurvesForTheGeneratorKeepRawAndScaledPoints) {
  InputFixture f(kCurves);
  f.ctx.model.control.userCurveCount = 3;
  f.ctx.model.control.pyOption = 2;
  readUserPyCurves(f.ctx);
  EXPECT_TRUE(f.ctx.model.curves.empty());
  ASSERT_EQ(f.ctx.model.userCurves.size(), 3u);
  const UserPyCurve& c = f.ctx.model.userCurves[0];
  EXPECT_EQ(c.station, 5);
  EXPECT_EQ(c.contd, 1);
  EXPECT_DOUBLE_EQ(c.yRaw[0], -1.0);
  EXPECT_DOUBLE_EQ(c.y[0], -2.0);
  EXPECT_DOUBLE_EQ(c.pRaw[1], -100.0);
  EXPECT_DOUBLE_EQ(c.p[1], -100.0);
  EXPECT_EQ(f.plotText(), "");
}

TEST(SupportInputTest, UserCurveCountsAndPointLimits) {
  {
    InputFixture f("");
    readUserPyCurves(f.ctx);  // option 0, no curves
    EXPECT_EQ(f.reportText(), "");
    EXPECT_EQ(f.plotText(), " 1 0\n");
  }
  {
    InputFixture f("");
    f.ctx.model.control.userCurveCount = 401;
    EXPECT_EQ(stopped(f, readUserPyCurves),
              "\n\n     TOO MUCH DATA FOR AVAILABLE STORAGE\n\n\n");
  }
  {
    InputFixture f("");
    f.ctx.model.control.userCurveCount = -1;
    EXPECT_EQ(stopped(f, readUserPyCurves), "");
  }
  {
    InputFixture f("3 36 1 1\n");
    f.ctx.model.control.userCurveCount = 1;
    EXPECT_NE(stopped(f, readUserPyCurves).find("POINTS OF A P-Y CURVE =         36 EXCEEDS THE LIMIT OF   35"),
              std::string::npos);
  }
  {
    // A multiplier that takes a point beyond the range of numbers.
    InputFixture f("3 2 1.0E+308 1\n-1 600\n1 -600\n");
    f.ctx.model.control.userCurveCount = 1;
    const std::string report = stopped(f, readUserPyCurves);
    EXPECT_NE(report.find("INPUT ERROR -- A P-Y CURVE POINT TIMES ITS MULTIPLIER IS TOO LARGE "
                          "TO BE REPRESENTED"),
              std::string::npos);
    EXPECT_EQ(report.find("Infinity"), std::string::npos);
    EXPECT_EQ(f.plotText().find("Infinity"), std::string::npos);
  }
}

}  // namespace
}  // namespace korven
