// Earth-pressure point table to station loads (and option-4 curves), the
// row selection of the pressure table, the read-back of the point file and
// of the p-y scratch file, and the check beyond the tip.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/Stops.h"
#include "core/SurchargePressure.h"
#include "pressure/EarthPressure.h"
#include "wall/PressureLoads.h"
#include "wall/Results.h"
#include "wall/SolutionLoop.h"
#include "wall/WallAnalysis.h"
#include "wall/WallTestSupport.h"

namespace korven {
namespace {

struct WallRun {
  RunContext ctx;
  std::ostringstream report, plot;
  WallRun(int unitFlag = 1) {
    ctx.report.attach(report);
    ctx.plot.attach(plot);
    ctx.unitFlag = unitFlag;
    ctx.labels = selectUnitLabels(unitFlag == 1 ? 1 : -1);
  }
  std::string text() {
    ctx.report.flush();
    return report.str();
  }
  std::string plotText() {
    ctx.plot.flush();
    return plot.str();
  }
};

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("korven_wall_" + name)).string();
}

TEST(PressureRows, StrideAndLastRow) {
  std::vector<int> rows;
  EXPECT_EQ(forEachPrintedRow(60, false, [&](int k) { rows.push_back(k + 1); }), 11);
  EXPECT_EQ(rows, (std::vector<int>{1, 7, 13, 19, 25, 31, 37, 43, 49, 55, 60}));
  rows.clear();
  EXPECT_EQ(forEachPrintedRow(61, false, [&](int k) { rows.push_back(k + 1); }), 11);
  EXPECT_EQ(rows.back(), 61);  // 61 = 1 + 60 is on the stride: not repeated
  EXPECT_EQ(forEachPrintedRow(50, false, [](int) {}), 50);
  EXPECT_EQ(forEachPrintedRow(60, true, [](int) {}), 16);
  EXPECT_EQ(forEachPrintedRow(0, true, [](int) {}), 0);
}

// A point table with column c holding (c+1)*depth, so every column can be
// traced through the widening.
void linearTable(WallModel& m, int points, double spacing) {
  m.pressure.rows.clear();
  for (int k = 0; k < points; ++k) {
    std::array<double, 12> row{};
    row[0] = k * spacing;
    for (std::size_t c = 1; c < 12; ++c) row[c] = static_cast<double>(c + 1) * row[0];
    m.pressure.rows.push_back(row);
  }
  m.pressurePresent = true;
}

// A uniform wall of n increments h under earth-pressure option `option`,
// with the excavation depth and the widths of the retained and resisting
// sides.
WallModel& pressureWall(WallRun& r, int n, double h, int option, double freeHeight, double wa,
                        double wp) {
  WallModel& m = r.ctx.model;
  test::uniformWall(m, n, h, 1.0);
  m.control.earthPressureOption = option;
  m.wall.excavationDepth = freeHeight;
  m.soil.widthPressure = wa;
  m.soil.widthResistance = wp;
  return m;
}

TEST(EarthPressure, WideningTableAndStationLoads) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = pressureWall(*r, 10, 6.0, 2, 30.0, 2.0, 3.0);
  linearTable(m, 61, 1.0);  // one point per inch down to 60 in
  m.soil.excavationDepth = 45.0;  // the soil data's: not the widening's
  m.stations.q(4) = 7.0;
  applyEarthPressure(r->ctx);
  const auto& rows = m.pressure.rows;
  EXPECT_DOUBLE_EQ(rows[30][4], 5.0 * 30.0 * 2.0);  // at H: WA
  EXPECT_DOUBLE_EQ(rows[31][4], 5.0 * 31.0 * 3.0);  // below H: WP
  EXPECT_DOUBLE_EQ(rows[30][1], 2.0 * 30.0 * 2.0 * 6.0);  // column 2 times h
  // Loads: column 2 at the station depths; station 0 gets nothing.
  EXPECT_DOUBLE_EQ(m.stations.q(0), 0.0);
  EXPECT_DOUBLE_EQ(m.stations.q(3), 2.0 * 18.0 * 2.0 * 6.0);
  EXPECT_DOUBLE_EQ(m.stations.q(4), 7.0 + 2.0 * 24.0 * 2.0 * 6.0);
  EXPECT_DOUBLE_EQ(m.stations.q(10), 2.0 * 60.0 * 3.0 * 6.0);
  EXPECT_DOUBLE_EQ(m.stations.q(11), 0.0);
  const std::string text = r->text();
  EXPECT_NE(text.find("\n\n         DEPTH         ACTIVE EARTH PRESSURE\n          FT                  "
                      "LBS/IN\n        --------       ------------------------\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n      5.00000E-01         2.40000E+01\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n      5.00000E+00         3.60000E+02\n"), std::string::npos);  // last
  const std::string plot = r->plotText();
  EXPECT_EQ(plot.rfind(" 11\n", 0), 0u) << plot;
  // Depth, column 2 (times h), then columns 12, 7, 9, 11, 10 and 8.
  EXPECT_NE(plot.find("\n   0.60000E+01   0.14400E+03   0.14400E+03   0.84000E+02   0.10800E+03"
                      "   0.13200E+03   0.12000E+03   0.96000E+02\n"),
            std::string::npos)
      << plot;
}

