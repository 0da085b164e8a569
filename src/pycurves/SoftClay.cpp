// Soft clay p-y curves: cubic-root curve with ultimate resistance Np*c*b
// (Np from 3 at the surface to 9 at depth), a passive-pressure resistance for
// continuous walls, and the cyclic degradation below the depth zr.
#include <array>
#include <cmath>
#include <initializer_list>

#include "pycurves/PyCommon.h"

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

struct PassInput {
  double z;     // soil depth of the pass
  double zEff;  // depth in the ultimate-resistance formula
  double pu;
};

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

void softClayModel(RunContext& ctx, int layer, int firstCurve, int lastCurve) {
  PyState& st = ctx.py;
  const SoilData& soil = ctx.model.soil;
  const double H = st.freeHeight;
  const double b = soil.widthResistance;
  const double beta = soil.slopeExcavation / py::kDegreesPerRadian;
  const bool sloping = beta > 0.0 && std::fabs(beta) > 1e-20;
  const double slopeFactor = sloping ? 1.0 / (1.0 + std::tan(std::fabs(beta))) : 1.0;
  const bool continuous = st.continuousWall();

  for (int m = firstCurve; m <= lastCurve; ++m) {
    const double zCurve = st.curveDepth(m);
    const double x = zCurve + H;

    // Soil parameters at the curve depth, shared by both passes.
    const double c = py::strengthAt(ctx, zCurve);
    const double e50 = py::profileValueAt(ctx, zCurve, py::StrengthColumn::E50);
    const double gammaAvg = py::averageUnitWeight(ctx, zCurve);
    if (m == firstCurve) {
      st.integral(layer) = 0.0;
      if (layer > 1) {
        st.zEq(layer) = equivalentDepth(py::integralAbove(st, layer), b, c, gammaAvg, st.cyclic);
      }
    }
    const double y50 = 2.5 * e50 * (continuous ? st.referenceWidth : b);
    const double zr = criticalDepth(b, c, gammaAvg);

    py::writeScratchCurveHeader(ctx, m);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      const bool excavation = side == Side::Excavation;
      py::writeSideLine(ctx, side);
      PassInput pass{};
      pass.z = excavation ? zCurve : zCurve + H;
      pass.zEff = py::effectiveDepth(st, layer, pass.z);

      double np = c > 0.0 ? 3.0 + gammaAvg * pass.zEff / c + 0.5 * pass.zEff / b : 0.0;
      if (excavation) np *= slopeFactor;
      pass.pu = np <= 9.0 ? c * b * np : 9.0 * c * b;
      if (continuous) {
        pass.pu = excavation ? b * (2.0 * c + gammaAvg * pass.z) * slopeFactor
                             : b * (2.0 * c + py::backfillVerticalStress(ctx, pass.z));
      }
      const double pu = pass.pu;

      writeHeader(ctx, pass.z, b, c, gammaAvg, e50);
      // Initial modulus of the first point; a zero deflection scale has none.
      const double k0 = y50 > 0.0 ? 0.5 * pu * std::pow(y50 / kYTol, kTwoThirds) / y50 : 0.0;
      const double pCyc = kCyclicFactor * pu;
      for (int j = 1; j <= kPyPointsPerSide; ++j) {
        const double y = kDeflectionFactors[static_cast<std::size_t>(j - 1)] * 8.0 * y50;
        double p = 0.0;
        if (y < kYTol) {
          p = k0 * y;
        } else if (y <= 3.0 * y50) {
          p = 0.5 * pu * std::pow(y / y50, kThird);
        } else if (!st.cyclic) {
          p = y < 8.0 * y50 ? 0.5 * pu * std::pow(y / y50, kThird) : pu;
        } else if (pass.zEff >= zr) {
          p = pCyc;
        } else if (y <= 15.0 * y50) {
          p = pCyc + (y - 3.0 * y50) * (pCyc * pass.zEff / zr - pCyc) / (12.0 * y50);
        } else {
          p = pCyc * pass.zEff / zr;
        }
        const py::PyPoint q = py::writeScaledPoint(ctx, m, side, j, y, p);
        if (j >= 2 && q.y < kYTol) {
          ctx.report.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'DEFLECTION IS LESS THAN "
                                   "1.0E-14.  THE PROGRAM',/,5X,'USED A SOIL MODULUS OF ',D12.4)"),
                           k0);
        }
      }
      py::writeMultiplierLine(ctx, x);

      if (excavation && m != firstCurve) {
        const double dz = zCurve - st.curveDepth(m - 1);
        if (!st.cyclic) {
          st.integral(layer) += pu * dz;
        } else {
          st.integral(layer) += pCyc * dz;
          if (pass.zEff < zr) st.integral(layer) += pCyc * (pass.zEff / zr) * dz;
        }
      }
    }
  }
}

}  // namespace korven
