// Numbers of the project files: the canonical text of a real, exact
// scaling between the project's units and the input data file's, and
// values written with their unit.
#include <gtest/gtest.h>

#include <cmath>

#include "Numbers.h"

namespace korven::project {
namespace {

TEST(ProjectNumbers, TheCanonicalTextIsTheShortestThatReadsBack) {
  const struct {
    double v;
    const char* text;
  } cases[] = {{0.0, "0.0"},         {-0.0, "-0.0"},         {6.0, "6.0"},
               {0.0694, "0.0694"},   {1.0e-5, "1.0E-5"},     {0.0001, "0.0001"},
               {342000000.0, "342000000.0"}, {2.5e16, "2.5E16"}, {-1.5e-7, "-1.5E-7"},
               {0.1 + 0.2, "0.30000000000000004"}, {29000000.0, "29000000.0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(realText(c.v), c.text);
    EXPECT_EQ(std::strtod(realText(c.v).c_str(), nullptr), c.v);
  }
  EXPECT_EQ(realText(1.0e-6, 'e'), "1.0e-6");
}

TEST(ProjectNumbers, ScalingWorksOnTheDecimalDigits) {
  // 0.63 * 1000 in binary is 630.0000000000001; on the digits it is 630.
  EXPECT_EQ(scaleDecimal(0.63, 3), 630.0);
  EXPECT_EQ(scaleDecimal(342000000.0, -12), 0.000342);
  EXPECT_EQ(scaleDecimal(0.000342, 12), 342000000.0);
  EXPECT_EQ(scaleDecimal(-9.5, -3), -0.0095);
  EXPECT_EQ(scaleRatio(2.1, 12, 1), 25.2);
  EXPECT_EQ(scaleRatio(25.2, 1, 12), 2.1);
  EXPECT_EQ(scaleRatio(1.0, 1, 3), 1.0 / 3.0);
  for (double ft : {0.1, 4.0, 10.5, 24.7, 1234.5678, 1.0e-7}) {
    EXPECT_EQ(scaleRatio(scaleRatio(ft, 12, 1), 1, 12), ft) << ft;
  }
}

TEST(ProjectNumbers, ValuesWithUnitsConvertOrSayWhatWasExpected) {
  constexpr Dimension length{1, 0}, area{2, 0}, stress{-2, 1}, weight{-3, 1}, angle{0, 0, true};
  const struct {
    const char* text;
    Dimension dim;
    System system;
    double value;
  } good[] = {
      {"12 m", length, System::SI, 12.0},
      {"600 mm2", area, System::SI, 0.0006},
      {"600 mm^2", area, System::SI, 0.0006},
      {"19 kN/m3", weight, System::SI, 19.0},
      {"32 deg", angle, System::SI, 32.0},
      {"200 GPa", stress, System::SI, 2.0e8},
      {"30 ft", length, System::English, 360.0},
      {"120 pcf", weight, System::English, 120.0 / 1728.0},
      {"29000 ksi", stress, System::English, 2.9e7},
      {"1.5 in2", area, System::English, 1.5},
      {"1 in", length, System::SI, 0.0254},
      {"-2.5e-3 m", length, System::SI, -0.0025},
  };
  for (const auto& g : good) {
    std::string why;
    const auto v = valueWithUnit(g.text, g.dim, g.system, why);
    ASSERT_TRUE(v.has_value()) << g.text << ": " << why;
    EXPECT_DOUBLE_EQ(*v, g.value) << g.text;
  }
  std::string why;
  EXPECT_EQ(valueWithUnit("600 mm2", area, System::SI, why), 0.0006);  // exact

  const struct {
    const char* text;
    Dimension dim;
    const char* why;
  } bad[] = {
      {"12", length, "a unit after the number"},
      {"m 12", length, "a number followed by its unit"},
      {"12 m", area, "an area (m2), but the unit measures a length"},
      {"19 kN/m2", weight, "a unit weight (kN/m3), but the unit measures a stress"},
      {"32 degrees", angle, "a known unit"},
      {"3 m5", length, "a known unit"},
  };
  for (const auto& b : bad) {
    std::string reason;
    EXPECT_FALSE(valueWithUnit(b.text, b.dim, System::SI, reason).has_value()) << b.text;
    EXPECT_NE(reason.find(b.why), std::string::npos) << b.text << ": " << reason;
  }
}

}  // namespace
}  // namespace korven::project
