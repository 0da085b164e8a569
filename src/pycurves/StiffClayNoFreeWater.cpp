// Stiff clay above the water table: a soft-clay-type ultimate resistance
// with the layer's average strength, a quarter-power curve reaching pu at
// 16*y50, and a cyclic stretch growing with log10 of the number of cycles.
// Continuous walls take the passive-pressure resistance instead.
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "core/RunContext.h"
#include "pycurves/StiffClay.h"

namespace korven {

namespace {

using py::Side;

constexpr double kCyclicStretch = 0.6000000238418579;  // 0.6
constexpr double kLastStretch = 9.600000381469727;     // 9.6
constexpr std::array<double, 13> kDeflectionFactors = {
    single(1e-5f),  single(5e-5f), single(1e-4f), single(5e-4f), single(0.001f),
    single(0.005f), single(0.01f), single(0.025f), single(0.05f), single(0.075f),
    single(0.1f),   single(0.25f), single(0.5f)};

// Depth in this layer's soil whose resistance integral from the surface
// (wedge with ca = c, capped at 9*c*b) equals F, the integral of the layers
// above.
double equivalentDepth(double F, double b, double c, double gammaAvg) {
  const double ca = c;
  const double denominator = b * gammaAvg + 0.5 * c;
  const double zc = denominator > 0.0 ? (9.0 * c - 3.0 * ca) * b / denominator : 0.0;
  const double a = 0.5 * b * gammaAvg + 0.25 * c;
  const double bc3 = 3.0 * b * c;
  const double Fc = (a * zc + bc3) * zc;
  const double p9 = 9.0 * b * c;
  if (F <= Fc || !(p9 > 0.0)) {
    // Without strength the wedge alone (a soil without weight either has
    // no resistance to match).
    if (!(a > 0.0)) return 0.0;
    return (std::sqrt(bc3 * bc3 + 4.0 * a * F) - bc3) / (2.0 * a);
  }
  return zc + (F - Fc) / p9;
}

void writeHeader(RunContext& ctx, double z, double b, double c, double ca, double gammaAvg,
                 double e50) {
  const UnitLabels& u = ctx.labels;
  auto v = py::strengthHeaderLabels(u);
  v.insert(v.end(), {reportDepth(ctx, z), b, c, ca, gammaAvg, e50, u.lengthB, u.forceA,
                     u.slash, u.lengthB});
  ctx.report.writeValues(
      KLAYOUT("(/,/,10X,'DEPTH BELOW GS',5X,'DIAM',8X,'C',7X,'CAVG',4X,'GAMMA AVG',5X,'E50',/,"
              "16X,A2,12X,A2,5X,3(A3,A1,A2,A2,A1,1X),/,10X,F10.2,5X,F10.3,1P,3E10.2,1P,E12.4,/,"
              "38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,A2)"),
      v);
}

}  // namespace

namespace py {

StiffClayNoFreeWaterCurve stiffClayNoFreeWaterCurve(const StiffClayParameters& in) {
  const CurveSite& site = in.site;
  const double b = site.b;
  const double c = in.c;
  const double ca = in.ca;
  const double slopeFactor = site.sloping ? 1.0 + site.tanSlope : 1.0;
  // Static loading is one cycle; fewer than one cycle would shrink the curve
  // below the static one (and below 0.02 cycles make the stretch negative),
  // so a cycle count under one counts as one.
  const double cycles = site.cyclic && site.cycles > 1.0 ? site.cycles : 1.0;
  const double logCycles = std::log10(cycles);
  const double stretch = 1.0 + kCyclicStretch * logCycles;
  const double y50 = 2.5 * in.e50 * site.bRef;
  const double ys = 16.0 * y50;
  const double yMax = 1.25 * y50 * (16.0 + kLastStretch * logCycles);

  StiffClayNoFreeWaterCurve r;
  double pu = 0.0;
  if (!site.continuous) {
    double pw = (0.5 * in.at.zEff + 3.0 * b) * ca + in.at.zEff * b * in.gammaAvg;
    if (in.at.excavation) pw /= slopeFactor;
    pu = std::min(pw, 9.0 * c * b);
  } else if (in.at.excavation) {
    pu = b * (2.0 * c + in.gammaAvg * in.at.z) / slopeFactor;
  } else {
    pu = b * (2.0 * c + in.at.sigmaV);
  }
  r.pu = pu;

  for (int j = 1; j <= kPyPointsPerSide; ++j) {
    double y = 0.0;
    if (j >= 2 && j <= 14) y = ys * kDeflectionFactors[static_cast<std::size_t>(j - 2)];
    if (j == 15) y = ys;
    if (j == 16) y = 0.5 * (ys + yMax);
    if (j == 17) y = yMax;
    double p = 0.0;
    if (!(y50 > 0.0)) {
      p = 0.0;  // no strain given: every deflection is zero
    } else if (!site.cyclic) {
      p = y <= 16.0 * y50 ? 0.5 * pu * std::pow(y / y50, 0.25) : pu;
    } else {
      p = std::min(0.5 * pu * std::pow(y / (stretch * y50), 0.25), pu);
    }
    r.points.y[static_cast<std::size_t>(j - 1)] = y;
    r.points.p[static_cast<std::size_t>(j - 1)] = p;
  }
  return r;
}

}  // namespace py

void stiffClayNoFreeWaterModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  py::PointStyle style;
  style.row = &KLAYOUT("(1X,20X,2F20.5)");
  double previousPu = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    const double c = py::strengthAt(ctx, st, zCurve);
    const double e50 = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::E50);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);
    const double ca = py::layerMeanStrength(ctx, st, layer, zCurve, true);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), site.b, c, gammaAvg);
    }

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      py::writeSideLine(ctx, side);
      py::StiffClayParameters in{site, py::sideDepth(ctx, st, site, layer, m, side), c, ca, e50, gammaAvg};
      const py::StiffClayNoFreeWaterCurve curve = py::stiffClayNoFreeWaterCurve(in);

      writeHeader(ctx, in.at.z, site.b, c, ca, gammaAvg, e50);
      py::writeCurvePoints(ctx, st, m, side, curve.points, style);
      py::writeMultiplierLine(ctx, st, x);

      if (in.at.excavation) {
        if (m != firstCurve) st.integral(layer) += 0.5 * (previousPu + curve.pu) * (zCurve - st.curveDepth(m - 1));
        previousPu = curve.pu;
      }
    }
  }
}

}  // namespace korven
