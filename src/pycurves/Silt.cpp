// Silt (soil with cohesion and friction) p-y curves: the frictional
// resistance of sand (wedge and flow) plus a cohesive resistance of the
// soft-clay form, and one of three curve shapes chosen by where the initial
// line k*z_eff*y meets the rest of the curve. Continuous walls take passive
// resistances with a wall friction of 10 degrees.
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "pycurves/PyCommon.h"

namespace korven {

namespace {

using py::Side;

constexpr double kPi = 3.141592653589793;
constexpr double kWallFriction = 0.17453332245349884;     // 10 degrees
constexpr double kCosWallFriction = 0.9848076840296858;
constexpr double kFlowFactor = 0.88;

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
  const double k0 = py::kRestCoefficient;
  const double tb = std::tan(a.beta), ta = std::tan(a.alpha), tphi = std::tan(a.phi);
  const double c2 =
      tb * (a.t2 * ta + k0 * (tphi * std::sin(a.beta) * (1.0 + 1.0 / std::cos(a.alpha)) - ta));
  const double d = a.t2 * a.t2 * (a.t2 + k0 * tphi) - a.ka;
  const double cohesive = gammaAvg * b + 0.5 * c;
  const double bc3 = 3.0 * b * c;
  if (!(c2 > 0.0) || !(gammaAvg > 0.0)) {
    // No frictional wedge (no friction or no weight): the cohesive wedge
    // alone, integrated in closed form.
    const double q = 0.5 * cohesive;
    if (q > 0.0) return (std::sqrt(bc3 * bc3 + 4.0 * q * F) - bc3) / (2.0 * q);
    return bc3 > 0.0 ? F / bc3 : 0.0;
  }
  const double zt = b * (d - (a.t2 - a.ka)) / c2;
  const double s = zt / 50.0;
  double sum = 0.0;
  for (int q = 1; q <= 50; ++q) {
    const double x = q * s;
    const double factor = py::frictionFactorA(cyclic, x / bRef);
    const double previous = sum;
    sum += (cohesive * x + bc3 +
            factor * gammaAvg * b * b * ((a.t2 - a.ka) * x / b + c2 * (x / b) * (x / b))) *
           s;
    if (sum > F) return x - s * (sum - F) / (sum - previous);
  }
  const double flow = kFlowFactor * d * gammaAvg * b * zCurve + 9.0 * b * c;
  return flow > 0.0 ? zt + (F - sum) / flow : zt;
}

// The curve of one pass: its shape, deflections and resistance law.
struct SiltCurve {
  int shape = 1;
  bool resists = true;  // false: no stiffness or no resistance, p = 0
  double kz = 0.0;      // initial slope k*z_eff
  double pu = 0.0, pm = 0.0, m = 0.0, n = 1.0, C = 0.0;
  double yk = 0.0, ym = 0.0, yu = 0.0, yi = 0.0;
  std::array<double, kPyPointsPerSide> y{};

  double at(double v) const {
    if (!resists) return 0.0;
    double p = 0.0;
    switch (shape) {
      case 2:
        p = v <= yi ? kz * v : (v <= yu ? m * (v - yi) + kz * yi : pu);
        break;
      case 3:
        return v <= yu ? kz * v : pu;
      default:
        if (v <= yk) {
          p = kz * v;
        } else if (v <= ym) {
          p = C * std::pow(v, 1.0 / n);
        } else {
          p = v <= yu ? pm + m * (v - ym) : pu;
        }
        break;
    }
    return std::min(p, kz * v);
  }
};

SiltCurve buildCurve(double pu, double pm, double kz, double zEff, double bRef) {
  SiltCurve s;
  s.pu = pu;
  s.pm = pm;
  s.kz = kz;
  s.yu = 3.0 * bRef / 80.0;
  s.ym = bRef / 60.0;
  s.yk = 2.0 * bRef;
  // At or above the surface (z_eff <= 0), without subgrade modulus or without
  // any resistance the power law cannot be built and the initial line has no
  // slope: the curve carries no resistance.
  s.resists = zEff > 0.0 && kz > 0.0 && pm > 0.0;
  if (s.resists) {
    s.m = (pu - pm) / (s.yu - s.ym);
    s.n = s.m != 0.0 ? pm / (std::fabs(s.m) * s.ym) : std::numeric_limits<double>::infinity();
    s.C = pm / std::pow(s.ym, 1.0 / s.n);
    // n = 1 makes the power law a line through the origin that meets the
    // initial line nowhere; a flat line (n infinite) meets it at pm/kz.
    if (s.n != 1.0) s.yk = std::pow(s.C / kz, std::isinf(s.n) ? 1.0 : s.n / (s.n - 1.0));
    if (!(s.yk >= 0.0 && s.yk < s.ym)) {
      s.yi = (pm - s.ym * s.m) / (kz - s.m);
      if (s.ym <= s.yi && s.yi < s.yu) {
        s.shape = 2;
      } else if (s.yu <= pu / kz) {
        s.shape = 3;
      }
    }
  }

  auto& y = s.y;
  if (s.shape == 1) {
    if (s.resists && s.yu < s.yk) {
      s.ym = s.ym * (pu / kz) / s.yu;
      s.yk = s.ym / 10.0;
      s.yu = pu / kz;
    }
    const double y1 = s.yk <= s.ym / 5.0 ? s.yk : s.ym / 10.0;
    y = {0.0, y1 / 2.0, y1};
    for (int q = 1; q <= 9; ++q) y[static_cast<std::size_t>(2 + q)] = y1 + (s.ym - y1) * q / 10.0;
    y[12] = s.ym;
    y[13] = (s.yu + 2.0 * s.ym) / 3.0;
    y[14] = (2.0 * s.yu + s.ym) / 3.0;
    y[15] = s.yu;
    y[16] = single(1.2f) * s.yu;
  } else if (s.shape == 2) {
    const double yi = s.yi;
    y = {0.0, yi / 8.0, yi / 4.0, 3.0 * yi / 8.0, yi / 2.0, 5.0 * yi / 8.0, 7.0 * yi / 8.0, yi, yi};
    for (int q = 1; q <= 5; ++q) y[static_cast<std::size_t>(8 + q)] = yi + (s.yu - yi) * q / 6.0;
    y[14] = s.yu;
    y[15] = single(1.1f) * s.yu;
    y[16] = single(1.2f) * s.yu;
  } else {
    // Elastic, perfectly plastic: yu holds ys = pu/(k*z_eff).
    const double ys = pu / kz;
    s.yu = ys;
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
      u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.three, py::reportDepth(ctx, z),
      b, phi * 180.0 / kPi, gammaAvg, A, B, pc, ps, u.lengthB, u.forceA, u.slash, u.lengthB);
}

}  // namespace

