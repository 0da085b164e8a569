// The table of soil models, and a curve function called on its own against
// the curve the whole generation writes.
#include <set>

#include "driver_fixture.h"
#include "pycurves/Sand.h"
#include "pycurves/SoilModelTable.h"

namespace korven::test {
namespace {

TEST(SoilModelTable, EveryCodeOnceInCodeOrderWithTheFlagsThePhasesNeed) {
  const auto table = soilModelTable();
  ASSERT_EQ(static_cast<int>(table.size()), kSoilModelCount);
  std::set<const void*> functions;
  for (int code = 1; code <= kSoilModelCount; ++code) {
    const SoilModelRow& row = table[static_cast<std::size_t>(code - 1)];
    EXPECT_EQ(soilModelCode(row.model), code);
    EXPECT_EQ(soilModelFromCode(code), row.model);
    EXPECT_EQ(&soilModelRow(row.model), &row);
    EXPECT_EQ(&soilModelRow(code), &row);
    ASSERT_NE(row.curves, nullptr) << code;
    functions.insert(reinterpret_cast<const void*>(row.curves));
    ASSERT_NE(row.reportLine, nullptr);
    // Frictional soils and rock take effective stresses below the water;
    // the clays are undrained.
    EXPECT_EQ(row.drained, code >= 4) << code;
    // Only rock ignores cyclic loading and has no earth coefficient.
    const bool rock = row.model == SoilModel::Rock || row.model == SoilModel::WeakRock;
    EXPECT_EQ(row.cyclicForm, !rock) << code;
    EXPECT_EQ(row.earthCoefficient, !rock) << code;
  }
  EXPECT_EQ(functions.size(), table.size());  // no model borrows another's curves
  // Codes the reader refuses fall back to soft clay.
  EXPECT_EQ(soilModelFromCode(0), SoilModel::SoftClay);
  EXPECT_EQ(soilModelFromCode(8), SoilModel::SoftClay);
}

TEST(SoilModelTable, EveryLayerReportsItsModel) {
  PyProblem t;
  const double bottom[] = {150, 180, 210, 240, 270, 300, 600};
  for (int code = 1; code <= kSoilModelCount; ++code) {
    t.layer(code, bottom[code - 1], 0.07, 5, 30, 0.01, 100).top[kSixth] = 50;
  }
  t.run();
  for (const SoilModelRow& row : soilModelTable()) {
    EXPECT_EQ(countOf(t.text(), std::string("         ") + row.reportLine + "\n"), 1) << row.reportLine;
  }
}

TEST(SandCurveFunction, WithoutRunContextGivesTheWrittenPoints) {
  // A sand curve at a given depth, without multipliers (WA/WP = 4).
  PyProblem t;
  t.layer(4, 600, 0.065, 0, 35, 0, 200);
  t.run();
  const PyState& st = t.state;
  const int m = 3;
  const double phi = st.strength[0].phi;

  py::CurveSite site;
  site.H = 120;
  site.b = 12;
  site.bRef = 12;
  for (int side = 0; side < 2; ++side) {
    py::SideDepth at;
    at.excavation = side == 0;
    at.z = st.curveDepth(m) + (side == 0 ? 0.0 : 120.0);
    at.zEff = at.z;
    const py::SandCurve c = py::sandCurve({site, at, phi, 0.065, 200});
    for (int j = 0; j < kPyPointsPerSide; ++j) {
      // The scratch file keeps four digits; the stored curve is exact.
      EXPECT_EQ(c.points.y[static_cast<std::size_t>(j)], st.curve(m).y[side][static_cast<std::size_t>(j)]) << side << j;
      EXPECT_EQ(c.points.p[static_cast<std::size_t>(j)], st.curve(m).p[side][static_cast<std::size_t>(j)]) << side << j;
    }
    EXPECT_EQ(c.pu, c.A * c.ps);
  }
}

}  // namespace
}  // namespace korven::test
