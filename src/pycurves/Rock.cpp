// Rock p-y curves. Strong rock: a bilinear brittle curve rising to b*s and
// dropping to a small residual resistance. Weak rock: modulus and strength
// reduced by the rock quality designation, an initial modulus growing with
// the depth into rock, and a quarter-power curve up to pur. Rock layers use
// the true depth and offer no resistance integral to the layers below.
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "core/RunContext.h"
#include "pycurves/Rock.h"

namespace korven {

namespace {

using py::Side;

constexpr double kRockYield = 0.00039999998989515007;  // 0.0004: y1 = 0.0004*b
constexpr double kRqdFactor = 0.006666666828095913;    // 1/150
constexpr double kNearFactor = 1.399999976158142;      // 1.4
constexpr double kDeepFactor = 5.199999809265137;      // 5.2
constexpr double kDepthNudge = 1e-8;
constexpr std::array<double, kPyPointsPerSide> kWeakRockFactors = {
    single(0.0005f), single(0.001f), single(0.003f), single(0.006f), single(0.009f),
    single(0.02f),   single(0.04f),  single(0.06f),  single(0.08f),  single(0.1f),
    single(0.25f),   single(0.5f),   single(0.75f),  1.0,            4.0,
    8.0,             12.0};

void writeRockHeader(RunContext& ctx, Side side, double depth, double b, double s) {
  const UnitLabels& u = ctx.labels;
  if (side == Side::Excavation) {
    ctx.report.write(
        KLAYOUT("(/,/,17X,'DEPTH-EXCAVATION SIDE',5X,'DIAM',8X,'C',7X,/,30X,A2,12X,A2,5X,A3,A1,"
                "A2,A2,A1,1X,/,24X,F10.2,5X,F10.3,1P,E10.1,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,"
                "A2)"),
        u.lengthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.two, depth, b, s, u.lengthB,
        u.forceA, u.slash, u.lengthB);
  } else {
    ctx.report.write(
        KLAYOUT("(/,/,17X,'DEPTH-BACKFILL SIDE  ',5X,'DIAM',8X,'C',7X,/,30X,A2,12X,A2,5X,A3,A1,"
                "A2,A2,A1,1X,/,24X,F10.2,5X,F10.3,1P,E10.1,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,"
                "A2)"),
        u.lengthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.two, depth, b, s, u.lengthB,
        u.forceA, u.slash, u.lengthB);
  }
}

void writeWeakRockHeader(RunContext& ctx, double depth, double b, double qu, double em,
                         double gammaAvg, double krm) {
  const UnitLabels& u = ctx.labels;
  auto v = py::strengthHeaderLabels(u);
  v.insert(v.end(), {reportDepth(ctx, depth), b, qu, em, gammaAvg, krm, u.lengthB, u.forceA,
                     u.slash, u.lengthB});
  ctx.report.writeValues(
      KLAYOUT("(/,/,14X,'DEPTH',5X,'DIAM',7X,'Qu',7X,' Eu ',3X,'GAMMA AVG',6X,'E50',/,16X,A2,7X,"
              "A2,4X,3(A3,A1,A2,A2,A1,1X),/,10X,F10.2,F10.3,1P,3E10.2,1P,E12.3,/,37X,'Y',19X,"
              "'P',/,37X,A2,16X,A3,A1,A2)"),
      v);
}

// Initial modulus and ultimate resistance of weak rock at depth xr into rock.
struct WeakRockResistance {
  double kir = 0.0;
  double pur = 0.0;
};

WeakRockResistance weakRockResistance(double xr, double b, double em, double alpha, double qa) {
  if (xr <= 3.0 * b) return {(100.0 + 400.0 * xr / (3.0 * b)) * em, alpha * qa * (kNearFactor * xr + b)};
  return {500.0 * em, kDeepFactor * alpha * qa * b};
}

}  // namespace

namespace py {

CurvePoints rockCurve(const RockParameters& in) {
  const double b = in.b;
  const double pm = in.pMultiplier;
  const double ym = in.yMultiplier;
  // Rock without strength has neither stiffness nor peak resistance; its
  // second branch then ends where it ends for any strength, since s
  // cancels from y2.
  const double sEff = in.s > 0.0 ? in.s : 0.0;
  const double K = 2000.0 * sEff;
  const double y1 = kRockYield * b;
  const double p1 = K * y1;
  const double y2 = sEff > 0.0 ? (b * sEff - p1) / (100.0 * sEff) + y1
                               : (b - 2000.0 * y1) / 100.0 + y1;
  const double residual = 0.5 * in.gammaAvg * b * in.depth;

  CurvePoints r;
  double y = 0.0;
  for (std::size_t j = 0; j < r.y.size(); ++j) {
    double p = residual;
    if (y < y1) {
      p = K * y * pm;
    } else if (y < y2) {
      p = (100.0 * sEff * (y - y1) + p1) * pm;
    }
    r.y[j] = y * ym;
    r.p[j] = p;
    y += y2 / 15.0;
  }
  return r;
}

CurvePoints weakRockCurve(const WeakRockParameters& in) {
  const double b = in.b;
  const double alpha = 1.0 - in.rqd * kRqdFactor;
  const double yrm = in.krm * b;
  const double xr = in.depth + kDepthNudge - in.zTop;
  const WeakRockResistance r = weakRockResistance(xr, b, in.em, alpha, in.qa);
  // Without stiffness, strength or deflection scale the curve has no
  // resistance (the quarter-power law would be undefined).
  const bool resists = r.kir > 0.0 && r.pur > 0.0 && yrm > 0.0;
  const double yA = resists ? std::pow(0.5 * r.pur / (std::pow(yrm, 0.25) * r.kir), 4.0 / 3.0) : 0.0;

  CurvePoints points;
  for (std::size_t j = 0; j < points.y.size(); ++j) {
    const double y = yrm * kWeakRockFactors[j];
    double p = 0.0;
    if (resists) p = y < yA ? r.kir * y : std::min(0.5 * r.pur * std::pow(y / yrm, 0.25), r.pur);
    points.y[j] = y;
    points.p[j] = p;
  }
  return points;
}

}  // namespace py

void rockModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  py::PointStyle style;
  style.row = &KLAYOUT("(1X,20X,2D20.3)");
  style.scratch = &KLAYOUT("(I5,1X,1P,2E10.3)");
  style.scaled = false;
  st.integral(layer) = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    py::RockParameters in;
    in.b = site.b;
    in.s = 0.5 * py::strengthAt(ctx, st, zCurve);
    in.gammaAvg = py::averageUnitWeight(st, zCurve);
    in.pMultiplier = py::pMultiplierAt(ctx, st, x);
    in.yMultiplier = py::yMultiplierAt(ctx, x);

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      in.depth = side == Side::Excavation ? zCurve : x;
      writeRockHeader(ctx, side, in.depth, site.b, in.s);
      py::writeCurvePoints(ctx, st, m, side, py::rockCurve(in), style);
    }
  }
}

void weakRockModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  const ResistanceLayer& rock = st.layer(layer);
  py::PointStyle style;
  style.row = &KLAYOUT("(21X,2E20.3)");
  style.scratch = &KLAYOUT("(I5,2(2X,E10.3))");
  st.integral(layer) = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    const double qu = py::strengthAt(ctx, st, zCurve);
    py::WeakRockParameters in;
    in.b = site.b;
    in.zTop = rock.zTop;
    in.em = rock.subgrade;
    in.krm = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::E50);
    in.rqd = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::Sixth);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);
    if (m != firstCurve && qu < 1e-10) {
      textio::OutputChannel err;
      err.attach(ctx.errorStream());
      err.write(KLAYOUT("(/,7X,'--------------------WARNING----------------------',/,7X,"
                        "'THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT',/,7X,"
                        "'DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.')"));
      err.close();
      throw HardStop("", "THE COHESIVE STRENGTH OF A WEAK ROCK LAYER IS 0");
    }
    const double quTop = py::strengthAt(ctx, st, rock.zTop + kDepthNudge);

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      const bool excavation = side == Side::Excavation;
      py::writeSideLine(ctx, side);
      in.depth = excavation ? zCurve : x;
      if (!excavation && site.continuous) {
        // Checks that the backfill depth lies within the input layers
        // (warning and stop otherwise); the stress itself is not needed.
        py::backfillVerticalStress(ctx, st, in.depth);
      }
      in.qa = layer == 1 && excavation ? py::layerMeanStrength(ctx, st, layer, zCurve, false)
                                       : 0.5 * (quTop + qu);
      writeWeakRockHeader(ctx, in.depth, site.b, qu, in.em, gammaAvg, in.krm);
      py::writeCurvePoints(ctx, st, m, side, py::weakRockCurve(in), style);
    }
  }
}

}  // namespace korven
