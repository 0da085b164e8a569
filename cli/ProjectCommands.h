// The program's project-file commands: running a project file (.toml) in
// memory into the outputs beside it, converting between project files and
// input data files, and the consistency warnings of an input data file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "korven/analysis.h"

namespace korven::cli {

bool isProjectFile(const std::filesystem::path& path);

// Analyses the project file `input` into the outputs `names[1..5]` beside
// it. Its errors and warnings are shown on stderr (warnings unless
// `quiet`); a project with errors is not run (status
// KORVEN_STATUS_NOT_STARTED), an output that cannot be written gives
// KORVEN_STATUS_FILE_ERROR, both with their messages shown.
AnalysisResult runProjectFile(const std::filesystem::path& input,
                              const std::vector<std::string>& names, const std::string& version,
                              bool quiet);

// Shows the consistency warnings of the input data file `input` unless quiet.
void warnAboutInputDataFile(const std::filesystem::path& input, bool quiet);

// `korven convert`: .toml to .dat, anything else to .toml; `to` defaults to
// `from` with the other extension. Returns the exit status.
int convert(const std::string& from, std::string to, bool quiet);

}  // namespace korven::cli
