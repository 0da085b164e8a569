// Earth pressure on the retained side: soil profile, coefficients, layer
// resultants, surcharges and the pressure distribution written to the
// earth-pressure point file.
#pragma once

#include <initializer_list>

#include "engine/RunContext.h"

namespace korven {

void computeEarthPressures(RunContext& ctx);

// Lateral pressure of the listed surcharges at depth z below the wall top.
// Uses the free height and the surcharges of the soil data in
// ctx.model.soil, so it serves the specified pressure path as well.
double surchargePressureAt(RunContext& ctx, double z);

// Ends the run with a message when one of the values, computed from the
// soil data before they are printed or written, has left the range of
// numbers (absurd unit weights, modifiers, widths or loads). `what` names
// them in the message ("EARTH PRESSURES").
void requireFinite(RunContext& ctx, std::initializer_list<double> values, const char* what);

}  // namespace korven
