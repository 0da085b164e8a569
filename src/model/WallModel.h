// Problem data of one problem: the records the input phase fills and the
// later phases (earth pressure, p-y curves, wall analysis) read and extend.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "model/Capacities.h"
#include "model/StoredConstants.h"

namespace korven {

// A real table indexed by station -5..410.
template <class T>
struct StationArray {
  std::array<T, kStationTableSize> v{};
  T& operator()(int station) { return v[static_cast<std::size_t>(station + kStationOffset)]; }
  const T& operator()(int station) const {
    return v[static_cast<std::size_t>(station + kStationOffset)];
  }
  void fill(const T& x) { v.fill(x); }
};

struct ControlRecord {
  int unitFlag = 1;
  int specifiedPointCount = 0;
  int wallSectionCount = 0;
  int crossSectionCount = 0;
  int reductionFactorCount = 0;
  int earthPressureOption = 0;
  int pyOption = 0;
  int userCurveCount = 0;
  int stageCount = 0;
  int nonlinearEiSetCount = 0;
  int tieBackCount = 0;
  int hingeFlag = 0;
};

struct WallRecord {
  int n = 0;                         // number of increments
  double h = 0.0;                    // increment length (in / m)
  double allowableDeflection = 0.0;  // DMAX (in / m)
  double closureTolerance = 0.0;     // TOL (in / m)
  // Depth of the excavation below the wall top (in / m). The wall analysis
  // widens the earth pressure and builds the option-4 pressure curves down
  // to this depth, and the user p-y curves below it interpolate to the next
  // curve. The earth-pressure and p-y phases use the soil data's own
  // excavation depth instead; the two may differ in the input.
  double excavationDepth = 0.0;
  double analysisWidth = 0.0;        // W (in / m)
  double wallHeight = 0.0;           // as read
  int iterationLimit = 0;            // ITMAX
};

struct SpecifiedPoint {
  int kind = 1;  // 1 deflection, 2 slope, 3 both (<=1 and >=3 as 1 and 3)
  int station = 0;
  double deflection = 0.0;
  double slope = 0.0;  // radians
};

struct WallSection {
  double top = 0.0;     // depth along the wall (ft / m)
  double bottom = 0.0;  // depth along the wall (ft / m)
  int crossSection = 0;
};

// Moment-curvature table of a nonlinear cross section.
struct MomentCurvatureTable {
  double thrust = 0.0;
  double second = 0.0;  // second value of a generated set
  std::vector<double> moment;
  std::vector<double> curvature;
  int points() const { return static_cast<int>(moment.size()); }
};

// Values that the input data file holds and the engine reads past without
// keeping, each still checked as a number of its kind:
// - wall record: the two integers after the iteration limit;
// - cross-section header: the two integers before the shape code;
// - elastic section: the real after the ten properties (top and bottom)
//   and the second and fifth integers of the AISC record;
// - nonlinear section: the two reals closing the strand record, the two
//   reals of the option record and the two reals of the strain-hardening
//   record.
struct CrossSection {
  // Header record: shape code, nonlinear flag.
  int shapeCode = 0;
  int nonlinearFlag = 0;  // 0 elastic, 1 nonlinear
  std::string name;       // up to 80 characters

  // Elastic section: dimensions (diameters, widths, depths, thicknesses)
  // and ten properties (I fourth, E ninth) at the top and, when tapered,
  // the bottom; then the AISC record and the designation.
  std::array<double, 8> dimensionsTop{}, dimensionsBottom{};
  std::array<double, 10> propertiesTop{}, propertiesBottom{};
  int taperedFlag = 0;
  int aiscFamily = 0;
  double thickness = 0.0;
  int diameterLabelFlag = 0;
  std::string designation;  // E6 / N4: AISC or sheet-pile designation
  // Stiffness values (moment of inertia, Young's modulus) at top and bottom.
  // In SI runs the inertia is held in m^4 (input mm^4 divided by 1e12).
  double inertiaTop = 0.0, modulusTop = 0.0;
  double inertiaBottom = 0.0, modulusBottom = 0.0;
  double diameterTop = 0.0, diameterBottom = 0.0;  // equivalent/external diameter

  // Nonlinear section, kept for the echo: the diameter, the real after the
  // properties and seven of the ten properties (2nd to 4th, 6th to 9th),
  // then the type and its dimensions.
  std::array<double, 9> equivalentProperties{};
  int nonlinearType = 0;
  std::array<double, 10> nonlinearDimensions{};
  std::array<double, 6> steelAndConcrete{};
  std::array<int, 4> embeddedSteel{};
  std::array<int, 5> rebarLayout{};
  std::array<double, 5> rebarMaterial{};
  int confinedFlag = 0;
  std::array<int, 6> transverseLayout{};
  std::array<double, 4> transverseMaterial{};
  std::vector<std::array<double, 5>> rebars;   // one row per rebar
  std::array<int, 5> strandLayout{};
  std::array<double, 5> strandMaterial{};
  std::vector<std::array<double, 5>> strands;  // one row per strand
  std::array<int, 3> optionCounts{};
  std::vector<double> optionValues;
  std::array<int, 7> eiOptions{};
  std::array<double, 4> strainHardening{};
  std::array<int, 4> hardeningModel{};
  std::vector<double> hardeningValues;

