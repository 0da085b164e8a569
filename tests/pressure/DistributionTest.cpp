// The point table and the earth-pressure point file.
#include <algorithm>
#include <cmath>

#include "PressureFixture.h"
#include "core/Stops.h"

namespace korven::testing {
namespace {

constexpr double kSand = 120.0 / 1728.0;
constexpr double kGw = 0.035999998450279236;

// A 10 ft wall (120 points of 1 in) in dry sand, excavation at `h`.
PressureRun& drySand(PressureRun& r, double bottom = 120.0) {
  r.layer(4, bottom, kSand, 0.0, 30.0);
  return r;
}

TEST(PressureDistribution, DryCohesionlessProfile) {
  PressureRun r(1, 120, 1.0, 60.0);
  drySand(r).run();
  const auto file = r.readPoints();
  ASSERT_EQ(r.fileCount, 121);
  ASSERT_EQ(file.size(), 121u);
  const auto& rows = r.state.points;
  ASSERT_EQ(rows.size(), 121u);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    for (std::size_t c = 0; c < 12; ++c) {
      EXPECT_NEAR(file[k][c], rows[k][c], 5e-5 * std::fabs(rows[k][c]) + 1e-300);
    }
  }
  const double ka = r.layerAt(1).ka;
  EXPECT_EQ(rows[0][1], 0.0);
  for (const auto& row : rows) {
    const double z = row[0];
    const double expected = ka * kSand * std::min(z, 60.0);
    if (z > 0.0) {
      EXPECT_NEAR(row[1], expected, 1e-5) << z;
    }
    EXPECT_NEAR(row[11], row[0] > 0.0 ? expected : 0.0, 1e-5) << z;
  }
  EXPECT_DOUBLE_EQ(rows.back()[0], 120.0);
  // Passive below the excavation stays at the excavation overburden.
  EXPECT_NEAR(rows[100][4], r.layerAt(2).kp * 60.0 * kSand, 1e-4);
}

TEST(PressureDistribution, CountMatchesRecordsWhateverTheProfileDepth) {
  PressureRun deep(1, 120, 1.0, 60.0);
  drySand(deep, 200.0).run();  // profile beyond the tip: cut there
  auto rows = deep.readPoints();
  EXPECT_EQ(deep.fileCount, 121);
  EXPECT_EQ(rows.size(), 121u);
  EXPECT_DOUBLE_EQ(rows.back()[0], 120.0);

  PressureRun shallow(1, 120, 1.0, 60.0);
  drySand(shallow, 90.0).run();  // profile above the tip: extended to it
  rows = shallow.readPoints();
  EXPECT_EQ(shallow.fileCount, static_cast<int>(rows.size()));
  EXPECT_DOUBLE_EQ(rows.back()[0], 120.0);

  // SI: one point per 0.05 m, 40 points in a 2.0 m layer.
  PressureRun si(2, 40, 0.1, 2.0);
  si.layer(4, 4.0, 18.0, 0.0, 30.0);
  si.run();
  rows = si.readPoints();
  EXPECT_EQ(si.fileCount, 81);
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                          [](const auto& x) { return x[0] > 0.0 && x[0] <= 2.0 + 1e-9; }),
            40);
}

// The point table covers the wall only: a profile reaching absurdly deep
// below the tip costs nothing, while a wall too long for any table (an
// absurd increment length) ends the run instead of filling the disk.
TEST(PressureDistribution, PointStorageFollowsTheWallLength) {
  PressureRun deep(1, 120, 1.0, 60.0);
  drySand(deep, 2147483647.0).run();
  EXPECT_EQ(deep.readPoints().size(), 121u);

  PressureRun longWall(1, 120, 1.0e6, 60.0);
  drySand(longWall);
  EXPECT_THROW(longWall.run(), RunEnd);
  longWall.ctx.report.flush();
  EXPECT_NE(longWall.report.str().find("ERROR STOP -- NO STORAGE FOR THE EARTH PRESSURE POINTS"),
            std::string::npos);
}

// Soil data whose pressures overflow stop the run before a non-finite
// value is printed or written to the point file.
TEST(PressureDistribution, NonFinitePressuresEndTheRun) {
  PressureRun r(1, 120, 1.0, 60.0);
  drySand(r);
  r.ctx.model.soil.activeModifier = 1.0e308;
  EXPECT_THROW(r.run(), RunEnd);
  r.ctx.report.flush();
  const std::string text = r.report.str();
  EXPECT_NE(text.find("     ERROR STOP -- THE LAYER RESULTANTS ARE NOT FINITE NUMBERS\n"
                      "     CHECK THE SOIL, WATER AND SURCHARGE DATA\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Infinity"), std::string::npos);

  PressureRun heavy(1, 120, 1.0, 60.0);
  heavy.layer(4, 120.0, 1.0e306, 0.0, 30.0);
  EXPECT_THROW(heavy.run(), RunEnd);
  heavy.ctx.report.flush();
  EXPECT_NE(heavy.report.str().find("ARE NOT FINITE NUMBERS"), std::string::npos);
  EXPECT_EQ(heavy.report.str().find("Infinity"), std::string::npos);
}

