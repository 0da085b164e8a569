// Soft clay curves against the classic cubic-root formulas.
#include <cmath>

#include "driver_fixture.h"

namespace korven::test {
namespace {

constexpr double kThird = 0.3333333432674408;
const double kF[17] = {0,         0.00025f, 0.0025f, 0.0075f, 0.02f, 0.04f, 0.06f, 0.1f, 0.15f,
                       0.225f,    0.3f,     0.4f,    0.5f,    0.65f, 0.8f,  1.0,   1.2f};

// Uniform dry clay, c = 5 psi, gamma = 0.07 pci, e50 = 0.01, b = 12 in.
struct Clay : PyProblem {
  explicit Clay(int loading = 1) {
    ctx.model.soil.loadingFlag = loading;
    ctx.model.soil.cycles = 0;
    layer(1, 600, 0.07, 5, 0, 0.01, 100);
  }
  static double pu(double z, double c = 5, double g = 0.07, double b = 12) {
    return std::min(9 * c * b, c * b * (3 + g * z / c + 0.5 * z / b));
  }
};

TEST(SoftClay, StaticCurveFollowsTheCubicRootUpToEightY50) {
  Clay t;
  t.run();
  const PyState& st = t.state;
  const double y50 = 2.5 * 0.01 * 12;
  for (int m : {1, 5}) {
    const double z = st.curveDepth(m);
    for (int side = 0; side < 2; ++side) {
      const double pu = Clay::pu(side == 0 ? z : z + 120);
      const auto& c = st.curve(m);
      EXPECT_EQ(c.p[side][0], 0.0);
      for (int j = 1; j < 15; ++j) {
        const double y = kF[j] * 8 * y50;
        EXPECT_DOUBLE_EQ(c.y[side][j], y);
        EXPECT_NEAR(c.p[side][j], 0.5 * pu * std::pow(y / y50, kThird), 1e-9 * pu) << m << j;
      }
      EXPECT_EQ(c.p[side][15], pu);  // y = 8 y50
      EXPECT_EQ(c.p[side][16], pu);  // y = 9.6 y50
    }
  }
  // Deep curve reaches 9 c b; the shallow one starts from Np = 3.
  EXPECT_EQ(st.curve(5).p[0][16], 540.0);
  EXPECT_NEAR(st.curve(1).p[0][16], Clay::pu(st.curveDepth(1)), 1e-9);
  EXPECT_NEAR(st.curve(1).p[0][16], 180.334, 1e-6);
  EXPECT_EQ(t.text().find("DEFLECTION IS LESS"), std::string::npos);

  // The scratch file carries the same points to four digits.
  const ScratchFile f = t.scratch();
  ASSERT_EQ(f.generated.size(), 5u);
  for (int j = 0; j < 34; ++j) {
    EXPECT_NEAR(f.generated[4].p[j], st.curve(5).p[j / 17][j % 17], 5e-4 * 540);
    EXPECT_NEAR(f.generated[4].y[j], st.curve(5).y[j / 17][j % 17], 5e-4 * 2.88);
  }
  const std::string r = t.text();
  EXPECT_NE(r.find("\n         AT THE EXCAVATION SIDE\n\n         DEPTH BELOW GS       DIAM        C"
                   "       GAMMA AVG      E50\n               FT             IN     LBS/IN**2  "
                   "LBS/IN**3\n              0.01          12.000  5.0000E+00  7.0000E-02   "
                   "1.0000E-02\n\n                                     Y,IN             P,LBS/IN\n"),
            std::string::npos);
  EXPECT_NE(r.find("\n                                    2.400             540.000\n"),
            std::string::npos);
}

TEST(SoftClay, CyclicCurvePlateausAtSeventyTwoPercentBelowZr) {
  Clay t(0);
  t.run();
  const PyState& st = t.state;
  const double y50 = 0.3, pc = 0.7200000286102295;
  const double zr = 6 * 12 * 5 / (0.07 * 12 + 2.5);
  const auto& deep = st.curve(5);  // 383.9 > zr
  for (int j = 11; j < 17; ++j) EXPECT_DOUBLE_EQ(deep.p[0][j], pc * 540.0);
  const double z = st.curveDepth(2);  // 96 < zr
  ASSERT_LT(z, zr);
  const double pu = Clay::pu(z);
  for (int j = 11; j < 17; ++j) {
    const double y = kF[j] * 8 * y50;
    const double expected = pc * pu + (y - 3 * y50) * (pc * pu * z / zr - pc * pu) / (12 * y50);
    EXPECT_NEAR(st.curve(2).p[0][j], expected, 1e-9) << j;
  }
  EXPECT_NE(t.text().find("CYCLIC MODEL"), std::string::npos);
}

TEST(SoftClay, LowerLayerStartsFromTheEquivalentDepth) {
  PyProblem t;
  t.layer(1, 240, 0.07, 5, 0, 0.01, 100);
  t.layer(1, 600, 0.07, 10, 0, 0.01, 100);
  t.run();
  const PyState& st = t.state;
  double F = 0;
  for (int m = 2; m <= 5; ++m) F += Clay::pu(st.curveDepth(m)) * (st.curveDepth(m) - st.curveDepth(m - 1));
  EXPECT_NEAR(st.resistanceIntegral[0], F, 1e-9 * F);
  // The static integral of the lower soil reaches F at z_eq.
  const double b = 12, c = 10, g = 0.07, a = 0.5 * b * g + 0.25 * c;
  const double zeq = st.equivalentDepth[1];
  EXPECT_GT(zeq, 0.0);
  EXPECT_NEAR(a * zeq * zeq + 3 * b * c * zeq, F, 1e-9 * F);
  // Its first curve uses z - z_top + z_eq.
  const double zEff = st.curveDepth(6) - 120 + zeq;
  const double pu = Clay::pu(zEff, c);
  EXPECT_NEAR(st.curve(6).p[0][15], pu, 1e-9 * pu);
}

TEST(SoftClay, ContinuousWallUsesPassiveResistanceAndSlopeFactor) {
  PyProblem t;
  t.ctx.model.soil.widthPressure = 12;  // WA/WP = 1
  t.ctx.model.soil.slopeExcavation = 10;
  t.ctx.model.soil.legacy.uniform = 1.5;
  t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
  t.run();
  const PyState& st = t.state;
  const double beta = 10 / 57.295799255371094;
  for (int m = 1; m <= 5; ++m) {
    const double z = st.curveDepth(m);
    const double puExc = 12 * (2 * 5 + 0.07 * z) / (1 + std::tan(beta));
    const double puBack = 12 * (2 * 5 + 1.5 + 0.07 * (z + 120));
    EXPECT_NEAR(st.curve(m).p[0][15], puExc, 1e-9 * puExc);
    EXPECT_NEAR(st.curve(m).p[1][15], puBack, 1e-9 * puBack);
    EXPECT_DOUBLE_EQ(st.curve(m).y[0][15], 8 * 2.5 * 0.01 * 12);
  }
}

TEST(SoftClay, ZeroStrainOrStrengthGivesDefinedZeroCurves) {
  {
    PyProblem t;
    t.layer(1, 600, 0.07, 5, 0, 0.0, 100);  // e50 = 0
    t.run();
    for (int m = 1; m <= 5; ++m) {
      for (int s = 0; s < 2; ++s) {
        for (int j = 0; j < 17; ++j) {
          EXPECT_EQ(t.state.curve(m).p[s][j], 0.0);
          EXPECT_EQ(t.state.curve(m).y[s][j], 0.0);
        }
      }
    }
    EXPECT_EQ(countOf(t.text(), "USED A SOIL MODULUS OF   0.0000D+00"), 5 * 2 * 16);
    std::ifstream in(t.path);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file.find("NaN"), std::string::npos);
    EXPECT_EQ(file.find("nan"), std::string::npos);
  }
  {
    PyProblem t;
    t.ctx.model.soil.loadingFlag = 0;
    t.layer(1, 600, 0.0, 0.0, 0, 0.01, 100);  // no strength, no weight
    t.run();
    for (int j = 0; j < 17; ++j) EXPECT_EQ(t.state.curve(3).p[1][j], 0.0);
  }
}

}  // namespace
}  // namespace korven::test