TEST(EarthPressure, StationsBetweenAndBeyondPoints) {
  auto r = std::make_unique<WallRun>(2);
  WallModel& m = r->ctx.model;
  test::uniformWall(m, 10, 0.4, 1.0);
  m.control.earthPressureOption = 1;  // already per width and times h
  m.pressure.rows = {{0.0, 0.0, 0.0}, {1.0, 10.0, 25.0}, {1.9, 19.0, 47.5}};
  convertPressureToStationLoads(r->ctx);
  EXPECT_DOUBLE_EQ(m.stations.q(1), 4.0);
  EXPECT_DOUBLE_EQ(m.stations.q(4), 16.0);
  EXPECT_DOUBLE_EQ(m.stations.q(5), 16.0);  // 2.0 lies beyond the last point
  EXPECT_DOUBLE_EQ(m.stations.q(6), 0.0);   // nS = nint(1.9/0.4) + 1 = 6
  // The plot section of a specified pressure: column 12 takes column 2 and a
  // zero column 3 is replaced by a small value.
  writePressurePlot(r->ctx);
  EXPECT_DOUBLE_EQ(m.pressure.rows[0][2], 1.0000000116860974e-7);
  EXPECT_DOUBLE_EQ(m.pressure.rows[2][11], 19.0);
}

// A specified table (earth-pressure option 1, kept as read) takes the path
// of a computed one: widened on the two sides of the excavation, printed per
// unit length, then times h into station loads. With tie-backs the
// surcharge pressure joins the specified pressure ahead of the widening, so
// it is widened once like the rest.
TEST(EarthPressure, SpecifiedTableWithTieBacksIsWidenedOnce) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = pressureWall(*r, 10, 6.0, 1, 30.0, 2.0, 3.0);
  m.control.tieBackCount = 1;
  m.soil.excavationDepth = 30.0;
  m.soil.surcharges = {
      Surcharge{.type = 3, .load = 100.0, .distance = 12.0, .width = 12.0, .factor = 1.0}};
  m.pressure.rows = {{0.0, 0.0, 0.0}, {30.0, 4.0, 4.0}, {60.0, 4.0, 4.0}};
  m.pressurePresent = true;
  const double s30 = surchargePressureAt(r->ctx.model, 30.0);
  const double s60 = surchargePressureAt(r->ctx.model, 60.0);
  ASSERT_GT(s30, 0.0);
  applyEarthPressure(r->ctx);
  const auto& rows = m.pressure.rows;
  EXPECT_DOUBLE_EQ(rows[1][3], s30 * 2.0);  // at H: WA
  EXPECT_DOUBLE_EQ(rows[2][3], s60 * 3.0);  // below H: WP
  EXPECT_DOUBLE_EQ(rows[1][1], (rows[1][2] + rows[1][3]) * 6.0);
  EXPECT_DOUBLE_EQ(rows[2][1], (4.0 + s60) * 3.0 * 6.0);
  EXPECT_DOUBLE_EQ(m.stations.q(5), rows[1][1]);
  EXPECT_DOUBLE_EQ(m.stations.q(10), rows[2][1]);
  EXPECT_DOUBLE_EQ(m.stations.q(3), 0.6 * rows[1][1]);
  // The report table shows the widened pressure per unit length.
  char row[64];
  std::snprintf(row, sizeof row, "\n      5.00000E+00  %18.5E\n", (4.0 + s60) * 3.0);
  const std::string text = r->text();
  EXPECT_NE(text.find("ACTIVE EARTH PRESSURE\n          FT"), std::string::npos) << text;
  EXPECT_NE(text.find(row), std::string::npos) << row << text;
  // The plot section: column 12 repeats column 2.
  EXPECT_EQ(r->plotText().rfind(" 3\n", 0), 0u);
  EXPECT_DOUBLE_EQ(rows[2][11], rows[2][1]);
}

