#include "input/SupportInput.h"

#include <cmath>
#include <string>

#include "core/StationLoads.h"
#include "core/Stops.h"
#include "input/FieldChecks.h"
#include "input/InputEcho.h"
#include "input/OpeningInput.h"
#include "model/SoilModels.h"

namespace korven {

using input::RangeTable;
using textio::FieldValue;

namespace {

// Horizontal stiffness St and load Qt that a tie-back puts on its station,
// per analysis width. English runs give the unbonded length and the spacing
// in feet.
void deriveTieBack(RunContext& ctx, TieBack& t) {
  const double width = ctx.model.wall.analysisWidth;
  t.station = input::stationOfDepth(ctx, t.depth);
  t.angleRad = t.angle * kStoredPi / 180.0;
  const double c = std::cos(t.angleRad);
  if (ctx.english()) {
    t.stiffness = t.area * t.modulus * c * width / (144.0 * t.unbondedLength * t.spacing);
    t.load = -t.prestress * c * width / (12.0 * t.spacing);
  } else {
    t.stiffness = t.area * t.modulus * c * width / (t.unbondedLength * t.spacing);
    t.load = -t.prestress * c * width / t.spacing;
  }
}

// Smallest width of wall element for soil resistance other than zero: a
// thousandth of an inch or of a metre, far below any pile or panel.
constexpr double kMinWidth = 1.0e-3;
const std::string kMinWidthText = "0.001";

// A ground slope in degrees; the pressure and p-y formulas take its cosine
// and tangent, meaningless from a vertical face on.
double readSlope(input::Record& r, const std::string& what) {
  const double slope = r.real();
  input::requireField(r, slope, slope > -90.0 && slope < 90.0,
                      what + " MUST LIE BETWEEN -90 AND 90 DEGREES (BOTH EXCLUDED)");
  return slope;
}

// The six values at one end of a soil layer, checked where the formulas
// use them: unit weight, cohesion (compressive strength of rock), friction
// angle, strain e50 (krm of weak rock), subgrade modulus (rock-mass modulus
// of weak rock) and the sixth value (RQD of weak rock, otherwise the
// optional earth-pressure coefficient, whose zero or negative value means
// none is given). The unit weight and modulus at the bottom are not used.
void readLayerEnd(input::Record& r, int code, bool top, std::array<double, 6>& v) {
  const bool rock = code == 6 || code == 7;
  const bool weakRock = code == 7;
  v[kGamma] = top ? input::readNonNegative(r, "UNIT WEIGHT", input::kMaxUnitWeight) : r.real();
  v[kStrength] = input::readNonNegative(r, rock ? "COMPRESSIVE STRENGTH OF THE ROCK" : "COHESION",
                                        input::kMaxStrength);
  v[kPhi] = input::readBelow(r, 0.0, 90.0,
                             "FRICTION ANGLE MUST LIE IN 0 TO 90 DEGREES (90 EXCLUDED)");
  // The clays take y50 = 2.5*e50*b and weak rock yrm = krm*b: strains, of
  // which more than 1 has no meaning. Sand, silt and rock do not use it.
  if (code <= 3 || weakRock) {
    v[kE50] = input::readWithin(r, 0.0, 1.0,
                                weakRock ? "KRM MUST LIE IN 0 TO 1" : "STRAIN E50 MUST LIE IN 0 TO 1");
  } else {
    v[kE50] = r.real();
  }
  v[kSubgrade] = top ? input::readNonNegative(r, weakRock ? "ROCK-MASS MODULUS" : "SUBGRADE MODULUS")
                     : r.real();
  // Weak rock reduces its strength by 1 - RQD/150: RQD is a percentage.
  v[kSixth] = weakRock ? input::readWithin(r, 0.0, 100.0, "RQD MUST LIE IN 0 TO 100 PERCENT")
                       : r.real();
}

void writeTieBackTable(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT(
      "(/,/,/,6X,'**************************************************',/,6X,'*                  "
      "TIE BACK DATA                 *',/,6X,'**************************************************',"
      "/,/,6X,'   DEPTH      AREA    ELASTIC   UNBONDED   HORIZ.  ','  ANCHOR  PRESTRESS.',/,6X,'  "
      "                    MODULUS    LENGTH    ANGLE   ',' SPACING    FORCE')"));
  ctx.report.write(KLAYOUT("(6X,4X,A2,7X,A2,A2,A1,2X,A4,A1,A2,A2,A1,5X,A2,7X,'DEG',7X,A2,6X,A4)"),
                   l.depthB, l.lengthB, l.power, l.two, l.forceB, l.slash, l.lengthB, l.power,
                   l.two, l.depthB, l.depthB, l.forceB);
  for (const TieBack& t : ctx.model.tieBacks) {
    ctx.report.write(KLAYOUT("(6X,1P,7E10.3)"), t.depth, t.area, t.modulus, t.unbondedLength,
                     t.angle, t.spacing, t.prestress);
  }
}

}  // namespace

