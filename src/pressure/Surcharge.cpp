// Surcharge force on the layers above the excavation from the working
// surcharge values, and the SURCHARGE INFORMATION section. The pressure of
// each surcharge kind is in core/SurchargePressure.
#include <cmath>

#include "pressure/EarthPressure.h"
#include "pressure/PressureInternal.h"

namespace korven {

namespace pressure {

namespace {

constexpr double kLoadThreshold = single(1.0e-4f);  // smaller working loads are ignored

}  // namespace

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

void writeSurchargeInformation(RunContext& ctx, PressureState& st) {
  const SoilData& soil = ctx.model.soil;
  const UnitLabels& u = ctx.labels;
  WorkingSurcharge& w = st.surcharge;
  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
              "'*              SURCHARGE INFORMATION             *',/,6X,"
              "'**************************************************',/)"));
  ctx.report.write(KLAYOUT("(/,6X,'UNIFORM SURFACE PRESSURE     =',1P,E10.3,A4,A1,A2,A2,A1)"),
                   st.surfacePressure, u.forceB, u.slash, u.lengthB, u.power, u.two);
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

}  // namespace korven
