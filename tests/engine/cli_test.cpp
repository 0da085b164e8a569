// The korven program as a user runs it: NAMES.dat beside the input, the
// outputs named after it, and an exit status that tells how the run ended.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "RunFixture.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

using Cli = CliDir;

const char* const kEmptyWall =
    "CLI WALL\n1 0 0 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n1\n";

TEST_F(Cli, RunsAnInputAndNamesTheOutputsAfterIt) {
  writeInput("retaining.dat", kEmptyWall);
  EXPECT_EQ(korven("run \"" + path("retaining.dat").string() + "\""), 0) << errText_;
  for (const char* name : {"retaining.out", "retaining.plt", "retaining.itr"}) {
    EXPECT_TRUE(fs::exists(path(name))) << name;
  }
  // Nothing beside the user's files but the outputs.
  EXPECT_FALSE(fs::exists(path("NAMES.dat")));
  EXPECT_NE(out_.find("retaining.out"), std::string::npos);
  const std::string report = readFile(path("retaining.out"));
  EXPECT_NE(report.find("END OF ANALYSIS"), std::string::npos);
  EXPECT_NE(report.find("Path to file locations      : " + dir_.string() + "/\n"),
            std::string::npos);

  // With --names the run goes through a NAMES.dat beside the input, as a
  // front end's does, and gives the same report (its date aside).
  fs::remove(path("retaining.out"));
  EXPECT_EQ(korven("run --names \"" + path("retaining.dat").string() + "\""), 0) << errText_;
  const std::string names = readFile(path("NAMES.dat"));
  EXPECT_NE(names.find("\nretaining.dat\nretaining.out\nretaining.plt\nretaining.itr\n"),
            std::string::npos);
  auto undated = [](std::string text) {
    const std::size_t at = text.find("Date:");
    return text.erase(at, text.find('\n', at) - at);
  };
  EXPECT_EQ(undated(readFile(path("retaining.out"))), undated(report));

  // Without a file the NAMES.dat of the working directory is run, as the
  // front end's call does.
  fs::remove(path("retaining.out"));
  EXPECT_EQ(korven("run"), 2);  // the working directory of the test has none
  const std::string cmd = "cd \"" + dir_.string() + "\" && \"" + KORVEN_CLI_PATH + "\" run";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(fs::exists(path("retaining.out")));
}

TEST_F(Cli, FailuresGiveANonZeroStatusAndOneLine) {
  writeInput("bad.dat", "BAD\n1 0 0 0 0 Q 0 0 1 0 0 0\n");
  EXPECT_EQ(korven("run \"" + path("bad.dat").string() + "\""), 1);
  EXPECT_NE(errText_.find("korven: input error: CONTROL RECORD, LINE 2"), std::string::npos)
      << errText_;
  EXPECT_NE(readFile(path("bad.out")).find("END OF ANALYSIS"), std::string::npos);

  EXPECT_EQ(korven("run \"" + path("missing.dat").string() + "\""), 2);
  EXPECT_NE(errText_.find("no input data file"), std::string::npos);
  EXPECT_EQ(korven("frobnicate"), 2);
}

// Names that cannot stand as one record of NAMES.dat are refused before any
// file is touched; messages show such names escaped, once.
TEST_F(Cli, NamesThatDoNotFitARecordAreRefusedUntouched) {
  const std::string withNewline = "wall\nreport.dat";
  writeInput(withNewline, kEmptyWall);
  writeInput("report.out", "an unrelated file\n");
  EXPECT_EQ(korven("run '" + path(withNewline).string() + "'"), 2);
  EXPECT_EQ(errText_, "korven: the input file name wall\\nreport.dat holds a control character; "
                      "rename the file\n");
  EXPECT_FALSE(fs::exists(path("NAMES.dat")));
  EXPECT_EQ(readFile(path("report.out")), "an unrelated file\n");

  // The outputs are named after the input: for NAMES.dat, a name that fits
  // while its report name (one character longer) does not is refused too.
  const std::string longName = std::string(252, 'w') + ".in";
  writeInput(longName, kEmptyWall);
  EXPECT_EQ(korven("run --names '" + path(longName).string() + "'"), 2);
  EXPECT_NE(errText_.find("is longer than 255 characters"), std::string::npos) << errText_;
  EXPECT_FALSE(fs::exists(path("NAMES.dat")));
}

TEST_F(Cli, ARunThatCannotStartOrWriteSaysSoOnce) {
  // No input data file in the NAMES.dat of the working directory.
  writeNamesOf({"missing.dat", "m.out", "m.plt", "m.itr", "m.pys", "m.epf"});
  const std::string cmd = "cd \"" + dir_.string() + "\" && \"" + KORVEN_CLI_PATH +
                          "\" run 2> stderr.txt";
  EXPECT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 2);
  const std::string err = readFile(path("stderr.txt"));
  EXPECT_EQ(countOf(err, "\n"), 1) << err;
  EXPECT_EQ(countOf(err, "missing.dat"), 1) << err;

  if (fs::exists("/dev/full")) {
    writeInput("wall.dat", kEmptyWall);
    writeNamesOf({"wall.dat", "/dev/full", "w.plt", "w.itr", "w.pys", "w.epf"});
    EXPECT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 1);
    EXPECT_EQ(readFile(path("stderr.txt")), " KORVEN: cannot write /dev/full: No space left on device\n");
  }
}

TEST_F(Cli, HelpAndVersion) {
  EXPECT_EQ(korven("--help"), 0);
  EXPECT_NE(out_.find("run"), std::string::npos) << out_;
  EXPECT_EQ(korven("run --help"), 0);
  for (const char* word : {"INPUT", "--names", "--quiet"}) {
    EXPECT_NE(out_.find(word), std::string::npos) << out_;
  }
  EXPECT_EQ(korven(""), 2);  // a subcommand is needed
  EXPECT_EQ(korven("--version"), 0);
  EXPECT_EQ(out_.rfind("korven ", 0), 0u);
}

}  // namespace
}  // namespace korven::testing
