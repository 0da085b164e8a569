// Wall sections, cross sections, moment-curvature tables and the
// stiffness-and-load records of a problem, with their report echo.
#pragma once

#include "core/RunContext.h"

namespace korven {

void readWallSections(RunContext& ctx);           // group A and its echo
void readCrossSections(RunContext& ctx);          // group B, echo, properties
void readMomentCurvatureTables(RunContext& ctx);  // groups C and D and their echo
void readStiffnessAndLoads(RunContext& ctx);      // STIFFNESS AND LOAD DATA, group E

}  // namespace korven
