// Rock and weak rock curves.
#include <cmath>

#include "driver_fixture.h"

namespace korven::test {
namespace {

// Rock to 600 in: qu = 1000 psi (s = 500), gamma = 0.09 pci; b = 12 in, H = 120 in.
struct Rock : PyProblem {
  Rock() { layer(6, 600, 0.09, 1000, 0, 0, 0); }
};

TEST(Rock, BilinearRiseThenResidualResistance) {
  Rock t;
  t.run();
  const PyState& st = t.state;
  const double s = 500, b = 12, y1 = 0.00039999998989515007 * b, K = 2000 * s;
  const double y2 = (b * s - K * y1) / (100 * s) + y1;
  for (int m : {1, 3}) {
    const double z = st.curveDepth(m);
    const auto& c = st.curve(m);
    EXPECT_EQ(c.y[0][0], 0.0);
    EXPECT_EQ(c.p[0][0], 0.0);
    EXPECT_NEAR(c.y[0][1], y2 / 15, 1e-15);
    EXPECT_NEAR(c.p[0][1], K * y2 / 15, 1e-6);  // initial line below y1
    EXPECT_NEAR(c.p[0][14], 100 * s * (14 * y2 / 15 - y1) + K * y1, 1e-6);  // second branch
    // Seventeenth point: 16/15*y2 with the residual 0.5*gamma*b*depth.
    EXPECT_NEAR(c.y[0][16], 16 * y2 / 15, 1e-15);
    EXPECT_DOUBLE_EQ(c.p[0][16], 0.5 * 0.09 * b * z);
    EXPECT_DOUBLE_EQ(c.p[1][16], 0.5 * 0.09 * b * (z + 120));
  }
  const std::string r = t.text();
  EXPECT_EQ(r.find("AT THE EXCAVATION SIDE"), std::string::npos);
  EXPECT_EQ(r.find("P-Multiplier"), std::string::npos);
  EXPECT_NE(r.find("\n                 DEPTH-EXCAVATION SIDE     DIAM        C\n"
                   "                              IN            IN     LBS/IN**2\n"
                   "                              0.10         12.000   5.0E+02\n"
                   "                                      Y                   P\n"
                   "                                      IN               LBS/IN\n"
                   "                                0.000D+00           0.000D+00\n"),
            std::string::npos)
      << r.substr(r.find("P-Y CURVES DATA"), 700);
  EXPECT_NE(r.find("\n                 DEPTH-BACKFILL SIDE       DIAM        C\n"), std::string::npos);
  // Scratch records (four digits) carry the same points.
  const ScratchFile f = t.scratch();
  ASSERT_EQ(f.generated.size(), 5u);
  EXPECT_NEAR(f.generated[2].p[16], st.curve(3).p[0][16], 1e-3 * st.curve(3).p[0][16]);
  EXPECT_NEAR(f.generated[2].y[33], st.curve(3).y[1][16], 1e-3 * st.curve(3).y[1][16]);
}

TEST(Rock, GroupFactorScalesTheRiseButNotTheResidual) {
  Rock t;
  t.ctx.model.soil.widthPressure = 24;  // WA/WP = 2
  t.run();
  const double f = 0.52920001745224 * std::pow(2.0, 0.5659000277519226);
  const auto& c = t.state.curve(2);
  const double y1 = 0.00039999998989515007 * 12, y = c.y[0][14];
  EXPECT_NEAR(c.p[0][14], (100 * 500 * (y - y1) + 1e6 * y1) * f, 1e-6);
  EXPECT_DOUBLE_EQ(c.p[0][16], 0.5 * 0.09 * 12 * t.state.curveDepth(2));
}

TEST(Rock, NoStrengthGivesAFiniteCurve) {
  PyProblem t;
  t.layer(6, 600, 0.09, 0, 0, 0, 0);
  t.run();
  const auto& c = t.state.curve(1);
  for (int j = 0; j < 15; ++j) EXPECT_EQ(c.p[0][j], 0.0);
  EXPECT_GT(c.y[0][16], 0.0);
  EXPECT_GT(c.p[0][16], 0.0);
}

// Weak rock to 264 in (z_top = 0, thickness 144 = 12*b, so curve 2 lies at
// xr = 3*b): qu = 1000 psi, krm = 0.0005, Em = 1e5 psi, RQD = 100.
struct WeakRock : PyProblem {
  explicit WeakRock(double qu = 1000) {
    SoilLayer& l = layer(7, 264, 0.09, qu, 0, 0.0005, 1e5);
    l.top[kSixth] = l.bottom[kSixth] = 100;
    layer(7, 600, 0.09, qu, 0, 0.0005, 1e5).top[kSixth] = 100;
    ctx.model.soil.layers.back().bottom[kSixth] = 100;
  }
};

TEST(WeakRock, QualityDesignationOfHundredLeavesAThird) {
  WeakRock t;
  t.run();
  const PyState& st = t.state;
  const double alpha = 1 - 100 * 0.006666666828095913, b = 12, yrm = 0.0005 * b;
  EXPECT_NEAR(alpha, 1.0 / 3, 1e-7);
  // Shallow curve: xr = z + 1e-8 below 3b.
  const double xr = st.curveDepth(1) + 1e-8;
  const double kir = (100 + 400 * xr / (3 * b)) * 1e5;
  const double pur = alpha * 1000 * (1.399999976158142 * xr + b);
  const auto& c = st.curve(1);
  EXPECT_NEAR(c.y[0][0], single(0.0005f) * yrm, 1e-18);  // the first point is not zero
  EXPECT_NEAR(c.p[0][0], kir * c.y[0][0], 1e-9 * kir * c.y[0][0]);
  EXPECT_NEAR(c.y[0][16], 12 * yrm, 1e-15);
  EXPECT_NEAR(c.p[0][16], 0.5 * pur * std::pow(12.0, 0.25), 1e-9 * pur);
  EXPECT_EQ(countOf(t.text(), "AT THE EXCAVATION SIDE"), 10);
  EXPECT_EQ(t.text().find("P-Multiplier"), std::string::npos);
  EXPECT_NE(t.text().find("\n              DEPTH     DIAM       Qu        Eu    GAMMA AVG      E50\n"
                          "                FT       IN    LBS/IN**2 LBS/IN**2 LBS/IN**3\n"
                          "                0.01    12.000  1.00E+03  1.00E+05  9.00E-02   5.000E-04\n"),
            std::string::npos)
      << t.text().substr(t.text().find("P-Y CURVES DATA"), 700);
}

TEST(WeakRock, AtThreeWidthsTheDeepFormIsContinuous) {
  WeakRock t;
  t.run();
  const PyState& st = t.state;
  ASSERT_DOUBLE_EQ(st.curveDepth(2), 36.0);
  const double alpha = 1 - 100 * 0.006666666828095913, b = 12;
  const double deepPur = 5.199999809265137 * alpha * 1000 * b;
  const double nearPur = alpha * 1000 * (1.399999976158142 * 36 + b);
  EXPECT_NEAR(deepPur, nearPur, 1e-4 * deepPur);
  const auto& c = st.curve(2);
  EXPECT_NEAR(c.p[0][0] / c.y[0][0], 500 * 1e5, 1e-3);  // Kir = 500*Em
  EXPECT_NEAR(c.p[0][16], 0.5 * deepPur * std::pow(12.0, 0.25), 1e-9 * deepPur);
  // The curve just above three widths hardly differs (curve 1 of layer 2
  // starts 0.1 in into the rock and uses the near form).
}

TEST(WeakRock, ZeroStrengthAfterTheFirstCurveStops) {
  WeakRock t(0);
  EXPECT_THROW(t.run(), HardStop);
  EXPECT_NE(t.err.str().find("THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT"),
            std::string::npos);
  // The first curve was written, without an undefined value.
  for (int j = 0; j < 17; ++j) EXPECT_EQ(t.state.curve(1).p[0][j], 0.0);
}

}  // namespace
}  // namespace korven::test