void siltModel(RunContext& ctx, int layer, int firstCurve, int lastCurve) {
  PyState& st = ctx.py;
  const SoilData& soil = ctx.model.soil;
  const double H = st.freeHeight;
  const double b = soil.widthResistance;
  const bool continuous = st.continuousWall();
  const double bRef = continuous ? st.referenceWidth : b;
  const double kLayer = st.layer(layer).subgrade;
  const double slope = soil.slopeExcavation / py::kDegreesPerRadian;
  const double theta = std::fabs(slope);
  const double tanTheta = std::tan(theta);
  static const textio::Layout& row = KLAYOUT("(21X,2E20.3)");
  static const textio::Layout& scratch = KLAYOUT("(I5,2(2X,E10.3))");
  double previousPu = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + H;
    const double c = py::strengthAt(ctx, zCurve);
    const double phi =
        py::profileValueAt(ctx, zCurve, py::StrengthColumn::Phi, py::ProfileTable::Phi);
    const double gammaAvg = py::averageUnitWeight(ctx, zCurve);
    const py::FrictionAngles a = py::frictionAngles(phi, kPi);
    const double ka = theta > 1e-10 ? slopedActiveCoefficient(theta, phi) : a.ka;
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), a, b, bRef, c, gammaAvg,
                                        zCurve, st.cyclic);
      }
    }

    py::writeScratchCurveHeader(ctx, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      const bool excavation = side == Side::Excavation;
      py::writeSideLine(ctx, side);
      const double z = excavation ? zCurve : x;
      const double zEff = py::effectiveDepth(st, layer, z);
      const bool slopeReduces = excavation && theta > 1e-20;

      // Frictional resistance.
      const double pst = excavation && theta > 1e-15 && slope > 1e-14
                             ? py::slopingWedgeResistance(a, ka, gammaAvg, zEff, b, tanTheta)
                             : py::wedgeResistance(a, ka, gammaAvg, zEff, b);
      const double t4 = a.t2 * a.t2;
      const double psd = (py::kRestCoefficient * std::tan(phi) * t4 + (t4 * t4 - 1.0) * a.ka) *
                         gammaAvg * zEff * b;
      double ps = std::min(pst, psd);

      // Cohesive resistance; a soil without cohesion has none (Np would be
      // undefined at zero overburden).
      double pc = 0.0;
      if (c > 0.0) {
        double np = gammaAvg * zEff / c + 3.0 + 0.5 * zEff / b;
        if (slopeReduces) np /= 1.0 + tanTheta;
        pc = np >= 9.0 ? 9.0 * c * b : c * b * np;
      }
      if (continuous) {
        const double kp = passiveCoefficient(phi, excavation ? theta : 0.0);
        ps = excavation ? b * z * gammaAvg * kp : py::backfillVerticalStress(ctx, z) * kp * b;
        pc = 2.0 * c * b * std::sqrt(kp);
        if (slopeReduces) pc /= 1.0 + tanTheta;
      }

      const double A = py::frictionFactorA(st.cyclic, zEff / bRef);
      const double B = py::frictionFactorB(st.cyclic, zEff / bRef);
      const double pu = A * ps;
      const SiltCurve curve = buildCurve(pu, 1.5 * ps + pc, kLayer * zEff, zEff, bRef);

      writeHeader(ctx, z, b, phi, gammaAvg, A, B, pc, ps);
      for (int j = 1; j <= kPyPointsPerSide; ++j) {
        const double y = curve.y[static_cast<std::size_t>(j - 1)];
        py::writeScaledPoint(ctx, m, side, j, y, curve.at(y), row, scratch);
      }
      py::writeMultiplierLine(ctx, x);

      if (excavation) {
        if (m != firstCurve) st.integral(layer) += 0.5 * (previousPu + pu) * (zCurve - st.curveDepth(m - 1));
        if (m == lastCurve) st.integral(layer) += pu * (st.layer(layer).zBot - zCurve);
        previousPu = pu;
      }
    }
  }
}

}  // namespace korven
