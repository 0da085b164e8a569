// Lateral pressure of point, line and strip surcharges behind the wall, the
// working surcharge values and the SURCHARGE INFORMATION section.
#include <algorithm>
#include <cmath>

#include "pressure/EarthPressure.h"
#include "pressure/PressureInternal.h"

namespace korven {

namespace pressure {

namespace {

// Below this free height the distance ratios x/H and z/H are not formed.
constexpr double kSmallFreeHeight = 1.0e-6;
constexpr double kNearLoadRatio = single(0.4f);  // x/H up to which the near-load forms hold
constexpr double kNearShift = single(0.16f);     // 0.4 squared in the near-load forms
constexpr double kPi = kStoredPi;
constexpr double kLoadThreshold = single(1.0e-4f);  // smaller working loads are ignored
constexpr int kSurchargeGridSteps = 200;

// beta - sin(beta) cos(a1 + a2) of a strip load seen under the angles a1, a2.
double stripShape(double a1, double a2) {
  const double beta = a1 - a2;
  return beta - std::sin(beta) * std::cos(a1 + a2);
}

// Deepest depth of the grid L/200, 2L/200, .., L strictly above `limit`;
// index 0 when even the first grid depth is not above it.
int gridIndexAbove(double limit, double step) {
  if (!(step < limit)) return 0;
  const double estimate = std::ceil(limit / step) - 1.0;
  int j = estimate >= kSurchargeGridSteps ? kSurchargeGridSteps
                                          : std::max(1, static_cast<int>(estimate));
  while (j < kSurchargeGridSteps && (j + 1) * step < limit) ++j;
  while (j > 0 && !(j * step < limit)) --j;
  return j;
}

}  // namespace

double pointLoadPressure(double load, double x, double z, double h) {
  if (h < kSmallFreeHeight) {
    const double x2 = x * x, z2 = z * z, r2 = x2 + z2;
    return r2 > 0.0 ? single(1.77f) * load * x2 * z2 / (r2 * r2 * r2) : 0.0;
  }
  const double m = x / h, n = z / h, m2 = m * m, n2 = n * n;
  if (m <= kNearLoadRatio) {
    const double d = kNearShift + n2;
    return single(0.28f) * load * n2 / (h * h * (d * d * d));
  }
  const double d = m2 + n2;
  return single(1.77f) * load * m2 * n2 / (h * h * (d * d * d));
}

double lineLoadPressure(double load, double x, double z, double h, double coefficient,
                        double divisor) {
  if (h < kSmallFreeHeight) {
    const double x2 = x * x, r2 = x2 + z * z;
    return r2 > 0.0 ? coefficient * load * x2 * z / (divisor * (r2 * r2)) : 0.0;
  }
  const double m = x / h, n = z / h, m2 = m * m;
  if (m <= kNearLoadRatio) {
    const double d = kNearShift + n * n;
    return single(0.203f) * load * n / (h * (d * d));
  }
  const double d = m2 + n * n;
  return coefficient * load * m2 * n / (divisor * h * (d * d));
}

double layerSurchargeForce(const PressureState& st, double ztop, double t) {
  const WorkingSurcharge& w = st.surcharge;
  const double h = st.freeHeight;
  const double d = t / 10.0;
  double force = 0.0;
  for (int i = 1; i <= 10; ++i) {
    const double z = ztop + i * d;
    double p = 0.0;
    if (w.pointLoad > kLoadThreshold) p += pointLoadPressure(w.pointLoad, w.distance, z, h);
    if (w.lineLoad > kLoadThreshold) {
      p += lineLoadPressure(w.lineLoad, w.distance, z, h, single(1.273f), 1.0);
    }
    if (w.stripLoad > kLoadThreshold) {
      double a1, a2;
      if (h < kSmallFreeHeight) {
        a1 = std::atan((w.distance + w.stripWidth / 2.0) / z);
        a2 = std::atan((w.distance - w.stripWidth / 2.0) / z);
      } else {
        const double m = w.distance / h, n = z / h, b = (w.stripWidth / 2.0) / h;
        a1 = std::atan((m + b) / n);
        a2 = std::atan((m - b) / n);
      }
      p += single(0.6366f) * w.stripLoad * stripShape(a1, a2);
    }
    force += d * p;
  }
  return force;
}

void writeSurchargeInformation(RunContext& ctx) {
  const SoilData& soil = ctx.model.soil;
  const UnitLabels& u = ctx.labels;
  WorkingSurcharge& w = ctx.pressure.surcharge;
  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'*              SURCHARGE INFORMATION             *',/,6X,"
              "'**************************************************',/)"));
  ctx.report.write(KLAYOUT("(/,6X,'UNIFORM SURFACE PRESSURE     =',1P,E10.3,A4,A1,A2,A2,A1)"),
                   ctx.pressure.surfacePressure, u.forceB, u.slash, u.lengthB, u.power, u.two);
  int number = 0;
  for (const Surcharge& s : soil.surcharges) {
    ++number;
    switch (s.type) {
      case 1:
        ctx.report.write(KLAYOUT("(/,6X,'SURCHARGE LOADING NO.        = ',I10,/,6X,"
                                 "'POINT LOAD                   = ',E10.3,A4,/,6X,"
                                 "'HORIZONTAL DISTANCE BETWEEN  = ',E10.3,A3,/,6X,"
                                 "'THE WALL AND SURCHARGE         ',/,6X,"
                                 "'VERTICAL DISTANCE BETWEEN    = ',E10.3,A3,/,6X,"
                                 "'THE WALL AND SURCHARGE         ',/,6X,"
                                 "'FACTOR FOR SURCHARGE LOAD    = ',E10.3,/)"),
                         number, s.load, u.forceB, s.distance, u.length, s.vertical, u.length,
                         s.factor);
        break;
      case 2:
        ctx.report.write(KLAYOUT("(/,6X,'SURCHARGE LOADING NO.        = ',I10,/,6X,"
                                 "'LINE LOAD                    = ',E10.3,A4,A1,A2,/,6X,"
                                 "'HORIZONTAL DISTANCE BETWEEN  = ',E10.3,A3,/,6X,"
                                 "'THE WALL AND SURCHARGE         ',/,6X,"
                                 "'VERTICAL DISTANCE BETWEEN    = ',E10.3,A3,/,6X,"
                                 "'THE WALL AND SURCHARGE         ',/,6X,"
                                 "'FACTOR FOR SURCHARGE LOAD    = ',E10.3,/)"),
                         number, s.load, u.forceB, u.slash, u.lengthB, s.distance, u.length,
                         s.vertical, u.length, s.factor);
        break;
      case 3:
        ctx.report.write(KLAYOUT("(/,6X,'SURCHARGE LOADING NO.        = ',I10,/,6X,"
                                 "'STRIP LOAD                   = ',E10.3,A4,A1,A2,A2,A1,/,6X,"
                                 "'WIDTH OF THE STRIP LOAD      = ',E10.3,A3,/,6X,"
                                 "'HORIZONTAL DISTANCE BETWEEN  = ',E10.3,A3,/,6X,"
                                 "'WALL AND MIDDLE OF STRIP WIDTH          ',/,6X,"
                                 "'VERTICAL DISTANCE BETWEEN    = ',E10.3,A3,/,6X,"
                                 "'THE WALL AND SURCHARGE         ',/,6X,"
                                 "'FACTOR FOR SURCHARGE LOAD    = ',E10.3,/)"),
                         number, s.load, u.forceB, u.slash, u.lengthB, u.power, u.two, s.width,
                         u.length, s.distance, u.length, s.vertical, u.length, s.factor);
        break;
      default:
        continue;
    }
    // The working values describe the last listed surcharge, load as input.
    w.pointLoad = s.type == 1 ? s.load : 0.0;
    w.lineLoad = s.type == 2 ? s.load : 0.0;
    w.stripLoad = s.type == 3 ? s.load : 0.0;
    if (s.type == 3) w.stripWidth = s.width;
    w.distance = s.distance;
  }
}

}  // namespace pressure

