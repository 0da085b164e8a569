// File-name splitting of the report header.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/ReportHeader.h"

namespace korven {
namespace {

TEST(SplitPath, DriveDirectoryBaseAndExtension) {
  PathParts p = splitPath("C:\\work\\wall1.dat");
  EXPECT_EQ(p.drive + p.directory, "C:\\work\\");
  EXPECT_EQ(p.base + p.extension, "wall1.dat");

  p = splitPath("/home/eng/walls/anchored.input");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.directory, "/home/eng/walls/");
  EXPECT_EQ(p.base, "anchored");
  EXPECT_EQ(p.extension, ".inpu");  // the dot and at most four characters

  p = splitPath("/data/noext");
  EXPECT_EQ(p.base, "noext");
  EXPECT_EQ(p.extension, "");
}

TEST(SplitPath, RelativeNamesTakeTheWorkingDirectory) {
  const PathParts p = splitPath("wall1.dat");
  std::string cwd = std::filesystem::current_path().string();
  if (cwd.back() != '/') cwd += '/';
  EXPECT_EQ(p.directory, cwd);
  EXPECT_EQ(p.base, "wall1");
}

}  // namespace
}  // namespace korven