void readRestraintsAndTieBacks(RunContext& ctx) {
  WallModel& m = ctx.model;
  const int restraints = ctx.input->record("NUMBER OF RESTRAINTS").integer();
  input::checkCount(ctx, "RESTRAINTS", restraints, kMaxRestraints);
  const int tieBacks = m.control.tieBackCount;
  input::checkCount(ctx, "TIE BACKS", tieBacks, kMaxTieBacks);
  m.restraints.clear();
  m.tieBacks.clear();
  m.concentratedEntries = static_cast<int>(m.stiffnessRecords.size()) + restraints + tieBacks;

  RangeChain chain(m.stations);
  bool previousContinued = false;
  for (int i = 0; i < restraints; ++i) {
    Restraint rs;
    {
      auto r = ctx.input->record("RESTRAINT RECORD");
      rs.from = r.integer();
      rs.to = r.integer();
      rs.contd = r.integer();
      rs.s = r.real();
      rs.r = r.real();
    }
    m.restraints.push_back(rs);
    // The row is listed as read, ahead of any complaint about its range.
    const bool continued = rs.contd == 2;
    const FieldValue tail[] = {0.0, 0.0, rs.s, 0.0, rs.r, 0.0};
    input::writeRangeRow(ctx, RangeTable::StiffnessLoad,
                         {rs.from, rs.to, rs.contd, continued, previousContinued}, tail);
    previousContinued = continued;
    input::checkContinuationFlag(ctx, "A RESTRAINT RECORD", rs.contd);
    input::checkStationInTables(ctx, "A RESTRAINT RECORD", rs.from);
    input::checkStationInTables(ctx, "A RESTRAINT RECORD", rs.to);
    StationValues values;
    values.s = rs.s;
    values.r = rs.r;
    if (!chain.add(rs.contd, rs.from, rs.to, values)) {
      stopStationsNotInOrder(ctx, "restraint record " + std::to_string(i + 1));
    }
  }
  if (chain.open()) input::warnOpenChain(ctx, "RESTRAINT RECORD", chain.openStation());

  for (int i = 0; i < tieBacks; ++i) {
    TieBack t;
    {
      auto r = ctx.input->record("TIE BACK RECORD");
      // Area, modulus, unbonded length and spacing make the spring
      // A*E*cos/(L*s): a negative one would pull the wall towards the soil.
      t.depth = r.real();
      t.area = input::readNonNegative(r, "TIE BACK AREA");
      t.modulus = input::readNonNegative(r, "TIE BACK ELASTIC MODULUS");
      t.unbondedLength = input::readNonNegative(r, "TIE BACK UNBONDED LENGTH");
      t.angle = r.real();
      t.spacing = input::readNonNegative(r, "ANCHOR SPACING");
      t.prestress = r.real();
    }
    if (t.unbondedLength == 0.0 || t.spacing == 0.0) {
      input::rejectInput(ctx, "A TIE BACK NEEDS A NONZERO UNBONDED LENGTH AND ANCHOR SPACING",
                         "tie back " + std::to_string(i + 1) +
                             " with zero unbonded length or spacing");
    }
    if (m.wall.analysisWidth == 0.0) {
      input::rejectInput(ctx, "A TIE BACK NEEDS A NONZERO WIDTH OF THE WALL ANALYSED",
                         "tie back " + std::to_string(i + 1) + " on a wall of zero width");
    }
    deriveTieBack(ctx, t);
    // A tiny unbonded length or spacing, or huge values, give a spring or
    // load beyond the range of numbers.
    if (!std::isfinite(t.stiffness) || !std::isfinite(t.load)) {
      input::rejectInput(ctx, "TIE BACK STIFFNESS OR LOAD TOO LARGE TO BE REPRESENTED",
                         "tie back " + std::to_string(i + 1) +
                             " with a non-finite stiffness or load");
    }
    m.tieBacks.push_back(t);
    // A tie-back acts on the wall: beyond its ends its load and spring would
    // fall outside the equations (or be lost below the tip).
    input::checkStationInRange(ctx, "A TIE BACK", t.station, 0, m.wall.n, "THE WALL");
    // A tie-back is a single-station range carrying its load and stiffness.
    StationValues values;
    values.q = t.load;
    values.s = t.stiffness;
    addStationLoads(m.stations, t.station, t.station, values, values);
    const FieldValue tail[] = {0.0, t.load, t.stiffness, 0.0, 0.0, 0.0};
    input::writeRangeRow(ctx, RangeTable::StiffnessLoad, {t.station, t.station, 1, false, false},
                         tail);
  }
  if (tieBacks > 0) writeTieBackTable(ctx);
}

