// Earth pressure on the retained side: soil profile, coefficients, layer
// resultants, surcharges and the pressure distribution written to the
// earth-pressure point file.
#pragma once

#include "engine/RunContext.h"

namespace korven {

void computeEarthPressures(RunContext& ctx);

// Lateral pressure of the listed surcharges at depth z below the wall top
// (also left in ctx.pressure.surchargeResult). Uses the free height and the
// surcharges of the soil data in ctx.model.soil, so it serves the specified
// pressure path as well.
double surchargePressureAt(RunContext& ctx, double z);

}  // namespace korven
