// KORVEN as a library call: an analysis from the text of an input data file
// to its results in memory, and the run of a NAMES.dat without changing the
// process's working directory.
//
// Calls are independent: any number may run at once on different threads.
// Nothing is read or written on disk by `analyse`; `runNamesFile` works on
// the files its NAMES.dat names, relative names taken against its folder.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korven {

// The date and time printed in the report header.
struct DateTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct AnalysisOptions {
  // The names the report header prints: the input data file (its folder on
  // the path line; a relative name is taken against `folder`, by default the
  // working directory), the report and the plot-data file. The outputs'
  // names default to the input's base name with .out and .plt.
  std::string inputName = "input.dat";
  std::string reportName;
  std::string plotName;
  std::string folder;
  // The version text of the report banner (12 characters are printed).
  std::string version = "1.0.0";
  // Report header time; the local time when empty.
  std::optional<DateTime> time;
  // Where progress lines and stop texts go; dropped when null.
  std::ostream* progress = nullptr;
};

// One station of the wall, in the units the report prints (English: depth
// in ft, deflection in in, moment in lbs-in, shear and forces in lbs; SI:
// m, m, kN-m, kN).
struct StationResult {
  int station = 0;
  double depth = 0.0;
  double deflection = 0.0;  // positive towards the excavation side
  double slope = 0.0;       // radians
  double moment = 0.0;
  double shear = 0.0;
  double soilReaction = 0.0;  // per unit length of wall
  double netForce = 0.0;      // all forces acting at the station
  double flexuralRigidity = 0.0;
};

// A tie-back's forces as the report's tie-back table prints them: the
// horizontal and axial force per station (per analysed width of wall) and
// the force in one tie-back. They are the forces the tie-back exerts on the
// wall: negative pulls the wall back towards the retained side, that is, the
// tie-back is in tension.
struct TieBackResult {
  int number = 0;
  int station = 0;
  double depth = 0.0;
  double horizontalForce = 0.0;
  double axialForce = 0.0;
  double forcePerTieBack = 0.0;
};

// A lateral and rotational restraint's reaction at one station.
struct RestraintResult {
  int station = 0;
  double depth = 0.0;
  double force = 0.0;
  double moment = 0.0;
};

// A point of the earth-pressure table the wall analysis uses (the report's
// ACTIVE EARTH PRESSURE table): depth as printed (ft or m) and the net
// pressure on the wall, widened, per unit length of wall (lbs/in or kN/m).
struct EarthPressurePoint {
  double depth = 0.0;
  double pressure = 0.0;
};

// A p-y curve as the solver uses it: the station it acts at, its depth as
// printed (ft or m), and its points, deflection y (in or m) against soil
// resistance p per unit length of wall (lbs/in or kN/m), p opposing y.
struct PyCurveResult {
  int station = 0;
  double depth = 0.0;
  std::vector<double> y;
  std::vector<double> p;
};

// One iteration of the nonlinear loop: the stations whose deflection has
// not closed within the tolerance, and the largest change of deflection.
struct IterationRecord {
  int iteration = 0;
  int notClosed = 0;
  double maxChange = 0.0;
};

// One analysed problem (a single analysis, a construction stage or a
// long-term pass).
struct ProblemResult {
  int number = 0;         // 1 for the first problem of the input
  std::string title;      // the problem's title, trailing blanks removed
  bool si = false;        // SI units (else English)
  bool converged = false;
  int iterations = 0;
  std::vector<StationResult> stations;  // stations 0..N when converged
  std::vector<TieBackResult> tieBacks;
  std::vector<RestraintResult> restraints;
  std::vector<EarthPressurePoint> earthPressure;    // empty without earth pressure
  std::vector<PyCurveResult> pyCurves;          // user and generated curves
  std::vector<IterationRecord> iterationHistory;
  double excavationDepth = 0.0;                 // as printed (ft or m)
};

struct AnalysisResult {
  // How the run ended: one of the KORVEN_STATUS_... values of korven.h.
  int status = 0;
  std::string message;  // one line; empty after a normal run
  std::vector<ProblemResult> problems;
  // The texts of the run's files, as they would be written.
  std::string report;
  std::string plotData;
  std::string iterationLog;
  std::string pyCurves;             // p-y scratch file of the last problem
  std::string earthPressurePoints;  // earth-pressure point file of the last problem
};

// Analyses the text of an input data file in memory.
AnalysisResult analyse(std::string_view inputText, const AnalysisOptions& options = {});

// The files of a run on disk, named directly rather than through a
// NAMES.dat. The outputs are checked as a NAMES.dat run checks them (no two
// roles on one file, an input that is a regular file); empty intermediate
// names keep those files in memory.
struct RunFiles {
  std::string input;
  std::string report;
  std::string plotData;
  std::string iterationLog;
  std::string pyCurves;
  std::string earthPressurePoints;
  std::string version = "1.0.0";
};

// Runs the input data file into the named output files. `err` receives what
// a run shows on the standard error stream (stderr when null; nothing when
// `quiet`). The texts of `AnalysisResult` are left empty.
AnalysisResult runFiles(const RunFiles& files, std::ostream* err = nullptr, bool quiet = false);

// Runs the NAMES.dat at `path` (a file, or a folder holding NAMES.dat) on
// the files it names; relative names are taken against its folder. The
// texts of `AnalysisResult` are left empty (the outputs are on disk);
// `problems` holds the results. `err` receives what a run shows on the
// standard error stream (stderr when null).
AnalysisResult runNamesFile(const std::string& path, std::ostream* err = nullptr);

}  // namespace korven
