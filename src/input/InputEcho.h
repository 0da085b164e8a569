// Helpers shared by the readers of the wall, section and support groups:
// the data checks that end a run, the rows of the range tables of the
// report (stiffness and load data, user p-y curves) and the section echo.
#pragma once

#include <span>
#include <string_view>

#include "core/RunContext.h"

namespace korven::input {

// Count checks. A count above its table's capacity, or a negative count,
// is reported and ends the run.
[[noreturn]] void rejectCount(RunContext& ctx, std::string_view what, int count, int limit);
[[noreturn]] void rejectNegativeCount(RunContext& ctx, std::string_view what, int count);
void checkCount(RunContext& ctx, std::string_view what, int count, int limit);

// A station that is spread onto the station tables must lie in -3..N+3.
void checkStationInTables(RunContext& ctx, std::string_view what, int station);
// A station must lie in first..last ("THE WALL", "THE STATION TABLES").
void checkStationInRange(RunContext& ctx, std::string_view what, int station, int first,
                         int last, std::string_view place);

// A continuation flag must be 1 (range ends here) or 2 (continued).
void checkContinuationFlag(RunContext& ctx, std::string_view what, int contd);

// Warning for a chain of ranges left open by the last record of its group.
void warnOpenChain(RunContext& ctx, std::string_view what, int station);

// An input value that makes the data meaningless; ends the run.
[[noreturn]] void rejectInput(RunContext& ctx, std::string_view message, std::string_view reason);

// Station of a depth along the wall (ft in English runs, m otherwise).
int stationOfDepth(const RunContext& ctx, double depth);

// The two tables of range rows in the report and how a row relates to its
// neighbours: a plain range prints from and to; a row continued into the
// next prints its from station; a row continuing the previous prints its
// to station.
enum class RangeTable { StiffnessLoad, PyCurve };
struct RangeRow {
  int from = 0, to = 0, contd = 1;
  bool continued = false;          // this row continues into the next
  bool previousContinued = false;  // the row before continues into this one
};
// Writes one row: the station columns by the row's kind, then `tail`.
void writeRangeRow(RunContext& ctx, RangeTable table, const RangeRow& row,
                   std::span<const textio::FieldValue> tail);

// Echo of the cross sections and of their properties table.
void writeCrossSectionEcho(RunContext& ctx);
void writeCrossSectionProperties(RunContext& ctx);
// Listing of one moment-curvature set of cross section `number`.
void writeMomentCurvatureSet(RunContext& ctx, int number, const MomentCurvatureTable& set);

}  // namespace korven::input
