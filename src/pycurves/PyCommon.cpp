#include "pycurves/PyCommon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "model/SoilModels.h"

namespace korven::py {

namespace {

constexpr double kTiny = 1e-20;

std::size_t at(int oneBased) { return static_cast<std::size_t>(oneBased - 1); }

double column(const StrengthPoint& s, StrengthColumn col) {
  switch (col) {
    case StrengthColumn::Strength: return s.c;
    case StrengthColumn::Phi: return s.phi;
    case StrengthColumn::E50: return s.e50;
    case StrengthColumn::Subgrade: return s.k;
    case StrengthColumn::Sixth: return s.sixth;
  }
  return 0.0;
}

// The depth-outside-the-profile warning, written twice to the error stream,
// then the stop of its table.
[[noreturn]] void beyondProfile(RunContext& ctx, double z, ProfileTable table) {
  textio::OutputChannel err;
  err.attach(ctx.errorStream());
  if (table == ProfileTable::Phi) {
    err.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'THE VALUE OF X =',D9.1,"
                      "' IS BEYOND THE EXTENT OF',/,5X,'THE INPUT PHI CURVE')"),
              z, z);
    err.close();
    throw HardStop("", "A CURVE DEPTH LIES BEYOND THE INPUT PHI CURVE");
  }
  err.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'THE VALUE OF X =',D9.1,"
                    "'IS BEYOND THE EXTENT OF',/,5X,'THE INPUT STRENGTH CURVE')"),
            z, z);
  err.close();
  throw HardStop("1", "A CURVE DEPTH LIES BEYOND THE INPUT STRENGTH CURVE");
}

// First strength point i >= 2 (1-based) with z <= X(i); stops when none.
int findStrengthPoint(RunContext& ctx, PyState& st, double z, ProfileTable table) {
  const auto& s = st.strength;
  const int n = static_cast<int>(s.size());
  for (int i = 2; i <= n; ++i) {
    if (z <= s[at(i)].z) return i;
  }
  beyondProfile(ctx, z, table);
}

double interpolate(double x0, double v0, double x1, double v1, double x) {
  if (x1 - x0 == 0.0) return v1;
  return v0 + (v1 - v0) * (x - x0) / (x1 - x0);
}

// Factor of a reduction-table column at depth x below the wall top.
double reductionFactor(const RunContext& ctx, double x, bool pColumn) {
  const auto& rows = ctx.model.reduction.rows;
  const int n = std::min<int>(ctx.model.control.reductionFactorCount, static_cast<int>(rows.size()));
  auto f = [&](int i) { return pColumn ? rows[at(i)].pFactor : rows[at(i)].yFactor; };
  auto d = [&](int i) { return rows[at(i)].depth; };
  if (n <= 1 || x < d(1)) return 1.0;
  int i = 0;
  for (int r = 2; r <= n; ++r) {
    if (d(r) >= x) {
      i = r;
      break;
    }
  }
  if (i == 0) return 1.0;  // below the last row
  if (x == d(n)) return f(i);
  if (x == d(i)) return (i < n && d(i + 1) == d(i)) ? f(i + 1) : f(i);
  return interpolate(d(i - 1), f(i - 1), d(i), f(i), x);
}

int activeReductionRows(const RunContext& ctx) {
  return std::max(0, std::min<int>(ctx.model.control.reductionFactorCount,
                                   static_cast<int>(ctx.model.reduction.rows.size())));
}

}  // namespace

double strengthAt(RunContext& ctx, PyState& st, double z) {
  const auto& s = st.strength;
  const int n = static_cast<int>(s.size());
  const int i = findStrengthPoint(ctx, st, z, ProfileTable::Strength);
  if (z == s[at(n)].z) return s[at(i)].c;
  if (z == s[at(i)].z) {
    return (s[at(i + 1)].z == s[at(i)].z && s[at(i + 1)].c >= kTiny) ? s[at(i + 1)].c : s[at(i)].c;
  }
  return interpolate(s[at(i - 1)].z, s[at(i - 1)].c, s[at(i)].z, s[at(i)].c, z);
}

