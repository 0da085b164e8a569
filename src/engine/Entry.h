// One batch run: the run-control file, the run's files and the problem loop.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "engine/RunContext.h"

namespace korven {

struct RunOptions {
  std::string namesFile = "NAMES.dat";
  Clock clock = systemLocalTime;
  std::ostream* err = nullptr;  // standard error stream when null
};

struct RunOutcome {
  int status = 0;        // KORVEN_STATUS_... of korven.h
  std::string message;   // one line; empty after a normal run
};

// Reads the run-control file, opens the run's files, analyses every problem
// of the input data file and closes the files.
RunOutcome runAnalysis(const RunOptions& options);

// Reads the run-control file into ctx.names. Returns false (with `why`)
// when the file is missing or unreadable before the file names.
bool readRunControl(RunContext& ctx, const std::string& namesFile, std::string& why);

// The problem loop over the open files of ctx, and the end-of-run steps.
RunOutcome runProblems(RunContext& ctx);

}  // namespace korven
