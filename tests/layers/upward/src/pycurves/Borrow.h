// A phase that includes the engine above it.
#pragma once

#include "engine/Entry.h"
#include "pycurves/PyState.h"