  // Generated moment-curvature sets of this section (group D).
  std::vector<MomentCurvatureTable> generatedSets;
  // The table that the wall analysis uses for the secant rigidity of a
  // nonlinear section (a user-defined set for type 10, otherwise the first
  // generated set).
  MomentCurvatureTable table;
};

// A stiffness-and-load record (group E).
struct StiffnessLoadRecord {
  int contd = 1;
  int from = 0, to = 0;
  double q = 0.0, t = 0.0, p = 0.0;
};

struct Restraint {
  int from = 0, to = 0;
  int contd = 1;
  double s = 0.0;  // lateral stiffness
  double r = 0.0;  // rotational stiffness
};

struct TieBack {
  double depth = 0.0, area = 0.0, modulus = 0.0, unbondedLength = 0.0;
  double angle = 0.0;  // degrees
  double spacing = 0.0, prestress = 0.0;
  // Derived.
  int station = 0;
  double angleRad = 0.0;
  double load = 0.0;       // Qt, horizontal load per analysis width
  double stiffness = 0.0;  // St, horizontal stiffness per analysis width
  // Results.
  double horizontalForce = 0.0;  // per station
  double axialForce = 0.0;       // per station along the tie-back
  double forcePerTieBack = 0.0;
};

struct ReductionRow {
  double depth = 0.0, pFactor = 1.0, yFactor = 1.0;
};

struct ReductionFactorTable {
  int groupFlag = 0;
  std::vector<ReductionRow> rows;
};

struct Surcharge {
  int type = 1;  // 1 point, 2 line, 3 strip
  double load = 0.0;
  double distance = 0.0;  // horizontal distance (SI: metres after reading)
  double width = 0.0;
  double vertical = 0.0;  // vertical distance above the wall top
  double factor = 0.0;
};

struct LegacySurcharge {
  double uniform = 0.0;  // q0
  double distance = 0.0;
  double pointLoad = 0.0;
  double lineLoad = 0.0;
  double stripLoad = 0.0;
  double stripWidth = 0.0;
};

// Index of the six values given at the top and at the bottom of a layer.
enum SoilValue : int { kGamma = 0, kStrength = 1, kPhi = 2, kE50 = 3, kSubgrade = 4, kSixth = 5 };

struct SoilLayer {
  int modelCode = 1;  // 1 soft clay .. 7 weak rock
  double bottomDepth = 0.0;
  double thickness = 0.0;
  std::array<double, 6> top{};
  std::array<double, 6> bottom{};
};

struct SoilData {
  // Depth of the excavation below the wall top (in / m) on which the soil
  // profile, the surcharge pressures and the p-y curves are built.
  double excavationDepth = 0.0;
  double widthPressure = 0.0; // WA
  double widthResistance = 0.0; // WP
  double waterBackfill = 0.0;   // depth to the water table at the backfill
  double waterExcavation = 0.0; // depth to the water table at the excavation
  double activeModifier = 0.0;  // Kmod
  int waterPressureFlag = 0;
  double slopeBackfill = 0.0;    // degrees
  double slopeExcavation = 0.0;  // degrees
  double referenceWidth = 12.0;
  int fixedFlag = 1;
  LegacySurcharge legacy;
  std::vector<Surcharge> surcharges;
  std::vector<SoilLayer> layers;
  int loadingFlag = 1;  // 1 static, 0 cyclic
  double cycles = 0.0;
  bool present = false;  // soil data read in this or an earlier problem
};

// A user-specified p-y curve as read (group U).
struct UserPyCurve {
  int station = 0;
  int contd = 0;
  double pMultiplier = 1.0, yMultiplier = 1.0;
  std::vector<double> yRaw, pRaw;  // as read
  std::vector<double> y, p;        // multiplied
};

// One curve of the solver's curve table: points from the most negative y
// to the most positive, p per station (force per length times h).
struct PyCurve {
  int points = 0;
  int contd = 0;  // 1 interpolated to the next curve, 0 stands alone
  int firstStation = 0, lastStation = 0;
  double depth = 0.0;  // depth of a generated curve (for the plot file)
  std::array<double, kMaxCurvePoints> y{};
  std::array<double, kMaxCurvePoints> p{};
};

// The earth-pressure point table: K rows of twelve columns (column 1 the
// depth), read back from the earth-pressure point file or built from the
// specified active pressure.
struct PressurePointTable {
  std::vector<std::array<double, 12>> rows;
  int count() const { return static_cast<int>(rows.size()); }
};

// Per-station stiffness and load tables with the recursion coefficients and
// condition codes of the difference equations.
struct StationTables {
  StationArray<double> f, q, s, t, r, p;  // EI, load, spring, torque, rot. restraint, axial
  StationArray<int> condition;            // 1 normal .. 5 slope closure
  // Depth of stations 0..N in the unit of the wall-section depths, at which
  // the sections are looked up.
  StationArray<double> sectionDepth;
  void clear() {
    f.fill(0.0); q.fill(0.0); s.fill(0.0); t.fill(0.0); r.fill(0.0); p.fill(0.0);
    condition.fill(1);
    sectionDepth.fill(0.0);
  }
  // Depths in feet (lengthPerDepthUnit 12) are summed station by station,
  // h/12 per step; depths in the unit of h are n*h. The two differ in the
  // last bit, which decides the section at a boundary.
  void setSectionDepths(int n, double h, double lengthPerDepthUnit) {
    double depth = 0.0;
    for (int i = 0; i <= n; ++i, depth += h / lengthPerDepthUnit) {
      sectionDepth(i) = lengthPerDepthUnit == 1.0 ? i * h : depth;
    }
  }
};

struct Couple {
  int station = 0;
  double value = 0.0;  // T / (2h)
};

// Results kept per station 0..N+1 for the plot-data summary.
struct StationResults {
  int lastStation = 0;  // station count of the summary (N+1), 0 before any result
  std::vector<double> depth, deflection, slope, moment, shear, netForce, rigidity, soilReaction;
  // The deflections of the last solution at stations -3..N+3 (index
  // station + 3), fictitious stations included.
  std::vector<double> finalDeflection;

