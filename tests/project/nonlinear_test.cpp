// A nonlinear cross section converts both ways unchanged, with its values
// in the units of the project file, and runs into the outputs of its input
// data file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../engine/RunFixture.h"
#include "Project.h"

#include <toml++/toml.h>

namespace korven::testing {
namespace {

namespace fs = std::filesystem;
using korven::project::deckToToml;
using korven::project::tomlToDeck;

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::string shaftDeck() {
  return readFile(fs::path(KORVEN_SOURCE_DIR) / "tests" / "project" / "nonlinear-shaft-si.dat");
}

TEST(ProjectNonlinear, AShaftConvertsBothWaysByteForByte) {
  const std::string dat = shaftDeck();
  const auto toml = deckToToml(dat, "shaft.dat");
  EXPECT_TRUE(toml.warnings.empty());
  EXPECT_EQ(tomlToDeck(toml.text, "shaft.toml").text, dat);
  // Millimetres and mm2 of the input data file are metres and m2 here.
  const toml::table t = toml::parse(toml.text);
  const auto nl = toml::node_view<const toml::node>(t).at_path("cross_section[0].nonlinear");
  EXPECT_EQ(t.at_path("cross_section[0].kind").value<std::string>(), "nonlinear");
  EXPECT_EQ(nl["type"].value<std::string>(), "round_concrete");
  EXPECT_DOUBLE_EQ(*nl["diameter"].value<double>(), 0.9);
  EXPECT_DOUBLE_EQ(*nl["inertia"].value<double>(), 0.0322);
  EXPECT_DOUBLE_EQ(*nl["reinforcement"]["area"].value<double>(), 0.00051);
  EXPECT_DOUBLE_EQ(*nl["rebar"][1]["y"].value<double>(), -0.3);
  EXPECT_EQ(nl["rebar"].as_array()->size(), 4u);
  EXPECT_EQ(nl["reinforcement"]["layout"].value<std::string>(), "manual");
}

// The project file gives a section in its own words and units; the input
// data file gets the records in the order and the units the engine reads.
TEST(ProjectNonlinear, KeysInOtherUnitsWriteTheRecordsOfTheInputDataFile) {
  std::string toml = deckToToml(shaftDeck(), "shaft.dat").text;
  auto replace = [&](const std::string& from, const std::string& to) {
    const auto at = toml.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    toml.replace(at, from.size(), to);
  };
  replace("diameter = 0.9\n", "diameter = \"900 mm\"\n");
  replace("area = 0.00051\n", "area = \"510 mm2\"\n");
  replace("type = \"round_concrete\"", "type = 2");
  EXPECT_EQ(tomlToDeck(toml, "shaft.toml").text, shaftDeck());
}

TEST(ProjectNonlinear, ANonlinearFlagOtherThanOneIsRefusedByKey) {
  std::string dat = shaftDeck();
  dat.replace(dat.find("0 0 0 1\n"), 8, "0 0 0 2\n");
  try {
    deckToToml(dat, "shaft.dat");
    FAIL() << "converted";
  } catch (const korven::project::ProjectError& e) {
    EXPECT_NE(std::string(e.what()).find("cross_section[1].kind"), std::string::npos) << e.what();
  }
}

TEST(ProjectNonlinear, RebarsCountedAreTheRebarRows) {
  std::string toml = deckToToml(shaftDeck(), "shaft.dat").text;
  const auto last = toml.rfind("[[cross_section.nonlinear.rebar]]");
  toml.erase(last, toml.find("[[cross_section.moment_curvature]]") - last);
  const std::string dat = tomlToDeck(toml, "shaft.toml").text;
  EXPECT_NE(dat.find("0 2 0 0 3 510.0"), std::string::npos) << dat;
  EXPECT_EQ(dat.find("0.0 25.4 510.0 0.0 -300.0"), std::string::npos) << dat;
}

class ProjectNonlinearRun : public RunDir {
 protected:
  int korven(const std::string& args) {
    const std::string cmd = "cd \"" + dir_.string() + "\" && \"" + KORVEN_CLI_PATH + "\" " + args +
                            " > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  std::string body(const std::string& file) {
    std::istringstream lines(readFile(path(file)));
    std::string out;
    for (std::string line; std::getline(lines, line);) {
      if (line.find("Name of input data file") == std::string::npos && line.find("Date:") == std::string::npos) {
        out += line + "\n";
      }
    }
    return out;
  }
};

TEST_F(ProjectNonlinearRun, TheProjectFileRunsIntoTheOutputsOfTheInputDataFile) {
  const std::string dat = shaftDeck();
  writeFile(path("w.dat"), dat);
  ASSERT_EQ(korven("run -q w.dat"), 0);
  const char* const outputs[] = {".out", ".plt", ".itr"};
  std::vector<std::string> fromDeck;
  for (const char* ext : outputs) fromDeck.push_back(body(std::string("w") + ext));
  EXPECT_NE(fromDeck[0].find("INTERNALLY GENERATED NONLINEAR EI"), std::string::npos);
  EXPECT_NE(fromDeck[0].find("ROUND CONCRETE SHAFT"), std::string::npos);
  writeFile(path("w.toml"), deckToToml(dat, "w.dat").text);
  ASSERT_EQ(korven("run -q w.toml"), 0);
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    EXPECT_EQ(fromDeck[i], body(std::string("w") + outputs[i])) << outputs[i];
  }
}

}  // namespace
}  // namespace korven::testing