double profileValueAt(RunContext& ctx, PyState& st, double z, StrengthColumn col, ProfileTable table) {
  const auto& s = st.strength;
  const int n = static_cast<int>(s.size());
  const int i = findStrengthPoint(ctx, st, z, table);
  const double vi = column(s[at(i)], col);
  if (z == s[at(n)].z) return vi;
  if (z == s[at(i)].z) {
    if (s[at(i + 1)].z != s[at(i)].z) return vi;
    const double vn = column(s[at(i + 1)], col);
    if (vi >= kTiny && vn >= kTiny) return 0.5 * (vi + vn);
    if (vn < kTiny) return vi;
    return vn;
  }
  return interpolate(s[at(i - 1)].z, column(s[at(i - 1)], col), s[at(i)].z, vi, z);
}

double averageUnitWeight(const PyState& st, double z) {
  const auto& w = st.weight;
  const int m = static_cast<int>(w.size());
  if (m < 2) return 0.0;
  if (z < 1e-6) {
    for (const auto& p : w) {
      if (p.gamma > 0.0) return p.gamma;
    }
    return w.back().gamma;
  }
  if (z > w[at(m)].z) {
    throw HardStop("4", "A CURVE DEPTH LIES BEYOND THE INPUT CURVE FOR UNIT WEIGHT");
  }
  double sum = 0.0;
  for (int j = 2; j <= m; ++j) {
    const WeightPoint& a = w[at(j - 1)];
    const WeightPoint& b = w[at(j)];
    if (b.z <= z) {
      sum += 0.5 * (a.gamma + b.gamma) * (b.z - a.z) / z;
    } else {
      if (a.z < z && b.z - a.z >= 1e-6) {
        const double gz = a.gamma + (b.gamma - a.gamma) * (z - a.z) / (b.z - a.z);
        sum += 0.5 * (a.gamma + gz) * (z - a.z) / z;
      }
      break;
    }
  }
  return sum;
}

double backfillVerticalStress(RunContext& ctx, PyState& st, double x) {
  const SoilData& soil = ctx.model.soil;
  const double gw = st.gammaW;
  const double water = soil.waterBackfill;
  double sv = soil.legacy.uniform;
  double top = 0.0;
  bool sandBelowWater = false;  // an earlier sand layer reached below the water
  for (const SoilLayer& l : soil.layers) {
    const double bottom = top + l.thickness;
    const double gamma = l.top[kGamma];
    const bool sand = soilModelFromCode(l.modelCode) == SoilModel::Sand;
    if (bottom <= x) {
      sv += gamma * l.thickness;
      if (sand && bottom > water) {
        sv -= gw * (sandBelowWater ? l.thickness : bottom - water);
        sandBelowWater = true;
      }
    } else {
      sv += gamma * (x - top);
      if (sand && x > water) sv -= gw * (sandBelowWater ? x - top : x - water);
      return sv;
    }
    top = bottom;
  }
  if (x > top) {
    ctx.report.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'THE VALUE OF X =',E9.2,"
                             "'IS BEYOND THE EXTENT OF/',5X,'THE INPUT CURVE FOR UNIT WEIGHT')"),
                     x);
    throw HardStop("4", "A BACKFILL DEPTH LIES BEYOND THE INPUT CURVE FOR UNIT WEIGHT");
  }
  return sv;
}

double groupReductionFactor(double e) {
  return 0.52920001745224 * std::pow(e, 0.5659000277519226);
}

double pMultiplierAt(const RunContext& ctx, const PyState& st, double x) {
  double r = 1.0;
  const int rows = activeReductionRows(ctx);
  const SoilData& soil = ctx.model.soil;
  if (rows == 0 || ctx.model.reduction.groupFlag == 1) {
    if (soil.widthResistance > 0.0) {
      const double e = soil.widthPressure / soil.widthResistance;
      if (e >= 1.1 && e < 3.1 && x >= st.freeHeight) r = groupReductionFactor(e);
    }
  }
  if (rows > 0) r *= reductionFactor(ctx, x, true);
  return r;
}

double yMultiplierAt(const RunContext& ctx, double x) {
  if (activeReductionRows(ctx) == 0) return 1.0;
  return reductionFactor(ctx, x, false);
}

