// Earth pressure of one problem: working copies, soil profile, the WALL,
// SURCHARGE and SOIL INFORMATION sections, the work arrays and the effective
// overburden; then coefficients, layer resultants and the point file.
//
// All soil-data lengths (free height, water-table depths, layer depths) are
// held in internal length units: inches in English runs, metres in SI runs.
#include "pressure/EarthPressure.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "core/Stops.h"
#include "pressure/PressureInternal.h"

namespace korven {

namespace {

using namespace pressure;

void takeWorkingCopies(RunContext& ctx, PressureState& st) {
  const SoilData& soil = ctx.model.soil;
  st = PressureState{};
  st.freeHeight = soil.excavationDepth;
  st.waterBackfill = soil.waterBackfill;
  st.waterExcavation = soil.waterExcavation;
  st.surfacePressure = soil.legacy.uniform;
  st.waterUnitWeight = waterUnitWeight(ctx.si());
  st.surcharge.distance = soil.legacy.distance;
  st.surcharge.pointLoad = soil.legacy.pointLoad;
  st.surcharge.lineLoad = soil.legacy.lineLoad;
  st.surcharge.stripLoad = soil.legacy.stripLoad;
  st.surcharge.stripWidth = soil.legacy.stripWidth;
}

// A free height or backfill water table above the ground surface would
// split the profile into layers of negative thickness: reject the data.
void checkSplitDepths(RunContext& ctx, const PressureState& st) {
  if (st.waterBackfill < -kDepthTolerance) {
    ctx.report.write(
        KLAYOUT("(/,/,'     ERROR STOP -- WATER TABLE AT BACKFILL IS ABOVE THE GROUND SURFACE')"));
    throw RunEnd("backfill water table above the ground surface");
  }
  if (st.freeHeight < -kDepthTolerance) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- FREE HEIGHT OF WALL IS NEGATIVE')"));
    throw RunEnd("negative free height in the soil data");
  }
}

void writeWallInformation(RunContext& ctx, const PressureState& st) {
  const SoilData& soil = ctx.model.soil;
  const UnitLabels& u = ctx.labels;
  ctx.report.write(
      KLAYOUT("(/,/,/,6X,'**************************************************',/,6X,"
              "'*                WALL INFORMATION                *',/,6X,"
              "'**************************************************',/)"));
  // English runs print the depths in feet, the widths in inches.
  const bool si = ctx.si();
  const std::string& depthUnit = si ? u.length : u.depthA;
  ctx.report.write(
      KLAYOUT("(/,6X,'FREE HEIGHT OF WALL                    = ',1P,E10.3,A3,/,6X,"
              "'WIDTH FOR EARTH PRESSURE, WA           = ',1P,E10.3,A3,/,6X,"
              "'WIDTH FOR SOIL RESISTANCE, WP          = ',1P,E10.3,A3,/,6X,"
              "'DEPTH TO THE WATER TABLE AT BACKFILL   = ',1P,E10.3,A3,/,6X,"
              "'DEPTH TO THE WATER TABLE AT EXCAVATION = ',1P,E10.3,A3,/,6X,"
              "'UNIT WEIGHT OF WATER                   = ',1P,E10.3,A4,A1,A2,A2,A1,/,6X,"
              "'SLOPE OF THE BACKFILL (deg.)           = ',1P,E10.3,/,6X,"
              "'SLOPE OF THE EXCAVATION GROUND (deg.)  = ',1P,E10.3,/,6X,"
              "'MODIFICATION FOR ACTIVE EARTH PRESSURE = ',1P,E10.3,/)"),
      reportDepth(ctx, st.freeHeight), depthUnit, soil.widthPressure, u.length,
      soil.widthResistance, u.length, reportDepth(ctx, st.waterBackfill), depthUnit,
      reportDepth(ctx, st.waterExcavation), depthUnit, st.waterUnitWeight, u.forceB, u.slash,
      u.lengthB, u.power, u.three, soil.slopeBackfill, soil.slopeExcavation, soil.activeModifier);
}

void writeSoilInformation(RunContext& ctx, const PressureState& st) {
  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'*                SOIL INFORMATION                *',/,6X,"
              "'**************************************************',/)"));
  if (ctx.si()) {
    ctx.report.write(
        KLAYOUT("(/,7X,'         TOTAL   COHESION/       TOTAL UNIT',/,7X,"
                "'LAYER  THICKNESS STRENGTH    PHI   WEIGHT   DRAINED  ZTOP',/,7X,"
                "'NO.',6X,' M',8X,'kPa',7X,'DEG',3X,'kN/M^3',4X,'T OR F',3X,' M')"));
  } else {
    ctx.report.write(
        KLAYOUT("(/,7X,'         TOTAL   COHESION/       TOTAL UNIT',/,7X,"
                "'LAYER  THICKNESS STRENGTH    PHI   WEIGHT   DRAINED  ZTOP',/,7X,"
                "'NO.',6X,'FT',8X,'PSI',7X,'DEG',5X,'PCI',5X,'T OR F',3X,'FT')"));
  }
  const SoilProfile& profile = st.profile;
  for (int j = 1; j <= profile.count(); ++j) {
    const AnalysisLayer& l = profile.layer(j);
    ctx.report.write(KLAYOUT("(7X,I3,F9.1,F10.1,F10.1,F9.3,5X,L1,F10.2)"), j,
                     reportDepth(ctx, l.thickness), l.cohesion, l.phi, l.unitWeight, l.drained,
                     reportDepth(ctx, l.ztop));
  }
}

