// Stiff clay below free water: ultimate resistance from a wedge (with the
// average strength ca over depth) and a flow mechanism 11*c*b, empirical
// factors As (static) and Ac (cyclic) against depth over width, and the
// static and cyclic curve shapes, every point capped by the initial line
// k*z*y. Continuous walls take the passive-pressure resistance instead.
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "core/RunContext.h"
#include "pycurves/StiffClay.h"

namespace korven {

namespace py {

// Mean strength of resistance layer `layer` from its top to z, on the
// straight line through the layer's two strength points (extended below the
// bottom point). Close to the top (within 1e-5, when nearTopRule is set) the
// strength at z itself. A depth below the strength profile is reported but
// does not stop the run. Used by the stiff-clay and weak-rock models.
double layerMeanStrength(RunContext& ctx, PyState& st, int layer, double z, bool nearTopRule) {
  const auto& s = st.strength;
  const StrengthPoint& top = s[static_cast<std::size_t>(2 * (layer - 1))];
  const StrengthPoint& bottom = s[static_cast<std::size_t>(2 * (layer - 1) + 1)];
  if (z > s.back().z) {
    ctx.report.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'THE VALUE OF X =',E9.2,"
                             "'IS BEYOND THE EXTENT OF THE/',5X,'INPUT CURVE FOR STRENGTH')"),
                     z);
  }
  if (nearTopRule && std::fabs(z - top.z) < kDepthTolerance) return strengthAt(ctx, st, z);
  const double span = bottom.z - top.z;
  const double cz = span > 0.0 ? top.c + (bottom.c - top.c) * (z - top.z) / span : top.c;
  return 0.5 * (top.c + cz);
}

// Unit labels of the strength-model report headers: depth, width, two
// stresses and a unit weight, in the order their layouts print them.
std::vector<textio::FieldValue> strengthHeaderLabels(const UnitLabels& u) {
  return {u.depthB, u.lengthB, u.forceA, u.slash, u.lengthB, u.power, u.two,
          u.forceA, u.slash,   u.lengthB, u.power, u.two,  u.forceA, u.slash,
          u.lengthB, u.power,  u.three};
}

}  // namespace py