TEST(EarthPressure, OptionFourBuildsSixPointCurves) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = pressureWall(*r, 20, 12.0, 4, 36.0, 24.0, 24.0);
  m.control.pyOption = 2;
  m.wall.analysisWidth = 24.0;
  m.soil.referenceWidth = 12.0;
  m.soil.fixedFlag = 1;
  SoilLayer layer;
  layer.bottomDepth = 120.0;  // internal length unit (in)
  layer.top[kSubgrade] = 90.7;
  m.soil.layers = {layer};
  for (int k = 0; k <= 60; ++k) {
    std::array<double, 12> row{};
    row[0] = k;
    row[2] = 1.0;       // active with water
    row[3] = 0.5;       // surcharge
    row[4] = 1000.0;    // passive
    row[5] = 2.0 + k;   // at rest
    m.pressure.rows.push_back(row);
  }
  convertPressureToStationLoads(r->ctx);
  ASSERT_EQ(m.userCurves.size(), 3u);  // stations 1, 2 and 3
  EXPECT_EQ(m.control.userCurveCount, 3);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(m.stations.q(i), 0.0);
  const UserPyCurve& c = m.userCurves[1];
  EXPECT_EQ(c.station, 2);
  const double w = 12.0;  // continuous wall: reference width
  EXPECT_EQ(c.y, (std::vector<double>{-40.0, -3 * w / 80, -w / 10667, 0.0, w / 357, 40.0}));
  const double p0 = 2.0 + 24.0;
  const double p3 = 90.0 * 24.0 * w / 10667 + p0;
  EXPECT_EQ(c.p, (std::vector<double>{1000.0, 1000.0, p3, p0, 1.5, 1.5}));
  // The modulus is that of the layer holding the station depth, both in
  // the internal length unit: station 3 (36 in) lies in a second layer.
  SoilLayer deeper;
  deeper.bottomDepth = 600.0;
  deeper.top[kSubgrade] = 200.4;
  m.soil.layers = {layer, deeper};
  m.soil.layers[0].bottomDepth = 24.0;
  convertPressureToStationLoads(r->ctx);
  EXPECT_DOUBLE_EQ(m.userCurves[1].p[2], 90.0 * 24.0 * w / 10667 + p0);
  EXPECT_DOUBLE_EQ(m.userCurves[2].p[2], 200.0 * 36.0 * w / 10667 + (2.0 + 36.0));
  // A subgrade term that lifts p3 above the passive value falls back.
  m.soil.layers = {layer};
  m.soil.layers[0].top[kSubgrade] = 1e6;
  convertPressureToStationLoads(r->ctx);
  EXPECT_DOUBLE_EQ(m.userCurves[1].p[2], 1.5 * p0);
  // An excavation deeper than any wall gives curves down to the end of the
  // station tables, no further; a negative one gives none.
  m.wall.excavationDepth = 1e12;
  convertPressureToStationLoads(r->ctx);
  EXPECT_EQ(m.userCurves.size(), static_cast<std::size_t>(kStationTableSize - kStationOffset - 1));
  m.wall.excavationDepth = -1e12;
  convertPressureToStationLoads(r->ctx);
  EXPECT_TRUE(m.userCurves.empty());
}