double integralAbove(const PyState& st, int layer) {
  double f = 0.0;
  for (int i = 1; i < layer; ++i) f += st.resistanceIntegral[at(i)];
  return f;
}

double effectiveDepth(const PyState& st, int layer, double z) {
  if (layer <= 1) return z;
  return z - st.layer(layer).zTop + st.zEq(layer);
}

double tableLookUp(std::span<const double> xs, std::span<const double> vs, double r) {
  const std::size_t n = xs.size();
  std::size_t i = n - 1;
  for (std::size_t c = 1; c < n; ++c) {
    if (xs[c] > r) {
      i = c;
      break;
    }
  }
  return vs[i - 1] + (vs[i] - vs[i - 1]) * (r - xs[i - 1]) / (xs[i] - xs[i - 1]);
}

namespace {
constexpr std::array<double, 10> kRatio = {0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0};
constexpr std::array<double, 10> kAStatic = {
    single(2.83f), single(2.48f), single(2.11f), single(1.76f), single(1.48f),
    single(1.23f), single(1.06f), single(0.90f), single(0.88f), single(0.88f)};
constexpr std::array<double, 10> kBStatic = {
    single(2.14f), single(1.83f), single(1.54f), single(1.27f), single(1.05f),
    single(0.86f), single(0.71f), single(0.53f), single(0.50f), single(0.50f)};
constexpr std::array<double, 10> kACyclic = {
    single(0.75f), single(0.93f), single(1.07f), single(1.11f), single(1.03f),
    single(0.98f), single(0.94f), single(0.90f), single(0.88f), single(0.88f)};
constexpr std::array<double, 10> kBCyclic = {
    single(0.53f), single(0.72f), single(0.83f), single(0.86f), single(0.82f),
    single(0.77f), single(0.70f), single(0.55f), single(0.55f), single(0.55f)};
}  // namespace

double frictionFactorA(bool cyclic, double ratio) {
  return tableLookUp(kRatio, cyclic ? kACyclic : kAStatic, ratio);
}

double frictionFactorB(bool cyclic, double ratio) {
  return tableLookUp(kRatio, cyclic ? kBCyclic : kBStatic, ratio);
}

FrictionAngles frictionAngles(double phi, double pi) {
  FrictionAngles a;
  a.phi = phi;
  a.alpha = phi / 2.0;
  a.beta = pi / 4.0 + phi / 2.0;
  const double t = std::tan(pi / 4.0 - phi / 2.0);
  a.ka = t * t;
  const double tb = std::tan(a.beta);
  a.t2 = tb * tb;
  return a;
}

namespace {
// Trigonometric terms of the frictional wedge.
struct WedgeTerms {
  double tphi, tb, ta, sb, ca, tbp;
  explicit WedgeTerms(const FrictionAngles& a)
      : tphi(std::tan(a.phi)), tb(std::tan(a.beta)), ta(std::tan(a.alpha)), sb(std::sin(a.beta)),
        ca(std::cos(a.alpha)), tbp(std::tan(a.beta - a.phi)) {}
};
}  // namespace

double wedgeResistance(const FrictionAngles& a, double ka, double gammaAvg, double zEff, double b) {
  const double k0 = kRestCoefficient;
  const WedgeTerms w(a);
  return gammaAvg * zEff *
         (k0 * zEff * w.tphi * w.sb / (w.tbp * w.ca) + w.tb / w.tbp * (b + zEff * w.tb * w.ta) +
          k0 * zEff * w.tb * (w.tphi * w.sb - w.ta) - ka * b);
}

double slopingWedgeResistance(const FrictionAngles& a, double ka, double gammaAvg, double zEff,
                              double b, double tanTheta) {
  const double k0 = kRestCoefficient;
  const WedgeTerms w(a);
  const double d1 = tanTheta * w.tb / (1.0 + tanTheta * w.tb);
  const double d2 = 1.0 / (1.0 + tanTheta * w.tb);
  const double f = 4.0 * d1 * d1 * d1 - 3.0 * d1 * d1 + 1.0;
  return gammaAvg * zEff *
         (w.tb / w.tbp * (zEff * w.tb * w.ta * d2 + b) * d2 - ka * b +
          f * k0 * zEff * w.tphi * w.sb / (w.tbp * w.ca) + f * k0 * zEff * w.tb * (w.tphi * w.sb - w.ta));
}

