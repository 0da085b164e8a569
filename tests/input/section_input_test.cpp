#include <gtest/gtest.h>

#include "echo_fixture.h"
#include "input/SectionInput.h"

namespace korven {
namespace {

using testing::InputFixture;

std::string b(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// Runs a reader that must end the run; returns the report text.
template <class Reader>
std::string stopped(InputFixture& f, Reader reader) {
  EXPECT_THROW(reader(f.ctx), RunEnd);
  return f.reportText();
}

const char* kPipeSection =
    "3 2 1 0\n'PIPE 24'\n24 23 0 0 0 0 0 0\n0 0 0 1000 0 0 0 0 29000000 0, 0 0\n0 0 0 0 0\n'NONE'\n";

TEST(SectionInputTest, WallSectionsAreEchoed) {
  InputFixture f("0 10 1\n10 25.5 2 extra\n7\n");
  f.ctx.model.control.wallSectionCount = 2;
  f.ctx.model.control.crossSectionCount = 2;
  readWallSections(f.ctx);
  EXPECT_EQ(f.reportText(),
            "\n     * WALL SECTIONS *\n\n     " "  SECT" + b(9) + " TOP " + b(7) + "BOTTOM" + b(5) +
                "SECTION\n" + b(21) + "FT" + b(12) + "FT\n" +
                b(9) + "1 " + b(7) + "0.00000" + b(7) + "10.0000" + b(7) + "1 \n" +
                b(9) + "2 " + b(7) + "10.0000" + b(7) + "25.5000" + b(7) + "2 \n \n");
  EXPECT_DOUBLE_EQ(f.ctx.model.wallSections[1].bottom, 25.5);
  EXPECT_EQ(f.nextInteger(), 7);
}

TEST(SectionInputTest, WallSectionNamingNoCrossSectionIsAnInputError) {
  InputFixture f("0 10 1\n10 20 3\n");
  f.ctx.model.control.wallSectionCount = 2;
  f.ctx.model.control.crossSectionCount = 2;
  const std::string report = stopped(f, readWallSections);
  EXPECT_NE(report.find("INPUT ERROR -- WALL SECTION  2 USES CROSS SECTION          3\n"
                        "     BUT THE PROBLEM DEFINES CROSS SECTIONS 1 TO   2"),
            std::string::npos)
      << report;
}

TEST(SectionInputTest, ElasticAndTaperedSectionsAreEchoedWithTheirProperties) {
  InputFixture f(std::string(kPipeSection) +
                 "0 0 5 0\n'TAPER'\n10 0 10 12 0 0 .5 .25\n0 0 0 500 0 0 0 0 29e6 0 0 1\n"
                 "8 0 8 10 0 0 .5 .25\n0 0 0 250 0 0 0 0 29e6 0 0\n0 0 0 0 0\n'X'\n9\n");
  f.ctx.model.control.crossSectionCount = 2;
  readCrossSections(f.ctx);
  const std::string unit = " LBS/IN**2";
  EXPECT_EQ(f.reportText(),
            "\n     * CROSS SECTIONS *\n"
            "\n      CROSS SECTION       :     1\n      SECTION NAME        : PIPE 24" + b(25) +
                "\n      TYPE                :  ELASTIC\n"
                "      CROSS SECTION TYPE  : CIRCULAR PIPE\n"
                "      EXTERNAL DIAMETER   :       24.0000 IN\n"
                "      INTERNAL DIAMETER   :       23.0000 IN\n"
                "      YOUNG MODULUS       :   2.90000E+07" + unit + " \n"
                "\n      CROSS SECTION       :     2\n      SECTION NAME        : TAPER" + b(27) +
                "\n      TYPE                :  ELASTIC\n"
                "      CROSS SECTION TYPE  : H SECTION\n"
                "      TAPERED SECTION                TOP                  BOTTOM\n"
                "      EQUIVALENT DIAMETER :       10.0000" + b(10) + "      8.00000 IN\n"
                "      EXTERNAL WIDTH      :       10.0000" + b(10) + "      8.00000 IN\n"
                "      EXTERNAL DEPTH      :       12.0000" + b(10) + "      10.0000 IN\n"
                "      FLANGE THICKNESS    :      0.500000" + b(10) + "     0.500000 IN\n"
                "      WEB THICKNESS       :      0.250000" + b(10) + "     0.250000 IN\n"
                "      YOUNG MODULUS       :   2.90000E+07" + b(10) + "  2.90000E+07" + unit + "\n"
                "\n\n     * CROSS SECTIONS PROPERTIES *\n"
                "\n              ELASTIC SECTIONS         \n"
                "\n       SECT           DIAM,IN       I,IN**4\n" +
                b(9) + "1  " + b(7) + "24.0000" + b(7) + "1000.00 \n" +
                b(9) + "2  TOP" + b(8) + "10.0000" + b(7) + "500.000 \n" +
                b(12) + "BOT" + b(8) + "8.00000" + b(7) + "250.000 \n");
  const CrossSection& taper = f.ctx.model.crossSections[1];
  EXPECT_EQ(taper.shapeCode, 5);
  EXPECT_DOUBLE_EQ(taper.inertiaBottom, 250.0);
  EXPECT_DOUBLE_EQ(f.ctx.model.crossSections[0].inertiaBottom, 1000.0);  // copies of the top
  EXPECT_EQ(f.nextInteger(), 9);
}

// A rectangular concrete pile (type 1) with two manually placed rebars,
// confined, followed by its generated moment-curvature table.
const char* kConcreteSection =
    "0 0 0 1\n'PILE'\n"
    "20 0 0 0 6000 0 0 0 3600000\n"           // N1
    "1 18 24 0 0 0 0 0 0 0 0\n"               // N2: type 1, width 18, depth 24
    "0 4000 0 0 29e6 60000 0 0 0 0\n"         // N3
    "'NONE'\n"                                // N4
    "0 2 0 0 2 0.79 1.0 3 29e6 60000 1\n"     // N5: manual layout, 2 rebars, confined
    "1 0 0 4 2 2 0.2 0.5 6 60000\n"           // N6: hoop
    "1 1.0 0.79 -9 0\n2 1.0 0.79 9 0\n"       // N7
    "0 0 0 0 0 0 0 0 0 0 0 0\n"               // N8: no strands
    "2 0 0 0 0\n0.1\n0.2\n"                   // N10, N11
    "0 0 0 0 0 0 0 0 0 0 0\n"                 // N12
    "0 0 1 2 0 0\n0.5\n0.6\n";                // N13, N14

TEST(SectionInputTest, NonlinearSectionReadsEveryRecordAndShowsItsTable) {
  InputFixture f(std::string(kConcreteSection) +
                 "0 2\n100 0\n0 3\n0 0\n2e6 1e-4\n3e6 3e-4\n-50 0\n0 1\n0 0\n11\n");
  f.ctx.model.control.crossSectionCount = 1;
  readCrossSections(f.ctx);
  readMomentCurvatureTables(f.ctx);
  EXPECT_EQ(f.nextInteger(), 11);
  const CrossSection& c = f.ctx.model.crossSections[0];
  EXPECT_EQ(c.nonlinearType, 1);
  ASSERT_EQ(c.rebars.size(), 2u);
  EXPECT_DOUBLE_EQ(c.rebars[1][3], 9.0);
  EXPECT_EQ(c.optionValues.size(), 2u);
  EXPECT_EQ(c.hardeningValues.size(), 2u);
  EXPECT_DOUBLE_EQ(c.propertiesTop[3], 6000.0);  // I from N1
  EXPECT_DOUBLE_EQ(c.propertiesBottom[8], 3600000.0);
  ASSERT_EQ(c.generatedSets.size(), 2u);
  EXPECT_EQ(c.table.points(), 3);  // the first generated set
  EXPECT_DOUBLE_EQ(c.table.thrust, 100.0);

  const std::string report = f.reportText();
  const char* expectedLines[] = {
      "      TYPE                :  NONLINEAR\n"
      "      CROSS SECTION TYPE  : RECTANGULAR CONCRETE PILE\n"
      "      EQUIVALENT DIAMETER :       20.0000 IN\n"
      "      EXTERNAL WIDTH      :       18.0000 IN\n"
      "      EXTERNAL DEPTH      :       24.0000 IN\n"
      "      CONCRETE FC         :       4000.00 LBS/IN**2 \n"
      "      NUMBER REBARS       :             2\n",
      "      REINF. LAYOUT       : MANUAL\n      COVER               :       3.00000 IN\n",
      "      CONFINED SECTION\n      TRANSV. REINF. TYPE : HOOP\n",
      "      EQ. YOUNG MODULUS   :   3.60000E+06 LBS/IN**2 \n",
      "       SECT           DIAM,IN       I,IN**4\n         1             20.0000       0.00000 \n",
      "\n     * INTERNALLY GENERATED NONLINEAR EI *\n\n        SET          =      1\n"
      "\n        AXIAL THRUST =    100.0000   LBS\n",
      "         2       1.00000E-04       2.00000E+06       2.00000E+10 \n"
      "         3       3.00000E-04       3.00000E+06       1.00000E+10 \n",
  };
  for (const char* text : expectedLines) EXPECT_NE(report.find(text), std::string::npos) << text;
  EXPECT_EQ(report.find("USER DEFINED NONLINEAR EI"), std::string::npos);
}

TEST(SectionInputTest, MomentCurvatureListingShowsUserSetsOfUserDefinedSections) {
  InputFixture f(
      "0 0 0 1\n'USER EI'\n16 0 0 0 0 0 0 0 0\n10 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0\n'N'\n"
      "0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0\n"
      "0 0 0 7 0 0 0 0 0 0 0\n0 0 0 0 0 0\n"
      "0\n-25.5\n0 2\n0 0\n5e5 2e-4\n"  // group C: one set of two points
      "0 0\n4\n",                       // group D: no generated sets
      1);
  f.ctx.model.control.crossSectionCount = 1;
  f.ctx.model.control.nonlinearEiSetCount = 1;
  readCrossSections(f.ctx);
  f.report.str("");
  readMomentCurvatureTables(f.ctx);
  EXPECT_EQ(f.reportText(),
            "\n     * USER DEFINED NONLINEAR EI *\n"
            "\n        SET          =      1\n"
            "\n        AXIAL THRUST =    -25.5000   LBS\n"
            "\n        N            CURVATURE         MOMENT           EI   \n" +
                b(22) + "RAD/IN" + b(9) + " LBS-IN" + b(9) + " LBS-IN**2\n" +
                b(9) + "1" + b(4) + b(7) + "0.00000" + b(4) + b(7) + "0.00000" + b(4) + " \n" +
                b(9) + "2" + b(4) + "   2.00000E-04" + b(4) + "   5.00000E+05" + b(4) +
                "   2.50000E+09 \n \n");
  EXPECT_EQ(f.ctx.model.crossSections[0].table.points(), 2);
  EXPECT_EQ(f.nextInteger(), 4);
}

TEST(SectionInputTest, StiffnessAndLoadRecordsAreSpreadAndEchoed) {
  // SI: I = 2.5e9 mm^4 and E = 2.0e8 kPa give EI = 5.0e5 kN m^2.
  InputFixture f(
      "0 0 0 0\n'S'\n0.5 0 0 0 0 0 0 0\n0 0 0 2.5e9 0 0 0 0 2.0e8 0 0 0\n0 0 0 0 0\n'N'\n"
      "3\n2 2 2 10 0 5\n1 3 6 20 0 5\n1 8 8 0 4 0\n",
      2, 20, 0.5);
  f.ctx.model.control.crossSectionCount = 1;
  f.ctx.model.wallSections = {{0.0, 4.75, 1}};
  readCrossSections(f.ctx);
  f.report.str("");
  readStiffnessAndLoads(f.ctx);
  const std::string report = f.reportText();
  const std::string zero = " 0.000E+00";
  const std::string rows = "\n" + b(18) + "  KN- M**2" + b(4) + "  KN" + b(4) + "  KN/ M" + b(3) +
                           "  M- KN  " + "  M- KN" + b(4) + "  KN\n" +
                           "     " "   0  10  1  5.000E+05" + zero + zero + zero + zero + zero + "\n" +
                           "        2      2 " + zero + " 1.000E+01" + zero + zero + zero + " 5.000E+00\n" +
                           b(9) + "   6  1 " + zero + " 2.000E+01" + zero + zero + zero + " 5.000E+00\n" +
                           "        8   8  1 " + zero + zero + zero + " 4.000E+00" + zero + zero + "\n";
  EXPECT_NE(report.find("     FROM TO CONTD     EI         Q        S        T         R         P" +
                        rows),
            std::string::npos)
      << report;
  const StationTables& t = f.ctx.model.stations;
  const double q[] = {5.0, 12.5, 15.0, 17.5, 10.0};
  for (int n = 2; n <= 6; ++n) EXPECT_DOUBLE_EQ(t.q(n), q[n - 2]) << n;
  EXPECT_DOUBLE_EQ(t.p(2), -2.5);  // axial load with its sign reversed
  EXPECT_DOUBLE_EQ(t.p(4), -5.0);
  EXPECT_DOUBLE_EQ(t.t(8), 4.0);
  EXPECT_EQ(t.f(3), 0.0);  // the wall sections only echo their rigidity
  ASSERT_EQ(f.ctx.model.couples.size(), 1u);
  EXPECT_EQ(f.ctx.model.couples[0].station, 8);
  EXPECT_DOUBLE_EQ(f.ctx.model.couples[0].value, 4.0);
  EXPECT_EQ(f.ctx.model.concentratedEntries, 3);
}

// A tapered section is one station range: one row, with the rigidity at
// its top, not a continued pair.
TEST(SectionInputTest, TaperedWallSectionShowsOneRowAndOpenChainsAreWarned) {
  InputFixture f("1\n2 4 4 1 0 0\n");
  CrossSection c;
  c.taperedFlag = 1;
  c.inertiaTop = 2.0;
  c.modulusTop = 3.0;
  c.inertiaBottom = 1.0;
  c.modulusBottom = 3.0;
  f.ctx.model.crossSections = {c};
  f.ctx.model.wallSections = {{1.0, 2.5, 1}};  // stations 1 and 3 (2.5 ft = 2.5 h)
  readStiffnessAndLoads(f.ctx);
  const std::string report = f.reportText();
  const std::string zero = " 0.000E+00";
  EXPECT_NE(report.find("\n        1   3  1  6.000E+00" + zero + zero + zero + zero + zero + "\n" +
                        "        4      2 " + zero + " 1.000E+00" + zero + zero + zero + zero +
                        "\n\n     WARNING -- THE LAST STIFFNESS AND LOAD RECORD IS CONTINUED "
                        "(CONTD = 2) BUT NO RECORD FOLLOWS;\n     THE RANGE STARTING AT STATION    4 "
                        "IS NOT APPLIED\n\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(f.ctx.model.stations.q(4), 0.0);
}

TEST(SectionInputTest, FaultyRangesEndTheRun) {
  struct Case {
    const char* input;
    const char* message;
  };
  const Case cases[] = {
      {"1\n1 6 5 1 0 0\n", "     ERROR STOP -- STATIONS NOT IN ORDER"},
      {"2\n2 6 6 1 0 0\n1 7 5 1 0 0\n", "     ERROR STOP -- STATIONS NOT IN ORDER"},
      {"1\n3 1 2 1 0 0\n", "A STIFFNESS AND LOAD RECORD HAS CONTINUATION FLAG          3"},
      {"1\n1 20 24 1 0 0\n",
       "A STIFFNESS AND LOAD RECORD AT STATION         24\n"
       "     LIES OUTSIDE THE STATION TABLES (STATIONS -3 TO  23)"},
      {"1\n1 -4 2 1 0 0\n", "AT STATION         -4"},
      {"-1\n", "NEGATIVE NUMBER OF STIFFNESS AND LOAD RECORDS =         -1"},
  };
  for (const Case& c : cases) {
    InputFixture f(c.input);
    EXPECT_NE(stopped(f, readStiffnessAndLoads).find(c.message), std::string::npos) << c.input;
  }
  {
    // The offending record is listed before the stop.
    InputFixture f("2\n1 2 3 1 0 0\n1 6 5 7 0 0\n");
    const std::string zero = " 0.000E+00";
    EXPECT_NE(stopped(f, readStiffnessAndLoads)
                  .find("        6   5  1 " + zero + " 7.000E+00" + zero + zero + zero + zero +
                        "\n\n\n     ERROR STOP -- STATIONS NOT IN ORDER\n"),
              std::string::npos);
  }
  {
    // A wall section running backwards.
    InputFixture f("0\n");
    f.ctx.model.crossSections.resize(1);
    f.ctx.model.wallSections = {{5.0, 4.0, 1}};
    EXPECT_NE(stopped(f, readStiffnessAndLoads).find("STATIONS NOT IN ORDER"), std::string::npos);
  }
  // E times I beyond the range of numbers is rejected before it is listed.
  InputFixture f("0\n");
  CrossSection c;
  c.inertiaTop = c.inertiaBottom = 1.842e152;
  c.modulusTop = c.modulusBottom = 2.9e157;
  f.ctx.model.crossSections = {c};
  f.ctx.model.wallSections = {{0.0, 2.0, 1}};
  const std::string report = stopped(f, readStiffnessAndLoads);
  EXPECT_NE(report.find("INPUT ERROR -- THE FLEXURAL RIGIDITY OF CROSS SECTION 1 IS TOO LARGE TO "
                        "BE REPRESENTED"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("Infinity"), std::string::npos);
}

TEST(SectionInputTest, UnboundedRecordCountsEndAtTheEndOfTheFile) {
  // A nonlinear section announcing two thousand million rebars: the rows
  // are read one by one until the input runs out.
  InputFixture f("0 0 0 1\n'P'\n0 0 0 0 0 0 0 0 0\n1 0 0 0 0 0 0 0 0 0 0\n"
                 "0 0 0 0 0 0 0 0 0 0\n'N'\n0 0 0 0 2000000000 0 0 0 0 0 0\n"
                 "0 0 0 0 0 0 0 0 0 0\n1 2 3 4 5\n");
  f.ctx.model.control.crossSectionCount = 1;
  EXPECT_THROW(readCrossSections(f.ctx), textio::InputError);
}

TEST(SectionInputTest, CountsBeyondTheTablesAreRejected) {
  {
    InputFixture f("");
    f.ctx.model.control.wallSectionCount = 21;
    EXPECT_NE(stopped(f, readWallSections)
                  .find("     TOO MUCH DATA FOR AVAILABLE STORAGE\n     NUMBER OF WALL SECTIONS =  "
                        "       21 EXCEEDS THE LIMIT OF   20\n"),
              std::string::npos);
  }
  {
    InputFixture f("");
    f.ctx.model.control.crossSectionCount = 101;
    EXPECT_NE(stopped(f, readCrossSections).find("CROSS SECTIONS =        101 EXCEEDS THE LIMIT OF  100"),
              std::string::npos);
  }
  {
    InputFixture f("");
    f.ctx.model.control.crossSectionCount = -1;
    EXPECT_NE(stopped(f, readCrossSections).find("NEGATIVE NUMBER OF CROSS SECTIONS"),
              std::string::npos);
  }
  {
    InputFixture f("0\n1.0\n0 101\n");
    f.ctx.model.control.nonlinearEiSetCount = 1;
    EXPECT_NE(stopped(f, readMomentCurvatureTables)
                  .find("POINTS OF A USER DEFINED EI SET =        101 EXCEEDS THE LIMIT OF  100"),
              std::string::npos);
  }
  {
    InputFixture f("");
    f.ctx.model.control.nonlinearEiSetCount = 21;
    EXPECT_NE(stopped(f, readMomentCurvatureTables).find("EXCEEDS THE LIMIT OF   20"),
              std::string::npos);
  }
  {
    InputFixture f("0 101\n");
    f.ctx.model.crossSections.resize(1);
    EXPECT_NE(stopped(f, readMomentCurvatureTables).find("SETS OF A SECTION =        101"),
              std::string::npos);
  }
  {
    InputFixture f("0 1\n0 0\n0 201\n");
    f.ctx.model.crossSections.resize(1);
    EXPECT_NE(stopped(f, readMomentCurvatureTables).find("=        201 EXCEEDS THE LIMIT OF  200"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace korven
