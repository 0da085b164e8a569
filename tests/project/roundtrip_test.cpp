// Every example exists as an input data file and as a project file: each
// converts into the other byte for byte, and the program runs the project
// file into the same outputs as the input data file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../engine/RunFixture.h"
#include "Project.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;
using korven::project::deckToToml;
using korven::project::tomlToDeck;

std::vector<std::string> exampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(KORVEN_SOURCE_DIR) / "examples")) {
    if (e.path().extension() == ".dat") names.push_back(e.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path example(const std::string& name, const char* ext) {
  return fs::path(KORVEN_SOURCE_DIR) / "examples" / (name + ext);
}

TEST(ProjectExamples, EveryExampleHasBothFormsThatConvertIntoEachOther) {
  const auto names = exampleNames();
  ASSERT_GE(names.size(), 7u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string dat = readFile(example(name, ".dat"));
    const std::string toml = readFile(example(name, ".toml"));
    ASSERT_FALSE(toml.empty()) << "no project file for the example";
    const auto asToml = deckToToml(dat, name + ".dat");
    EXPECT_EQ(asToml.text, toml);
    EXPECT_TRUE(asToml.warnings.empty()) << asToml.warnings.front().text();
    const auto asDeck = tomlToDeck(toml, name + ".toml");
    EXPECT_EQ(asDeck.text, dat);
    EXPECT_TRUE(asDeck.warnings.empty()) << asDeck.warnings.front().text();
  }
}

// A stage gives only what changes from the stage before: a stage that drops
// the tie-backs and the hinge of the one before says so.
TEST(ProjectExamples, StagesGiveWhatChangesAndStillConvertUnchanged) {
  const std::string staged = readFile(example("staged-excavation", ".dat"));
  const std::size_t second = staged.find("STAGE 2");
  ASSERT_NE(second, std::string::npos);
  // Three stages: the second adds a tie-back and the hinge, the third is the
  // first again.
  auto withStages = [](std::string problem, const char* control, const char* continuation) {
    const std::size_t start = problem.find('\n') + 1;
    problem.replace(start, problem.find('\n', start) - start, control);
    problem.replace(problem.rfind('\n', problem.size() - 2) + 1, std::string::npos, continuation);
    return problem;
  };
  // The first stage's soil data give a free height of their own; the
  // second's equal its excavation depth, the default it falls back to.
  std::string first = staged.substr(0, second);
  first.replace(first.find("96.0 12.0 12.0 600.0"), 4, "100.0");
  const std::string dat = withStages(first, "1 0 1 1 0 2 2 0 3 0 0 0", "1\n") +
                          withStages(staged.substr(second), "1 0 1 1 0 2 2 0 3 0 1 1", "2\n") +
                          withStages(first, "1 0 1 1 0 2 2 0 3 0 0 0", "3\n");
  const std::string toml = deckToToml(dat, "three.dat").text;
  const std::string third = toml.substr(toml.rfind("[[stage]]"));
  EXPECT_NE(third.find("tieback = []"), std::string::npos) << third;
  EXPECT_NE(third.find("hinged = 0"), std::string::npos) << third;
  EXPECT_EQ(third.find("[stage.solution]"), std::string::npos) << third;
  const std::string middle = toml.substr(toml.find("[[stage]]", toml.find("[[stage]]") + 1));
  EXPECT_NE(middle.find("free_height = 192.0"), std::string::npos) << middle;
  EXPECT_EQ(tomlToDeck(toml, "three.toml").text, dat);
}

class ProjectRun : public RunDir {
 protected:
  int korven(const std::string& args) {
    const std::string cmd = "cd \"" + dir_.string() + "\" && \"" + KORVEN_CLI_PATH + "\" " + args +
                            " > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    errText_ = readFile(path("stderr.txt"));
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  // A file's text without the report header's lines that name the input
  // and the time.
  std::string body(const std::string& file) {
    std::string text = readFile(path(file));
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("Name of input data file") == std::string::npos &&
          line.find("Date:") == std::string::npos) {
        out += line + "\n";
      }
    }
    return out;
  }
  std::string errText_;
};

TEST_F(ProjectRun, AProjectFileRunsIntoTheOutputsOfItsInputDataFile) {
  const char* const outputs[] = {".out", ".plt", ".itr", ".pys", ".epf"};
  for (const std::string& name : exampleNames()) {
    SCOPED_TRACE(name);
    fs::copy_file(example(name, ".dat"), path("w.dat"), fs::copy_options::overwrite_existing);
    ASSERT_EQ(korven("run -q w.dat"), 0) << errText_;
    std::vector<std::string> fromDeck;
    for (const char* ext : outputs) fromDeck.push_back(body(std::string("w") + ext));
    fs::copy_file(example(name, ".toml"), path("w.toml"), fs::copy_options::overwrite_existing);
    ASSERT_EQ(korven("run -q w.toml"), 0) << errText_;
    EXPECT_EQ(errText_, "");
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
      EXPECT_EQ(fromDeck[i], body(std::string("w") + outputs[i])) << outputs[i];
    }
  }
}

TEST_F(ProjectRun, ConvertWritesTheOtherFormAndNeverItsInput) {
  fs::copy_file(example("cantilever-sand", ".dat"), path("wall.dat"));
  EXPECT_EQ(korven("convert wall.dat -o out.toml"), 0) << errText_;
  EXPECT_EQ(readFile(path("out.toml")), readFile(example("cantilever-sand", ".toml")));
  EXPECT_EQ(korven("convert out.toml"), 0) << errText_;
  EXPECT_EQ(readFile(path("out.dat")), readFile(path("wall.dat")));
  EXPECT_EQ(korven("convert wall.dat -o wall.dat"), 2);
  EXPECT_NE(errText_.find("would overwrite its input"), std::string::npos) << errText_;
  EXPECT_EQ(readFile(path("wall.dat")), readFile(example("cantilever-sand", ".dat")));
  EXPECT_EQ(korven("convert --help"), 0);
}

TEST_F(ProjectRun, ErrorsStopTheRunAndWarningsAreShownUnlessQuiet) {
  std::string toml = readFile(example("silt-cantilever-si", ".toml"));
  toml.replace(toml.find("height = 7.5"), 12, "height = 10.0");
  std::ofstream(path("bad.toml"), std::ios::binary) << toml;
  EXPECT_EQ(korven("run -q bad.toml"), 2);
  EXPECT_EQ(errText_,
            "bad.toml:9: wall.height: the wall is 50 increments of 0.15 m = 7.5 m long, but its height "
            "is 10 m; expected increments x increment_length = height\n");
  EXPECT_FALSE(fs::exists(path("bad.out")));

  std::string dat = readFile(example("silt-cantilever-si", ".dat"));
  dat.replace(dat.find("5 15.0"), 6, "5 6.0");
  std::ofstream(path("short.dat"), std::ios::binary) << dat;
  EXPECT_EQ(korven("run short.dat"), 0);
  EXPECT_NE(errText_.find("short.dat:19: warning: soil.layer[1].bottom_depth: the soil ends at 6 m"),
            std::string::npos)
      << errText_;
  EXPECT_EQ(korven("run -q short.dat"), 0);
  EXPECT_EQ(errText_, "");
}

}  // namespace
}  // namespace korven::testing
