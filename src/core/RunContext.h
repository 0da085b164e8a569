// The state of one run (one call of the entry): the run's files, the run
// counters and the problem data. Every phase receives it explicitly.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/UnitSystem.h"
#include "model/WallModel.h"
#include "textio/FreeFormat.h"
#include "textio/Layout.h"

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

// The two intermediate files that carry tables from one phase to the next.
enum class Scratch { PyCurves, EarthPressure };

struct ProblemResult;  // korven/analysis.h

struct RunContext {
  RunControl names;
  Clock clock = systemLocalTime;
  std::ostream* err = nullptr;  // standard error stream (stderr when null)
  bool quiet = false;           // progress lines and stop texts dropped, not on stderr
  // Folder against which relative file names are taken; the process's
  // working directory when empty.
  std::filesystem::path folder;
  // Intermediate files kept in memory instead of on disk.
  bool scratchInMemory = false;
  std::string pyScratchText, pressureText;
  // The point file's rows as the pressure phase last wrote them, with the
  // values they read back as: the wall analysis takes these values when the
  // file holds exactly that text, instead of converting it again.
  textio::HeldReals heldPressureRows;
  // The numbers of the p-y scratch file as the generator wrote them, for
  // the wall analysis in the same way.
  textio::HeldNumbers heldPyScratch;
  // Where the results of each analysed problem are collected (none when null).
  std::vector<ProblemResult>* results = nullptr;

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

  // Problem data; each phase keeps its working state for itself.
  WallModel model;

  bool english() const { return unitFlag == 1; }
  bool si() const { return unitFlag == 2; }
  std::ostream& errorStream();

  // A file name of the run as the system should open it: relative names are
  // taken against `folder`.
  std::string resolve(const std::string& name) const;
  // The name of an intermediate file, as given in the run-control file.
  const std::string& scratchName(Scratch which) const;
  // Opens an intermediate file for writing, in memory or as the named file
  // (created or truncated); false, with the system's reason in `why`, when
  // it cannot be created.
  bool openScratch(textio::OutputChannel& out, Scratch which, std::string* why = nullptr);
  // Opens an intermediate file for reading back; null when it cannot be
  // opened. One kept in memory is read in place: it must not be written
  // while the stream is in use.
  std::unique_ptr<std::istream> readScratch(Scratch which);

 private:
  std::ostream discard_{nullptr};  // swallows what a quiet run would show
};

// Depth as the report prints it: metres in SI runs, otherwise feet (the
// internal inches divided by 12).
inline double reportDepth(const RunContext& ctx, double z) { return ctx.si() ? z : z / 12.0; }

}  // namespace korven
