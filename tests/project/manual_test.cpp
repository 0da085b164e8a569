// The manual and the reader agree: every key that docs/input.md lists is one
// the reader accepts and is used by an example or a test, and every key the
// reader accepts is in the manual.
#include <gtest/gtest.h>

#include <toml++/toml.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "../engine/RunFixture.h"
#include "Project.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

// Keys of a project file, array elements written "[]".
void collect(const toml::table& t, const std::string& prefix, std::set<std::string>& keys) {
  for (const auto& [k, node] : t) {
    const std::string key = prefix.empty() ? std::string(k.str()) : prefix + "." + std::string(k.str());
    if (const auto* sub = node.as_table()) {
      collect(*sub, key, keys);
    } else if (const auto* a = node.as_array(); a && a->is_array_of_tables()) {
      keys.insert(key + "[]");
      // A stage holds a whole analysis: its keys are those of the top.
      for (const auto& e : *a) collect(*e.as_table(), key == "stage" ? "" : key + "[]", keys);
    } else {
      keys.insert(key);
    }
  }
}

std::set<std::string> manualKeys() {
  std::istringstream doc(readFile(fs::path(KORVEN_SOURCE_DIR) / "docs" / "input.md"));
  std::set<std::string> keys;
  for (std::string line; std::getline(doc, line);) {
    if (line.rfind("| `", 0) == 0) keys.insert(line.substr(3, line.find('`', 3) - 3));
  }
  return keys;
}

TEST(ProjectManual, ListsExactlyTheKeysTheReaderAccepts) {
  std::set<std::string> accepted;
  for (const auto& k : korven::project::projectKeys()) accepted.insert(k.key);
  const std::set<std::string> manual = manualKeys();
  for (const std::string& k : accepted) EXPECT_TRUE(manual.count(k)) << k << " is not in the manual";
  for (const std::string& k : manual) EXPECT_TRUE(accepted.count(k)) << k << " is not read";
}

TEST(ProjectManual, EveryKeyIsUsedByAnExampleOrATest) {
  std::set<std::string> used;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(KORVEN_SOURCE_DIR) / "examples")) files.push_back(e.path());
  files.push_back(fs::path(KORVEN_SOURCE_DIR) / "tests" / "project" / "all-keys.toml");
  for (const fs::path& f : files) {
    if (f.extension() == ".toml") collect(toml::parse_file(f.string()), "", used);
  }
  for (const std::string& k : manualKeys()) EXPECT_TRUE(used.count(k)) << k << " is used nowhere";
}

// The file of every key converts both ways unchanged.
TEST(ProjectManual, TheFileOfEveryKeyRoundTrips) {
  const fs::path dir = fs::path(KORVEN_SOURCE_DIR) / "tests" / "project";
  const std::string dat = readFile(dir / "all-keys.dat");
  const std::string toml = readFile(dir / "all-keys.toml");
  EXPECT_EQ(korven::project::deckToToml(dat, "all-keys.dat").text, toml);
  EXPECT_EQ(korven::project::tomlToDeck(toml, "all-keys.toml").text, dat);
}

}  // namespace
}  // namespace korven::testing