TEST(PressureDistribution, ClayTensionZoneHoldsTinyPositiveValues) {
  PressureRun r(1, 120, 1.0, 60.0);
  r.layer(3, 120.0, kSand, 1.0, 0.0);
  r.run();
  const auto& rows = r.state.points;
  // Crack depth 2c/gamma = 28.8 in: row k holds k * 1e-12 above it.
  EXPECT_NEAR(rows[1][1], 2.0e-12, 1e-17);
  EXPECT_NEAR(rows[20][1], 21.0e-12, 1e-17);
  EXPECT_NEAR(rows[40][1], kSand * 40.0 - 2.0, 1e-5);
}

TEST(PressureDistribution, BackfillAndExcavationWater) {
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.waterBackfill = 30.0;
  r.ctx.model.soil.waterExcavation = 60.0;
  drySand(r).run();
  const auto& rows = r.state.points;
  const double ka = r.layerAt(1).ka;
  const double atExcavation = ka * (30.0 * kSand + 30.0 * (kSand - kGw)) + 30.0 * kGw;
  EXPECT_NEAR(rows[60][1], atExcavation, 1e-5);
  EXPECT_NEAR(rows[60][7], 30.0 * kGw, 1e-6);    // water column
  EXPECT_NEAR(rows[90][1], atExcavation, 1e-5);  // net water constant below
}

TEST(PressureDistribution, SurfaceLoadColumnsAndPointOne) {
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.legacy.uniform = 2.0;
  drySand(r).run();
  const auto& rows = r.state.points;
  const double ka = r.layerAt(1).ka, kp = r.layerAt(1).kp;
  const std::array<double, 12> first = {0.0, 2.0 * ka, 0.0, 2.0 * ka, 2.0 * kp, 0.0,
                                        0.0, 0.0, 2.0 * ka, 0.0, 0.0, 2.0 * ka};
  for (std::size_t c = 0; c < 12; ++c) EXPECT_NEAR(rows[0][c], first[c], 1e-12) << c + 1;
  // At 30 in: the surface-load part is split off the earth part and
  // joined to the surcharge column; column 12 holds the whole pressure.
  const auto& p = rows[30];
  EXPECT_NEAR(p[8], 2.0 * ka, 1e-12);
  EXPECT_NEAR(p[6], ka * kSand * 30.0, 1e-12);
  EXPECT_NEAR(p[2], ka * (2.0 + kSand * 30.0) - 2.0 * ka, 1e-12);
  EXPECT_NEAR(p[3], 2.0 * ka, 1e-12);
  EXPECT_NEAR(p[11], ka * (2.0 + kSand * 30.0), 1e-12);
  EXPECT_NEAR(p[1], p[11], 1e-12);
}

TEST(PressureDistribution, ExcavationSideWaterAndOffset) {
  // Backfill water at 30 in, excavation water at 40 in, excavation at 60 in.
  PressureRun r(1, 120, 1.0, 60.0);
  r.ctx.model.soil.waterBackfill = 30.0;
  r.ctx.model.soil.waterExcavation = 40.0;
  r.ctx.model.soil.waterPressureFlag = 1;
  drySand(r).run();
  const auto& rows = r.state.points;
  const double ka = r.layerAt(1).ka;
  auto active = [&](double z) {
    return ka * (30.0 * kSand + (z - 30.0) * (kSand - kGw)) + kGw * (z - 30.0);
  };
  EXPECT_NEAR(rows[50][1], active(50.0) - kGw * 10.0, 1e-12);
  // At the excavation depth itself the front water is that of the point above.
  EXPECT_NEAR(rows[60][1], active(60.0) - kGw * 19.0, 1e-12);
  EXPECT_NEAR(rows[90][1], active(60.0) - kGw * 20.0, 1e-12);
  // Water part: backfill water less the head in front, which keeps growing
  // below the excavation.
  EXPECT_NEAR(rows[35][7], kGw * 5.0, 1e-12);
  EXPECT_NEAR(rows[90][7], kGw * 60.0 - kGw * 50.0, 1e-12);

  // Clay under water from the surface: a negative earth part is carried by
  // the water part, and both become k * 1e-12 while their sum is negative.
  PressureRun clay(1, 240, 1.0, 120.0);
  clay.ctx.model.soil.waterBackfill = 0.0;
  clay.layer(3, 240.0, 0.07, 2.0, 0.0);
  clay.run();
  const auto& c = clay.state.points;
  const double e80 = -4.0 * clay.layerAt(1).sqrtKa + 0.07 * clay.layerAt(1).ka * 80.0 - kGw * 80.0;
  EXPECT_LT(e80, 0.0);
  EXPECT_NEAR(c[80][6], e80, 1e-12);
  EXPECT_NEAR(c[80][7], kGw * 80.0 + e80, 1e-12);
  EXPECT_GT(c[80][7], 0.0);
  EXPECT_NEAR(c[80][11], kGw * 80.0 + 2.0 * e80, 1e-12);
  EXPECT_EQ(c[20][6], 21.0e-12);
  EXPECT_EQ(c[20][7], 21.0e-12);
}

