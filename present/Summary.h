// The summary of a run: for each problem (a single analysis, a construction
// stage or a long-term pass) the extremes of deflection, moment and shear
// with their depths, the values at the excavation level, the soil reaction
// below it, the tie-back and restraint forces, the iterations and whether
// the problem converged; and the warnings of the run. As text for the
// terminal and as JSON.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korven/analysis.h"

namespace korven::present {

// A value of the station table with the station and depth it occurs at.
struct Extreme {
  double value = 0.0;
  double depth = 0.0;
  int station = -1;
};

// The values at the station nearest the excavation level.
struct AtExcavation {
  double depth = 0.0;  // the excavation depth as the problem gives it
  StationResult station;
};

struct ProblemSummary {
  Extreme maxDeflection, minDeflection, topDeflection;
  Extreme maxMoment, minMoment;
  Extreme maxShear, minShear;
  std::optional<AtExcavation> excavation;
  // Soil reaction over the stations at and below the excavation level (all
  // stations when the problem gives none).
  Extreme maxSoilReaction, minSoilReaction;
  // Net pressure: the net force per station spread over the increment.
  Extreme maxNetPressure, minNetPressure;
  bool hasStations = false;
};

// The net pressure at each station (force per unit length of wall, in the
// unit of the soil reaction): its net force divided by the increment length.
std::vector<double> netPressures(const ProblemResult& problem);

ProblemSummary summarise(const ProblemResult& problem);

// The sign conventions of the results, in words, keyed by quantity.
struct SignConvention {
  const char* quantity;
  const char* text;
};
const std::vector<SignConvention>& signConventions();

// Whether a tie-back force (the force the tie-back exerts on the wall)
// stretches or compresses it.
const char* tieBackState(double horizontalForce);

// The warnings of a run: the problems that did not converge, and the
// warning blocks and stop lines of the report text (when given).
std::vector<std::string> runWarnings(const AnalysisResult& result, std::string_view reportText);

// What the summary says about the run besides its results.
struct RunInfo {
  std::string input;    // the input data file's name
  std::string version;  // the program's version
};

// The summary for a terminal: one block per problem, then the warnings.
std::string summaryText(const AnalysisResult& result, const std::vector<std::string>& warnings);

// The summary as a JSON document (see the README for its members).
std::string summaryJson(const AnalysisResult& result, const std::vector<std::string>& warnings,
                        const RunInfo& info);

// A number as the summary, the tables and the diagrams show it: four
// significant digits.
std::string shown(double value);

// A number as the data files carry it: the shortest text that reads back
// as the same double.
std::string exact(double value);

}  // namespace korven::present
