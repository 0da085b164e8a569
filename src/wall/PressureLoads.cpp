#include "wall/PressureLoads.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "core/Stops.h"
#include "core/SurchargePressure.h"
#include "textio/FreeFormat.h"
#include "wall/Results.h"
#include "wall/WallAnalysis.h"

namespace korven {

void readPressurePointFile(RunContext& ctx) {
  const auto file = ctx.readScratch(Scratch::EarthPressure);
  if (!file) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- THE EARTH-PRESSURE POINT FILE CANNOT BE OPENED')"));
    throw RunEnd("earth-pressure point file cannot be opened");
  }
  textio::RecordReader reader(*file, ctx.names.pressureFile, "EARTH-PRESSURE POINT FILE");
  const int count = reader.record("EARTH-PRESSURE POINT COUNT").integer();
  if (count < 0) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- NEGATIVE NUMBER OF EARTH-PRESSURE POINTS')"));
    throw RunEnd("negative number of earth-pressure points");
  }
  auto& rows = ctx.model.pressure.rows;
  rows.assign(static_cast<std::size_t>(count), {});
  // When the rows are exactly the text the pressure phase wrote, their
  // values are the ones it kept while writing them: the same doubles that
  // converting the text again gives.
  const textio::HeldReals& held = ctx.heldPressureRows;
  constexpr std::size_t kColumns = std::tuple_size_v<std::decay_t<decltype(rows.front())>>;
  if (held.complete && held.perLine == kColumns && held.values.size() == rows.size() * kColumns &&
      reader.skipLines(held.text)) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
      std::copy_n(held.values.begin() + static_cast<std::ptrdiff_t>(k * kColumns), kColumns, rows[k].begin());
    }
  } else {
    for (auto& row : rows) {
      auto r = reader.record("EARTH-PRESSURE POINT");
      r.reals(row);
    }
  }
  ctx.model.pressurePresent = count > 0;
}

void applyEarthPressure(RunContext& ctx) {
  WallModel& m = ctx.model;
  auto& rows = m.pressure.rows;
  const double h = m.wall.h;
  // The wall record's excavation depth: the soil data's may differ and
  // governs only the pressure and p-y phases.
  const double depthLimit = m.wall.excavationDepth;
  double wa = m.soil.widthPressure;
  double wp = m.soil.widthResistance;
  if (m.control.earthPressureOption == 1 && wa == 0.0 && wp == 0.0) {
    // A specified table in a run that has read no soil data (p-y curves
    // given by the user) has no widths to scale it: it is taken as the
    // pressure per unit length of wall that its echo states, rather than
    // vanishing into zero loads.
    wa = wp = 1.0;
  }
  if (m.control.earthPressureOption == 1 && m.control.tieBackCount > 0) {
    // Specified pressure with tie-backs: the surcharge pressure at each
    // point (column 4) is added to the specified pressure kept in column 3.
    for (auto& row : rows) {
      row[3] = surchargePressureAt(ctx.model, row[0]);
      row[1] = row[2] + row[3];
    }
  }
  // Widening, computed and specified tables alike: the retained-side width
  // down to the excavation, the resisting width from the first point below
  // it.
  bool below = false;
  for (auto& row : rows) {
    if (!below && row[0] > depthLimit) below = true;
    const double width = below ? wp : wa;
    for (std::size_t c = 1; c < row.size(); ++c) row[c] *= width;
    requireFinite(ctx, {row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8], row[9],
                        row[10], row[11]},
                  "EARTH PRESSURES");
  }
  m.pressureTable.clear();
  m.pressureTable.reserve(rows.size());
  for (const auto& row : rows) m.pressureTable.push_back({row[0], row[1]});
  writeEarthPressureTable(ctx);
  // Pressure per unit length times the tributary length: force per station.
  for (auto& row : rows) row[1] *= h;
  writePressurePlot(ctx);
  convertPressureToStationLoads(ctx);
}

