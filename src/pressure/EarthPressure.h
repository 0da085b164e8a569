// Earth pressure on the retained side: soil profile, coefficients, layer
// resultants, surcharges and the pressure distribution written to the
// earth-pressure point file.
#pragma once

#include "core/RunContext.h"

namespace korven {

void computeEarthPressures(RunContext& ctx);

}  // namespace korven