void readReductionFactors(RunContext& ctx) {
  WallModel& m = ctx.model;
  const int count = m.control.reductionFactorCount;
  input::checkCount(ctx, "P-Y MODIFICATION FACTORS", count, kMaxReductionRows);
  m.reduction.groupFlag = ctx.input->record("REDUCTION FACTOR FLAG").integer();
  m.reduction.rows.assign(static_cast<std::size_t>(count), ReductionRow{});
  for (ReductionRow& row : m.reduction.rows) {
    auto r = ctx.input->record("REDUCTION FACTOR RECORD");
    row.depth = r.real();
    row.pFactor = input::readNonNegative(r, "P-FACTOR");
    row.yFactor = input::readNonNegative(r, "Y-FACTOR");
  }
}

void readSpecifiedPressure(RunContext& ctx) {
  WallModel& m = ctx.model;
  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT(
      "(/,/,6X,'**************************************************',/,6X,'*        SPECIFIED "
      "ACTIVE EARTH PRESSURE         *',/,6X,'**************************************************',"
      "/)"));
  ctx.report.write(KLAYOUT("(/,/,8X,' DEPTH         ACTIVE EARTH PRESSURE',/,8X,1X,A3,17X,A4,A1,A2,/,"
                           "8X,'--------       ------------------------')"),
                   l.length, l.forceB, l.slash, l.lengthB);
  const int count = ctx.input->record("NUMBER OF PRESSURE POINTS").integer();
  input::checkCount(ctx, "SPECIFIED PRESSURE POINTS", count, kMinWorkArrayLength);
  m.pressure.rows.clear();
  for (int i = 0; i < count; ++i) {
    std::array<double, 12> row{};
    {
      auto r = ctx.input->record("SPECIFIED PRESSURE POINT");
      row[0] = r.real();
      row[1] = r.real();
    }
    row[2] = row[1];
    ctx.report.write(KLAYOUT("(5X,1P,E12.5,8X,1P,E12.5)"), row[0], row[1]);
    m.pressure.rows.push_back(row);
  }
  m.pressurePresent = count > 0;
}