namespace {

using py::Side;

constexpr double kWedgeFactor = 2.8299999237060547;       // 2.83
constexpr double kFlowFactor = 11.0;
constexpr double kSoftening = 0.054999999701976776;       // 0.055
constexpr double kHalfRootSix = 1.225000023841858;        // 0.5*sqrt(6)
constexpr double kStaticDrop = 0.41100001335144043;       // 0.411
constexpr double kCyclicPeak = 0.9359999895095825;        // 0.936
constexpr double kCyclicSlope = 0.08500000089406967;      // 0.085
constexpr double kCyclicResidual = 0.10199999809265137;   // 0.102
constexpr double kCyclicYield = 4.099999904632568;        // 4.1
constexpr double kCyclicIntegral = 0.4180000126361847;    // 0.418

constexpr std::array<double, 6> kAsRatio = {0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
constexpr std::array<double, 6> kAs = {single(0.223f), single(0.46f), single(0.55f),
                                       single(0.59f),  single(0.60f), single(0.60f)};
constexpr std::array<double, 4> kAcRatio = {0.0, 1.0, 2.0, 3.0};
constexpr std::array<double, 4> kAc = {single(0.20f), single(0.29f), single(0.30f), single(0.30f)};

// A zero deflection scale (no strain given) makes every deflection zero;
// the curve then has no resistance instead of an undefined one.

// Static curve with a = As*y50.
double staticResistance(double y, double y50, double as, double pc) {
  if (!(y50 > 0.0)) return 0.0;
  const double a = as * y50;
  if (y <= a) return 0.5 * pc * std::sqrt(y / y50);
  if (y <= 6.0 * a) return pc * (0.5 * std::sqrt(y / y50) - kSoftening * std::pow(y / a - 1.0, 1.25));
  // 0.5*sqrt(6*As)*pc, from which the two later branches subtract.
  const double rootTerm = kHalfRootSix * std::sqrt(as) * pc;
  if (y <= 18.0 * a) return rootTerm - kStaticDrop * pc - (0.0625 / y50) * pc * (y - 6.0 * a);
  return rootTerm - 0.75 * as * pc - kStaticDrop * pc;
}

// Cyclic curve with yp = 4.1*As*y50.
double cyclicResistance(double y, double y50, double yp, double ac, double pc) {
  if (!(y50 > 0.0) || !(yp > 0.0)) return 0.0;
  const double y45 = single(0.45f) * yp;
  const double y60 = single(0.6f) * yp;
  if (y <= y60) return ac * pc * (1.0 - std::pow(std::fabs((y - y45) / y45), 2.5));
  if (y <= single(1.8f) * yp) return kCyclicPeak * ac * pc - (kCyclicSlope / y50) * pc * (y - y60);
  return kCyclicPeak * ac * pc - (kCyclicResidual / y50) * pc * yp;
}

void writeHeader(RunContext& ctx, double z, double b, double c, double ca, double gammaAvg,
                 double e50) {
  auto v = py::strengthHeaderLabels(ctx.labels);
  v.insert(v.end(), {reportDepth(ctx, z), b, c, ca, gammaAvg, e50});
  ctx.report.writeValues(
      KLAYOUT("(/,/,9X,'DEPTH BELOW GS',6X,'DIAM',8X,'C',9X,'CAVG',4X,'GAMMA AVG',6X,'E50',/,"
              "15X,A2,13X,A2,5X,2(A3,A1,2A2,A1,2X),A3,A1,2A2,A1,/,9X,F10.2,5X,F10.3,"
              "3(1X,1P,E10.2),1P,E12.4)"),
      v);
}

}  // namespace

namespace py {

StiffClayFreeWaterCurve stiffClayFreeWaterCurve(const StiffClayParameters& in) {
  const CurveSite& site = in.site;
  const double b = site.b;
  const double c = in.c;
  const double ca = in.ca;
  const double z = in.at.z;
  const double slopeFactor = site.sloping ? 1.0 + site.tanSlope : 1.0;
  const double y50 = in.e50 * site.bRef;

  StiffClayFreeWaterCurve r;
  double pc = 0.0;
  if (!site.continuous) {
    double pct = 2.0 * ca * b + in.gammaAvg * b * z + kWedgeFactor * ca * z;
    if (in.at.excavation) pct /= slopeFactor;
    pc = std::min(pct, kFlowFactor * c * b);
  } else if (in.at.excavation) {
    pc = (2.0 * c + in.gammaAvg * z) * b / slopeFactor;
  } else {
    pc = (2.0 * c + in.at.sigmaV) * b;
  }
  r.pc = pc;

  const double as = tableLookUp(kAsRatio, kAs, z / b);
  const double ac = tableLookUp(kAcRatio, kAc, z / b);
  r.as = as;
  r.ac = ac;

  const double kz = in.k * z;
  auto& y = r.points.y;
  auto& p = r.points.p;
  if (!site.cyclic) {
    const double a = as * y50;
    for (int j = 1; j <= kPyPointsPerSide; ++j) {
      double v = 0.5 * a * (j - 1);
      if (j >= 14) v = (j == 17 ? 200.0 : 10.0 + 4.0 * (j - 14)) * a;
      y[static_cast<std::size_t>(j - 1)] = v;
      p[static_cast<std::size_t>(j - 1)] = std::min(staticResistance(v, y50, as, pc), kz * v);
    }
  } else {
    const double yp = kCyclicYield * as * y50;
    for (int j = 1; j <= kPyPointsPerSide; ++j) {
      double v = single(0.05f) * yp * (j - 1);
      if (j == 14) v = yp;
      if (j == 15) v = single(1.4f) * yp;
      if (j == 16) v = single(1.8f) * yp;
      if (j == 17) v = 20.0 * yp;
      y[static_cast<std::size_t>(j - 1)] = v;
      p[static_cast<std::size_t>(j - 1)] = std::min(cyclicResistance(v, y50, yp, ac, pc), kz * v);
    }
  }
  r.fraction = site.cyclic ? kCyclicPeak * ac - kCyclicIntegral * as
                           : kHalfRootSix * std::sqrt(as) - kStaticDrop - 0.75 * as;
  return r;
}

}  // namespace py

void stiffClayFreeWaterModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve) {
  const py::CurveSite site = py::curveSite(ctx, st);
  const double k = st.layer(layer).subgrade;

  // Running trapezoid mean of c over the curves of a lower layer.
  double strengthSum = 0.0;
  double previousC = 0.0;
  double previousPc = 0.0;

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + site.H;
    const double c = py::strengthAt(ctx, st, zCurve);
    const double e50 = py::profileValueAt(ctx, st, zCurve, py::StrengthColumn::E50);
    const double gammaAvg = py::averageUnitWeight(st, zCurve);

    // Average strength of the excavation side, used by both sides (the
    // backfill side shares the strength parameters of the curve depth).
    double ca = c;
    if (layer == 1) {
      ca = py::layerMeanStrength(ctx, st, layer, zCurve, true);
    } else if (m == firstCurve) {
      strengthSum = 0.0;
    } else {
      strengthSum += 0.5 * (previousC + c) * (zCurve - st.curveDepth(m - 1));
      const double depthIntoLayer = zCurve - st.curveDepth(firstCurve);
      ca = depthIntoLayer > 0.0 ? strengthSum / depthIntoLayer : c;
    }
    previousC = c;
    if (m == firstCurve) st.integral(layer) = 0.0;

    py::writeScratchCurveHeader(st, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      py::writeSideLine(ctx, side);
      py::StiffClayParameters in{site, py::sideDepth(ctx, st, site, layer, m, side), c, ca, e50, gammaAvg, k};
      const py::StiffClayFreeWaterCurve curve = py::stiffClayFreeWaterCurve(in);

      writeHeader(ctx, in.at.z, site.b, c, ca, gammaAvg, e50);
      py::writeCurvePoints(ctx, st, m, side, curve.points);
      if (st.cyclic) py::writeMultiplierLine(ctx, st, x);

      if (in.at.excavation) {
        // Final-resistance fraction of the curve, integrated for the layers below.
        if (m != firstCurve) {
          st.integral(layer) +=
              0.5 * (previousPc + curve.pc) * curve.fraction * (zCurve - st.curveDepth(m - 1));
        }
        previousPc = curve.pc;
      }
    }
  }
}

}  // namespace korven
