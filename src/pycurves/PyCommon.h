// Shared pieces of the p-y curve models.
//
// How a soil model uses them. generateLayerCurves calls the layer function
// of the model's table row once per resistance layer, with the layer number
// i (1-based) and its curve range firstCurve..lastCurve (curve numbers
// 1-based, st.curveDepth(m) is the depth z of curve m below the
// excavation surface). The function reads the site once (curveSite) and for
// every curve in the range:
//
//   writeScratchCurveHeader(st, m);          // "x 34" record
//   ... look-ups at z: strengthAt, profileValueAt, averageUnitWeight ...
//   for each side (excavation at z, backfill at z + H):
//     writeSideLine(ctx, side);                // every model but rock
//     at = sideDepth(ctx, st, site, i, m, side);   // depths, backfill stress
//     result = <model>Curve({site, at, ...});  // pure: no context, no output
//     ... the model's parameter header (its own layout) from the result ...
//     writeCurvePoints(ctx, st, m, side, result.points, ...);
//     writeMultiplierLine(ctx, st, x);             // models that print it
//
// The curve functions compute the 17 deflections and resistances of one side
// and the values the report prints with them; printing, scaling by the
// multipliers and the scratch records are the writer's (writeCurvePoints).
// Look-ups stay in the layer function, before the side's curve is computed,
// so warnings and stops keep their place in the report.
//
// Layered soil: st.integral(i) is the resistance integral of layer i,
// which the model resets at its first curve and grows after each later curve.
// integralAbove(st, i) sums the layers above; a model that uses an
// effective depth stores its equivalent depth in st.zEq(i) on its first
// curve (layer i > 1) and calls effectiveDepth(st, i, z).
//
// The look-ups that find a depth outside the tables write the warning and
// throw HardStop with the code of the table ("1" strength, "4" unit weight,
// empty for the friction-angle table).
#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "core/RunContext.h"
#include "core/Stops.h"
#include "pycurves/PyState.h"
#include "textio/Layout.h"

