// An in-memory problem for the input readers: the input data text, the
// report and plot-data text, and the opening records' values set directly.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "core/RunContext.h"
#include "core/Stops.h"

namespace korven::testing {

struct InputFixture {
  RunContext ctx;
  std::ostringstream report;
  std::ostringstream plot;

  // unitFlag 1 English, 2 SI; n increments of length h.
  explicit InputFixture(const std::string& text, int unitFlag = 1, int n = 20, double h = 12.0) {
    ctx.inputStream = std::make_unique<std::istringstream>(text);
    ctx.input = std::make_unique<textio::RecordReader>(*ctx.inputStream);
    ctx.report.attach(report);
    ctx.plot.attach(plot);
    ctx.unitFlag = unitFlag;
    ctx.labels = selectUnitLabels(unitFlag == 1 ? +1 : -1);
    ControlRecord& c = ctx.model.control;
    c.unitFlag = unitFlag;
    WallRecord& w = ctx.model.wall;
    w.n = n;
    w.h = h;
    w.analysisWidth = 12.0;
    ctx.model.stations.clear();
  }

  std::string reportText() {
    ctx.report.flush();
    return report.str();
  }
  std::string plotText() {
    ctx.plot.flush();
    return plot.str();
  }
  // The next free-format integer of the input, to check that a reader
  // consumed exactly its records.
  int nextInteger() { return ctx.input->record("NEXT").integer(); }
};

}  // namespace korven::testing
