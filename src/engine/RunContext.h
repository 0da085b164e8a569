// The state of one run (one call of the entry): the run's files, the run
// counters and the problem data. Every phase receives it explicitly.
#pragma once

#include <ctime>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "model/UnitSystem.h"
#include "model/WallModel.h"
#include "pressure/PressureState.h"
#include "pycurves/PyState.h"
#include "textio/FreeFormat.h"
#include "textio/Layout.h"
#include "wall/WallState.h"

namespace korven {

// Local date and time for the report header; replaceable for tests.
struct LocalTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
using Clock = std::function<LocalTime()>;
LocalTime systemLocalTime();

// Names read from the run-control file.
struct RunControl {
  std::string version;       // 12 characters
  std::string inputFile;     // names with trailing blanks removed
  std::string reportFile;
  std::string plotFile;
  std::string monitorFile;
  std::string pyScratchFile;
  std::string pressureFile;
};

struct RunContext {
  RunControl names;
  Clock clock = systemLocalTime;
  std::ostream* err = nullptr;  // standard error stream (stderr when null)

  // The run's files.
  std::unique_ptr<std::istream> inputStream;
  std::unique_ptr<textio::RecordReader> input;
  textio::OutputChannel report;
  textio::OutputChannel plot;
  textio::OutputChannel monitor;

  // Run state.
  int problemCounter = 0;
  int pressureEchoFlag = 0;
  int pyEchoFlag = 0;
  int unitFlag = 1;
  UnitLabels labels = selectUnitLabels(0);

  // Problem data and the working state of the phases.
  WallModel model;
  PressureState pressure;
  PyState py;
  WallState wall;

  bool english() const { return unitFlag == 1; }
  bool si() const { return unitFlag == 2; }
  std::ostream& errorStream();
};

// Depth as the report prints it: metres in SI runs, otherwise feet (the
// internal inches divided by 12).
inline double reportDepth(const RunContext& ctx, double z) { return ctx.si() ? z : z / 12.0; }

}  // namespace korven