  // Deflection and slope at station n as the restraint reactions take them:
  // the results inside the results range, the last solution's deflection
  // (and no slope) at the fictitious stations.
  double deflectionAt(int n) const {
    if (inRange(n)) return deflection[static_cast<std::size_t>(n)];
    const long held = static_cast<long>(n) + 3;
    return held >= 0 && held < static_cast<long>(finalDeflection.size())
               ? finalDeflection[static_cast<std::size_t>(held)]
               : 0.0;
  }
  double slopeAt(int n) const {
    return inRange(n) ? slope[static_cast<std::size_t>(n)] : 0.0;
  }
  bool inRange(int n) const {
    return n >= 0 && n <= lastStation && static_cast<std::size_t>(n) < deflection.size();
  }
};

// How the nonlinear loop of a problem ended.
enum class LoopEnd { Converged, LimitReached, DeflectionExceeded };

enum class ProblemStatus { Converged, NotConverged };

struct WallModel {
  std::string title;     // 80 characters, blank padded
  std::string runTitle;  // title of the first problem
  ControlRecord control;
  // Lengths along the wall (h, deflections, the analysis width) per unit of
  // the depths given in feet in English problems (wall sections, tie-back
  // depths and spacings, depths in the reports): 12 in English, otherwise 1,
  // the depths then being in the unit of h. Set with the unit flag.
  double lengthPerDepthUnit = 12.0;
  WallRecord wall;
  std::vector<SpecifiedPoint> specifiedPoints;
  std::vector<WallSection> wallSections;
  std::vector<CrossSection> crossSections;   // indexed from 0 for section 1
  std::vector<MomentCurvatureTable> userEiSets;
  std::vector<StiffnessLoadRecord> stiffnessRecords;
  std::vector<Restraint> restraints;
  std::vector<TieBack> tieBacks;
  int concentratedEntries = 0;
  ReductionFactorTable reduction;
  SoilData soil;
  std::vector<UserPyCurve> userCurves;
  // Specified active pressure (earth-pressure option 1) and the computed
  // point table, both in the form of the earth-pressure point table.
  PressurePointTable pressure;
  bool pressurePresent = false;
  // The solver's curve table.
  std::vector<PyCurve> curves;
  StationTables stations;
  std::vector<Couple> couples;
  StationResults results;
  ProblemStatus status = ProblemStatus::Converged;
  int iterations = 0;
  // Tables kept for callers of the analysis, beside the station results:
  // the earth-pressure table as the wall analysis uses it (depth as held,
  // widened net pressure per unit length of wall) and one row per
  // iteration of the nonlinear loop.
  std::vector<std::array<double, 2>> pressureTable;
  struct IterationRow {
    int iteration = 0;
    int notClosed = 0;
    double maxChange = 0.0;
    std::array<double, 4> topDeflections{};  // stations 1 to 4
  };
  LoopEnd loopEnd = LoopEnd::Converged;
  int exceedingStations = 0;  // stations beyond the allowable deflection
  std::vector<IterationRow> iterationHistory;
};

// Nearest whole number, halves away from zero. Values beyond the integer
// range give the nearest end of it (NaN the lower end), so that a station
// computed from an absurd depth stays far outside every table and is
// rejected by the station checks instead of wrapping into the wall.
inline int nearestInt(double x) {
  constexpr double kLimit = 2147483647.0;
  if (!(x > -kLimit)) return -2147483647 - 1;
  if (!(x < kLimit)) return 2147483647;
  return static_cast<int>(std::lround(x));
}


}  // namespace korven