// Each surcharge is evaluated at the deepest point of a grid of 200 equal
// steps over the wall length that lies above the wall point (depths below
// the load level), so the pressure changes in steps of L/200.
double surchargePressureAt(RunContext& ctx, double z) {
  using namespace pressure;
  const SoilData& soil = ctx.model.soil;
  WorkingSurcharge& w = ctx.pressure.surcharge;
  const double length = ctx.model.wall.n * ctx.model.wall.h;
  const double h = soil.excavationDepth;
  double result = 0.0;
  if (length > 0.0) {
    const double step = length / kSurchargeGridSteps;
    for (const Surcharge& s : soil.surcharges) {
      const double load = s.load * s.factor;
      const int j = gridIndexAbove(s.vertical + z, step);
      const double zs = j * step;
      double p = 0.0;
      if (s.type == 2) {
        w.lineLoad = load;
        if (j > 0) p = lineLoadPressure(load, s.distance, zs, h, 4.0, kPi);
      } else if (s.type == 3) {
        w.stripLoad = load;
        w.stripWidth = s.width;
        if (j > 0) {
          const double a1 = std::atan((s.distance + s.width / 2.0) / zs);
          const double a2 = std::atan((s.distance - s.width / 2.0) / zs);
          p = (2.0 * load / kPi) * stripShape(a1, a2);
        }
      } else {
        w.pointLoad = load;
        if (j > 0) p = pointLoadPressure(load, s.distance, zs, h);
      }
      w.distance = s.distance;
      result += p;
    }
  }
  return result;
}

}  // namespace korven
