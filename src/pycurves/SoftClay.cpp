// Soft clay p-y curves: cubic-root curve with ultimate resistance Np*c*b
// (Np from 3 at the surface to 9 at depth), a passive-pressure resistance for
// continuous walls, and the cyclic degradation below the depth zr.
#include <array>
#include <cmath>
#include <initializer_list>

#include "core/RunContext.h"
#include "pycurves/SoftClay.h"

namespace korven {

namespace {

using py::Side;

constexpr double kYTol = 1e-14;
constexpr double kThird = 0.3333333432674408;
constexpr double kTwoThirds = 0.6666666865348816;
constexpr double kCyclicFactor = 0.7200000286102295;
constexpr std::array<double, kPyPointsPerSide> kDeflectionFactors = {
    0.0,           single(0.00025f), single(0.0025f), single(0.0075f), single(0.02f),
    single(0.04f), single(0.06f),    single(0.1f),    single(0.15f),   single(0.225f),
    single(0.3f),  single(0.4f),     single(0.5f),    single(0.65f),   single(0.8f),
    1.0,           single(1.2f)};

// Depth zr above which cyclic loading reduces the resistance (also the depth
// at which Np reaches 9). A soil without strength or weight gives b.
double criticalDepth(double b, double c, double gammaAvg) {
  const double denominator = gammaAvg * b + 0.5 * c;
  if (!(denominator > 0.0)) return b;
  const double zr = 6.0 * b * c / denominator;
  return zr < 1e-6 ? b : zr;
}

// Depth in this layer's soil whose resistance integral from the surface
// equals F, the integral of the layers above.
double equivalentDepth(double F, double b, double c, double gammaAvg, bool cyclic) {
  const double denominator = b * gammaAvg + 0.5 * c;
  const double zc = denominator > 0.0 ? 6.0 * b * c / denominator : 0.0;
  double Fc = 0.0, p9 = 0.0;
  if (cyclic) {
    Fc = kCyclicFactor * (b * gammaAvg * zc * zc / 3.0 + 1.5 * zc * b * c + c * zc * zc / 6.0);
    p9 = kCyclicFactor * 9.0 * b * c;
  } else {
    Fc = ((0.5 * b * gammaAvg + 0.25 * c) * zc + 3.0 * b * c) * zc;
    p9 = 9.0 * b * c;
  }
  const double a = 0.5 * b * gammaAvg + 0.25 * c;
  if (F <= Fc || !(p9 > 0.0)) {
    // A soil without strength and weight has no resistance to match.
    if (!(a > 0.0)) return 0.0;
    const double bc3 = 3.0 * b * c;
    return (std::sqrt(bc3 * bc3 + 4.0 * F * a) - bc3) / (2.0 * a);
  }
  return zc + (F - Fc) / p9;
}

void writeHeader(RunContext& ctx, double z, double b, double c, double gammaAvg, double e50) {
  const UnitLabels& u = ctx.labels;
  ctx.report.write(KLAYOUT("(/,9X,'DEPTH BELOW GS',7X,'DIAM',8X,'C',7X,'GAMMA AVG',6X,'E50',/,"
                           "15X,A2,13X,A2,5X,A3,A1,A2,A2,A1,2X,A3,A1,A2,A2,A1)"),
                   u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power,
                   u.two, u.forceA, u.slash, u.lengthB, u.power, u.three);
  ctx.report.write(KLAYOUT("(8X,F10.2,6X,F10.3,1X,1P,E11.4,1X,1P,E11.4,1X,1P,E12.4)"),
                   reportDepth(ctx, z), b, c, gammaAvg, e50);
  ctx.report.write(KLAYOUT("(/,37X,'Y,',A2,13X,'P,',A3,A1,A2)"), u.lengthB, u.forceA, u.slash,
                   u.lengthB);
}

}  // namespace

namespace py {

SoftClayCurve softClayCurve(const SoftClayParameters& in) {
  const CurveSite& site = in.site;
  const double b = site.b;
  const double c = in.c;
  const double gammaAvg = in.gammaAvg;
  // Only a ground sloping down away from the wall reduces the resistance.
  const double slopeFactor = site.slope > 0.0 && site.sloping ? 1.0 / (1.0 + site.tanSlope) : 1.0;
  const double y50 = 2.5 * in.e50 * site.bRef;

  SoftClayCurve r;
  r.zr = criticalDepth(b, c, gammaAvg);
  double np = c > 0.0 ? 3.0 + gammaAvg * in.at.zEff / c + 0.5 * in.at.zEff / b : 0.0;
  if (in.at.excavation) np *= slopeFactor;
  r.pu = np <= 9.0 ? c * b * np : 9.0 * c * b;
  if (site.continuous) {
    r.pu = in.at.excavation ? b * (2.0 * c + gammaAvg * in.at.z) * slopeFactor : b * (2.0 * c + in.at.sigmaV);
  }
  const double pu = r.pu;
  const double zr = r.zr;

  // Initial modulus of the first point; a zero deflection scale has none.
  r.k0 = y50 > 0.0 ? 0.5 * pu * std::pow(y50 / kYTol, kTwoThirds) / y50 : 0.0;
  r.pCyc = kCyclicFactor * pu;
  const double pCyc = r.pCyc;
  for (std::size_t j = 0; j < kDeflectionFactors.size(); ++j) {
    const double y = kDeflectionFactors[j] * 8.0 * y50;
    double p = 0.0;
    if (y < kYTol) {
      p = r.k0 * y;
    } else if (y <= 3.0 * y50) {
      p = 0.5 * pu * std::pow(y / y50, kThird);
    } else if (!site.cyclic) {
      p = y < 8.0 * y50 ? 0.5 * pu * std::pow(y / y50, kThird) : pu;
    } else if (in.at.zEff >= zr) {
      p = pCyc;
    } else if (y <= 15.0 * y50) {
      p = pCyc + (y - 3.0 * y50) * (pCyc * in.at.zEff / zr - pCyc) / (12.0 * y50);
    } else {
      p = pCyc * in.at.zEff / zr;
    }
    r.points.y[j] = y;
    r.points.p[j] = p;
  }
  return r;
}

}  // namespace py

void softClayModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;

    // Soil parameters at the curve depth, shared by both sides.
    const double c = py::strengthAt(ctx, st, zCurve);
    const double e50 = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::E50);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), site.b, c, gammaAvg, st.cyclic);
      }
    }

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      py::writeSideLine(ctx, side);
      py::SoftClayParameters in{site, py::sideDepth(ctx, st, site, layer, m, side), c, e50, gammaAvg};
      const py::SoftClayCurve curve = py::softClayCurve(in);

      writeHeader(ctx, in.at.z, site.b, c, gammaAvg, e50);
      py::PointStyle style;
      style.smallDeflectionModulus = curve.k0;
      py::writeCurvePoints(ctx, st, m, side, curve.points, style);
      py::writeMultiplierLine(ctx, st, x);

      if (in.at.excavation && m != firstCurve) {
        const double dz = zCurve - st.curveDepth(m - 1);
        if (!st.cyclic) {
          st.integral(layer) += curve.pu * dz;
        } else {
          st.integral(layer) += curve.pCyc * dz;
          if (in.at.zEff < curve.zr) st.integral(layer) += curve.pCyc * (in.at.zEff / curve.zr) * dz;
        }
      }
    }
  }
}

}  // namespace korven
