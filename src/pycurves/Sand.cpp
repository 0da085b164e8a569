// Sand p-y curves: ultimate resistance from a wedge and a flow mechanism
// (or a Coulomb passive resistance for continuous walls), factors A and B
// against depth over width, and a curve of an initial line, a power-law
// parabola, a straight line and a plateau.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "core/RunContext.h"
#include "pycurves/Sand.h"

namespace korven {

namespace {

using py::Side;

constexpr double kPi = py::kPiSingle;

// Depth whose frictional resistance integral from the surface equals F;
// without friction or weight the soil offers no resistance to match.
double equivalentDepth(double F, const py::FrictionAngles& a, double b, double bRef,
                       double gammaAvg, double zCurve, bool cyclic) {
  return py::frictionalEquivalentDepth(F, a, b, bRef, gammaAvg, zCurve, cyclic, 100).value_or(0.0);
}

// Coulomb passive coefficient with wall friction phi/2 and ground slope theta.
double passiveCoefficient(double phi, double theta) {
  const double delta = phi / 2.0;
  const double under = std::sin(delta + phi) * std::sin(phi - theta) / (std::cos(delta) * std::cos(theta));
  // A slope steeper than the friction angle leaves no wedge term.
  const double root = under > 0.0 ? std::sqrt(under) : 0.0;
  const double cp = std::cos(phi);
  return cp * cp / (std::cos(delta) * (1.0 - root) * (1.0 - root));
}

struct CurveShape {
  py::FrictionalCurve c;
  bool resists = true;  // false: no ultimate resistance, p = 0 everywhere

  // Initial line up to yk (below ym), the power law up to ym, from ym on the
  // straight line to pu at yu and pu beyond; never above the initial line.
  double at(double y) const {
    if (!resists) return 0.0;
    double p = 0.0;
    if (y >= c.ym) {
      p = y < c.yu ? c.pm + c.m * (y - c.ym) : c.pu;
    } else if (y <= c.yk) {
      p = c.kz * y;
    } else {
      p = c.C * std::pow(y, 1.0 / c.n);
    }
    return std::min(p, c.kz * y);
  }
};

// Characteristic points of the curve for the ultimate resistances pu, pm.
CurveShape shapeFor(double pu, double pm, double kz, double zEff, double bRef) {
  CurveShape s;
  s.c = py::frictionalCurve(pu, pm, kz, bRef);
  s.resists = pu > 0.0 && pm > 0.0;
  if (zEff > 0.0 && s.resists && kz > 0.0 && s.c.m > 0.0) py::buildPowerLaw(s.c);
  if (s.resists) py::shiftForSoftSubgrade(s.c);
  return s;
}

void writeHeader(RunContext& ctx, bool continuous, double z, double b, double phi, double gammaAvg,
                 double A, double B, double pst, double psd, double ps) {
  const UnitLabels& u = ctx.labels;
  const double phiDeg = phi * 180.0 / kPi;
  if (!continuous) {
    ctx.report.write(
        KLAYOUT("(/,/,11X,'DEPTH BELOW GS',2X,'DIAM',3X,'PHI',2X,'GAMMA AVG',4X,'A',5X,'B',5X,"
                "'PCT',7X,'PCD',/,17X,A2,9X,A2,9X,A3,A1,A2,A2,A1,/,10X,F10.2,4X,2F7.2,1P,E9.2,"
                "2X,0P,F5.2,1X,F5.2,1P,2E9.2,/,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,A2)"),
        u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.three, reportDepth(ctx, z), b,
        phiDeg, gammaAvg, A, B, pst, psd, u.lengthB, u.forceA, u.slash, u.lengthB);
  } else {
    ctx.report.write(
        KLAYOUT("(/,/,11X,'DEPTH BELOW GS',2X,'DIAM',3X,'PHI',2X,'GAMMA AVG',4X,'A',5X,'B',5X,"
                "'PC ',/,17X,A2,9X,A2,9X,A3,A1,A2,A2,A1,/,10X,F10.2,4X,2F7.2,1P,E9.2,"
                "2X,0P,F5.2,1X,F5.2,1P,E9.2,/,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,A2)"),
        u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.three, reportDepth(ctx, z), b,
        phiDeg, gammaAvg, A, B, ps, u.lengthB, u.forceA, u.slash, u.lengthB);
  }
}

}  // namespace

namespace py {

SandCurve sandCurve(const SandParameters& in) {
  const CurveSite& site = in.site;
  const double b = site.b;
  const double bRef = site.bRef;
  const double phi = in.phi;
  const double gammaAvg = in.gammaAvg;
  const double z = in.at.z;
  const double zEff = in.at.zEff;
  // Sand takes the slope in radians with its own pi (3.1416/180 per degree),
  // which differs from the stored degrees per radian in the sixth digit.
  const double slope = site.slopeDegrees * kPi / 180.0;
  const bool slopingSide = in.at.excavation && std::fabs(slope) > kLevelGround;
  const FrictionAngles a = frictionAngles(phi, kPi);

  SandCurve r;
  r.pst = slopingSide ? slopingWedgeResistance(a, a.ka, gammaAvg, zEff, b, std::tan(std::fabs(slope)))
                      : wedgeResistance(a, a.ka, gammaAvg, zEff, b);
  const double t4 = a.t2 * a.t2;
  r.psd = (a.ka * (t4 * t4 - 1.0) + kRestCoefficient * std::tan(phi) * t4) * b * gammaAvg * zEff;
  r.ps = std::min(r.pst, r.psd);
  if (site.continuous) {
    const double theta = slopingSide ? std::fabs(slope) : 0.0;
    const double kp = passiveCoefficient(phi, theta);
    r.ps = in.at.excavation ? gammaAvg * z * b * kp : in.at.sigmaV * b * kp;
  }

  r.A = frictionFactorA(site.cyclic, z / bRef);
  r.B = frictionFactorB(site.cyclic, z / bRef);
  r.pu = r.A * r.ps;
  const CurveShape s = shapeFor(r.pu, r.B * r.ps, in.k * zEff, zEff, bRef);
  r.points.y = frictionalDeflections(s.c);
  for (std::size_t j = 0; j < r.points.y.size(); ++j) r.points.p[j] = s.at(r.points.y[j]);
  return r;
}

}  // namespace py

void sandModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  const double kLayer = st.layer(layer).subgrade;
  double previousPu = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    const double phi = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::Phi, py::ProfileTable::Phi);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), py::frictionAngles(phi, kPi),
                                        site.b, site.bRef, gammaAvg, zCurve, st.cyclic);
      }
    }

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      py::writeSideLine(ctx, side);
      py::SandParameters in{site, py::sideDepth(ctx, st, site, layer, m, side), phi, gammaAvg, kLayer};
      const py::SandCurve c = py::sandCurve(in);

      writeHeader(ctx, site.continuous, in.at.z, site.b, phi, gammaAvg, c.A, c.B, c.pst, c.psd, c.ps);
      py::writeCurvePoints(ctx, st, m, side, c.points);
      py::writeMultiplierLine(ctx, st, x);

      if (in.at.excavation) {
        if (m != firstCurve) st.integral(layer) += 0.5 * (previousPu + c.pu) * (zCurve - st.curveDepth(m - 1));
        if (m == lastCurve) st.integral(layer) += c.pu * (st.layer(layer).zBot - zCurve);
        previousPu = c.pu;
      }
    }
  }
}

}  // namespace korven
