// Resistance layers, profiles, curve placement, the scratch file and the
// multipliers of the p-y curve generation.
#include <cmath>
#include <regex>

#include "driver_fixture.h"

namespace korven::test {
namespace {

constexpr double kGw = 0.035999998450279236;

TEST(DriverProfile, LayersBelowExcavationAreCutAtTheTipPlusTwoIncrements) {
  PyProblem t;
  t.layer(1, 120, 0.07, 5, 0, 0.01, 100);   // ends at the excavation: skipped
  t.layer(4, 240, 0.07, 0, 30, 0, 90);      // sand, 0..120 below the excavation
  auto& clay = t.layer(1, 600, 0.065, 5, 0, 0.01, 100);
  clay.bottom[kStrength] = 15;              // c from 5 to 15 over 120..480
  t.layer(1, 700, 0.06, 9, 0, 0.01, 100);   // below the cut-off
  t.ctx.model.wall.excavationDepth = 96.0;  // the wall record's may differ
  t.run();
  // The curves stand on the soil data's excavation depth (120) and leave
  // the wall record's as read.
  EXPECT_DOUBLE_EQ(t.ctx.model.wall.excavationDepth, 96.0);
  const PyState& st = t.state;
  ASSERT_EQ(st.layerCount(), 2);
  EXPECT_EQ(st.layer(1).model, SoilModel::Sand);
  EXPECT_DOUBLE_EQ(st.layer(1).zTop, 0.0);
  EXPECT_DOUBLE_EQ(st.layer(2).zTop, 120.0);
  EXPECT_DOUBLE_EQ(st.layer(2).zBot, 384.0);  // 480 - 120 + 24
  ASSERT_EQ(st.strength.size(), 4u);
  EXPECT_DOUBLE_EQ(st.strength[3].z, 384.0);
  EXPECT_NEAR(st.strength[3].c, 5 + 10 * (264.0 / 360.0), 1e-12);
  EXPECT_NEAR(st.strength[0].phi, 30 * 3.1415998935699463 / 180, 1e-15);
  // Weight points of every layer, the one below the cut-off included.
  ASSERT_EQ(st.weight.size(), 6u);
  EXPECT_DOUBLE_EQ(st.weight[5].z, 580.0);

  const double expected[] = {0.1, 30, 60, 90, 119.9, 120.1, 186, 252, 318, 383.9};
  ASSERT_EQ(st.curveCount(), 10);
  for (int m = 1; m <= 10; ++m) EXPECT_NEAR(st.curveDepth(m), expected[m - 1], 1e-6) << m;
  EXPECT_EQ(st.firstCurve(1), 1);
  EXPECT_EQ(st.lastCurve(1), 5);
  EXPECT_EQ(st.firstCurve(2), 6);
  EXPECT_EQ(st.lastCurve(2), 10);

  const ScratchFile f = t.scratch();
  EXPECT_EQ(f.total, 10);
  ASSERT_EQ(f.generated.size(), 10u);
  for (int m = 0; m < 10; ++m) {
    EXPECT_NEAR(f.generated[m].x, expected[m] + 120, 1e-6);
    ASSERT_EQ(f.generated[m].count, 34);
    EXPECT_EQ(f.generated[m].index[0], 1);
    EXPECT_EQ(f.generated[m].index[16], 17);
    EXPECT_EQ(f.generated[m].index[17], 1);
    EXPECT_EQ(f.generated[m].index[33], 17);
  }

  const std::string r = t.text();
  EXPECT_NE(r.find("*        SOIL LAYERS AND STRENGTH DATA           *"), std::string::npos);
  EXPECT_NE(r.find("\n         X AT THE SURFACE OF EXCAVATION SIDE     =      10.00 FT\n"),
            std::string::npos);
  EXPECT_NE(r.find("\n         2 LAYER(S) OF SOIL\n"), std::string::npos);
  EXPECT_NE(r.find("\n         LAYER  1\n         THE SOIL IS A SAND\n"), std::string::npos);
  EXPECT_NE(r.find("\n         LAYER  2\n         THE SOIL IS A SOFT CLAY\n"), std::string::npos);
  EXPECT_NE(r.find("\n                            6 POINTS\n\n                X,FT   WEIGHT,LBS/IN**3\n"),
            std::string::npos);
  EXPECT_NE(r.find("\n             10.0000     7.0000E-02\n"), std::string::npos);
  EXPECT_NE(r.find("                X,FT     S,LBS/IN**2      PHI,DEGREE       E50      KPY,LBS/IN**3\n"),
            std::string::npos);
  // Sand has no e50: the dashes row.
  EXPECT_NE(r.find("\n               10.00     0.0000E+00         30.000       -----        9.0000E+01\n"),
            std::string::npos);
  EXPECT_NE(r.find("\n               20.00     5.0000E+00          0.000     1.0000E-02     1.0000E+02\n"),
            std::string::npos);
  EXPECT_NE(r.find("        P-Y CURVES DATA"), std::string::npos);
  EXPECT_NE(t.err.str().find(" READ SOIL DATA....\n"), std::string::npos);
}

TEST(DriverProfile, WaterTableRules) {
  {  // exactly at the top of a layer: the top point is submerged
    PyProblem t;
    t.ctx.model.soil.waterBackfill = 200;
    t.layer(1, 200, 0.07, 5, 0, 0.01, 100);
    t.layer(1, 600, 0.06, 5, 0, 0.01, 100);
    t.run();
    const auto& w = t.state.weight;
    ASSERT_EQ(w.size(), 4u);
    EXPECT_DOUBLE_EQ(w[1].gamma, 0.07);
    EXPECT_DOUBLE_EQ(w[2].gamma, 0.06 - kGw);
  }
  {  // inside the last layer: two appended points, not counted in the header
    PyProblem t;
    t.ctx.model.soil.waterBackfill = 300;
    t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
    t.run();
    const auto& w = t.state.weight;
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(t.state.weightPrintedCount, 2);
    EXPECT_DOUBLE_EQ(w[1].z, 180);
    EXPECT_DOUBLE_EQ(w[1].gamma, 0.07);
    EXPECT_DOUBLE_EQ(w[2].z, 180);
    EXPECT_DOUBLE_EQ(w[2].gamma, 0.07 - kGw);
    EXPECT_DOUBLE_EQ(w[3].z, 384);
    EXPECT_NE(t.text().find("\n                            2 POINTS\n"), std::string::npos);
    const std::string r = t.text();
    const auto rows = r.find("WEIGHT,LBS/IN**3\n") + 17;
    EXPECT_EQ(countOf(r.substr(rows, r.find("\n\n", rows) - rows), "\n"), 3);  // 4 rows
  }
  {  // inside an upper layer: the next layer's top point moves up to the
     // water table and carries that layer's submerged weight
    PyProblem t;
    t.ctx.model.soil.waterBackfill = 180;
    t.layer(1, 240, 0.07, 5, 0, 0.01, 100);
    t.layer(1, 600, 0.05, 5, 0, 0.01, 100);
    t.run();
    const auto& w = t.state.weight;
    ASSERT_EQ(w.size(), 4u);
    EXPECT_DOUBLE_EQ(w[1].z, 60);
    EXPECT_DOUBLE_EQ(w[1].gamma, 0.07);
    EXPECT_DOUBLE_EQ(w[2].z, 60);
    EXPECT_DOUBLE_EQ(w[2].gamma, 0.05 - kGw);
    EXPECT_EQ(t.state.weightPrintedCount, 4);
    EXPECT_NEAR(py::averageUnitWeight(t.state, 100), (0.07 * 60 + (0.05 - kGw) * 40) / 100, 1e-15);
  }
}

TEST(DriverProfile, ThinLayerKeepsFiveCurvesInsideAndInOrder) {
  PyProblem t;
  t.layer(1, 120.15, 0.07, 5, 0, 0.01, 100);  // 0.15 in below the excavation
  t.layer(1, 120.3, 0.07, 5, 0, 0.01, 100);   // 0.15 in: offsets would cross
  t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
  t.run();
  const PyState& st = t.state;
  ASSERT_EQ(st.curveCount(), 15);
  for (int m = 2; m <= 15; ++m) EXPECT_LT(st.curveDepth(m - 1), st.curveDepth(m)) << m;
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(st.firstCurve(i), 5 * i - 4);
    EXPECT_EQ(st.lastCurve(i), 5 * i);
    EXPECT_GT(st.curveDepth(5 * i - 4), st.layer(i).zTop);
    EXPECT_LT(st.curveDepth(5 * i), st.layer(i).zBot);
  }
  EXPECT_EQ(t.scratch().generated.size(), 15u);
}

TEST(DriverProfile, NoLayerBelowExcavationLeavesOnlyUserCurves) {
  PyProblem t;
  t.layer(1, 100, 0.07, 5, 0, 0.01, 100);
  UserPyCurve u;
  u.station = 12;
  u.y = {0.0, 1.0};
  u.p = {0.0, 50.0};
  t.ctx.model.userCurves.push_back(u);
  t.ctx.model.control.userCurveCount = 1;
  t.run();
  EXPECT_EQ(t.state.layerCount(), 0);
  EXPECT_NE(t.text().find("\n         0 LAYER(S) OF SOIL\n"), std::string::npos);
  const ScratchFile f = t.scratch();
  EXPECT_EQ(f.total, 1);
  ASSERT_EQ(f.users.size(), 1u);
  EXPECT_TRUE(f.generated.empty());
}

// The user curves (with earth-pressure option 4 the pressure-deflection
// curves that stand in for them) precede the generated ones.
TEST(DriverScratch, UserCurvesComeFirst) {
  for (int epo : {2, 4}) {
    PyProblem t;
    t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
    for (int s : {3, 5}) {
      UserPyCurve u;
      u.station = s;
      u.y = {0.0, 0.5, 2.0};
      u.p = {0.0, 10.0 * s, 20.0 * s};
      t.ctx.model.userCurves.push_back(u);
    }
    t.ctx.model.control.userCurveCount = 2;
    t.ctx.model.control.earthPressureOption = epo;
    t.run();
    std::ifstream in(t.path);
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    std::getline(in, third);
    EXPECT_EQ(std::stoi(first), 7);
    int station = 0, np = 0;
    std::istringstream(second) >> station >> np;
    EXPECT_EQ(station, 3);
    EXPECT_EQ(np, 3);
    int j = 0;
    double p = 0, y = 0;
    std::istringstream(third) >> j >> p >> y;
    EXPECT_EQ(j, 1);
    EXPECT_EQ(p, 0.0);
  }
}

TEST(DriverInput, CyclicLoadingWithZeroCyclesUsesOneHundred) {
  PyProblem t;
  t.ctx.model.soil.loadingFlag = 0;
  t.ctx.model.soil.cycles = 0;
  t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
  t.run();
  EXPECT_TRUE(t.state.cyclic);
  EXPECT_DOUBLE_EQ(t.state.cycles, 100.0);
  EXPECT_NE(t.text().find("\n                       CYCLIC MODEL\n"), std::string::npos);
}

TEST(DriverInput, DegenerateGeometryIsRejected) {
  {
    PyProblem t;
    t.ctx.model.soil.widthResistance = 0;
    t.layer(1, 600, 0.07, 5, 0, 0.01, 100);
    EXPECT_THROW(t.run(), RunEnd);
    EXPECT_NE(t.text().find("WIDTH FOR SOIL RESISTANCE, WP, MUST BE POSITIVE"), std::string::npos);
  }
  {
    PyProblem t;
    t.layer(1, 200, 0.07, 5, 0, 0.01, 100);
    t.layer(1, 180, 0.07, 5, 0, 0.01, 100);  // bottom above the layer's top
    EXPECT_THROW(t.run(), RunEnd);
    EXPECT_NE(t.text().find("ERROR -- THE BOTTOM OF SOIL LAYER  2 IS NOT BELOW"), std::string::npos);
  }
}

// Each model has its own report conventions and scratch record layout: the
// side lines (all but rock), the multiplier line after row 17 (not rock, weak
// rock or static stiff clay with free water), and the scratch records in
// (I5,2(1X,1P,E10.3)), (I5,2(2X,E10.3)) for silt and weak rock, or
// (I5,1X,1P,2E10.3) for rock.
TEST(DriverReport, SideLinesMultiplierLineAndScratchLayoutPerModel) {
  const std::string standard = R"([ \d]{4}\d [ -]\d\.\d{3}E[+-]\d\d [ -]\d\.\d{3}E[+-]\d\d)";
  const std::string scaled0 = R"([ \d]{4}\d  [ -]0\.\d{3}E[+-]\d\d  [ -]0\.\d{3}E[+-]\d\d)";
  const std::string rock = R"([ \d]{4}\d [ -]\d\.\d{3}E[+-]\d\d[ -]\d\.\d{3}E[+-]\d\d)";
  struct Case {
    int code, loading;
    double c, phi, e50, k;
    int sideLines, multiplierLines;
    std::string record;
  };
  const Case cases[] = {
      {1, 1, 5, 0, 0.01, 100, 10, 10, standard},    {2, 1, 10, 0, 0.005, 2000, 10, 0, standard},
      {2, 0, 10, 0, 0.005, 2000, 10, 10, standard}, {3, 1, 10, 0, 0.005, 2000, 10, 10, standard},
      {4, 1, 0, 30, 0, 100, 10, 10, standard},      {5, 1, 1, 30, 0, 1000, 10, 10, scaled0},
      {6, 1, 1000, 0, 0, 0, 0, 0, rock},            {7, 1, 1000, 0, 0.0005, 1e5, 10, 0, scaled0},
  };
  for (const Case& k : cases) {
    PyProblem t;
    t.ctx.model.soil.loadingFlag = k.loading;
    SoilLayer& l = t.layer(k.code, 600, 0.07, k.c, k.phi, k.e50, k.k);
    l.top[kSixth] = l.bottom[kSixth] = 50;
    t.run();
    const std::string r = t.text();
    const std::string what = "code " + std::to_string(k.code) + " loading " + std::to_string(k.loading);
    EXPECT_EQ(countOf(r, "\n\n         AT THE EXCAVATION SIDE\n"), k.sideLines / 2) << what;
    EXPECT_EQ(countOf(r, "\n\n         AT THE BACKFILL SIDE\n"), k.sideLines / 2) << what;
    EXPECT_EQ(countOf(r, "\n\n                      P-Multiplier = "), k.multiplierLines) << what;
    const std::regex layout(k.record);
    std::ifstream in(t.path);
    std::string line;
    int records = 0;
    std::getline(in, line);  // curve count
    while (std::getline(in, line)) {
      if (line.find(" 34") != std::string::npos && line.find('E') == std::string::npos) continue;
      ++records;
      EXPECT_TRUE(std::regex_match(line, layout)) << what << ": '" << line << "'";
      if (records > 40) break;
    }
    EXPECT_GT(records, 40) << what;
  }
}

TEST(DriverLookUp, StrengthProfileRulesAndStops) {
  PyProblem t;
  auto& s = t.state.strength;
  s = {{0, 1, 0.1, 0.01, 0, 0}, {10, 2, 0.2, 0.02, 0, 0}, {10, 4, 0.0, 0.04, 0, 0},
       {20, 6, 0.3, 0.0, 0, 0}};
  EXPECT_DOUBLE_EQ(py::strengthAt(t.ctx, t.state, 5), 1.5);
  EXPECT_DOUBLE_EQ(py::strengthAt(t.ctx, t.state, 10), 4.0);  // the deeper point
  EXPECT_DOUBLE_EQ(py::strengthAt(t.ctx, t.state, 20), 6.0);
  EXPECT_DOUBLE_EQ(py::profileValueAt(t.ctx, t.state, 10, py::StrengthColumn::E50), 0.03);  // mean
  EXPECT_DOUBLE_EQ(py::profileValueAt(t.ctx, t.state, 10, py::StrengthColumn::Phi), 0.2);   // deeper is 0
  EXPECT_DOUBLE_EQ(py::profileValueAt(t.ctx, t.state, 15, py::StrengthColumn::E50), 0.02);
  try {
    py::strengthAt(t.ctx, t.state, 26);
    FAIL();
  } catch (const HardStop& e) {
    EXPECT_EQ(e.code(), "1");
  }
  EXPECT_EQ(countOf(t.err.str(), "THE VALUE OF X =  0.3D+02IS BEYOND THE EXTENT OF\n"
                                 "     THE INPUT STRENGTH CURVE"), 2);
  try {
    py::profileValueAt(t.ctx, t.state, 25, py::StrengthColumn::Phi, py::ProfileTable::Phi);
    FAIL();
  } catch (const HardStop& e) {
    EXPECT_EQ(e.code(), "");
  }
  EXPECT_EQ(countOf(t.err.str(), "THE INPUT PHI CURVE"), 2);
}

TEST(DriverLookUp, AverageUnitWeightAndBackfillStress) {
  PyProblem t;
  t.state.weight = {{0, 0.05}, {100, 0.05}, {100, 0.03}, {200, 0.03}};
  EXPECT_DOUBLE_EQ(py::averageUnitWeight(t.state, 0), 0.05);
  EXPECT_NEAR(py::averageUnitWeight(t.state, 150), (0.05 * 100 + 0.03 * 50) / 150, 1e-16);
  EXPECT_NEAR(py::averageUnitWeight(t.state, 50), 0.05, 1e-16);
  try {
    py::averageUnitWeight(t.state, 250);
    FAIL();
  } catch (const HardStop& e) {
    EXPECT_EQ(e.code(), "4");
  }

  t.state.gammaW = kGw;
  t.ctx.model.soil.legacy.uniform = 2;
  t.ctx.model.soil.waterBackfill = 150;
  t.layer(1, 100, 0.07, 5, 0, 0.01, 100);
  t.layer(4, 200, 0.06, 0, 30, 0, 90);
  t.layer(4, 300, 0.065, 0, 30, 0, 90);
  EXPECT_NEAR(py::backfillVerticalStress(t.ctx, t.state, 50), 2 + 0.07 * 50, 1e-12);
  EXPECT_NEAR(py::backfillVerticalStress(t.ctx, t.state, 175), 2 + 7 + 0.06 * 75 - kGw * 25, 1e-12);
  EXPECT_NEAR(py::backfillVerticalStress(t.ctx, t.state, 250),
              2 + 7 + 6 - kGw * 50 + 0.065 * 50 - kGw * 50, 1e-12);
  EXPECT_THROW(py::backfillVerticalStress(t.ctx, t.state, 320), HardStop);
  EXPECT_NE(t.text().find("THE VALUE OF X = 0.32E+03IS BEYOND THE EXTENT OF/"
                          "     THE INPUT CURVE FOR UNIT WEIGHT\n"),
            std::string::npos);
}

TEST(DriverMultipliers, GroupFactorAndReductionTable) {
  PyProblem t;
  RunContext& c = t.ctx;
  t.state.freeHeight = 120;
  c.model.soil.widthPressure = 24;  // WA/WP = 2
  const double g = 0.52920001745224 * std::pow(2.0, 0.5659000277519226);
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 130), g);
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 100), 1.0);  // above the excavation
  EXPECT_DOUBLE_EQ(py::yMultiplierAt(c, 130), 1.0);
  c.model.soil.widthPressure = 12;  // continuous wall
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 130), 1.0);
  c.model.soil.widthPressure = 24;

  c.model.reduction.rows = {{120, 0.5, 0.8}, {240, 0.7, 0.6}, {240, 0.9, 0.4}, {360, 1.0, 1.0}};
  c.model.control.reductionFactorCount = 4;
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 100), 1.0);  // above the first row, no group factor
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 180), 0.6);
  EXPECT_DOUBLE_EQ(py::yMultiplierAt(c, 180), 0.7);
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 240), 0.9);  // repeated row: the deeper one
  EXPECT_DOUBLE_EQ(py::yMultiplierAt(c, 240), 0.4);
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 360), 1.0);
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 400), 1.0);  // below the last row
  c.model.reduction.groupFlag = 1;
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 180), g * 0.6);
  c.model.control.reductionFactorCount = 1;  // a one-row table leaves the factor at 1
  EXPECT_DOUBLE_EQ(py::pMultiplierAt(c, t.state, 180), g);
  EXPECT_DOUBLE_EQ(py::yMultiplierAt(c, 180), 1.0);
}

TEST(DriverMultipliers, GroupFactorScalesEveryGeneratedPoint) {
  auto run = [](double wa) {
    auto t = std::make_unique<PyProblem>();
    t->ctx.model.soil.widthPressure = wa;
    t->layer(1, 600, 0.07, 5, 0, 0.01, 100);
    t->run();
    return t;
  };
  auto wide = run(48), close = run(24);
  const double g = py::groupReductionFactor(2.0);
  for (int m = 1; m <= 5; ++m) {
    for (int s = 0; s < 2; ++s) {
      for (int j = 0; j < 17; ++j) {
        EXPECT_DOUBLE_EQ(close->state.curve(m).p[s][j], g * wide->state.curve(m).p[s][j]);
        EXPECT_DOUBLE_EQ(close->state.curve(m).y[s][j], wide->state.curve(m).y[s][j]);
      }
    }
  }
  EXPECT_NE(close->text().find("  P-Multiplier =  7.834E-01 Y-Multiplier =  1.000E+00"),
            std::string::npos);
}

}  // namespace
}  // namespace korven::test