// Option 3 with tie-backs at the given stations (h = 1 in), H = 100 in.
PressureRun& envelopeRun(PressureRun& r, int option, std::vector<int> stations) {
  r.ctx.model.control.earthPressureOption = option;
  r.ctx.model.control.tieBackCount = static_cast<int>(stations.size());
  for (int s : stations) {
    TieBack t;
    t.station = s;
    r.ctx.model.tieBacks.push_back(t);
  }
  return r;
}

TEST(PressureDistribution, ApparentPressureEnvelopes) {
  // No supports: zero above the excavation.
  PressureRun none(1, 120, 1.0, 100.0);
  drySand(envelopeRun(none, 3, {})).run();
  auto rows = none.state.points;
  for (int k = 1; k <= 100; ++k) EXPECT_EQ(rows[static_cast<std::size_t>(k)][1], 0.0);
  EXPECT_GT(rows[110][1], 1.0);

  // One support at 0.3H: rise to 0.2H, constant to 0.2H + H/3, fall to H.
  PressureRun one(1, 120, 1.0, 100.0);
  drySand(envelopeRun(one, 3, {30})).run();
  rows = one.state.points;
  const double ka = one.layerAt(1).ka;
  const double area = ka * kSand * 100.0 * 100.0 / 2.0;
  const double peak = 3.9 * area / 200.0;
  EXPECT_NEAR(rows[10][1], peak * 0.5, 1e-4 * peak);
  EXPECT_NEAR(rows[20][1], peak, 1e-4 * peak);
  EXPECT_NEAR(rows[53][1], peak, 1e-4 * peak);
  EXPECT_NEAR(rows[80][1], peak * 20.0 / (100.0 - 20.0 - 100.0 / 3.0), 1e-4 * peak);
  EXPECT_NEAR(rows[100][1], 0.0, 1e-12);
  EXPECT_NEAR(rows[110][1], ka * kSand * 100.0, 1e-5);  // computed below
  // Below the excavation, option 3 folds the water into column 7.
  EXPECT_EQ(rows[110][7], 0.0);
  EXPECT_EQ(rows[110][10], 0.0);
  EXPECT_NEAR(rows[110][6], ka * kSand * 100.0, 1e-5);
  EXPECT_NEAR(rows[50][11], rows[50][10] + rows[50][9] + rows[50][7], 1e-12);

  // Two supports at 20 and 60: rise to 13.3, constant to 73.3.
  PressureRun two(1, 120, 1.0, 100.0);
  drySand(envelopeRun(two, 3, {20, 60})).run();
  rows = two.state.points;
  const double peak2 = 1.3 * area / (100.0 - (100.0 - 60.0 + 20.0) / 3.0);
  EXPECT_NEAR(rows[10][1], peak2 * 10.0 / (40.0 / 3.0), 1e-4 * peak2);
  EXPECT_NEAR(rows[70][1], peak2, 1e-4 * peak2);
  EXPECT_NEAR(rows[90][1], peak2 * 10.0 / (80.0 / 3.0), 1e-4 * peak2);

  // SI: the areas take the 0.05 m point spacing.
  PressureRun si(2, 40, 0.1, 2.0);
  envelopeRun(si, 3, {6});
  si.layer(4, 4.0, 18.0, 0.0, 30.0);
  si.run();
  const auto& s = si.state.points;
  const double siPeak = 3.9 * (si.layerAt(1).ka * 18.0 * 2.0 * 2.0 / 2.0) / 4.0;
  EXPECT_NEAR(s[8][1], siPeak, 1e-4 * siPeak);  // 0.4 m, end of the rise
  EXPECT_NEAR(s[4][1], siPeak / 2.0, 1e-4 * siPeak);

  // Option 5 in soft clay: rise over H/4, constant down to H; the second
  // envelope peaks at Ka times the excavation overburden.
  PressureRun clay(1, 120, 1.0, 100.0);
  envelopeRun(clay, 5, {30});
  clay.ctx.model.soil.legacy.uniform = 1.0;
  clay.layer(1, 120.0, kSand, 1.0, 0.0, 0.4);
  clay.run();
  rows = clay.state.points;
  const double top = 0.4 * (1.0 + 100.0 * kSand);
  EXPECT_NEAR(rows[12][10], top * 12.0 / 25.0, 1e-6);
  EXPECT_NEAR(rows[50][10], top, 1e-6);
  EXPECT_NEAR(rows[100][10], top, 1e-6);
  EXPECT_NEAR(rows[50][11], rows[50][10] + rows[50][9] + rows[50][7], 1e-12);
  EXPECT_NEAR(rows[0][1], 0.4, 1e-12);
  EXPECT_NEAR(rows[0][3], 0.4, 1e-12);
  EXPECT_EQ(rows[0][8], 0.0);
  EXPECT_EQ(rows[0][11], 0.0);
}

}  // namespace
}  // namespace korven::testing
