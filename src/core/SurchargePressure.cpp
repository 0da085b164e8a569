// Lateral pressure of point, line and strip surcharges behind the wall.
#include "core/SurchargePressure.h"

#include <algorithm>
#include <cmath>

#include "model/StoredConstants.h"

namespace korven {

namespace {

constexpr double kNearLoadRatio = single(0.4f);  // x/H up to which the near-load forms hold
constexpr double kNearShift = single(0.16f);     // 0.4 squared in the near-load forms
constexpr double kPi = kStoredPi;
constexpr int kSurchargeGridSteps = 200;

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

double stripShape(double a1, double a2) {
  const double beta = a1 - a2;
  return beta - std::sin(beta) * std::cos(a1 + a2);
}

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

// Each surcharge is evaluated at the deepest point of a grid of 200 equal
// steps over the wall length that lies above the wall point (depths below
// the load level), so the pressure changes in steps of L/200.
double surchargePressureAt(const WallModel& model, double z, WorkingSurcharge* working) {
  WorkingSurcharge unused;
  WorkingSurcharge& w = working != nullptr ? *working : unused;
  const SoilData& soil = model.soil;
  const double length = model.wall.n * model.wall.h;
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
