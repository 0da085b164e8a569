// Pressure distribution on the retained side at closely spaced depth points
// (one per inch, or one per 0.05 m), with the apparent-pressure envelopes of
// supported walls, written to the earth-pressure point file.
#include <algorithm>
#include <cmath>

#include "core/Stops.h"
#include "model/SoilModels.h"
#include "pressure/EarthPressure.h"
#include "pressure/PressureInternal.h"

namespace korven::pressure {

namespace {

constexpr double kTinyPressure = 1.0e-12;  // times the row number: a positive "zero"
constexpr double kSmallSurfacePressure = 1.0e-6;

// Stretch of the point grid belonging to one analysis layer.
struct GridLayer {
  int layer = 0;      // 1-based analysis layer
  double span = 0.0;  // length covered by the layer's points
  int points = 0;
};

// The grid runs from the wall top to the wall tip: layers starting at or
// below the tip are left out, and the deepest remaining layer is cut or
// extended so that its points end at the tip. The point count of the file
// then always equals its records.
std::vector<GridLayer> pointGrid(const RunContext& ctx, const PressureState& st,
                                 double wallLength) {
  const SoilProfile& profile = st.profile;
  std::vector<GridLayer> grid;
  for (int j = 1; j <= profile.count(); ++j) {
    const AnalysisLayer& l = profile.layer(j);
    if (!(l.ztop < wallLength - kDepthTolerance)) break;
    const bool last =
        j == profile.count() || !(profile.layer(j + 1).ztop < wallLength - kDepthTolerance);
    GridLayer g;
    g.layer = j;
    g.span = last ? wallLength - l.ztop : l.thickness;
    g.points = pointCount(ctx, g.span);
    grid.push_back(g);
  }
  return grid;
}

// The supports of the wall in the order they were read (restraints, then
// tie-backs): their number and the depths of the first and the last.
struct Supports {
  int count = 0;
  double first = 0.0, last = 0.0;
};

Supports supportDepths(const RunContext& ctx) {
  std::vector<int> stations;
  for (const Restraint& r : ctx.model.restraints) stations.push_back(r.from);
  const std::size_t tieBacks =
      std::min<std::size_t>(ctx.model.tieBacks.size(),
                            static_cast<std::size_t>(std::max(0, ctx.model.control.tieBackCount)));
  for (std::size_t i = 0; i < tieBacks; ++i) stations.push_back(ctx.model.tieBacks[i].station);
  Supports s;
  s.count = static_cast<int>(stations.size());
  if (s.count > 0) {
    s.first = stations.front() * ctx.model.wall.h;
    s.last = stations.back() * ctx.model.wall.h;
  }
  return s;
}

// Trapezoidal apparent-pressure shape: linear rise to `peak` at riseEnd,
// constant to flatEnd, linear fall to 0 at the excavation depth h.
struct Envelope {
  double riseEnd = 0.0, flatEnd = 0.0, h = 0.0;
  double at(double z, double peak) const {
    if (z < riseEnd) return peak * z / riseEnd;
    if (z <= flatEnd) return peak;
    if (z < h) return peak * (h - z) / (h - flatEnd);
    return 0.0;
  }
};

double envelopePeak(const Supports& s, double area, double h) {
  if (s.count == 0 || !(h > 0.0)) return 0.0;
  if (s.count == 1) return single(3.9f) * area / (2.0 * h);
  const double depth = h - (h - s.last + s.first) / 3.0;
  return depth > 0.0 ? single(1.3f) * area / depth : 0.0;
}

// Replaces the rows of the layers above the excavation level (points 2 to
// lastAbove) by the apparent-pressure envelopes of options 3 and 5.
void applyEnvelopes(RunContext& ctx, const PressureState& st, std::vector<PressurePoint>& rows,
                    int lastAbove, double area, double earthArea, double surfaceArea) {
  const SoilProfile& profile = st.profile;
  const int option = ctx.model.control.earthPressureOption;
  const double h = st.freeHeight;
  const Supports supports = supportDepths(ctx);

  const double peak = envelopePeak(supports, area, h);
  double earthPeak = envelopePeak(supports, earthArea, h);
  Envelope shape;
  shape.h = h;
  shape.riseEnd = 2.0 * supports.first / 3.0;
  shape.flatEnd =
      supports.count >= 2 ? h - 2.0 * (h - supports.last) / 3.0 : shape.riseEnd + h / 3.0;
  if (option == 5) {
    const AnalysisLayer& e = profile.layer(profile.excavationLayerIndex);
    earthPeak = e.modifier * e.ka * e.overburden;
    const auto& input = ctx.model.soil.layers;
    if (!input.empty() && soilModelFromCode(input.front().modelCode) == SoilModel::SoftClay) {
      // Soft clay: rise over the top quarter, then constant to the excavation.
      shape.riseEnd = 0.25 * h;
      shape.flatEnd = h;
    }
  }
  // The surface-load part keeps its share of the earth-pressure area.
  const double surfaceShare = earthArea > 0.0 ? std::clamp(surfaceArea / earthArea, 0.0, 1.0) : 0.0;

  for (int k = 2; k <= lastAbove; ++k) {
    PressurePoint& r = rows[static_cast<std::size_t>(k - 1)];
    const double z = r[0];
    const double earth = shape.at(z, earthPeak);
    const double surfacePart = surfaceShare * earth;
    r[1] = shape.at(z, peak);
    r[10] = earth;
    r[8] = surfacePart;
    r[6] = earth - surfacePart;
    r[2] = r[6] + r[7];
    r[3] = r[9] + surfacePart;
    r[11] = r[10] + r[9] + r[7];
  }
  if (option == 3) {
    for (std::size_t k = static_cast<std::size_t>(lastAbove); k < rows.size(); ++k) {
      PressurePoint& r = rows[k];
      r[6] += r[7];
      r[7] = 0.0;
      r[10] = 0.0;
    }
  }
}

void writePointFile(RunContext& ctx, const std::vector<PressurePoint>& rows) {
  textio::OutputChannel file;
  if (!ctx.openScratch(file, Scratch::EarthPressure)) {
    ctx.report.write(
        KLAYOUT("(/,/,'     ERROR STOP -- CANNOT OPEN THE EARTH PRESSURE POINT FILE')"));
    throw RunEnd("earth-pressure point file cannot be opened");
  }
  file.writeFree(static_cast<int>(rows.size()));
  // A record of twelve values per point. The rows are kept with the values
  // they read back as, for the wall analysis; a table equal to the one
  // written before (problems that differ only in their loads) is written
  // as the text it gave then.
  std::vector<double> values;
  values.reserve(rows.size() * std::tuple_size_v<PressurePoint>);
  for (const PressurePoint& r : rows) values.insert(values.end(), r.begin(), r.end());
  file.writeRows(KLAYOUT("(12(1X,E12.5))"), values, ctx.heldPressureRows);
  file.close();
}

}  // namespace

void writePressureDistribution(RunContext& ctx, PressureState& st) {
  const SoilProfile& profile = st.profile;
  const int option = ctx.model.control.earthPressureOption;
  const double wallLength = ctx.model.wall.n * ctx.model.wall.h;
  const double h = st.freeHeight;
  const double zwB = st.waterBackfill;
  const double zwE = st.waterExcavation;
  const double gw = st.waterUnitWeight;
  const bool backfillWater = ctx.model.soil.waterPressureFlag == 1;
  const int excavation = profile.excavationLayerIndex;
  const double sE = profile.layer(excavation).overburden;
  const AnalysisLayer& top = profile.layer(1);
  const double s1 = top.overburden;
  // Areas under the pressure curves take the point spacing as one inch
  // (English) or 0.05 m (SI).
  const double spacing = ctx.si() ? 1.0 / 20.0 : 1.0;

  std::vector<PressurePoint>& rows = st.points;
  rows.clear();
  PressurePoint first{};
  const double surfaceActive = top.modifier * top.ka * s1;
  first[1] = surfaceActive;
  if (s1 > 0.0) {
    first[3] = surfaceActive;
    if (option != 5) first[8] = first[11] = surfaceActive;
  }
  first[4] = top.modifier * top.kp * s1;
  rows.push_back(first);

  double area = 0.0, earthArea = 0.0, surfaceArea = 0.0;  // above the excavation level
  int lastAbove = 1;
  double previousExcavationWater = 0.0;

  for (const GridLayer& g : pointGrid(ctx, st, wallLength)) {
    const AnalysisLayer& l = profile.layer(g.layer);
    const bool above = g.layer < excavation;
    const double m = l.modifier;
    const double c = l.cohesion;
    const bool drainedSubmerged = l.drained && l.submerged;
    const double gEff = drainedSubmerged ? l.unitWeight - gw : l.unitWeight;
    const double wB = drainedSubmerged && backfillWater ? gw : 0.0;
    const double wU = l.submerged && !l.drained ? gw : 0.0;
    const double u = l.ztop - zwB;
    const double s = l.overburden;
    const double surfacePart =
        s1 < kSmallSurfacePressure ? 0.0 : std::max(0.0, m * (l.ka * s1 - 2.0 * c * l.sqrtKa));
    // Constant pressures at and below the excavation level.
    const double earthBelow = m * (l.ka * sE - 2.0 * c * l.sqrtKa);
    const double activeBelow = earthBelow + (zwB <= h ? m * (h - zwB) * wB : 0.0);
    const double passiveBelow = m * (l.kp * sE + 2.0 * c * l.sqrtKa + wB * (l.ztop - zwB));
    const double restBelow = m * (l.k0 * (sE + 2.0 * c) + wB * (l.ztop - zwB));

    for (int i = 1; i <= g.points; ++i) {
      const int k = static_cast<int>(rows.size()) + 1;
      const double tiny = k * kTinyPressure;
      const double z = l.ztop + i * g.span / g.points;
      const double dz = z - l.ztop;

      const double active =
          above ? m * (l.ka * s - 2.0 * c * l.sqrtKa + wB * u) + m * (l.ka * gEff + wB) * dz
                : activeBelow;
      const double passive =
          above ? m * (l.kp * s + 2.0 * c * l.sqrtKp + wB * u) + m * (l.kp * gEff + wB) * dz
                : passiveBelow;
      const double rest =
          above ? m * (l.k0 * (s + 2.0 * c) + wB * u) + m * (l.k0 * gEff + wB) * dz : restBelow;
      const double water = m * (wB + wU) * (z - zwB);

      // Water in front of the wall, from its own table down to the
      // excavation surface.
      double excavationWater = 0.0;
      if (z > zwE) {
        if (z < h)
          excavationWater = gw * (z - zwE);
        else if (z > h)
          excavationWater = gw * (h - zwE);
        else
          excavationWater = previousExcavationWater;
      }
      excavationWater = std::max(0.0, excavationWater);
      previousExcavationWater = excavationWater;
      const double excavationHead = z > zwE ? gw * (z - zwE) : 0.0;
      const double frontWater = l.submerged ? m * excavationWater : 0.0;

      const double ps = surchargePressureAt(ctx.model, z, &st.surcharge);
      double net = active + (option == 3 ? 0.0 : ps) - frontWater;
      if (net < kPressureFloor) net = tiny;
      double withWater = active - frontWater;
      if (withWater < kPressureFloor) withWater = tiny;

      double earth =
          above ? m * (l.ka * s - 2.0 * c * l.sqrtKa) + m * l.ka * gEff * dz : earthBelow;
      if (above && z <= h) earth -= m * wU * (z - zwB);
      double netWater = water - m * excavationHead;
      if (earth < kPressureFloor && netWater > kPressureFloor) {
        netWater += earth;
        if (netWater < kPressureFloor) earth = netWater = tiny;
      }

      const PressurePoint& previous = rows.back();
      PressurePoint r{};
      r[0] = z;
      r[1] = net;
      r[2] = withWater - surfacePart;
      r[3] = ps + surfacePart;
      r[4] = passive + ps;
      r[5] = rest + ps;
      r[6] = earth - surfacePart;
      r[7] = netWater;
      r[8] = surfacePart;
      r[9] = ps;
      r[10] = 0.0;
      r[11] = ps + netWater + earth;
      if (above) {
        area += (previous[1] + r[1]) / 2.0 * spacing;
        earthArea += (previous[6] + previous[8] + r[6] + r[8]) / 2.0 * spacing;
        surfaceArea += (previous[8] + r[8]) / 2.0 * spacing;
        lastAbove = k;
      }
      rows.push_back(r);
    }
  }

  if (option == 3 || option == 5)
    applyEnvelopes(ctx, st, rows, lastAbove, area, earthArea, surfaceArea);
  for (const PressurePoint& r : rows) {
    requireFinite(ctx, {r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11]},
                  "EARTH PRESSURES");
  }
  writePointFile(ctx, rows);
}

}  // namespace korven::pressure