namespace korven {

namespace py {

// Stored constants shared by the models.
inline constexpr double kDegreesPerRadian = kDegreeDivisor;  // slope angles
inline constexpr double kPiSingle = kStoredPi;

// ---- The site ------------------------------------------------------------

// An excavation slope of at most this many radians is level ground.
inline constexpr double kLevelGround = 1e-20;

// What every curve of a problem shares, read once from the problem.
struct CurveSite {
  double H = 0.0;           // free height: excavation surface below the wall top
  double b = 0.0;           // width of the wall element resisting the soil
  bool continuous = false;  // continuous wall (WA/WP below 1.1)
  double bRef = 0.0;        // width scaling the deflections: the reference width
                            // of a continuous wall, else b
  double slopeDegrees = 0.0;  // excavation ground slope as given, degrees
  double slope = 0.0;       // the same in radians (degrees over kDegreesPerRadian)
  bool sloping = false;     // |slope| above kLevelGround
  double tanSlope = 0.0;    // tan|slope|
  bool cyclic = false;
  double cycles = 0.0;      // number of load cycles
};
CurveSite curveSite(const RunContext& ctx, const PyState& st);

enum class Side { Excavation = 0, Backfill = 1 };

// Where one side of a curve lies.
struct SideDepth {
  bool excavation = true;  // excavation side (sloping ground), else backfill
  double z = 0.0;          // depth below the ground surface of the side
  double zEff = 0.0;       // depth in the resistance formulas (layered soil)
  double sigmaV = 0.0;     // vertical stress at z, backfill side of a continuous wall
};
// Depths of `side` of curve m of layer i. The backfill side of a continuous
// wall looks up its vertical stress (backfillVerticalStress: warning and
// stop below the input layers).
SideDepth sideDepth(RunContext& ctx, PyState& st, const CurveSite& site, int layer, int curve, Side side);

// ---- Look-ups in the profiles --------------------------------------------

// Which table a failed search reports.
enum class ProfileTable {
  Strength,  // "THE INPUT STRENGTH CURVE", stop "1"
  Phi,       // "THE INPUT PHI CURVE", stop with an empty text
};

// Column of the strength profile.
enum class StrengthColumn { Strength, Phi, E50, Subgrade, Sixth };

// Strength c at depth z (strength-column rule): at a repeated depth the
// deeper point's value unless it is below 1e-20. A depth outside the profile
// writes the warning twice to the error stream and stops with "1".
double strengthAt(RunContext& ctx, PyState& st, double z);

// Any column by the averaging rule (used for e50, phi, the third and sixth
// rock parameters): at a repeated depth the mean of both values when both
// are at least 1e-20, else the one that is not below it. A depth outside the
// profile writes the warning of `table` twice to the error stream and stops.
double profileValueAt(RunContext& ctx, PyState& st, double z, StrengthColumn column,
                      ProfileTable table = ProfileTable::Strength);

// Mean effective unit weight between the excavation surface and z. A depth
// below the weight profile stops with "4" (no message).
double averageUnitWeight(const PyState& st, double z);

// Vertical stress at depth x below the wall top on the backfill side, from
// the input layers, the uniform surface pressure and the water level (sand
// layers below the water are taken submerged). Below the last input layer
// the report gets the unit-weight warning and the run stops with "4".
double backfillVerticalStress(RunContext& ctx, PyState& st, double x);

// ---- Multipliers ---------------------------------------------------------

// Group factor of widely spaced soldier piles at spacing ratio e (WA/WP).
double groupReductionFactor(double e);
// Depth x below the wall top.
double pMultiplierAt(const RunContext& ctx, const PyState& st, double x);
double yMultiplierAt(const RunContext& ctx, double x);

// ---- Layered soil ----------------------------------------------------------

// Sum of the resistance integrals of layers 1..i-1.
double integralAbove(const PyState& st, int layer);
// Depth used in the ultimate-resistance formulas: z in layer 1, else
// z - z_top(i) + z_eq(i).
double effectiveDepth(const PyState& st, int layer, double z);

// ---- Tables and frictional resistance -----------------------------------

// Straight-line look-up in a factor table (xs ascending): the first column
// from the second whose x exceeds r, else the last one; the line through it
// and the column before (extended beyond the last column).
double tableLookUp(std::span<const double> xs, std::span<const double> vs, double r);

// The A and B factors of frictional soil against depth over width x/b'
// (static or cyclic tables).
double frictionFactorA(bool cyclic, double ratio);
double frictionFactorB(bool cyclic, double ratio);

inline constexpr double kRestCoefficient = 0.4000000059604645;  // K0

// Angles of the frictional wedge for phi (radians), with the model's pi:
// alpha = phi/2, beta = pi/4 + phi/2, ka = tan^2(pi/4 - phi/2), t2 = tan^2 beta.
struct FrictionAngles {
  double phi = 0.0, alpha = 0.0, beta = 0.0, ka = 0.0, t2 = 0.0;
};
FrictionAngles frictionAngles(double phi, double pi);
// Wedge resistance on level ground, with the active coefficient ka.
double wedgeResistance(const FrictionAngles& a, double ka, double gammaAvg, double zEff, double b);
// Wedge resistance under an excavation ground sloping at angle theta (t = tan|theta|).
double slopingWedgeResistance(const FrictionAngles& a, double ka, double gammaAvg, double zEff,
                              double b, double tanTheta);

// Characteristic points of the frictional p-y curve of the sand and silt
// models: pu reached at yu = 3b'/80, pm at ym = b'/60, the straight line of
// slope m = (pu - pm)/(yu - ym) between them, and the power law C*y^(1/n)
// through (ym, pm) that leaves the initial line k*z_eff*y at yk (2b' until
// the power law is built).
struct FrictionalCurve {
  double kz = 0.0;  // initial slope k*z_eff
  double pu = 0.0, pm = 0.0;
  double yu = 0.0, ym = 0.0, yk = 0.0;
  double m = 0.0, n = 1.0, C = 0.0;
};
FrictionalCurve frictionalCurve(double pu, double pm, double kz, double bRef);
// n = pm/(|m|*ym), C = pm/ym^(1/n), yk = (C/kz)^(n/(n-1)). A flat line
// (m = 0, n infinite) meets the initial line at pm/kz; n = 1 (a line
// through the origin that never meets it) keeps yk.
void buildPowerLaw(FrictionalCurve& c);
// Soft subgrade, the initial line meeting the curve beyond yu: ym becomes
// ym*(pu/kz)/yu, yk the new ym/10 and yu = pu/kz; m, n and C stay.
void shiftForSoftSubgrade(FrictionalCurve& c);
// The 17 deflections 0, y1/2, y1, nine steps from y1 to ym, ym, the thirds
// between ym and yu, yu and 1.2*yu, with y1 = yk when yk <= ym/5, else ym/10.
std::array<double, kPyPointsPerSide> frictionalDeflections(const FrictionalCurve& c);

// Cohesive terms that the silt model adds to the frictional resistance
// integral: linear*x + constant under the integral and `flow` beyond it.
struct CohesiveWedge {
  double linear = 0.0, constant = 0.0, flow = 0.0;
};
// Depth at which the integral from the surface of the ultimate resistance of
// a frictional soil equals F: the wedge integrand A(x/b')*gamma*b^2*((T2 -
// Ka)*x/b + C2*(x/b)^2) (plus the cohesive terms) summed in `steps` steps down
// to zt, where wedge and flow meet; beyond it F is reached at the flow
// resistance 0.88*D*gamma*b*z (+ cohesive.flow) of the curve depth z.
// Empty when the soil has no frictional wedge (C2 <= 0 or no weight).
std::optional<double> frictionalEquivalentDepth(double F, const FrictionAngles& a, double b,
                                                double bRef, double gammaAvg, double zCurve,
                                                bool cyclic, int steps,
                                                const CohesiveWedge& cohesive = {});

// ---- Output ----------------------------------------------------------------

// "AT THE EXCAVATION SIDE" / "AT THE BACKFILL SIDE".
void writeSideLine(RunContext& ctx, Side side);
// Scratch record opening curve m: depth below the wall top and 34.
void writeScratchCurveHeader(PyState& st, int curve);
// The multiplier line after row 17, with the multipliers at x.
void writeMultiplierLine(RunContext& ctx, PyState& st, double x);

// Row layout (1X,20X,2F20.3) / (21X,2F20.3) and scratch layout
// (I5,2(1X,1P,E10.3)) used by most models.
const textio::Layout& standardRowLayout();
const textio::Layout& standardScratchLayout();

// The 17 points of one side of a curve, deflection y and resistance p.
struct CurvePoints {
  std::array<double, kPyPointsPerSide> y{};
  std::array<double, kPyPointsPerSide> p{};
};

// How the writer prints a side's points.
struct PointStyle {
  const textio::Layout* row = &standardRowLayout();
  const textio::Layout* scratch = &standardScratchLayout();
  // False when the model has applied the multipliers itself (rock).
  bool scaled = true;
  // When set, a point after the first whose written deflection is below
  // 1e-14 is followed by a warning quoting this initial modulus (soft clay).
  std::optional<double> smallDeflectionModulus;
};

// Writes the points of one side of curve m: each (y, p) scaled by the
// multipliers at x = z + H (unless style.scaled is false), the report row
// (y, p), the scratch record (j, p, y), and keeps them in st.curves. A
// value that is not a finite number gets a message naming the curve and ends
// the run (RunEnd), so no undefined number reaches the report or the file.
void writeCurvePoints(RunContext& ctx, PyState& st, int curve, Side side, const CurvePoints& points,
                      const PointStyle& style = {});

// Mean strength of resistance layer `layer` from its top to z (stiff-clay
// and weak-rock models).
double layerMeanStrength(RunContext& ctx, PyState& st, int layer, double z, bool nearTopRule);
// Unit labels that open the stiff-clay and rock report headers: depth,
// width, two stresses and a unit weight.
std::vector<textio::FieldValue> strengthHeaderLabels(const UnitLabels& u);

}  // namespace py
}  // namespace korven
