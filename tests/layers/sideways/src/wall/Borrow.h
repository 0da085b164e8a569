// One phase that includes another.
#pragma once

#include "core/RunContext.h"
#include "pressure/EarthPressure.h"