FrictionalCurve frictionalCurve(double pu, double pm, double kz, double bRef) {
  FrictionalCurve c;
  c.kz = kz;
  c.pu = pu;
  c.pm = pm;
  c.yu = 3.0 * bRef / 80.0;
  c.ym = bRef / 60.0;
  c.yk = 2.0 * bRef;
  c.m = (pu - pm) / (c.yu - c.ym);
  return c;
}

void buildPowerLaw(FrictionalCurve& c) {
  c.n = c.m != 0.0 ? c.pm / (std::fabs(c.m) * c.ym) : std::numeric_limits<double>::infinity();
  c.C = c.pm / std::pow(c.ym, 1.0 / c.n);
  if (c.n != 1.0) c.yk = std::pow(c.C / c.kz, std::isinf(c.n) ? 1.0 : c.n / (c.n - 1.0));
}

void shiftForSoftSubgrade(FrictionalCurve& c) {
  if (!(c.yu < c.yk && c.kz > 0.0)) return;
  c.ym = c.ym * (c.pu / c.kz) / c.yu;
  c.yk = c.ym / 10.0;
  c.yu = c.pu / c.kz;
}

std::array<double, kPyPointsPerSide> frictionalDeflections(const FrictionalCurve& c) {
  const double y1 = c.yk <= c.ym / 5.0 ? c.yk : c.ym / 10.0;
  std::array<double, kPyPointsPerSide> y{0.0, y1 / 2.0, y1};
  for (int q = 1; q <= 9; ++q) y[static_cast<std::size_t>(2 + q)] = y1 + (c.ym - y1) * q / 10.0;
  y[12] = c.ym;
  y[13] = (c.yu + 2.0 * c.ym) / 3.0;
  y[14] = (2.0 * c.yu + c.ym) / 3.0;
  y[15] = c.yu;
  y[16] = 1.2000000476837158 * c.yu;
  return y;
}

std::optional<double> frictionalEquivalentDepth(double F, const FrictionAngles& a, double b,
                                                double bRef, double gammaAvg, double zCurve,
                                                bool cyclic, int steps,
                                                const CohesiveWedge& cohesive) {
  const double k0 = kRestCoefficient;
  const double tb = std::tan(a.beta), ta = std::tan(a.alpha), tphi = std::tan(a.phi);
  const double c2 =
      tb * (a.t2 * ta + k0 * (tphi * std::sin(a.beta) * (1.0 + 1.0 / std::cos(a.alpha)) - ta));
  const double d = a.t2 * a.t2 * (a.t2 + k0 * tphi) - a.ka;
  if (!(c2 > 0.0) || !(gammaAvg > 0.0)) return std::nullopt;
  const double zt = b * (d - (a.t2 - a.ka)) / c2;
  const double s = zt / steps;
  double sum = 0.0;
  for (int q = 1; q <= steps; ++q) {
    const double x = q * s;
    const double factor = frictionFactorA(cyclic, x / bRef);
    const double previous = sum;
    sum += (cohesive.linear * x + cohesive.constant +
            factor * gammaAvg * b * b * ((a.t2 - a.ka) * x / b + c2 * (x / b) * (x / b))) *
           s;
    if (sum > F) return x - s * (sum - F) / (sum - previous);
  }
  const double flow = 0.88 * d * gammaAvg * b * zCurve + cohesive.flow;
  return flow > 0.0 ? zt + (F - sum) / flow : zt;
}

void writeSideLine(RunContext& ctx, Side side) {
  if (side == Side::Excavation) {
    ctx.report.write(KLAYOUT("(/,/,9X,'AT THE EXCAVATION SIDE')"));
  } else {
    ctx.report.write(KLAYOUT("(/,/,9X,'AT THE BACKFILL SIDE')"));
  }
}

void writeScratchCurveHeader(PyState& st, int curve) {
  st.scratch.writeFree(st.curveDepth(curve) + st.freeHeight, 2 * kPyPointsPerSide);
}

