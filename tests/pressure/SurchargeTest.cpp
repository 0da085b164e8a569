// Lateral pressure of point, line and strip surcharges.
#include <cmath>
#include <numbers>

#include "PressureFixture.h"

namespace korven::testing {
namespace {

// Wall 100 in long (grid step 0.5 in), free height 50 in.
class SurchargePressure : public ::testing::Test {
 protected:
  SurchargePressure() : run(1, 100, 1.0, 50.0) {}
  void add(int type, double load, double x, double width = 0.0, double zv = 0.0,
           double factor = 1.0) {
    run.ctx.model.soil.surcharges.push_back(Surcharge{type, load, x, width, zv, factor});
  }
  double at(double z) { return surchargePressureAt(run.ctx.model, z, &working); }
  PressureRun run;
  WorkingSurcharge working;  // the values the last evaluation set
};

constexpr double H = 50.0;

TEST_F(SurchargePressure, EachKindFollowsItsFormula) {
  // Point load near the wall (m = 0.2), evaluated at the grid depth 10.0
  // just above z = 10.2.
  add(1, 1000.0, 10.0);
  double n = 10.0 / H;
  EXPECT_NEAR(at(10.2), 0.28 * 1000.0 * n * n / (H * H * std::pow(0.16 + n * n, 3)), 1e-6);

  // Point load further away (m = 0.6).
  run.ctx.model.soil.surcharges.clear();
  add(1, 1000.0, 30.0);
  double m = 0.6;
  n = 20.0 / H;
  EXPECT_NEAR(at(20.3), 1.77 * 1000.0 * m * m * n * n / (H * H * std::pow(m * m + n * n, 3)), 1e-6);

  // Line load, both ranges.
  run.ctx.model.soil.surcharges.clear();
  add(2, 100.0, 10.0);
  n = 0.4;
  EXPECT_NEAR(at(20.2), 0.203 * 100.0 * n / (H * std::pow(0.16 + n * n, 2)), 1e-6);
  run.ctx.model.soil.surcharges.clear();
  add(2, 100.0, 30.0);
  EXPECT_NEAR(at(20.2),
              4.0 * 100.0 * m * m * n / (std::numbers::pi * H * std::pow(m * m + n * n, 2)), 1e-5);

  // Strip load 10 in wide centred 20 in from the wall, with a factor.
  run.ctx.model.soil.surcharges.clear();
  add(3, 5.0, 20.0, 10.0, 0.0, 2.0);
  const double a1 = std::atan(25.0 / 15.0), a2 = std::atan(15.0 / 15.0), b = a1 - a2;
  EXPECT_NEAR(at(15.4), 2.0 * 10.0 / std::numbers::pi * (b - std::sin(b) * std::cos(a1 + a2)),
              1e-5);
  EXPECT_DOUBLE_EQ(working.stripLoad, 10.0);  // load times factor

  // A strip straddling the wall line keeps the same formula.
  run.ctx.model.soil.surcharges.clear();
  add(3, 5.0, 2.0, 10.0);
  const double c1 = std::atan(7.0 / 15.0), c2 = std::atan(-3.0 / 15.0), cb = c1 - c2;
  EXPECT_NEAR(at(15.4), 2.0 * 5.0 / std::numbers::pi * (cb - std::sin(cb) * std::cos(c1 + c2)),
              1e-5);
}

TEST_F(SurchargePressure, GridLagSumAndEdges) {
  EXPECT_EQ(at(10.0), 0.0);  // nothing listed
  add(1, 1000.0, 30.0);
  EXPECT_EQ(at(0.0), 0.0);        // no grid depth above the load level
  EXPECT_EQ(at(10.1), at(10.4));  // constant between grid depths
  EXPECT_NE(at(10.4), at(10.6));
  EXPECT_EQ(at(10.5), at(10.1));            // strictly above: 10.5 uses 10.0
  EXPECT_EQ(at(1000.0), at(100.0 + 1e-9));  // beyond the tip: the tip itself

  // Vertical offset: the load level lies 5 in above the wall top.
  const double deeper = at(15.2);
  run.ctx.model.soil.surcharges[0].vertical = 5.0;
  EXPECT_EQ(at(10.2), deeper);

  // Two kinds sum; a factor of 0 removes a surcharge.
  run.ctx.model.soil.surcharges[0].vertical = 0.0;
  const double point = at(20.2);
  add(2, 100.0, 30.0);
  const double both = at(20.2);
  run.ctx.model.soil.surcharges[0].factor = 0.0;
  EXPECT_NEAR(both, point + at(20.2), 1e-12);
  EXPECT_GT(at(20.2), 0.0);
}

TEST_F(SurchargePressure, VanishingFreeHeightUsesDistantLoadForm) {
  run.ctx.model.soil.excavationDepth = 1.0e-7;
  add(1, 1000.0, 30.0);
  add(2, 100.0, 30.0);
  add(1, 1000.0, 0.0);
  const double z = 20.0;
  const double r2 = 30.0 * 30.0 + z * z;
  const double expected = 1.77 * 1000.0 * 900.0 * z * z / std::pow(r2, 3) +
                          4.0 * 100.0 * 900.0 * z / (std::numbers::pi * r2 * r2);
  const double p = at(20.2);
  EXPECT_TRUE(std::isfinite(p));
  EXPECT_NEAR(p, expected, 1e-5);
}

TEST(LayerSurchargeForce, LastListedSurchargeWithItsLoadAsInput) {
  // Dry sand, 5 ft above the excavation; a point load then a line load
  // (factor 3, ignored here): PA1 holds the ten-step sum of the line load.
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.surcharges.push_back(Surcharge{1, 1000.0, 10.0, 0.0, 0.0, 2.0});
  r.ctx.model.soil.surcharges.push_back(Surcharge{2, 100.0, 30.0, 0.0, 0.0, 3.0});
  r.layer(4, 120.0, 120.0 / 1728.0, 0.0, 30.0);
  r.run();
  const double m = 0.5;
  double force = 0.0;
  for (int i = 1; i <= 10; ++i) {
    const double n = 6.0 * i / 60.0;
    force += 6.0 * 1.273 * 100.0 * m * m * n / (60.0 * std::pow(m * m + n * n, 2));
  }
  EXPECT_NEAR(r.state.resultants[0].pa1, force, 1e-5);
}

}  // namespace
}  // namespace korven::testing
