// Sand p-y curves: ultimate resistance from a wedge and a flow mechanism
// (or a Coulomb passive resistance for continuous walls), factors A and B
// against depth over width, and a curve of an initial line, a power-law
// parabola, a straight line and a plateau.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "pycurves/PyCommon.h"

namespace korven {

namespace {

using py::Side;

constexpr double kPi = py::kPiSingle;
constexpr double kLastFactor = 1.2000000476837158;
constexpr double kFlowFactor = 0.88;

// Depth whose frictional resistance integral from the surface equals F.
double equivalentDepth(double F, const py::FrictionAngles& a, double b, double bRef,
                       double gammaAvg, double zCurve, bool cyclic) {
  const double k0 = py::kRestCoefficient;
  const double tb = std::tan(a.beta), ta = std::tan(a.alpha), tphi = std::tan(a.phi);
  const double c2 =
      tb * (a.t2 * ta + k0 * (tphi * std::sin(a.beta) * (1.0 + 1.0 / std::cos(a.alpha)) - ta));
  const double d = a.t2 * a.t2 * (a.t2 + k0 * tphi) - a.ka;
  // Without friction or weight the soil offers no resistance to match.
  if (!(c2 > 0.0) || !(gammaAvg > 0.0)) return 0.0;
  const double zt = b * (d - (a.t2 - a.ka)) / c2;
  const double s = zt / 100.0;
  double sum = 0.0;
  for (int q = 1; q <= 100; ++q) {
    const double x = q * s;
    const double factor = py::frictionFactorA(cyclic, x / bRef);
    const double previous = sum;
    sum += factor * gammaAvg * b * b * ((a.t2 - a.ka) * x / b + c2 * (x / b) * (x / b)) * s;
    if (sum > F) return x - s * (sum - F) / (sum - previous);
  }
  const double flow = kFlowFactor * d * gammaAvg * b * zCurve;
  return flow > 0.0 ? zt + (F - sum) / flow : zt;
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
  double k = 0.0;  // initial slope k*z_eff
  double yk = 0.0, ym = 0.0, yu = 0.0;
  double pm = 0.0, pu = 0.0;
  double m = 0.0, n = 1.0, C = 0.0;
  bool resists = true;  // false: no ultimate resistance, p = 0 everywhere

  double at(double y) const {
    if (!resists) return 0.0;
    double p = 0.0;
    if (y >= ym) {
      p = y < yu ? pm + m * (y - ym) : pu;
    } else if (y <= yk) {
      p = k * y;
    } else {
      p = C * std::pow(y, 1.0 / n);
    }
    return std::min(p, k * y);
  }
};

// Characteristic points of the curve for the ultimate resistances pu, pm.
CurveShape shapeFor(double pu, double pm, double kz, double zEff, double bRef) {
  CurveShape s;
  s.k = kz;
  s.pu = pu;
  s.pm = pm;
  s.yu = 3.0 * bRef / 80.0;
  s.ym = bRef / 60.0;
  s.yk = 2.0 * bRef;
  s.resists = pu > 0.0 && pm > 0.0;
  s.m = (pu - pm) / (s.yu - s.ym);
  if (zEff > 0.0 && s.resists && kz > 0.0 && s.m > 0.0) {
    s.n = pm / (s.m * s.ym);
    s.C = pm / std::pow(s.ym, 1.0 / s.n);
    // n = 1 makes the parabola a line through the origin that meets the
    // initial line nowhere (or everywhere): keep the default yk then.
    if (s.n != 1.0) s.yk = std::pow(s.C / kz, s.n / (s.n - 1.0));
  }
  if (s.resists && s.yu < s.yk && kz > 0.0) {
    // The initial line meets the curve beyond yu (soft subgrade).
    s.ym = s.ym * (pu / kz) / s.yu;
    s.yk = s.ym / 10.0;
    s.yu = pu / kz;
  }
  return s;
}

void writeHeader(RunContext& ctx, bool continuous, double z, double b, double phi, double gammaAvg,
                 double A, double B, double pst, double psd, double ps) {
  const UnitLabels& u = ctx.labels;
  const double phiDeg = phi * 180.0 / kPi;
  const auto depth = u.depthB.substr(0, 2);
  const auto three = u.three.substr(0, 1);
  if (!continuous) {
    ctx.report.write(
        KLAYOUT("(/,/,11X,'DEPTH BELOW GS',2X,'DIAM',3X,'PHI',2X,'GAMMA AVG',4X,'A',5X,'B',5X,"
                "'PCT',7X,'PCD',/,17X,A2,9X,A2,9X,A3,A1,A2,A2,A1,/,10X,F10.2,4X,2F7.2,1P,E9.2,"
                "2X,0P,F5.2,1X,F5.2,1P,2E9.2,/,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,A2)"),
        depth, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, three, py::reportDepth(ctx, z), b,
        phiDeg, gammaAvg, A, B, pst, psd, u.lengthB, u.forceA, u.slash, u.lengthB);
  } else {
    ctx.report.write(
        KLAYOUT("(/,/,11X,'DEPTH BELOW GS',2X,'DIAM',3X,'PHI',2X,'GAMMA AVG',4X,'A',5X,'B',5X,"
                "'PC ',/,17X,A2,9X,A2,9X,A3,A1,A2,A2,A1,/,10X,F10.2,4X,2F7.2,1P,E9.2,"
                "2X,0P,F5.2,1X,F5.2,1P,E9.2,/,/,38X,'Y',19X,'P',/,38X,A2,15X,A3,A1,A2)"),
        depth, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, three, py::reportDepth(ctx, z), b,
        phiDeg, gammaAvg, A, B, ps, u.lengthB, u.forceA, u.slash, u.lengthB);
  }
}

}  // namespace

void sandModel(RunContext& ctx, int layer, int firstCurve, int lastCurve) {
  PyState& st = ctx.py;
  const SoilData& soil = ctx.model.soil;
  const double H = st.freeHeight;
  const double b = soil.widthResistance;
  const bool continuous = st.continuousWall();
  const double bRef = continuous ? st.referenceWidth : b;
  const double kLayer = st.layer(layer).subgrade;
  const double slope = soil.slopeExcavation * kPi / 180.0;
  const bool sloping = std::fabs(slope) > 1e-15;
  double previousPu = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + H;
    const double phi = py::profileValueAt(ctx, zCurve, py::StrengthColumn::Phi, py::ProfileTable::Phi);
    const double gammaAvg = py::averageUnitWeight(ctx, zCurve);
    const py::FrictionAngles a = py::frictionAngles(phi, kPi);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) =
            equivalentDepth(py::integralAbove(st, layer), a, b, bRef, gammaAvg, zCurve, st.cyclic);
      }
    }

    py::writeScratchCurveHeader(ctx, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      const bool excavation = side == Side::Excavation;
      py::writeSideLine(ctx, side);
      const double z = excavation ? zCurve : zCurve + H;
      const double zEff = py::effectiveDepth(st, layer, z);

      double pst = excavation && sloping
                       ? py::slopingWedgeResistance(a, a.ka, gammaAvg, zEff, b, std::tan(std::fabs(slope)))
                       : py::wedgeResistance(a, a.ka, gammaAvg, zEff, b);
      const double t4 = a.t2 * a.t2;
      const double psd = (a.ka * (t4 * t4 - 1.0) + py::kRestCoefficient * std::tan(phi) * t4) * b *
                         gammaAvg * zEff;
      double ps = std::min(pst, psd);
      if (continuous) {
        const double theta = excavation && sloping ? std::fabs(slope) : 0.0;
        const double kp = passiveCoefficient(phi, theta);
        ps = excavation ? gammaAvg * z * b * kp : py::backfillVerticalStress(ctx, z) * b * kp;
      }

      const double A = py::frictionFactorA(st.cyclic, z / bRef);
      const double B = py::frictionFactorB(st.cyclic, z / bRef);
      const CurveShape s = shapeFor(A * ps, B * ps, kLayer * zEff, zEff, bRef);
      const double y1 = s.yk <= s.ym / 5.0 ? s.yk : s.ym / 10.0;

      writeHeader(ctx, continuous, z, b, phi, gammaAvg, A, B, pst, psd, ps);
      double ys[kPyPointsPerSide] = {0.0, y1 / 2.0, y1};
      for (int q = 1; q <= 9; ++q) ys[2 + q] = y1 + (s.ym - y1) * q / 10.0;
      ys[12] = s.ym;
      ys[13] = (s.yu + 2.0 * s.ym) / 3.0;
      ys[14] = (2.0 * s.yu + s.ym) / 3.0;
      ys[15] = s.yu;
      ys[16] = kLastFactor * s.yu;
      for (int j = 1; j <= kPyPointsPerSide; ++j) {
        const double y = ys[j - 1];
        py::writeScaledPoint(ctx, m, side, j, y, s.at(y));
      }
      py::writeMultiplierLine(ctx, x);

      if (excavation) {
        const double pu = A * ps;
        if (m != firstCurve) st.integral(layer) += 0.5 * (previousPu + pu) * (zCurve - st.curveDepth(m - 1));
        if (m == lastCurve) st.integral(layer) += pu * (st.layer(layer).zBot - zCurve);
        previousPu = pu;
      }
    }
  }
}

}  // namespace korven