TEST(PointFile, ReadBack) {
  auto r = std::make_unique<WallRun>();
  const std::string path = tempPath("points.txt");
  {
    std::ofstream out(path);
    out << " 2\n";
    for (int k = 0; k < 2; ++k) {
      for (int c = 0; c < 12; ++c) out << "  " << (k * 100 + c) << ".5E+00";
      out << "\n";
    }
  }
  r->ctx.names.pressureFile = path;
  // Rows kept by a writer of another text (the file was changed after it
  // was written): the file's own numbers are read.
  textio::HeldReals& held = r->ctx.heldPressureRows;
  held.complete = true;
  held.perLine = 12;
  held.values.assign(24, 7.0);
  held.text = std::string(2, '\n');
  readPressurePointFile(r->ctx);
  ASSERT_EQ(r->ctx.model.pressure.count(), 2);
  EXPECT_TRUE(r->ctx.model.pressurePresent);
  EXPECT_DOUBLE_EQ(r->ctx.model.pressure.rows[1][11], 111.5);
  // Kept rows of the file's very text are taken as they are.
  {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    held.text.clear();
    while (std::getline(in, line)) held.text += line + "\n";
  }
  readPressurePointFile(r->ctx);
  EXPECT_EQ(r->ctx.model.pressure.rows[1][11], 7.0);
  std::remove(path.c_str());
  r->ctx.names.pressureFile = tempPath("missing.txt");
  EXPECT_THROW(readPressurePointFile(r->ctx), RunEnd);
}

