// Opening records of a problem: title, control record, wall record and the
// specified deflections and slopes, with the report lines written between.
#pragma once

#include "core/RunContext.h"

namespace korven {

void readTitle(RunContext& ctx);
void readControlRecord(RunContext& ctx);
// Selects the unit labels from the unit flag just read.
void selectUnits(RunContext& ctx);
// PROGRAM CONTROL PARAMETERS, then the hinge line or an empty line.
void writeControlEcho(RunContext& ctx);
// Reads and echoes the wall record.
// Ends the run for a negative iteration limit or a grid the station tables
// cannot hold.
void readWallRecord(RunContext& ctx);
// Reads the specified deflections and slopes and sets the station codes.
void readSpecifiedPoints(RunContext& ctx);

// Writes the run-ending message of stations out of order and ends the run
// (TOO MUCH DATA is in core/Stops.h).
[[noreturn]] void stopStationsNotInOrder(RunContext& ctx, const std::string& reason);

}  // namespace korven
