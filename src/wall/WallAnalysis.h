// Wall analysis of one problem: earth-pressure loads, p-y curve table,
// the nonlinear solution loop, results and plot-data summaries.
#pragma once

#include "core/RunContext.h"

namespace korven {

// Reads the earth-pressure point file back into the point table.
void readPressurePointFile(RunContext& ctx);
// Widens the point table, prints it, writes its plot-data section and turns
// it into station loads (or pressure-deflection curves for option 4).
void applyEarthPressure(RunContext& ctx);
// Checks that no stiffness or load lies beyond the tip.
void checkTablesBeyondTip(RunContext& ctx);
// Reads the p-y scratch file back into the solver's curve table.
void readPyScratchFile(RunContext& ctx);
// Solves the wall (writing the iteration monitoring as it goes) and leaves
// its results in the model: station results, tie-back forces, the loop's
// end, the iteration history. The working arrays of the solution live for
// the one call.
void iterateWall(RunContext& ctx);
// RESULTS section of the report, written from the results in the model:
// iteration count, the warning of a loop that did not close, or the
// station, restraint, tie-back and node-reaction tables.
void writeResults(RunContext& ctx);
// The summary of a problem (or of the run) in the plot-data file.
void writePlotSummary(RunContext& ctx, int stageValue);

}  // namespace korven