// Storage for the point table, sized from the wall length that the table
// covers (at least 2000 points). When it cannot be obtained, or the wall
// would need more than kMaxPressurePoints points (an absurd increment
// length), the run ends with a message: going on would leave the wall
// analysis reading a stale or missing point file.
void obtainWorkArrays(RunContext& ctx, PressureState& st) {
  const double wallLength = ctx.model.wall.n * ctx.model.wall.h;
  // One point per inch or per 0.05 m, plus one per layer for the rounding
  // of the layer spans and the first point.
  const double needed = (ctx.si() ? 20.0 * wallLength : wallLength) +
                        static_cast<double>(st.profile.count()) + 10.0;
  bool obtained = needed <= kMaxPressurePoints;
  const long long points =
      obtained ? std::max<long long>(std::llround(needed), kMinWorkArrayLength) : 0;
  try {
    if (obtained) st.points.reserve(static_cast<std::size_t>(points));
  } catch (const std::bad_alloc&) {
    obtained = false;
  } catch (const std::length_error&) {
    obtained = false;
  }
  if (!obtained) {
    ctx.report.write(
        KLAYOUT("(/,/,'     ERROR STOP -- NO STORAGE FOR THE EARTH PRESSURE POINTS')"));
    throw RunEnd("earth-pressure work arrays could not be obtained");
  }
}

// Effective vertical stress at the top of every analysis layer.
void computeOverburden(RunContext& ctx, PressureState& st) {
  SoilProfile& profile = st.profile;
  const double zwB = st.waterBackfill;
  const double gw = st.waterUnitWeight;
  const UnitLabels& u = ctx.labels;

  for (AnalysisLayer& l : profile.layers) {
    l.submerged = std::fabs(l.ztop - zwB) < kDepthTolerance || l.ztop > zwB;
  }

  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'*            EFFECTIVE OVERBURDEN STRESS         *',/,6X,"
              "'**************************************************',/,/,6X,"
              "'          DEPTH                     STRESS       ')"));
  ctx.report.write(KLAYOUT("(16X,A3,22X,A4,A1,A2,A2,A1)"), u.depthB, u.forceB, u.slash, u.lengthB,
                   u.power, u.two);
  double total = st.surfacePressure;
  for (AnalysisLayer& l : profile.layers) {
    l.overburden = l.submerged ? total - (l.ztop - zwB) * gw : total;
    requireFinite(ctx, {l.overburden}, "OVERBURDEN STRESSES");
    ctx.report.write(KLAYOUT("(12X,1P,E10.3,17X,1P,E10.3)"), reportDepth(ctx, l.ztop),
                     l.overburden);
    total += l.thickness * l.unitWeight;
  }
  // Undrained submerged layers with an optional coefficient take the
  // total stress into the pressures.
  for (AnalysisLayer& l : profile.layers) {
    if (l.optionalCoefficient > kCoefficientFloor && !l.drained && l.submerged) {
      l.overburden += (l.ztop - zwB) * gw;
    }
  }
}

}  // namespace

void pressure::computeEarthPressures(RunContext& ctx, PressureState& st) {
  if (ctx.model.control.earthPressureOption < 2) return;
  takeWorkingCopies(ctx, st);
  checkSplitDepths(ctx, st);
  buildSoilProfile(ctx, st, prepareInputLayers(ctx.model.soil));

  writeWallInformation(ctx, st);
  writeSurchargeInformation(ctx, st);
  writeSoilInformation(ctx, st);
  const SoilProfile& profile = st.profile;
  if (profile.excavationLayerIndex == 0) {
    throw HardStop("1", "NO SOIL LAYER REACHES BELOW THE EXCAVATION DEPTH");
  }
  if (profile.tooManyLayers) {
    throw HardStop("2", "THE SOIL PROFILE NEEDS MORE THAN 21 ANALYSIS LAYERS");
  }

  obtainWorkArrays(ctx, st);
  computeOverburden(ctx, st);
  computeCoefficients(ctx, st);
  computeLayerResultants(ctx, st);
  writePressureDistribution(ctx, st);
}

void computeEarthPressures(RunContext& ctx) {
  PressureState st;
  pressure::computeEarthPressures(ctx, st);
}

}  // namespace korven
