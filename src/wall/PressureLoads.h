// Earth-pressure point table turned into station loads, or for earth-
// pressure option 4 into pressure-deflection curves above the excavation.
#pragma once

#include "core/RunContext.h"

namespace korven {

// Adds column 2 of the point table (force per station) to the loads Q of
// stations 1..nS-1; option 4 builds the six-point curves instead.
void convertPressureToStationLoads(RunContext& ctx);

}  // namespace korven