namespace {

// Six-point pressure-deflection curves of the stations above the
// excavation (earth-pressure option 4).
void buildPressureCurves(RunContext& ctx, int stationCount) {
  WallModel& m = ctx.model;
  const auto& rows = m.pressure.rows;
  const double h = m.wall.h;
  const double wa = m.soil.widthPressure;
  const double wp = m.soil.widthResistance;
  const double ratio = wp > 0.0 ? std::max(1.0, wa / wp) : 1.0;
  const bool continuous = ratio < 1.100000023841858 && m.soil.fixedFlag == 1;
  // Deflection scale of the curves: the reference width for a continuous
  // wall, otherwise the analysis width.
  const double width = continuous ? m.soil.referenceWidth : m.wall.analysisWidth;
  const double yEnd = ctx.si() ? 1.0 : 40.0;
  const auto& layers = m.soil.layers;
  double modulus = layers.empty() ? 0.0 : std::trunc(layers.front().top[kSubgrade]);

  m.userCurves.clear();
  std::size_t k = 0;
  for (int n = 1; n < stationCount; ++n) {
    const double z = n * h;
    while (k + 1 < rows.size() && rows[k][0] < z) ++k;
    const auto& row = rows[k];
    const double passive = row[4];
    const double atRest = row[5];
    const double active = row[2] + row[3];
    // Subgrade modulus of the layer holding the station (layer depths are
    // held in the internal length unit, as the earth-pressure and p-y phases
    // read them); below the last layer the previous value.
    for (const SoilLayer& layer : layers) {
      if (z <= layer.bottomDepth) {
        modulus = std::trunc(layer.top[kSubgrade]);
        break;
      }
    }
    double p3 = modulus * z * width / 10667.0 + atRest;
    if (p3 > passive || p3 <= atRest) p3 = 1.5 * atRest;

    UserPyCurve c;
    c.station = n;
    c.contd = 1;
    c.y = {-yEnd, -3.0 * width / 80.0, -width / 10667.0, 0.0, width / 357.0, yEnd};
    c.p = {passive, passive, p3, atRest, active, active};
    c.yRaw = c.y;
    c.pRaw = c.p;
    m.userCurves.push_back(c);
  }
  if (m.control.pyOption == 2) {
    // They reach the solver through the p-y scratch file, ahead of the
    // generated curves.
    m.control.userCurveCount = static_cast<int>(m.userCurves.size());
  } else {
    for (const UserPyCurve& u : m.userCurves) {
      PyCurve c;
      c.points = static_cast<int>(u.y.size());
      c.contd = 1;
      c.firstStation = c.lastStation = u.station;
      c.depth = u.station * h;
      std::copy(u.y.begin(), u.y.end(), c.y.begin());
      std::copy(u.p.begin(), u.p.end(), c.p.begin());
      m.curves.push_back(c);
    }
  }
}

}  // namespace

void convertPressureToStationLoads(RunContext& ctx) {
  WallModel& m = ctx.model;
  const auto& rows = m.pressure.rows;
  if (rows.empty()) return;
  const double h = m.wall.h;
  if (m.control.earthPressureOption == 4) {
    // Stations down to the excavation, at most those of the station tables.
    const int lastStation = std::clamp(nearestInt(m.wall.excavationDepth / h), -1,
                                       kStationTableSize - kStationOffset - 1);
    buildPressureCurves(ctx, lastStation + 1);
    return;
  }
  const int lastStation =
      std::min(nearestInt(rows.back()[0] / h), kStationTableSize - kStationOffset - 1);
  double value = 0.0;
  std::size_t k = 1;
  for (int n = 1; n <= lastStation; ++n) {
    const double z = n * h;
    while (k < rows.size() && rows[k][0] < z) ++k;
    if (k < rows.size()) {
      // Linear in depth between the points k-1 and k.
      const auto& r0 = rows[k - 1];
      const auto& r1 = rows[k];
      const double dz = r1[0] - r0[0];
      value = dz != 0.0 ? r0[1] + (z - r0[0]) * (r1[1] - r0[1]) / dz : r1[1];
    }
    m.stations.q(n) += value;
  }
}

}  // namespace korven
