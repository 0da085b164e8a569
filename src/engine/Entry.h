// One batch run: the run-control file, the run's files and the problem loop.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <filesystem>
#include <string>
#include <vector>

#include "core/RunContext.h"
#include "korven/analysis.h"

namespace korven {

struct RunOptions {
  std::string namesFile = "NAMES.dat";
  // Folder against which the relative names of the run-control file are
  // taken; the working directory when empty.
  std::filesystem::path folder;
  Clock clock = systemLocalTime;
  std::ostream* err = nullptr;  // standard error stream when null
  bool quiet = false;           // with no `err`: progress lines dropped
  std::vector<ProblemResult>* results = nullptr;  // filled per problem when given
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

// Checks and opens the files named in ctx.names, then runs the problems.
RunOutcome runNamedFiles(RunContext& ctx);

// The problem loop over the open files of ctx, and the end-of-run steps.
RunOutcome runProblems(RunContext& ctx);

// The results of the problem just analysed, as plain values.
ProblemResult captureProblem(const RunContext& ctx);

}  // namespace korven