void writeMultiplierLine(RunContext& ctx, PyState& st, double x) {
  ctx.report.write(
      KLAYOUT("(/,21X,' P-Multiplier = ',1P,E10.3,' Y-Multiplier = ',1P,E10.3)"),
      pMultiplierAt(ctx, st, x), yMultiplierAt(ctx, x));
}

const textio::Layout& standardRowLayout() { return KLAYOUT("(21X,2F20.3)"); }

const textio::Layout& standardScratchLayout() { return KLAYOUT("(I5,2(1X,1P,E10.3))"); }

namespace {

void writePoint(RunContext& ctx, PyState& st, int curve, Side side, int j, double yOut, double pOut,
                const textio::Layout& row, const textio::Layout& scratch) {
  if (!std::isfinite(yOut) || !std::isfinite(pOut)) {
    // A degenerate soil description produced no defined resistance; refuse
    // it rather than hand an undefined number to the wall analysis.
    const double x = st.curveDepth(curve) + st.freeHeight;
    ctx.report.write(KLAYOUT("(/,29X,'**** ERROR ****',/,5X,'THE P-Y CURVE AT X =',F10.2,A3,"
                             "' HAS A POINT WITHOUT A DEFINED VALUE',/,5X,"
                             "'CHECK THE SOIL DATA OF THIS LAYER')"),
                     reportDepth(ctx, x), ctx.labels.depthA);
    throw RunEnd("p-y curve without a defined value");
  }
  ctx.report.write(row, yOut, pOut);
  st.scratch.write(scratch, j, pOut, yOut);
  GeneratedCurve& c = st.curve(curve);
  const auto s = static_cast<std::size_t>(side);
  c.y[s][at(j)] = yOut;
  c.p[s][at(j)] = pOut;
}

constexpr double kSmallDeflection = 1e-14;

}  // namespace

void writeCurvePoints(RunContext& ctx, PyState& st, int curve, Side side, const CurvePoints& points,
                      const PointStyle& style) {
  const double x = st.curveDepth(curve) + st.freeHeight;
  for (int j = 1; j <= kPyPointsPerSide; ++j) {
    double y = points.y[at(j)];
    double p = points.p[at(j)];
    if (style.scaled) {
      y = y * yMultiplierAt(ctx, x);
      p = p * pMultiplierAt(ctx, st, x);
    }
    writePoint(ctx, st, curve, side, j, y, p, *style.row, *style.scratch);
    if (style.smallDeflectionModulus && j >= 2 && y < kSmallDeflection) {
      ctx.report.write(KLAYOUT("(/,29X,'**** WARNING ****',/,5X,'DEFLECTION IS LESS THAN "
                               "1.0E-14.  THE PROGRAM',/,5X,'USED A SOIL MODULUS OF ',D12.4)"),
                       *style.smallDeflectionModulus);
    }
  }
}

CurveSite curveSite(const RunContext& ctx, const PyState& st) {
  CurveSite s;
  s.H = st.freeHeight;
  s.b = ctx.model.soil.widthResistance;
  s.continuous = st.continuousWall();
  s.bRef = s.continuous ? st.referenceWidth : s.b;
  s.slopeDegrees = ctx.model.soil.slopeExcavation;
  s.slope = s.slopeDegrees / kDegreesPerRadian;
  s.sloping = std::fabs(s.slope) > kLevelGround;
  s.tanSlope = std::tan(std::fabs(s.slope));
  s.cyclic = st.cyclic;
  s.cycles = st.cycles;
  return s;
}

SideDepth sideDepth(RunContext& ctx, PyState& st, const CurveSite& site, int layer, int curve, Side side) {
  SideDepth d;
  d.excavation = side == Side::Excavation;
  const double zCurve = st.curveDepth(curve);
  d.z = d.excavation ? zCurve : zCurve + site.H;
  d.zEff = effectiveDepth(st, layer, d.z);
  if (site.continuous && !d.excavation) d.sigmaV = backfillVerticalStress(ctx, st, d.z);
  return d;
}

}  // namespace korven::py
