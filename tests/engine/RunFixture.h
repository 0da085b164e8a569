// A run of the engine in a temporary directory, with NAMES.dat written and
// the clock fixed, for tests of whole runs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Entry.h"

namespace korven::testing {

inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + what.size())) {
    ++n;
  }
  return n;
}

class RunDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps suites that run at once (two builds) apart.
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("korven_") + info->test_suite_name() + "_" + info->name() + "_" +
            std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    expectNoNonFiniteNumbers();
    if (!HasFailure()) std::filesystem::remove_all(dir_);
  }

  // No output of any run shows a non-finite number: every file a test's
  // runs left behind is searched for the words the C and Fortran run-times
  // print for them.
  void expectNoNonFiniteNumbers() const {
    static const std::regex word(R"((^|[^A-Za-z])[-+]?(NaN|Inf|Infinity)([^A-Za-z]|$))");
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_, ec)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() ||
          (ext != ".out" && ext != ".plt" && ext != ".itr" && ext != ".pys" && ext != ".epf")) {
        continue;
      }
      const std::string text = readFile(entry.path());
      EXPECT_FALSE(std::regex_search(text, word)) << entry.path() << " shows a non-finite number";
    }
  }

  std::filesystem::path path(const std::string& name) const { return dir_ / name; }

  // NAMES.dat with the six names as given (input, report, plot data,
  // iteration log, p-y scratch, earth-pressure points).
  void writeNamesOf(const std::vector<std::string>& six) {
    std::ofstream names(path("NAMES.dat"), std::ios::binary);
    names << "9.9.9\nheader one\nheader two\n0\n";
    for (const std::string& name : six) names << name << "\n";
  }

  void writeNames(const std::string& inputName = "wall.dat") {
    writeNamesOf({path(inputName).string(), path("wall.out").string(), path("wall.plt").string(),
                  path("wall.itr").string(), path("wall.pys").string(),
                  path("wall.epf").string()});
  }

  RunOutcome run(const std::string& input) {
    {
      std::ofstream f(path("wall.dat"), std::ios::binary);
      f << input;
    }
    writeNames();
    return runNames();
  }

  RunOutcome runNames() {
    RunOptions options;
    options.namesFile = path("NAMES.dat").string();
    options.clock = [] { return LocalTime{2024, 3, 5, 9, 7, 3}; };
    options.err = &err_;
    RunOutcome outcome = runAnalysis(options);
    report_ = readFile(path("wall.out"));
    monitor_ = readFile(path("wall.itr"));
    plot_ = readFile(path("wall.plt"));
    return outcome;
  }

  std::filesystem::path dir_;
  std::ostringstream err_;
  std::string report_, monitor_, plot_;
};

// A run directory for tests of the korven program as a user runs it.
class CliDir : public RunDir {
 protected:
  // Runs the program with `args`; returns its exit status and keeps its
  // standard output and error.
  int korven(const std::string& args) {
    const std::string cmd = std::string("\"") + KORVEN_CLI_PATH + "\" " + args + " > \"" +
                            path("stdout.txt").string() + "\" 2> \"" +
                            path("stderr.txt").string() + "\"";
    const int rc = std::system(cmd.c_str());
    out_ = readFile(path("stdout.txt"));
    errText_ = readFile(path("stderr.txt"));
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  void writeInput(const std::string& name, const std::string& text) {
    std::ofstream f(path(name), std::ios::binary);
    f << text;
  }
  std::string out_, errText_;
};

}  // namespace korven::testing