// A scratch file that ends inside a record stops the reading with the same
// message whether its kept numbers or its own text are read.
TEST(ScratchFile, KeptNumbersEndWhereTheFileEnds) {
  auto r = std::make_unique<WallRun>();
  test::uniformWall(r->ctx.model, 20, 6.0, 1.0);
  r->ctx.model.control.userCurveCount = 1;
  const std::string path = tempPath("short-py.txt");
  const std::string text = " 1\n 3 1\n 1 50.0\n";  // the point lacks its deflection
  std::ofstream(path) << text;
  r->ctx.names.pyScratchFile = path;
  const auto message = [&] {
    try {
      readPyScratchFile(r->ctx);
    } catch (const textio::InputError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  textio::HeldNumbers& held = r->ctx.heldPyScratch;
  held.complete = false;
  const std::string fromText = message();
  EXPECT_NE(fromText.find("P-Y CURVE POINT"), std::string::npos) << fromText;
  held = {text, {1, 3, 1, 1, 50.0}, {1, 3, 5}, true};
  EXPECT_EQ(message(), fromText);
  std::remove(path.c_str());
}

TEST(ScratchFile, UserCurvesThenMirroredGeneratedCurves) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  test::uniformWall(m, 20, 6.0, 1.0);
  m.control.userCurveCount = 1;
  const std::string path = tempPath("py.txt");
  {
    std::ofstream out(path);
    out << " 2\n 3 2\n 1 50.0 -1.0\n 2 -50.0 1.0\n";
    out << " 32.9 34\n";
    for (int j = 1; j <= 34; ++j) {
      const int side = j <= 17 ? j : j - 17;  // 1..17 on each side
      out << "    " << j << " " << side * 10.0 << " " << (side - 1) * 0.1 << "\n";
    }
  }
  r->ctx.names.pyScratchFile = path;
  // Numbers kept by a writer of another text (the file was changed after it
  // was written): the file's own numbers are read.
  textio::HeldNumbers& held = r->ctx.heldPyScratch;
  held.complete = true;
  held.text = " 9\n";
  held.values = {9.0};
  held.lineEnds = {1};
  readPyScratchFile(r->ctx);
  ASSERT_EQ(m.curves.size(), 2u);
  // Numbers kept for the file's very text are taken as they are, record by
  // record as a reader takes them from its lines.
  {
    std::ifstream in(path);
    held.text.assign(std::istreambuf_iterator<char>(in), {});
  }
  held.values = {2, 3, 2, 1, 50.5, -1.0, 2, -50.0, 1.0, 32.9, 34};
  held.lineEnds = {1, 3, 6, 9, 11};
  for (int j = 1; j <= 34; ++j) {
    const int side = j <= 17 ? j : j - 17;
    held.values.insert(held.values.end(), {double(j), side * 10.0, (side - 1) * 0.1});
    held.lineEnds.push_back(static_cast<std::uint32_t>(held.values.size()));
  }
  r->ctx.plot.flush();
  readPyScratchFile(r->ctx);
  ASSERT_EQ(m.curves.size(), 2u);
  EXPECT_EQ(m.curves[0].p[0], 50.5);  // the kept value, not the 50.0 of the text
  held.complete = false;
  readPyScratchFile(r->ctx);
  std::remove(path.c_str());
  ASSERT_EQ(m.curves.size(), 2u);
  const PyCurve& user = m.curves[0];
  EXPECT_EQ(user.firstStation, 3);
  EXPECT_EQ(user.contd, 1);
  EXPECT_EQ(user.points, 2);
  EXPECT_DOUBLE_EQ(user.y[0], -1.0);
  EXPECT_DOUBLE_EQ(user.p[0], 50.0);
  const PyCurve& g = m.curves[1];
  EXPECT_EQ(g.firstStation, 5);  // nint(32.9 / 6)
  EXPECT_EQ(g.lastStation, 5);
  EXPECT_EQ(g.points, 33);
  EXPECT_EQ(g.contd, 1);
  EXPECT_DOUBLE_EQ(g.y[0], -1.6);   // record 34, mirrored
  EXPECT_DOUBLE_EQ(g.p[0], 170.0);
  EXPECT_DOUBLE_EQ(g.y[16], -0.0);  // record 18
  EXPECT_DOUBLE_EQ(g.p[16], 10.0);
  EXPECT_DOUBLE_EQ(g.y[17], 0.1);   // record 2
  EXPECT_DOUBLE_EQ(g.p[17], -20.0);
  EXPECT_DOUBLE_EQ(g.y[32], 1.6);   // record 17
  EXPECT_DOUBLE_EQ(g.p[32], -170.0);
  const std::string plot = r->plotText();
  EXPECT_EQ(plot.rfind(" 1 2\n      18.00     2\n", 0), 0u) << plot;
  EXPECT_NE(plot.find("\n      32.90    33\n"), std::string::npos);
}

TEST(ScratchFile, CountAndStationLimits) {
  auto r = std::make_unique<WallRun>();
  const std::string path = tempPath("py_count.txt");
  r->ctx.names.pyScratchFile = path;
  test::uniformWall(r->ctx.model, 20, 6.0, 1.0);
  {
    std::ofstream(path) << " 401\n";
  }
  EXPECT_THROW(readPyScratchFile(r->ctx), RunEnd);
  EXPECT_NE(r->text().find("     TOO MUCH DATA FOR AVAILABLE STORAGE"), std::string::npos);
  {
    std::ofstream(path) << " 0\n";
  }
  readPyScratchFile(r->ctx);
  EXPECT_TRUE(r->ctx.model.curves.empty());

  // A curve below the tip is kept: the range from station 8 runs to the tip
  // and is interpolated over its full span.
  WallModel& m = r->ctx.model;
  m.control.userCurveCount = 2;
  const char* curve = " 2\n 1 50.0 -1.0\n 2 -50.0 1.0\n";
  {
    std::ofstream(path) << " 2\n 8" << curve << " 40" << curve;
  }
  readPyScratchFile(r->ctx);
  ASSERT_EQ(m.curves.size(), 2u);
  EXPECT_EQ(m.curves[1].firstStation, 40);
  WallState st;
  prepareCurveTable(m, st);
  ASSERT_EQ(applyCurves(m, st), CurveStatus::Ok);
  EXPECT_DOUBLE_EQ(st.sw(8), 0.5 * 50.0 * 6.0);
  EXPECT_DOUBLE_EQ(st.sw(19), 50.0 * 6.0);
  EXPECT_DOUBLE_EQ(st.sw(20), 0.5 * 50.0 * 6.0);
  EXPECT_EQ(st.sw(21), 0.0);
  // Above the fictitious stations there is no table entry.
  {
    std::ofstream(path) << " 2\n -4" << curve << " 8" << curve;
  }
  EXPECT_THROW(readPyScratchFile(r->ctx), RunEnd);
  std::remove(path.c_str());
}

TEST(TableCheck, NonZeroDataBeyondTheTip) {
  auto r = std::make_unique<WallRun>();
  test::uniformWall(r->ctx.model, 10, 6.0, 1.0);
  r->ctx.model.stations.s(12) = 5.0;  // S of N+2 is not part of the check
  EXPECT_NO_THROW(checkTablesBeyondTip(r->ctx));
  r->ctx.model.stations.t(12) = 1.0;
  EXPECT_THROW(checkTablesBeyondTip(r->ctx), RunEnd);
  EXPECT_NE(r->text().find("\n\n     ERROR -- NON-ZERO TABLE 4 DATA BEYOND END"), std::string::npos);
}

}  // namespace
}  // namespace korven
