// Generation of the p-y curves of the soil below the excavation, written to
// the p-y scratch file together with the user-specified curves.
#pragma once

#include "core/RunContext.h"
#include "pycurves/PyState.h"

namespace korven {

// Builds the resistance layers and profiles below the excavation, prints
// them, writes the p-y scratch file (user curves first, then five curves per
// layer) and closes it. The working state lives for the one call.
void generatePyCurves(RunContext& ctx);
// The same with the working state kept by the caller (the tests read it).
void generatePyCurves(RunContext& ctx, PyState& st);
// Runs the soil model of every resistance layer that owns curves.
void generateLayerCurves(RunContext& ctx, PyState& st);

}  // namespace korven
