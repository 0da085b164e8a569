// Restraints, tie-backs, reduction factors, specified active pressure, soil
// data and user p-y curves of a problem, with their report echo.
#pragma once

#include "core/RunContext.h"

namespace korven {

void readRestraintsAndTieBacks(RunContext& ctx);  // group R, TIE BACK DATA
void readReductionFactors(RunContext& ctx);       // group F
void readSpecifiedPressure(RunContext& ctx);      // group P (earth-pressure option 1)
void readSoilData(RunContext& ctx);               // group S
void readUserPyCurves(RunContext& ctx);           // group U

}  // namespace korven
