// What the wall analysis writes: the earth-pressure table, the results
// section of the report, the iteration-monitoring file and the plot-data
// sections.
#pragma once

#include "core/RunContext.h"
#include "wall/WallState.h"

namespace korven {

// Calls f(k) for the point rows printed of a table of `count` points
// (0-based k): every row of a short table, otherwise every sixth (English)
// or fourth (SI) row and the last one. Returns the number of rows.
template <class F>
int forEachPrintedRow(int count, bool si, F&& f) {
  const int stride = count < 51 ? 1 : (si ? 4 : 6);
  int rows = 0;
  int k = 0;
  for (; k < count; k += stride, ++rows) f(k);
  if (count > 0 && k - stride != count - 1) {
    f(count - 1);
    ++rows;
  }
  return rows;
}

// ACTIVE EARTH PRESSURE table of the widened point table.
void writeEarthPressureTable(RunContext& ctx);
// Plot-data pressure section of the point table.
void writePressurePlot(RunContext& ctx);

void writeMonitorHeader(RunContext& ctx);
// One row of the monitoring file, from the iteration's history record: the
// change summary and the deflections of the top stations.
void writeIterationRow(RunContext& ctx, const WallModel::IterationRow& row);

}  // namespace korven
