#include <gtest/gtest.h>

#include "echo_fixture.h"
#include "input/InputEcho.h"

namespace korven {
namespace {

using testing::InputFixture;

CrossSection elastic(int shape) {
  CrossSection c;
  c.shapeCode = shape;
  c.name = std::string(80, ' ');
  c.designation = "PZ 27" + std::string(75, ' ');
  c.dimensionsTop = {300, 250, 400, 350, 0, 0, 20, 10};
  c.propertiesTop[3] = 2.5e9;
  c.modulusTop = 2.0e8;
  return c;
}

CrossSection nonlinear(int type, double diameter) {
  CrossSection c;
  c.nonlinearFlag = 1;
  c.nonlinearType = type;
  c.name = std::string(80, ' ');
  c.nonlinearDimensions[2] = diameter;
  return c;
}

std::string echoOf(std::vector<CrossSection> sections, int unitFlag) {
  InputFixture f("", unitFlag);
  f.ctx.model.crossSections = std::move(sections);
  input::writeCrossSectionEcho(f.ctx);
  input::writeCrossSectionProperties(f.ctx);
  return f.reportText();
}

TEST(EchoSectionsTest, AiscAndSheetPileSectionsInSiUnits) {
  CrossSection pipe = elastic(5);
  pipe.aiscFamily = 12;
  pipe.diameterLabelFlag = 1;
  pipe.thickness = 25;
  CrossSection wide = elastic(5);
  wide.aiscFamily = 0;
  const std::string report = echoOf({pipe, wide, elastic(6)}, 2);
  const std::string unit = "  KN/ M**2 \n";
  const char* blocks[] = {
      "      CROSS SECTION TYPE  : AISC SECTION (PIPE)\n"
      "      AISC SECTION NAME   : PZ 27                           \n"
      "      EXTERNAL DIAMETER   :       300.000 MM\n"
      "      INTERNAL DIAMETER   :       250.000 MM\n"
      "      THICKNESS           :       25.0000 MM\n"
      "      YOUNG MODULUS       :   2.00000E+08  KN/ M**2 \n",
      "      CROSS SECTION TYPE  : AISC SECTION (W)\n"
      "      AISC SECTION NAME   : PZ 27                           \n"
      "      EQUIVALENT DIAMETER :       300.000 MM\n"
      "      EXTERNAL WIDTH      :       400.000 MM\n"
      "      EXTERNAL DEPTH      :       350.000 MM\n"
      "      FLANGE THICKNESS    :       20.0000 MM\n"
      "      WEB THICKNESS       :       10.0000 MM\n",
      "      CROSS SECTION TYPE  : SHEET PILING\n"
      "      SECTION NAME        : PZ 27                           \n"
      "      WIDTH               :       400.000 MM\n"
      "      DEPTH               :       350.000 MM\n"
      "      WEB THICKNESS       :       10.0000 MM\n",
      "       SECT           DIAM,MM       I,MM**4\n"
      "         1         300.000   2.50000E+09 \n",
  };
  for (const char* block : blocks) EXPECT_NE(report.find(block), std::string::npos) << block;
  EXPECT_EQ(report.find("NONLINEAR SECTIONS"), std::string::npos);
}

TEST(EchoSectionsTest, CasedShaftAndUserDefinedEiSections) {
  CrossSection shaft = nonlinear(3, 36);
  shaft.steelAndConcrete[1] = 4000;
  CrossSection user = shaft;
  user.nonlinearType = 10;
  user.equivalentProperties = {16, 0, 0, 1234, 0, 0, 0, 0, 0};
  user.eiOptions[3] = 2;
  const std::string report = echoOf({shaft, user}, 1);
  const char* blocks[] = {
      "      CROSS SECTION TYPE  : ROUND CONC. SHAFT, CASING (AND STEEL SECTION)\n"
      "      CONCRETE DIAMETER   :       36.0000 IN\n"
      "      DIAMETER CASING     : NO CASING\n"
      "      EMBEDDED STEEL SECT : NONE\n"
      "      CONCRETE FC         :       4000.00 LBS/IN**2 \n"
      "      NUMBER REBARS       :             0\n"
      "      EQ. YOUNG MODULUS   :       0.00000 LBS/IN**2 \n",
      "      CROSS SECTION TYPE  : USER DEFINED EI\n"
      "      NONLINEAR EI INDEX  :             2\n"
      "      EQUIVALENT DIAMETER :       16.0000 IN\n\n\n"
      "     * CROSS SECTIONS PROPERTIES *\n\n"
      "              NONLINEAR SECTIONS       \n\n"
      "       SECT           DIAM,IN       I,IN**4\n"
      "         1             0.00000       0.00000 \n"
      "         2             16.0000       1234.00 \n",
  };
  for (const char* block : blocks) EXPECT_NE(report.find(block), std::string::npos) << block;
}

// Record N13 selects the strain-hardening model for the steel of any
// nonlinear section: a prestressed pile shows the block between its
// reinforcement and its strands; without the selection it is left out.
TEST(EchoSectionsTest, StrainHardeningOfAPrestressedPile) {
  CrossSection pile = nonlinear(4, 24);
  pile.strainHardening = {0, 0.008, 0.1, 1.5};
  pile.hardeningModel[0] = 1;
  CrossSection plain = pile;
  plain.hardeningModel[0] = 0;
  const std::string report = echoOf({pile, plain}, 1);
  const std::string block = "      USE STRAIN HARDENING MODEL\n";
  EXPECT_NE(report.find("      NUMBER REBARS       :             0\n" + block +
                        "      ESH                 :   8.00000E-03 \n"
                        "      ESU                 :     0.1000000 \n"
                        "      FU/FY               :       1.50000 \n"
                        "      NUMBER STRANDS      :             0\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find(block), report.rfind(block)) << report;
}

}  // namespace
}  // namespace korven
