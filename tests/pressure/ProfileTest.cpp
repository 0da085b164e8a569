// Soil profile, overburden, coefficients and layer resultants.
#include <cmath>

#include "PressureFixture.h"
#include "core/Stops.h"

namespace korven::testing {
namespace {

constexpr double kSand = 120.0 / 1728.0;  // 120 pcf in pci
constexpr double kGw = 0.035999998450279236;

bool contains(const std::ostringstream& s, const std::string& text) {
  return s.str().find(text) != std::string::npos;
}

TEST(SoilProfile, SplitsAtExcavationAndWaterTable) {
  // Water at the excavation depth: one split, both indices on layer 2.
  PressureRun a(1, 120, 1.0, 60.0);
  a.ctx.model.soil.waterBackfill = 60.0 + 5.0e-6;
  a.layer(4, 120.0, kSand, 0.0, 30.0);
  a.run();
  const SoilProfile& p = a.state.profile;
  ASSERT_EQ(p.count(), 2);
  EXPECT_EQ(p.excavationLayerIndex, 2);
  EXPECT_EQ(p.waterTableLayerIndex, 2);
  EXPECT_FALSE(a.layerAt(1).submerged);
  EXPECT_TRUE(a.layerAt(2).submerged);

  // Water at the surface: no split there, every layer submerged, q0 kept.
  PressureRun b(1, 120, 1.0, 60.0);
  b.ctx.model.soil.waterBackfill = 0.0;
  b.ctx.model.soil.legacy.uniform = 2.0;
  b.layer(4, 120.0, kSand, 0.0, 30.0);
  b.run();
  ASSERT_EQ(b.state.profile.count(), 2);
  EXPECT_EQ(b.state.profile.waterTableLayerIndex, 1);
  EXPECT_TRUE(b.layerAt(1).submerged);
  EXPECT_DOUBLE_EQ(b.layerAt(1).overburden, 2.0);
  EXPECT_NEAR(b.layerAt(2).overburden, 2.0 + 60.0 * (kSand - kGw), 1e-12);

  // An input boundary at H and water below the profile: no extra layer.
  PressureRun c(1, 120, 1.0, 60.0);
  c.layer(4, 60.0, kSand, 0.0, 30.0);
  c.layer(4, 120.0, kSand, 0.0, 35.0);
  c.run();
  EXPECT_EQ(c.state.profile.count(), 2);
  EXPECT_EQ(c.state.profile.waterTableLayerIndex, 0);
  EXPECT_FALSE(c.layerAt(2).submerged);

  // Free height 0: the first layer is the excavation layer.
  PressureRun d(1, 120, 1.0, 0.0);
  d.layer(4, 120.0, kSand, 0.0, 30.0);
  d.run();
  EXPECT_EQ(d.state.profile.excavationLayerIndex, 1);
}

TEST(SoilProfile, UnusableProfilesStop) {
  PressureRun shallow(1, 120, 1.0, 60.0);
  shallow.layer(4, 60.0, kSand, 0.0, 30.0);  // ends at the excavation
  try {
    shallow.run();
    FAIL() << "no stop";
  } catch (const HardStop& s) {
    EXPECT_EQ(s.code(), "1");
  }
  EXPECT_TRUE(contains(shallow.report, "SOIL INFORMATION"));

  // Twenty layers with the water and the excavation inside two of them.
  PressureRun many(1, 400, 1.0, 55.0);
  many.ctx.model.soil.waterBackfill = 105.0;
  for (int i = 1; i <= 20; ++i) many.layer(4, 10.0 * i, kSand, 0.0, 30.0);
  try {
    many.run();
    FAIL() << "no stop";
  } catch (const HardStop& s) {
    EXPECT_EQ(s.code(), "2");
  }
  EXPECT_EQ(many.state.profile.count(), 21);

  // A water table above the ground surface is an input error.
  PressureRun above(1, 120, 1.0, 60.0);
  above.ctx.model.soil.waterBackfill = -12.0;
  above.layer(4, 120.0, kSand, 0.0, 30.0);
  EXPECT_THROW(above.run(), RunEnd);
  EXPECT_TRUE(contains(above.report, "WATER TABLE AT BACKFILL IS ABOVE THE GROUND SURFACE"));
}

TEST(SoilProfile, UndrainedSubmergedLayerWithCoefficientKeepsTotalStress) {
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.waterBackfill = 30.0;
  r.layer(2, 120.0, kSand, 5.0, 0.0, 0.5);
  r.run();
  ASSERT_EQ(r.state.profile.count(), 3);
  const double effective = 60.0 * kSand - 30.0 * kGw;
  EXPECT_NEAR(r.layerAt(3).overburden, 60.0 * kSand, 1e-12);
  char printed[40];
  std::snprintf(printed, sizeof printed, "%.3E", effective);  // the table shows the effective value
  EXPECT_TRUE(contains(r.report, printed)) << printed;
  EXPECT_DOUBLE_EQ(r.layerAt(3).ka, 0.5);
  EXPECT_DOUBLE_EQ(r.layerAt(3).sqrtKa, 0.0);
}

TEST(Coefficients, RankineSlopingAndOptional) {
  PressureRun level(1, 120, 1.0, 60.0);
  level.layer(4, 120.0, kSand, 0.0, 30.0);
  level.run();
  EXPECT_NEAR(level.layerAt(1).ka, 1.0 / 3.0, 1e-6);
  EXPECT_NEAR(level.layerAt(1).kp, 3.0, 1e-5);
  EXPECT_NEAR(level.layerAt(1).k0, 0.5, 1e-6);
  const std::string row = std::string(11, ' ') + "1" + std::string(10, ' ') + "3.333E-01" +
                          std::string(9, ' ') + "3.000E+00" + std::string(9, ' ') + "0.000E+00";
  EXPECT_TRUE(contains(level.report, row));

  PressureRun sloped(1, 120, 1.0, 60.0);
  sloped.ctx.model.soil.slopeBackfill = 20.0;
  sloped.layer(4, 120.0, kSand, 0.0, 30.0);
  sloped.run();
  EXPECT_NEAR(sloped.layerAt(1).ka, 0.4142, 5e-5);
  EXPECT_NEAR(sloped.layerAt(1).sqrtKa, std::sqrt(sloped.layerAt(1).ka), 1e-15);
  EXPECT_TRUE(contains(sloped.report, "4.142E-01"));

  // Slope steeper than the friction angle: warning for the layer above the
  // excavation only (monitoring file first), horizontal-backfill value.
  PressureRun steep(1, 120, 1.0, 60.0);
  steep.ctx.model.soil.slopeBackfill = 35.0;
  steep.layer(4, 120.0, kSand, 0.0, 30.0);
  steep.run();
  const std::string warning =
      "THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE 'INTERNAL FRICTION ANGLE OF SAND.";
  EXPECT_TRUE(contains(steep.monitor, "**** WARNING ******\n" + warning));
  const std::string rep = steep.report.str();
  EXPECT_EQ(rep.find(warning), rep.rfind(warning));
  EXPECT_NEAR(steep.layerAt(1).ka, 1.0 / 3.0, 1e-6);

  // Optional coefficients: clay 0.5 replaces Ka; rock ignores it; option 5
  // takes a zero coefficient as Ka.
  PressureRun optional(1, 120, 1.0, 60.0);
  optional.ctx.model.control.earthPressureOption = 5;
  optional.layer(3, 60.0, kSand, 2.0, 0.0, 0.5);
  optional.layer(6, 120.0, kSand, 2.0, 30.0, 0.7);
  optional.run();
  EXPECT_DOUBLE_EQ(optional.layerAt(1).ka, 0.5);
  EXPECT_DOUBLE_EQ(optional.layerAt(1).sqrtKa, 0.0);
  EXPECT_DOUBLE_EQ(optional.layerAt(2).optionalCoefficient, 0.0);
  EXPECT_DOUBLE_EQ(optional.layerAt(2).ka, 0.0);
  EXPECT_NEAR(optional.layerAt(2).sqrtKa, std::sqrt(1.0 / 3.0), 1e-6);
  EXPECT_DOUBLE_EQ(optional.state.resultants[0].pa3, 0.0);
}

TEST(LayerResultants, TensionCrackInShallowClay) {
  // phi 0, c 1 psi, 5 ft above the excavation: crack depth 2c/gamma.
  PressureRun r(1, 120, 1.0, 60.0);
  r.layer(3, 120.0, kSand, 1.0, 0.0);
  r.run();
  const LayerResultants& a = r.state.resultants[0];
  const double pBottom = kSand * 60.0 - 2.0;
  const double below = 60.0 - 2.0 / kSand;
  EXPECT_EQ(a.pa1, 0.0);
  EXPECT_EQ(a.pa3, 0.0);
  EXPECT_NEAR(a.crackHeight, below, 1e-4);
  EXPECT_NEAR(a.pa4, 0.5 * below * pBottom, 1e-4);
  EXPECT_NEAR(a.z3, 60.0 - below / 3.0, 1e-4);

  // Sand with water above the excavation: water resultants, flag set.
  PressureRun w(1, 120, 1.0, 60.0);
  w.ctx.model.soil.waterBackfill = 30.0;
  w.layer(4, 120.0, kSand, 0.0, 30.0);
  w.run();
  EXPECT_TRUE(contains(w.report, "ACTIVE WATER PRESSURE OF EACH LAYER"));
  EXPECT_EQ(w.ctx.model.soil.waterPressureFlag, 1);
  EXPECT_NEAR(w.state.resultants[1].pw2, -0.5 * kGw * 900.0, 1e-9);
  EXPECT_NEAR(w.state.resultants[1].pw1, 0.0, 1e-9);
  EXPECT_NEAR(w.state.resultants[0].pa2, 0.5 / 3.0 * 900.0 * kSand, 1e-4);
  EXPECT_FALSE(contains(w.errors, "Net active"));
}

TEST(LayerResultants, NoLayerAboveExcavationWarnsConsoleAndReport) {
  PressureRun r(1, 120, 1.0, 0.0);
  r.layer(4, 120.0, kSand, 0.0, 30.0);
  r.run();
  EXPECT_TRUE(contains(r.errors, "     Net active pressure is negative."));
  EXPECT_TRUE(contains(r.report, "     Net active pressure is negative."));
}

// Position of `text` in the report, npos when absent.
std::size_t at(const PressureRun& r, const std::string& text) { return r.report.str().find(text); }

TEST(PressureReport, SectionsInOrderWithFeetInEnglishRuns) {
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.waterBackfill = 30.0;
  r.ctx.model.soil.waterExcavation = 90.0;
  r.ctx.model.soil.widthPressure = 12.0;
  r.ctx.model.soil.surcharges.push_back(Surcharge{2, 100.0, 30.0, 0.0, 0.0, 1.0});
  r.layer(4, 120.0, kSand, 0.0, 30.0);
  r.run();
  const std::size_t sections[] = {
      at(r, "*                WALL INFORMATION                *"),
      at(r, "*              SURCHARGE INFORMATION             *"),
      at(r, "*                SOIL INFORMATION                *"),
      at(r, "*            EFFECTIVE OVERBURDEN STRESS         *"),
      at(r, "* ACTIVE AND PASSIVE EARTH PRESSURE COEFFICIENT  *"),
      at(r, "*      ACTIVE EARTH PRESSURE OF EACH LAYER       *"),
      at(r, "*      ACTIVE WATER PRESSURE OF EACH LAYER       *")};
  for (std::size_t i = 0; i < std::size(sections); ++i) {
    ASSERT_NE(sections[i], std::string::npos) << i;
    if (i > 0) {
      EXPECT_LT(sections[i - 1], sections[i]) << i;
    }
  }
  // Depths in feet with the depth label, widths in inches.
  EXPECT_NE(at(r, "\n      FREE HEIGHT OF WALL                    =  5.000E+00 FT\n"
                  "      WIDTH FOR EARTH PRESSURE, WA           =  1.200E+01 IN\n"),
            std::string::npos);
  EXPECT_NE(at(r, "\n      DEPTH TO THE WATER TABLE AT BACKFILL   =  2.500E+00 FT\n"
                  "      DEPTH TO THE WATER TABLE AT EXCAVATION =  7.500E+00 FT\n"
                  "      UNIT WEIGHT OF WATER                   =  3.600E-02 LBS/IN**3\n"),
            std::string::npos);
  EXPECT_NE(at(r, "\n      LINE LOAD                    =  0.100E+03 LBS/IN\n"), std::string::npos);
  // Analysis layers (split at the water table and the excavation).
  EXPECT_NE(at(r, "\n       NO.      FT        PSI       DEG     PCI     T OR F   FT\n"
                  "         1      2.5       0.0      30.0    0.069     T      0.00\n"
                  "         2      2.5       0.0      30.0    0.069     T      2.50\n"
                  "         3      5.0       0.0      30.0    0.069     T      5.00\n"),
            std::string::npos);
  EXPECT_NE(at(r, "\n                FT                        LBS/IN**2\n"
                  "             0.000E+00                  0.000E+00\n"
                  "             2.500E+00                  2.083E+00\n"),
            std::string::npos);
  EXPECT_NE(
      at(r, "\n        NO     LBS/IN    FT      LBS/IN    FT      LBS/IN    FT      LBS/IN\n"),
      std::string::npos);
  // Water forces printed positive with the depths of the active table.
  EXPECT_NE(at(r, "\n        NO     LBS/IN  FT       LBS/IN   FT \n\n"
                  "       2       0.00   3.75      16.20   4.17\n"),
            std::string::npos);
}

TEST(PressureReport, SiHeadingsAndMetres) {
  PressureRun r(2, 40, 0.1, 2.0);
  r.ctx.model.soil.widthPressure = 1.5;
  r.layer(4, 4.0, 18.0, 0.0, 30.0);
  r.run();
  EXPECT_NE(at(r, "\n      FREE HEIGHT OF WALL                    =  2.000E+00  M\n"
                  "      WIDTH FOR EARTH PRESSURE, WA           =  1.500E+00  M\n"),
            std::string::npos);
  EXPECT_NE(at(r, "UNIT WEIGHT OF WATER                   =  9.810E+00  KN/ M**3\n"),
            std::string::npos);
  EXPECT_NE(at(r, "\n       NO.       M        kPa       DEG   kN/M^3    T OR F    M\n"
                  "         1      2.0       0.0      30.0   18.000     T      0.00\n"),
            std::string::npos);
  EXPECT_NE(at(r, "\n                 M                         KN/ M**2\n"), std::string::npos);
  EXPECT_NE(at(r, "\n         1       0.00   1.00      12.00   1.33 "),
            std::string::npos);
}

}  // namespace
}  // namespace korven::testing
