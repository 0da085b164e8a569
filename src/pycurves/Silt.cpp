// Silt (soil with cohesion and friction) p-y curves: the frictional
// resistance of sand (wedge and flow) plus a cohesive resistance of the
// soft-clay form, and one of three curve shapes chosen by where the initial
// line k*z_eff*y meets the rest of the curve. Continuous walls take passive
// resistances with a wall friction of 10 degrees.
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

#include "core/RunContext.h"
#include "pycurves/Silt.h"

namespace korven {

namespace {

using py::Side;

constexpr double kPi = 3.141592653589793;
constexpr double kWallFriction = 0.17453332245349884;     // 10 degrees
constexpr double kCosWallFriction = 0.9848076840296858;

// Active coefficient of a ground sloping at theta (radians). A slope steeper
// than the friction angle has no real Rankine value; the root is taken as
// zero there, the limit reached when the slope equals the friction angle.
double slopedActiveCoefficient(double theta, double phi) {
  const double ct = std::cos(theta), cp = std::cos(phi);
  const double root = std::sqrt(std::max(0.0, ct * ct - cp * cp));
  return ct * (ct - root) / (ct + root);
}

// Coulomb passive coefficient with a wall friction of 10 degrees and ground
// slope theta; a slope steeper than the friction angle leaves no root term.
double passiveCoefficient(double phi, double theta) {
  const double under = std::sin(phi + kWallFriction) * std::sin(phi - theta) /
                       (kCosWallFriction * std::cos(theta));
  const double root = under > 0.0 ? std::sqrt(under) : 0.0;
  const double cp = std::cos(phi);
  return cp * cp / (kCosWallFriction * (1.0 - root) * (1.0 - root));
}

// Depth whose resistance integral from the surface (cohesive wedge plus the
// frictional wedge) equals F, the integral of the layers above.
double equivalentDepth(double F, const py::FrictionAngles& a, double b, double bRef, double c,
                       double gammaAvg, double zCurve, bool cyclic) {
  const double cohesive = gammaAvg * b + 0.5 * c;
  const double bc3 = 3.0 * b * c;
  if (const auto z = py::frictionalEquivalentDepth(F, a, b, bRef, gammaAvg, zCurve, cyclic, 50,
                                                   {cohesive, bc3, 9.0 * b * c})) {
    return *z;
  }
  // No frictional wedge (no friction or no weight): the cohesive wedge
  // alone, integrated in closed form.
  const double q = 0.5 * cohesive;
  if (q > 0.0) return (std::sqrt(bc3 * bc3 + 4.0 * q * F) - bc3) / (2.0 * q);
  return bc3 > 0.0 ? F / bc3 : 0.0;
}

// The curve of one side: its shape, deflections and resistance law.
struct CurveShape {
  int shape = 1;
  bool resists = true;  // false: no stiffness or no resistance, p = 0
  py::FrictionalCurve c;
  double yi = 0.0;
  std::array<double, kPyPointsPerSide> y{};

