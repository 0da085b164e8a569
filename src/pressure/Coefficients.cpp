// Active, passive and at-rest earth-pressure coefficients of the analysis
// layers, and the active and water resultants of the layers above the
// excavation level.
#include <cmath>

#include "core/Stops.h"
#include "pressure/EarthPressure.h"
#include "pressure/PressureInternal.h"

namespace korven::pressure {

namespace {

constexpr const char* kSlopeWarning =
    "THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE 'INTERNAL FRICTION ANGLE OF SAND.";

void writeSlopeWarning(textio::OutputChannel& out) {
  out.write(KLAYOUT("(/,/,'**** WARNING ******',/,A)"), kSlopeWarning);
}

void writeNetActiveWarning(textio::OutputChannel& out) {
  out.write(KLAYOUT("(/,/,5X,'Net active pressure is negative.',/)"));
}

}  // namespace

void computeCoefficients(RunContext& ctx, PressureState& st) {
  const double beta = ctx.model.soil.slopeBackfill;
  const bool optionFive = ctx.model.control.earthPressureOption == 5;

  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'* ACTIVE AND PASSIVE EARTH PRESSURE COEFFICIENT  *',/,6X,"
              "'**************************************************',/,/,6X,"
              "'  LAYER         ACTIVE EARTH     PASSIVE EARTH(*)','  OPTIONAL EARTH(**)',/,6X,"
              "'   NO.          COEFFICIENT       COEFFICIENT    ','   COEFFICIENT  ')"));
  for (int j = 1; j <= st.profile.count(); ++j) {
    AnalysisLayer& l = st.profile.layer(j);
    const double t = std::tan((45.0 - l.phi / 2.0) / kDegree);
    if (beta == 0.0) {
      l.ka = t * t;
      l.sqrtKa = t;
    } else if (l.phi > std::fabs(beta)) {
      // Rankine active coefficient behind a sloping backfill.
      const double c = std::cos(beta / kDegree);
      const double cphi = std::cos(l.phi / kDegree);
      const double r = std::sqrt(c * c - cphi * cphi);
      l.ka = c * (c - r) / (c + r);
      l.sqrtKa = std::sqrt(l.ka);
    } else {
      l.ka = t * t;
      l.sqrtKa = t;
      if (l.ztop < st.freeHeight) {
        writeSlopeWarning(ctx.monitor);
        writeSlopeWarning(ctx.report);
      }
    }
    l.sqrtKp = std::tan((45.0 + l.phi / 2.0) / kDegree);
    l.kp = l.sqrtKp * l.sqrtKp;
    l.k0 = 1.0 - std::sin(l.phi / kDegree);
    ctx.report.write(KLAYOUT("(10X,I2,9X,1P,E10.3,8X,1P,E10.3,8X,1P,E10.3)"), j, l.ka, l.kp,
                     l.optionalCoefficient);

    // A given coefficient replaces the active one and drops the cohesion
    // reduction; option 5 always takes it.
    const bool given = l.optionalCoefficient > kCoefficientFloor;
    if (given || optionFive) l.ka = l.optionalCoefficient;
    if (given) l.sqrtKa = 0.0;
  }
  ctx.report.write(KLAYOUT(
      "(/,6X,'NOTES:',/,6X,'(*)  PASSIVE EARTH COEFFICIENT IS PRINTED ONLY FOR ','REFERENCE, ',"
      "/,6X,'     IT IS NOT USED FOR ANALYSIS',/,6X,"
      "'(**) OPTIONAL EARTH COEFFICIENT IS USED TO ESTIMATE',' ACTIVE PRESSURE ',/,6X,"
      "'     IF IT IS DIFFERENT THAN ZERO')"));
}

