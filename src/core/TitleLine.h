// The title line of a problem, which the report and the monitor file repeat
// above the problem's results.
#pragma once

#include "core/RunContext.h"

namespace korven {

// The title line of the current problem (stage line, first title or
// long-term line), preceded by one empty line.
void writeTitleLine(RunContext& ctx, textio::OutputChannel& out);

}  // namespace korven