  double at(double v) const {
    if (!resists) return 0.0;
    const double kz = c.kz;
    double p = 0.0;
    switch (shape) {
      case 2:
        p = v <= yi ? kz * v : (v <= c.yu ? c.m * (v - yi) + kz * yi : c.pu);
        break;
      case 3:
        return v <= c.yu ? kz * v : c.pu;
      default:
        // As the sand curve, but the initial line holds up to yk even
        // beyond ym, and the straight line up to yu inclusive.
        if (v <= c.yk) {
          p = kz * v;
        } else if (v <= c.ym) {
          p = c.C * std::pow(v, 1.0 / c.n);
        } else {
          p = v <= c.yu ? c.pm + c.m * (v - c.ym) : c.pu;
        }
        break;
    }
    return std::min(p, kz * v);
  }
};

CurveShape buildCurve(double pu, double pm, double kz, double zEff, double bRef) {
  CurveShape s;
  s.c = py::frictionalCurve(pu, pm, kz, bRef);
  py::FrictionalCurve& c = s.c;
  // At or above the surface (z_eff <= 0), without subgrade modulus or without
  // any resistance the power law cannot be built and the initial line has no
  // slope: the curve carries no resistance.
  s.resists = zEff > 0.0 && kz > 0.0 && pm > 0.0;
  if (s.resists) {
    py::buildPowerLaw(c);
    if (!(c.yk >= 0.0 && c.yk < c.ym)) {
      s.yi = (pm - c.ym * c.m) / (kz - c.m);
      if (c.ym <= s.yi && s.yi < c.yu) {
        s.shape = 2;
      } else if (c.yu <= pu / kz) {
        s.shape = 3;
      }
    }
  }

  auto& y = s.y;
  if (s.shape == 1) {
    if (s.resists) py::shiftForSoftSubgrade(c);
    y = py::frictionalDeflections(c);
  } else if (s.shape == 2) {
    const double yi = s.yi;
    y = {0.0, yi / 8.0, yi / 4.0, 3.0 * yi / 8.0, yi / 2.0, 5.0 * yi / 8.0, 7.0 * yi / 8.0, yi, yi};
    for (int q = 1; q <= 5; ++q) y[static_cast<std::size_t>(8 + q)] = yi + (c.yu - yi) * q / 6.0;
    y[14] = c.yu;
    y[15] = single(1.1f) * c.yu;
    y[16] = single(1.2f) * c.yu;
  } else {
    // Elastic, perfectly plastic: yu holds ys = pu/(k*z_eff).
    const double ys = pu / kz;
    c.yu = ys;
    for (int q = 0; q <= 11; ++q) y[static_cast<std::size_t>(q)] = ys * q / 12.0;
    y[12] = ys;
    y[13] = single(1.05f) * ys;
    y[14] = single(1.1f) * ys;
    y[15] = single(1.15f) * ys;
    y[16] = single(1.2f) * ys;
  }
  return s;
}

void writeHeader(RunContext& ctx, double z, double b, double phi, double gammaAvg, double A,
                 double B, double pc, double ps) {
  const UnitLabels& u = ctx.labels;
  // The factors A and B are printed at their own value: the scale factor of
  // the unit weight before them is cancelled, or they would read ten times
  // too large.
  ctx.report.write(
      KLAYOUT("(/,/,5X,'DEPTH',6X,'DIAM',6X,'PHI',2X,'GAMMA AVG',8X,'A',9X,'B',5X,'Puc',7X,"
              "'Pu\xED',/,7X,A2,8X,A2,12X,A3,A1,A2,A2,A1,/,2F10.2,F10.1,1P,E10.3,0P,2F10.2,1P,"
              "2E10.3,/,/,37X,'Y',19X,'P',/,37X,A2,16X,A3,A1,A2)"),
      u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.three, reportDepth(ctx, z),
      b, phi * 180.0 / kPi, gammaAvg, A, B, pc, ps, u.lengthB, u.forceA, u.slash, u.lengthB);
}

}  // namespace

namespace py {

SiltCurve siltCurve(const SiltParameters& in) {
  const CurveSite& site = in.site;
  const double b = site.b;
  const double bRef = site.bRef;
  const double c = in.c;
  const double phi = in.phi;
  const double gammaAvg = in.gammaAvg;
  const double z = in.at.z;
  const double zEff = in.at.zEff;
  const double theta = std::fabs(site.slope);
  const FrictionAngles a = frictionAngles(phi, kPi);
  const double ka = theta > 1e-10 ? slopedActiveCoefficient(theta, phi) : a.ka;
  const bool slopeReduces = in.at.excavation && site.sloping;

  SiltCurve r;
  // Frictional resistance; the wedge sees the slope only where the ground
  // falls away from the wall.
  const double pst = in.at.excavation && site.slope > 1e-14
                         ? slopingWedgeResistance(a, ka, gammaAvg, zEff, b, site.tanSlope)
                         : wedgeResistance(a, ka, gammaAvg, zEff, b);
  const double t4 = a.t2 * a.t2;
  const double psd =
      (kRestCoefficient * std::tan(phi) * t4 + (t4 * t4 - 1.0) * a.ka) * gammaAvg * zEff * b;
  double ps = std::min(pst, psd);

  // Cohesive resistance; a soil without cohesion has none (Np would be
  // undefined at zero overburden).
  double pc = 0.0;
  if (c > 0.0) {
    double np = gammaAvg * zEff / c + 3.0 + 0.5 * zEff / b;
    if (slopeReduces) np /= 1.0 + site.tanSlope;
    pc = np >= 9.0 ? 9.0 * c * b : c * b * np;
  }
  if (site.continuous) {
    const double kp = passiveCoefficient(phi, in.at.excavation ? theta : 0.0);
    ps = in.at.excavation ? b * z * gammaAvg * kp : in.at.sigmaV * kp * b;
    pc = 2.0 * c * b * std::sqrt(kp);
    if (slopeReduces) pc /= 1.0 + site.tanSlope;
  }
  r.pc = pc;
  r.ps = ps;

  r.A = frictionFactorA(site.cyclic, zEff / bRef);
  r.B = frictionFactorB(site.cyclic, zEff / bRef);
  r.pu = r.A * ps;
  const CurveShape shape = buildCurve(r.pu, 1.5 * ps + pc, in.k * zEff, zEff, bRef);
  r.points.y = shape.y;
  for (std::size_t j = 0; j < shape.y.size(); ++j) r.points.p[j] = shape.at(shape.y[j]);
  return r;
}

}  // namespace py

void siltModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  const double kLayer = st.layer(layer).subgrade;
  py::PointStyle style;
  style.row = &KLAYOUT("(21X,2E20.3)");
  style.scratch = &KLAYOUT("(I5,2(2X,E10.3))");
  double previousPu = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    const double c = py::strengthAt(ctx, st, zCurve);
    const double phi =
        py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::Phi, py::ProfileTable::Phi);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), py::frictionAngles(phi, kPi),
                                        site.b, site.bRef, c, gammaAvg, zCurve, st.cyclic);
      }
    }

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      py::writeSideLine(ctx, side);
      py::SiltParameters in{site, py::sideDepth(ctx, st, site, layer, m, side), c, phi, gammaAvg, kLayer};
      const py::SiltCurve curve = py::siltCurve(in);

      writeHeader(ctx, in.at.z, site.b, phi, gammaAvg, curve.A, curve.B, curve.pc, curve.ps);
      py::writeCurvePoints(ctx, st, m, side, curve.points, style);
      py::writeMultiplierLine(ctx, st, x);

      if (in.at.excavation) {
        if (m != firstCurve) st.integral(layer) += 0.5 * (previousPu + curve.pu) * (zCurve - st.curveDepth(m - 1));
        if (m == lastCurve) st.integral(layer) += curve.pu * (st.layer(layer).zBot - zCurve);
        previousPu = curve.pu;
      }
    }
  }
}

}  // namespace korven