void readSoilData(RunContext& ctx) {
  SoilData& soil = ctx.model.soil;
  {
    auto r = ctx.input->record("WALL AND WATER RECORD");
    soil.excavationDepth = r.real();
    soil.widthPressure = input::readNonNegative(r, "WIDTH FOR EARTH PRESSURE");
    // The p-y formulas divide depths by this width: a vanishing one sends
    // them past the range of numbers (zero is refused where curves are
    // generated).
    soil.widthResistance = input::readNonNegative(r, "WIDTH FOR SOIL RESISTANCE");
    input::requireField(r, soil.widthResistance,
                        soil.widthResistance == 0.0 || soil.widthResistance >= kMinWidth,
                        "WIDTH FOR SOIL RESISTANCE MUST BE 0 OR AT LEAST " + kMinWidthText);
    soil.waterBackfill = r.real();
    soil.waterExcavation = r.real();
    soil.activeModifier = r.real();
    soil.waterPressureFlag = r.integer();
    soil.slopeBackfill = readSlope(r, "SLOPE OF THE BACKFILL");
    soil.slopeExcavation = readSlope(r, "SLOPE OF THE EXCAVATION GROUND");
  }
  soil.referenceWidth = referenceWidth(ctx.si());
  soil.fixedFlag = 1;
  {
    auto r = ctx.input->record("SURCHARGE RECORD");
    LegacySurcharge& s = soil.legacy;
    s.uniform = r.real();
    s.distance = r.real();
    s.pointLoad = r.real();
    s.lineLoad = r.real();
    s.stripLoad = r.real();
    s.stripWidth = input::readNonNegative(r, "STRIP WIDTH");
  }
  const int surcharges = ctx.input->record("NUMBER OF SURCHARGES").integer();
  input::checkCount(ctx, "SURCHARGES", surcharges, kMaxSurcharges);
  soil.surcharges.assign(static_cast<std::size_t>(surcharges), Surcharge{});
  for (Surcharge& s : soil.surcharges) {
    auto r = ctx.input->record("SURCHARGE");
    s.type = input::readCode(r, 1, 3, "SURCHARGE TYPE MUST BE 1 (POINT), 2 (LINE) OR 3 (STRIP)");
    s.load = r.real();
    s.distance = r.real();
    s.width = input::readNonNegative(r, "STRIP WIDTH");
    s.vertical = r.real();
    s.factor = r.real();
    if (ctx.si()) {
      // Given in millimetres.
      s.distance /= 1000.0;
      s.width /= 1000.0;
      s.vertical /= 1000.0;
    }
  }
  int layers = 0;
  {
    auto r = ctx.input->record("SOIL LAYER RECORD");
    layers = r.integer();
    soil.loadingFlag = r.integer();
    soil.cycles = input::readNonNegative(r, "NUMBER OF LOAD CYCLES");
  }
  input::checkCount(ctx, "SOIL LAYERS", layers, kMaxSoilLayers);
  soil.layers.assign(static_cast<std::size_t>(layers), SoilLayer{});
  double above = 0.0;
  for (std::size_t i = 0; i < soil.layers.size(); ++i) {
    SoilLayer& layer = soil.layers[i];
    {
      auto r = ctx.input->record("SOIL LAYER");
      // Earth pressure and the p-y generator both branch on the code; an
      // unknown one would be taken as drained soil by the one and as soft
      // clay by the other.
      static const std::string kModelProblem =
          "SOIL MODEL CODE MUST BE 1 TO " + std::to_string(kSoilModelCount);
      layer.modelCode = input::readCode(r, 1, kSoilModelCount, kModelProblem);
      layer.bottomDepth = r.real();
    }
    if (!(layer.bottomDepth > above)) {
      ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR -- THE BOTTOM OF SOIL LAYER',I3,' AT',1P,"
                               "E11.3,/,'     IS NOT BELOW THE TOP OF THE LAYER AT',E11.3)"),
                       static_cast<int>(i) + 1, layer.bottomDepth, above);
      throw RunEnd("soil layer " + std::to_string(i + 1) + " bottom depth does not increase");
    }
    {
      auto r = ctx.input->record("SOIL LAYER TOP VALUES");
      readLayerEnd(r, layer.modelCode, true, layer.top);
    }
    {
      auto r = ctx.input->record("SOIL LAYER BOTTOM VALUES");
      readLayerEnd(r, layer.modelCode, false, layer.bottom);
    }
    layer.thickness = layer.bottomDepth - above;
    above = layer.bottomDepth;
  }
  soil.present = true;
}

