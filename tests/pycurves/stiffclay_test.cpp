// Stiff clay curves, with and without free water, at their characteristic
// points.
#include <cmath>

#include "driver_fixture.h"

namespace korven::test {
namespace {

const double kHalfRootSix = 1.225000023841858, kDrop = 0.41100001335144043;

// Stiff clay (code 2 or 3) to 600 in: c = 10 psi, gamma' = 0.04 pci, e50 = 0.005,
// k = 2000 pci; b = 12 in, H = 120 in. Curves at z = 0.1, 96, 192, 288, 383.9.
struct Stiff : PyProblem {
  explicit Stiff(int code, int loading = 1, double cycles = 0) {
    ctx.model.soil.loadingFlag = loading;
    ctx.model.soil.cycles = cycles;
    layer(code, 600, 0.04, 10, 0, 0.005, 2000);
  }
  const GeneratedCurve& curve(int m) const { return state.curve(m); }
};

TEST(StiffClayFreeWater, StaticCurveAtItsCharacteristicDeflections) {
  Stiff t(2);
  t.run();
  // Deep curve on level ground: the flow resistance 11*c*b governs, As = 0.6.
  const double pc = 11 * 10 * 12, as = single(0.60f), y50 = 0.005 * 12, a = as * y50;
  const auto& c = t.curve(3);
  EXPECT_DOUBLE_EQ(c.y[0][2], a);
  EXPECT_DOUBLE_EQ(c.p[0][2], 0.5 * pc * std::sqrt(as));  // y = As*y50
  EXPECT_DOUBLE_EQ(c.y[0][12], 6 * a);
  EXPECT_NEAR(c.p[0][12], pc * (0.5 * std::sqrt(6 * as) - 0.055 * std::pow(5.0, 1.25)), 1e-6 * pc);
  const double residual = pc * (kHalfRootSix * std::sqrt(as) - kDrop - 0.75 * as);
  EXPECT_NEAR(c.p[0][15], residual, 1e-9 * pc);  // y = 18a, end of the softening line
  EXPECT_DOUBLE_EQ(c.y[0][16], 200 * a);
  EXPECT_NEAR(c.p[0][16], residual, 1e-12 * pc);
  // Backfill side of the same curve: same flow resistance.
  EXPECT_DOUBLE_EQ(c.p[1][2], 0.5 * pc * std::sqrt(as));

  // The shallow curve is held down by the initial line k*z*y.
  const auto& top = t.curve(1);
  const double z = t.state.curveDepth(1);
  for (int j = 1; j < 17; ++j) EXPECT_LE(top.p[0][j], 2000 * z * top.y[0][j] * (1 + 1e-12));
  EXPECT_DOUBLE_EQ(top.p[0][2], 2000 * z * top.y[0][2]);

  // No multiplier line in the static form; the report block has no column titles.
  const std::string r = t.text();
  EXPECT_EQ(r.find("P-Multiplier"), std::string::npos);
  EXPECT_NE(r.find("\n         DEPTH BELOW GS      DIAM        C         CAVG    GAMMA AVG      E50\n"
                   "               FT             IN     LBS/IN**2  LBS/IN**2  LBS/IN**3\n"
                   "               0.01         12.000   1.00E+01   1.00E+01   4.00E-02  5.0000E-03\n"
                   "                                    0.000               0.000\n"),
            std::string::npos)
      << r.substr(r.find("P-Y CURVES DATA"), 600);
}

TEST(StiffClayFreeWater, CyclicCurvePeaksAtAcTimesPc) {
  Stiff t(2, 0, 0);
  t.run();
  const double pc = 1320, as = single(0.60f), ac = single(0.30f), y50 = 0.06;
  const double yp = 4.099999904632568 * as * y50;
  const auto& c = t.curve(4);
  EXPECT_EQ(c.p[0][0], 0.0);
  EXPECT_NEAR(c.y[0][9], 0.45 * yp, 1e-9);
  EXPECT_NEAR(c.p[0][9], ac * pc, 1e-6 * pc);  // y = 0.45*yp
  EXPECT_NEAR(c.p[0][12], 0.9359999895095825 * ac * pc, 2e-4 * pc);  // y = 0.6*yp
  EXPECT_DOUBLE_EQ(c.y[0][16], 20 * yp);
  EXPECT_NEAR(c.p[0][16], pc * (0.9359999895095825 * ac - 0.10199999809265137 * yp / y50),
              1e-9 * pc);
  EXPECT_NE(t.text().find("P-Multiplier"), std::string::npos);
}

// Wide element (b = 120 in) so that the wedge governs: a lower layer with
// strength rising from 10 to 20 psi takes the running mean of c.
TEST(StiffClayFreeWater, LowerLayerAveragesStrengthOverItsCurves) {
  PyProblem t;
  t.ctx.model.soil.widthResistance = 120;
  t.ctx.model.soil.widthPressure = 480;
  t.layer(2, 220, 0.04, 10, 0, 0.005, 1e6);
  SoilLayer& l = t.layer(2, 600, 0.04, 10, 0, 0.005, 1e6);
  l.bottom[kStrength] = 20;
  t.run();
  const PyState& st = t.state;
  // Layer 2 runs from z = 100 to 480 (cut at 384); its curves are 6..10.
  const double zFirst = st.curveDepth(6);
  auto cAt = [](double z) { return 10 + 10 * (z - 100) / 380; };
  for (int m : {7, 8}) {
    const double z = st.curveDepth(m);
    const double ca = 0.5 * (cAt(zFirst) + cAt(z));  // the trapezoid is exact on a line
    // Both sides use the curve depth's average; As read back from y = As*y50.
    for (int side = 0; side < 2; ++side) {
      const double zs = side == 0 ? z : z + 120;
      const double pct = 2 * ca * 120 + 0.04 * 120 * zs + 2.8299999237060547 * ca * zs;
      ASSERT_LT(pct, 11 * cAt(z) * 120);
      const double as = st.curve(m).y[side][2] / (0.005 * 120);
      EXPECT_NEAR(st.curve(m).p[side][2], 0.5 * pct * std::sqrt(as), 1e-9 * pct) << m << side;
    }
  }
  // The first layer's integral: the final-resistance fraction of each curve.
  EXPECT_GT(st.resistanceIntegral[0], 0.0);
}

TEST(StiffClayNoFreeWater, StaticCurveReachesPuAtSixteenY50) {
  Stiff t(3);
  t.run();
  const double y50 = 2.5 * 0.005 * 12;
  const auto& c = t.curve(4);  // z = 288: 9*c*b governs
  const double pu = 9 * 10 * 12;
  EXPECT_EQ(c.y[0][0], 0.0);
  EXPECT_EQ(c.p[0][0], 0.0);
  EXPECT_DOUBLE_EQ(c.y[0][14], 16 * y50);
  EXPECT_DOUBLE_EQ(c.p[0][14], pu);
  EXPECT_DOUBLE_EQ(c.y[0][16], 20 * y50);
  EXPECT_DOUBLE_EQ(c.p[0][16], pu);
  const double y = c.y[0][8];  // 0.025*ys
  EXPECT_DOUBLE_EQ(y, 16 * y50 * single(0.025f));
  EXPECT_NEAR(c.p[0][8], 0.5 * pu * std::pow(y / y50, 0.25), 1e-9 * pu);

  // Shallow curve: the averaged-strength wedge (ca = c for a uniform layer).
  const double z = t.state.curveDepth(1);
  const double pw = (0.5 * z + 36) * 10 + z * 12 * 0.04;
  EXPECT_NEAR(t.curve(1).p[0][14], pw, 1e-9 * pw);
  const std::string r = t.text();
  EXPECT_NE(r.find("\n          DEPTH BELOW GS     DIAM        C       CAVG    GAMMA AVG     E50\n"
                   "                FT            IN     LBS/IN**2 LBS/IN**2 LBS/IN**3\n"
                   "                0.01         12.000  1.00E+01  1.00E+01  4.00E-02  5.0000E-03\n"
                   "                                      Y                   P\n"
                   "                                      IN               LBS/IN\n"
                   "                                  0.00000             0.00000\n"),
            std::string::npos)
      << r.substr(r.find("P-Y CURVES DATA"), 800);
}

TEST(StiffClayNoFreeWater, HundredCyclesStretchTheCurve) {
  Stiff t(3, 0, 100);
  t.run();
  const double y50 = 0.15, pu = 1080, stretch = 1 + 0.6000000238418579 * 2;
  const auto& c = t.curve(4);
  EXPECT_NEAR(c.y[0][16], 1.25 * y50 * (16 + 9.600000381469727 * 2), 1e-12);  // 44*y50
  EXPECT_DOUBLE_EQ(c.p[0][16], pu);
  EXPECT_NEAR(c.p[0][14], 0.5 * pu * std::pow(16 / stretch, 0.25), 1e-9 * pu);
  EXPECT_LT(c.p[0][15], pu);  // 30*y50 is short of 16*2.2*y50
  EXPECT_NEAR(0.5 * std::pow(16 * stretch / stretch, 0.25), 1.0, 1e-15);
}

TEST(StiffClayNoFreeWater, FewerThanOneCycleCountsAsOne) {
  Stiff t(3, 0, 0.001);
  t.run();
  const auto& c = t.curve(4);
  for (int j = 0; j < 17; ++j) EXPECT_TRUE(std::isfinite(c.p[0][j]) && c.p[0][j] >= 0.0);
  EXPECT_DOUBLE_EQ(c.y[0][16], 20 * 0.15);
  EXPECT_DOUBLE_EQ(c.p[0][14], 1080);
}

TEST(StiffClayNoFreeWater, LowerLayerOfTheSameClayStartsNearItsTop) {
  PyProblem t;
  t.layer(3, 320, 0.07, 5, 0, 0.01, 100);
  t.layer(3, 600, 0.07, 5, 0, 0.01, 100);
  t.run();
  // The integral of layer 1 stands for 200 in of the same clay.
  EXPECT_NEAR(t.state.zEq(2), 200.0, 2.0);
  EXPECT_GT(t.state.zEq(2), 195.0);
}

TEST(StiffClay, ZeroStrainGivesZeroCurves) {
  for (int code : {2, 3}) {
    PyProblem t;
    t.layer(code, 600, 0.04, 10, 0, 0.0, 2000);
    t.run();
    for (int m = 1; m <= 5; ++m) {
      for (int j = 0; j < 17; ++j) {
        EXPECT_EQ(t.state.curve(m).y[1][j], 0.0);
        EXPECT_EQ(t.state.curve(m).p[1][j], 0.0);
      }
    }
  }
}

}  // namespace
}  // namespace korven::test
