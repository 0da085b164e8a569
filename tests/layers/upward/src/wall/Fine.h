// Includes that are allowed: the layers below a phase.
#pragma once

#include <vector>

#include "core/RunContext.h"
#include "model/WallModel.h"
#include "textio/Layout.h"