void computeLayerResultants(RunContext& ctx, PressureState& st) {
  SoilProfile& profile = st.profile;
  const UnitLabels& u = ctx.labels;
  const double gw = st.waterUnitWeight;
  const double zwB = st.waterBackfill;
  const int excavation = profile.excavationLayerIndex;
  st.resultants.assign(profile.layers.size(), LayerResultants{});
  auto resultant = [&](int j) -> LayerResultants& {
    return st.resultants[static_cast<std::size_t>(j - 1)];
  };

  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'*      ACTIVE EARTH PRESSURE OF EACH LAYER       *',/,6X,"
              "'**************************************************',/,/,6X,"
              "' LAYER     PA1     Z1        PA2     Z2        PA3     Z3','        PA4')"));
  ctx.report.write(KLAYOUT("(6X,'  NO',4X,A4,A1,A2,1X,3X,A3,4X,A4,A1,A2,1X,3X,A3,4X,A4,A1,A2,1X,"
                           "3X,A3,4X,A4,A1,A2)"),
                   u.forceB, u.slash, u.lengthB, u.depthB, u.forceB, u.slash, u.lengthB, u.depthB,
                   u.forceB, u.slash, u.lengthB, u.depthB, u.forceB, u.slash, u.lengthB);
  for (int a = 1; a < excavation; ++a) {
    const AnalysisLayer& l = profile.layer(a);
    LayerResultants& r = resultant(a);
    const double t = l.thickness;
    const double s = l.overburden;
    const double sNext = profile.layer(a + 1).overburden;
    const double c = l.cohesion;
    const double m = l.modifier;
    const double g = (l.submerged && l.drained) ? l.unitWeight - gw : l.unitWeight;

    r.pa1 = t * s * l.ka * m + layerSurchargeForce(st, l.ztop, t);
    r.z1 = l.ztop + t / 2.0;
    r.pa2 = 0.5 * l.ka * m * (t * t) * g;
    r.z2 = l.ztop + 2.0 * t / 3.0;
    r.pa3 = -(t * 2.0 * c * l.sqrtKa * m);
    if (r.pa1 + r.pa3 < 0.0) {
      // Tension crack: only the compressive triangle below it acts.
      r.pa1 = r.pa2 = r.pa3 = 0.0;
      const double p = l.ka * sNext - 2.0 * c * l.sqrtKa;
      const double denominator = 2.0 * c * l.sqrtKa - l.ka * s + p;
      r.crackHeight = denominator != 0.0 ? t * p / denominator : 0.0;
      r.pa4 = p > 0.0 ? m * 0.5 * r.crackHeight * p : 0.0;
      r.z3 = (l.ztop + t) - r.crackHeight / 3.0;
    }
    requireFinite(ctx, {r.pa1, r.z1, r.pa2, r.z2, r.pa3, r.z3, r.pa4}, "LAYER RESULTANTS");
    ctx.report.write(KLAYOUT("(6X,I4,3(1X,F10.2,1X,F6.2),1X,F10.2)"), a, r.pa1,
                     reportDepth(ctx, r.z1), r.pa2, reportDepth(ctx, r.z2), r.pa3,
                     reportDepth(ctx, r.z3), r.pa4);
  }

  const int water = profile.waterTableLayerIndex;
  if (water < excavation) {
    ctx.report.write(KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
                             "'*      ACTIVE WATER PRESSURE OF EACH LAYER       *',/,6X,"
                             "'**************************************************',/,/,6X,"
                             "' LAYER    PW1     Z1       PW2      Z2                ',/,6X,"
                             "'  NO',4X,A4,A1,A2,1X,1X,A3,5X,A4,A1,A2,1X,2X,A3,/)"),
                     u.forceB, u.slash, u.lengthB, u.depthB, u.forceB, u.slash, u.lengthB,
                     u.depthB);
    const int firstLayer = water < 1 ? 1 : water;
    double depth = 0.0;  // running depth of the layer top
    for (int j = 1; j < firstLayer; ++j) depth += profile.layer(j).thickness;
    for (int a = firstLayer; a < excavation; ++a) {
      const AnalysisLayer& l = profile.layer(a);
      LayerResultants& r = resultant(a);
      const double t = l.thickness;
      if (!l.drained) {
        r.pw1 = r.pw2 = 0.0;
      } else if (depth > zwB - kDepthTolerance) {
        // A layer top within the depth tolerance of the water table is at it.
        r.pw1 = -((depth - zwB) * gw * t * l.modifier);
        r.pw2 = -(l.modifier * 0.5 * gw * (t * t));
        requireFinite(ctx, {r.pw1, r.pw2}, "LAYER RESULTANTS");
        ctx.report.write(KLAYOUT("(6X,I2,2(1X,F10.2,1X,F6.2))"), a, -r.pw1, reportDepth(ctx, r.z1),
                         -r.pw2, reportDepth(ctx, r.z2));
      }
      depth += t;
    }
    ctx.model.soil.waterPressureFlag = 1;
  }

  double net = 0.0;
  for (int a = 1; a < excavation; ++a) {
    const LayerResultants& r = resultant(a);
    net += r.pa1 + r.pa2 + r.pa3 + r.pa4 - r.pw1 - r.pw2;
  }
  if (net < kPressureFloor) {
    textio::OutputChannel console;
    console.attach(ctx.errorStream());
    writeNetActiveWarning(console);
    console.close();
    writeNetActiveWarning(ctx.report);
  }
}

}  // namespace korven::pressure
