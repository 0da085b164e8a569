// Report header of a problem (banner, file names, date and time) and the
// title block.
#pragma once

#include <filesystem>
#include <string>

#include "core/RunContext.h"

namespace korven {

// Drive, directory, base name and extension of a file name, split from its
// full path.
struct PathParts {
  std::string drive;      // "C:" (empty without drives)
  std::string directory;  // with leading and trailing separators
  std::string base;
  std::string extension;  // the dot and at most four characters
};
// A relative name is taken against `folder` (the working directory when
// empty).
PathParts splitPath(const std::string& fullPath, const std::filesystem::path& folder = {});

void writeReportHeader(RunContext& ctx);
}  // namespace korven