void readUserPyCurves(RunContext& ctx) {
  WallModel& m = ctx.model;
  const int count = m.control.userCurveCount;
  const bool direct = m.control.pyOption <= 1;  // straight into the solver's table
  if (count > kMaxPyCurves) {
    stopTooMuchData(ctx, std::to_string(count) + " user p-y curves, at most " +
                             std::to_string(kMaxPyCurves));
  }
  if (count < 0) throw RunEnd("negative number of user p-y curves");
  if (direct) ctx.plot.writeFree(ctx.unitFlag, count);
  if (count == 0) return;

  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT(
      "(/,/,6X,'**************************************************',/,6X,'*     INPUTTED  SOIL "
      "RESISTANCE (P-Y) CURVES     *',/,6X,'**************************************************',"
      "/)"));
  if (!direct) m.userCurves.clear();
  bool previousContinued = false;
  for (int i = 0; i < count; ++i) {
    UserPyCurve curve;
    int points = 0;
    {
      auto r = ctx.input->record("P-Y CURVE RECORD");
      curve.station = r.integer();
      points = r.integer();
      curve.pMultiplier = r.real();
      curve.yMultiplier = r.real();
    }
    input::checkCount(ctx, "POINTS OF A P-Y CURVE", points, kMaxUserCurvePoints);
    // Curves read here interpolate to the next curve from the excavation
    // level down; curves that go through the generator all do.
    curve.contd = !direct || curve.station * m.wall.h >= m.wall.excavationDepth ? 1 : 0;
    if (direct) ctx.plot.writeFree(curve.station, points);

    ctx.report.write(KLAYOUT("(/,/,'     FROM TO CONTD      P-MULTIPLIER  Y-MULTIPLIER','      "
                             "POINTS     ')"));
    const bool continued = curve.contd == 1;
    const FieldValue tail[] = {curve.pMultiplier, curve.yMultiplier, points};
    input::writeRangeRow(ctx, RangeTable::PyCurve,
                         {curve.station, curve.station, curve.contd, continued, previousContinued},
                         tail);
    previousContinued = continued;
    ctx.report.write(KLAYOUT("(/,18X,'    Y    ',12X,'   P    ',/,18X,2X,A3,16X,A4,A1,A2,/,18X,'"
                             "---------',12X,'--------')"),
                     l.length, l.forceB, l.slash, l.lengthB);
    for (int k = 0; k < points; ++k) {
      double y = 0.0, p = 0.0;
      {
        auto r = ctx.input->record("P-Y CURVE POINT");
        y = r.real();
        p = r.real();
      }
      curve.yRaw.push_back(y);
      curve.pRaw.push_back(p);
      curve.y.push_back(y * curve.yMultiplier);
      curve.p.push_back(p * curve.pMultiplier);
      if (!std::isfinite(curve.y.back()) || !std::isfinite(curve.p.back())) {
        input::rejectInput(ctx, "A P-Y CURVE POINT TIMES ITS MULTIPLIER IS TOO LARGE TO BE "
                                "REPRESENTED",
                           "p-y curve " + std::to_string(i + 1) + " with a non-finite point");
      }
      ctx.report.write(KLAYOUT("(17X,1P,E10.3,10X,1P,E10.3)"), curve.y.back(), curve.p.back());
      if (direct) ctx.plot.writeFree(curve.y.back(), curve.p.back());
    }
    if (direct) {
      PyCurve table;
      table.points = points;
      table.contd = curve.contd;
      table.firstStation = table.lastStation = curve.station;
      for (std::size_t k = 0; k < curve.y.size(); ++k) {
        table.y[k] = curve.y[k];
        table.p[k] = curve.p[k];
      }
      m.curves.push_back(table);
    } else {
      m.userCurves.push_back(std::move(curve));
    }
  }
}

}  // namespace korven
