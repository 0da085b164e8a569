// Silt curves: the three shapes chosen by the subgrade modulus, the
// cohesive and frictional resistances, the report block.
#include <cmath>

#include "driver_fixture.h"

namespace korven::test {
namespace {

constexpr double kPi = 3.141592653589793;

// Silt to 600 in: c = 1 psi, phi = 30 deg, gamma = 0.07 pci; b = 12 in, H = 120 in.
struct Silt : PyProblem {
  explicit Silt(double k, double c = 1) { layer(5, 600, 0.07, c, 30, 0, k); }
  // Frictional resistance at the second curve (z = 96) on level ground.
  double ps() const {
    const double phi = 30 * 3.1415998935699463 / 180;
    const py::FrictionAngles a = py::frictionAngles(phi, kPi);
    const double pst = py::wedgeResistance(a, a.ka, 0.07, 96, 12);
    const double t4 = a.t2 * a.t2;
    const double psd = (0.4000000059604645 * std::tan(phi) * t4 + (t4 * t4 - 1) * a.ka) * 0.07 * 96 * 12;
    return std::min(pst, psd);
  }
  const GeneratedCurve& curve() const { return state.curve(2); }
};

TEST(Silt, StiffSubgradeGivesTheSandLikeShape) {
  Silt t(1000);
  t.run();
  const auto& c = t.curve();
  const double ps = t.ps(), pu = single(0.88f) * ps, pm = 1.5 * ps + 9 * 1 * 12;  // Np > 9
  const double ym = 12.0 / 60, yu = 3 * 12.0 / 80;
  EXPECT_DOUBLE_EQ(c.y[0][12], ym);
  EXPECT_NEAR(c.p[0][12], pm, 1e-9 * pm);
  EXPECT_DOUBLE_EQ(c.y[0][15], yu);
  EXPECT_NEAR(c.p[0][15], pu, 1e-9 * pu);
  EXPECT_NEAR(c.p[0][16], pu, 1e-9 * pu);
  // Initial line up to yk = y1, where the power law takes over continuously.
  const double kz = 1000 * 96;
  EXPECT_NEAR(c.p[0][2], kz * c.y[0][2], 1e-9 * c.p[0][2]);
  EXPECT_LT(c.y[0][2], ym / 5);
  EXPECT_GT(c.p[0][3], c.p[0][2]);
  EXPECT_LT(c.p[0][3], kz * c.y[0][3]);
}

TEST(Silt, MediumSubgradeGivesTheInitialLineThenAStraightLine) {
  Silt t(100);
  t.run();
  const auto& c = t.curve();
  const double ps = t.ps(), pu = single(0.88f) * ps, kz = 100 * 96;
  const double yi = c.y[0][7], yu = 3 * 12.0 / 80;
  EXPECT_EQ(c.y[0][8], yi);  // yi is listed twice
  EXPECT_GE(yi, 12.0 / 60);
  EXPECT_LT(yi, yu);
  for (int j = 1; j <= 8; ++j) EXPECT_NEAR(c.p[0][j], kz * c.y[0][j], 1e-9 * kz);
  EXPECT_DOUBLE_EQ(c.y[0][14], yu);
  EXPECT_NEAR(c.p[0][14], pu, 1e-9 * pu);
  EXPECT_NEAR(c.p[0][16], pu, 1e-9 * pu);
  EXPECT_DOUBLE_EQ(c.y[0][16], 1.2000000476837158 * yu);
  // Straight from (yi, k*z*yi) to (yu, pu).
  const double slope = (pu - kz * yi) / (yu - yi);
  EXPECT_NEAR(c.p[0][11], kz * yi + slope * (c.y[0][11] - yi), 1e-9 * pu);
}

TEST(Silt, SoftSubgradeIsElasticPerfectlyPlastic) {
  Silt t(1);
  t.run();
  const auto& c = t.curve();
  const double pu = single(0.88f) * t.ps(), kz = 96, ys = pu / kz;
  EXPECT_NEAR(c.y[0][12], ys, 1e-12 * ys);
  for (int j = 0; j <= 12; ++j) EXPECT_NEAR(c.y[0][j], ys * j / 12, 1e-12 * ys);
  for (int j = 1; j < 12; ++j) EXPECT_NEAR(c.p[0][j], kz * c.y[0][j], 1e-9 * pu);
  for (int j = 12; j < 17; ++j) EXPECT_NEAR(c.p[0][j], pu, 1e-9 * pu);
  EXPECT_DOUBLE_EQ(c.y[0][16], 1.2000000476837158 * ys);
}

TEST(Silt, NoCohesionLeavesTheFrictionalPart) {
  Silt t(1000, 0);
  t.run();
  const double ps = t.ps();
  EXPECT_NEAR(t.curve().p[0][12], 1.5 * ps, 1e-9 * ps);  // pm = 1.5*ps + 0
  EXPECT_NE(t.text().find("0.000E+00"), std::string::npos);
}

TEST(Silt, NoSubgradeModulusGivesADefinedZeroCurve) {
  Silt t(0);
  t.run();
  for (int m = 1; m <= 5; ++m) {
    for (int s = 0; s < 2; ++s) {
      for (int j = 0; j < 17; ++j) {
        EXPECT_EQ(t.state.curve(m).p[s][j], 0.0);
        EXPECT_TRUE(std::isfinite(t.state.curve(m).y[s][j]));
      }
      EXPECT_GT(t.state.curve(m).y[s][16], 0.0);
    }
  }
}

TEST(Silt, ReportBlockCarriesThePhiByte) {
  Silt t(1000);
  t.run();
  const std::string r = t.text();
  EXPECT_NE(r.find("\n     DEPTH      DIAM      PHI  GAMMA AVG        A         B     Puc       Pu\xED\n"
                   "       FT        IN            LBS/IN**3\n"),
            std::string::npos)
      << r.substr(r.find("P-Y CURVES DATA"), 700);
  EXPECT_NE(r.find("\n                                     Y                   P\n"
                   "                                     IN                LBS/IN\n"
                   "                                0.000E+00           0.000E+00\n"),
            std::string::npos);
  // A and B are printed at their own value, not scaled by the exponent
  // field's scale factor before them.
  EXPECT_NE(r.find("\n      0.01     12.00      30.0 7.000E-02      2.82      2.13"), std::string::npos);
  EXPECT_EQ(countOf(r, "P-Multiplier"), 10);
  // Scratch records in the silt layout.
  const ScratchFile f = t.scratch();
  ASSERT_EQ(f.generated.size(), 5u);
  EXPECT_NEAR(f.generated[1].p[12], t.curve().p[0][12], 5e-4 * t.curve().p[0][12]);
}

// A silt below a soft clay starts from the depth at which its own
// resistance integral equals the clay's.
TEST(Silt, LowerLayerUsesAnEquivalentDepth) {
  PyProblem t;
  t.layer(1, 220, 0.07, 5, 0, 0.01, 100);
  t.layer(5, 600, 0.07, 1, 30, 0, 1000);
  t.run();
  const PyState& st = t.state;
  EXPECT_GT(st.zEq(2), 0.0);
  EXPECT_LT(st.zEq(2), 100.0);  // the silt resists more than the clay
  EXPECT_GT(st.resistanceIntegral[1], 0.0);
}

// A silt without friction has no frictional wedge: its equivalent depth
// comes from the cohesive wedge alone instead of an undefined step.
TEST(Silt, FrictionlessLowerLayerGetsADefinedEquivalentDepth) {
  PyProblem t;
  t.layer(1, 220, 0.07, 5, 0, 0.01, 100);
  t.layer(5, 600, 0.07, 5, 0, 0, 1000);
  t.run();
  const double z = t.state.zEq(2);
  EXPECT_TRUE(std::isfinite(z));
  EXPECT_GT(z, 0.0);
}

}  // namespace
}  // namespace korven::test
