// Sand curves: wedge and flow resistances, the A and B tables, the four
// branches of the curve and the layered-soil rule.
#include <cmath>

#include "driver_fixture.h"

namespace korven::test {
namespace {

constexpr double kPi = 3.1415998935699463;
constexpr double kK0 = 0.4000000059604645;

// Classic wedge and flow resistances on level ground.
double wedge(double phi, double g, double z, double b) {
  const double a = phi / 2, be = kPi / 4 + phi / 2, ka = std::pow(std::tan(kPi / 4 - phi / 2), 2);
  return g * z *
         (kK0 * z * std::tan(phi) * std::sin(be) / (std::tan(be - phi) * std::cos(a)) +
          std::tan(be) / std::tan(be - phi) * (b + z * std::tan(be) * std::tan(a)) +
          kK0 * z * std::tan(be) * (std::tan(phi) * std::sin(be) - std::tan(a)) - ka * b);
}
double flow(double phi, double g, double z, double b) {
  const double be = kPi / 4 + phi / 2, ka = std::pow(std::tan(kPi / 4 - phi / 2), 2);
  return b * g * z * (ka * (std::pow(std::tan(be), 8) - 1) + kK0 * std::tan(phi) * std::pow(std::tan(be), 4));
}

struct Sand : PyProblem {
  explicit Sand(double k = 200, double phiDeg = 35) { layer(4, 600, 0.065, 0, phiDeg, 0, k); }
};

TEST(SandTables, InterpolationAndExtrapolation) {
  EXPECT_DOUBLE_EQ(py::frictionFactorA(false, 0.75), (double(2.48f) + double(2.11f)) / 2);
  EXPECT_DOUBLE_EQ(py::frictionFactorB(false, 0.75), (double(1.83f) + double(1.54f)) / 2);
  EXPECT_DOUBLE_EQ(py::frictionFactorA(false, 8.0), double(0.88f));
  EXPECT_DOUBLE_EQ(py::frictionFactorB(true, 8.0), double(0.55f));
  EXPECT_DOUBLE_EQ(py::frictionFactorA(true, 0.0), double(0.75f));
  EXPECT_DOUBLE_EQ(py::frictionFactorA(true, 1.0), double(1.07f));  // a column itself
}

TEST(SandCurve, UltimateAndCharacteristicResistances) {
  Sand t;
  t.run();
  const PyState& st = t.state;
  const double phi = 35 * (kPi / 180), b = 12, k = 200;
  for (int m = 1; m <= 5; ++m) {
    const double z = st.curveDepth(m);
    for (int side = 0; side < 2; ++side) {
      const double zs = side == 0 ? z : z + 120;
      const double ps = std::min(wedge(phi, 0.065, zs, b), flow(phi, 0.065, zs, b));
      const double A = py::frictionFactorA(false, zs / b), B = py::frictionFactorB(false, zs / b);
      const auto& c = st.curve(m);
      const double yu = 3 * b / 80, ym = b / 60;
      // Points 13 and 16 sit at ym and yu unless the subgrade is soft here.
      if (c.y[side][15] == yu) {
        EXPECT_NEAR(c.p[side][15], A * ps, 1e-9 * A * ps) << m << side;
        EXPECT_NEAR(c.p[side][16], A * ps, 1e-9 * A * ps);
        EXPECT_NEAR(c.p[side][12], std::min(B * ps, k * zs * ym), 1e-9 * B * ps);
        // The straight line between (ym, pm) and (yu, pu).
        const double y = c.y[side][13];
        EXPECT_NEAR(c.p[side][13], B * ps + (A - B) * ps / (yu - ym) * (y - ym), 1e-9 * A * ps);
      }
      // Never above the initial line, and rising.
      for (int j = 1; j < 17; ++j) {
        EXPECT_LE(c.p[side][j], k * zs * c.y[side][j] * (1 + 1e-12));
        EXPECT_GE(c.p[side][j], c.p[side][j - 1]);
      }
    }
  }
  // Deep curve: parabola between yk and ym, p = C y^(1/n).
  const auto& c = st.curve(5);
  const double zs = st.curveDepth(5);
  const double ps = std::min(wedge(phi, 0.065, zs, b), flow(phi, 0.065, zs, b));
  const double A = py::frictionFactorA(false, zs / b), B = py::frictionFactorB(false, zs / b);
  const double yu = 0.45, ym = 0.2, pm = B * ps, mm = (A - B) * ps / (yu - ym);
  const double n = pm / (mm * ym), C = pm / std::pow(ym, 1 / n);
  const double yk = std::pow(C / (k * zs), n / (n - 1));
  ASSERT_LT(yk, ym / 5);
  EXPECT_DOUBLE_EQ(c.y[0][2], yk);
  EXPECT_NEAR(c.p[0][2], k * zs * yk, 1e-9 * pm);
  EXPECT_NEAR(c.p[0][6], C * std::pow(c.y[0][6], 1 / n), 1e-9 * pm);
  EXPECT_NE(t.text().find("    PCT       PCD\n"), std::string::npos);
}

TEST(SandCurve, SoftSubgradeMovesTheCharacteristicPoints) {
  Sand t(0.5);
  t.run();
  const PyState& st = t.state;
  const double phi = 35 * (kPi / 180), b = 12, k = 0.5;
  const double zs = st.curveDepth(5);
  const double ps = std::min(wedge(phi, 0.065, zs, b), flow(phi, 0.065, zs, b));
  const double pu = py::frictionFactorA(false, zs / b) * ps;
  const auto& c = st.curve(5);
  EXPECT_NEAR(c.y[0][15], pu / (k * zs), 1e-9 * c.y[0][15]);
  EXPECT_NEAR(c.y[0][12], (b / 60) * (pu / (k * zs)) / (3 * b / 80), 1e-9 * c.y[0][12]);
  for (int j = 1; j < 17; ++j) EXPECT_LE(c.p[0][j], k * zs * c.y[0][j] * (1 + 1e-12));
  EXPECT_NEAR(c.p[0][16], pu, 1e-9 * pu);
}

TEST(SandCurve, ContinuousWallUsesCoulombPassiveResistance) {
  PyProblem t;
  t.ctx.model.soil.widthPressure = 12;
  t.layer(4, 600, 0.065, 0, 30, 0, 1e6);
  t.run();
  const double phi = 30 * (kPi / 180);
  const double kp = std::pow(std::cos(phi), 2) /
                    (std::cos(phi / 2) *
                     std::pow(1 - std::sqrt(std::sin(1.5 * phi) * std::sin(phi) / std::cos(phi / 2)), 2));
  const PyState& st = t.state;
  for (int m = 1; m <= 5; ++m) {
    const double z = st.curveDepth(m);
    const double A = py::frictionFactorA(false, z / 12.0);
    const double pu = A * 0.065 * z * 12 * kp;
    EXPECT_NEAR(st.curve(m).p[0][16], pu, 1e-9 * pu) << m;
    const double x = z + 120;
    const double puBack = py::frictionFactorA(false, x / 12.0) * 0.065 * x * 12 * kp;
    EXPECT_NEAR(st.curve(m).p[1][16], puBack, 1e-9 * puBack);
  }
  EXPECT_NE(t.text().find("    PC \n"), std::string::npos);
}

TEST(SandLayers, IntegralAndEquivalentDepthBelowClay) {
  {
    Sand t(1e6);  // stiff subgrade: p17 is the ultimate resistance
    t.run();
    const PyState& st = t.state;
    double F = 0;
    for (int m = 2; m <= 5; ++m)
      F += 0.5 * (st.curve(m - 1).p[0][16] + st.curve(m).p[0][16]) * (st.curveDepth(m) - st.curveDepth(m - 1));
    F += st.curve(5).p[0][16] * (st.layer(1).zBot - st.curveDepth(5));
    EXPECT_NEAR(st.resistanceIntegral[0], F, 1e-9 * F);
  }
  double previous = 0;
  for (double clayBottom : {150.0, 200.0}) {
    PyProblem t;
    t.layer(1, clayBottom, 0.07, 5, 0, 0.01, 100);
    t.layer(4, 600, 0.065, 0, 35, 0, 200);
    t.run();
    const double zeq = t.state.equivalentDepth[1];
    EXPECT_GT(zeq, previous);
    EXPECT_TRUE(std::isfinite(zeq));
    previous = zeq;
  }
}

TEST(SandCurve, NoFrictionOrNoSubgradeGivesZeroResistance) {
  for (auto [k, phi] : {std::pair{200.0, 0.0}, std::pair{0.0, 35.0}}) {
    PyProblem t;
    t.layer(1, 240, 0.07, 5, 0, 0.01, 100);
    t.layer(4, 600, 0.065, 0, phi, 0, k);
    t.run();
    const PyState& st = t.state;
    for (int m = 6; m <= 10; ++m) {
      for (int j = 0; j < 17; ++j) {
        EXPECT_EQ(st.curve(m).p[0][j], 0.0);
        EXPECT_TRUE(std::isfinite(st.curve(m).y[0][j]));
      }
      EXPECT_GT(st.curve(m).y[0][16], 0.0);
    }
  }
}

}  // namespace
}  // namespace korven::test

namespace korven::test {
namespace {

TEST(SandCurve, SlopingExcavationReducesOnlyTheExcavationSide) {
  const auto a = py::frictionAngles(0.6, kPi);
  EXPECT_NEAR(py::slopingWedgeResistance(a, a.ka, 0.065, 50, 12, 0.0),
              py::wedgeResistance(a, a.ka, 0.065, 50, 12), 1e-12);
  Sand level(1e6);
  level.run();
  Sand sloping(1e6);
  sloping.ctx.model.soil.slopeExcavation = 15;
  sloping.run();
  for (int m = 1; m <= 5; ++m) {
    EXPECT_LT(sloping.state.curve(m).p[0][16], level.state.curve(m).p[0][16]) << m;
    EXPECT_DOUBLE_EQ(sloping.state.curve(m).p[1][16], level.state.curve(m).p[1][16]);
  }
}

}  // namespace
}  // namespace korven::test
