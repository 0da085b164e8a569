#pragma once

#include "pressure/PressureState.h"
