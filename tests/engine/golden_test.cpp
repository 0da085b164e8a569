// The complete outputs of every worked example, compared byte for byte with
// the committed fixtures in tests/golden/. Only the line that names the
// folder of the input differs between machines; it is compared up to its
// label. The clock is fixed, so the date-and-time line is part of the
// comparison.
//
// A deliberate change of output is recorded by running the test program
// with KORVEN_UPDATE_GOLDEN=1, which rewrites the fixtures; the change is
// then committed with its reason.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "RunFixture.h"
#include "korven.h"
#include "korven/analysis.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = fs::path(KORVEN_SOURCE_DIR) / "tests" / "golden";
const char* const kOutputs[] = {"out", "plt", "itr", "pys", "epf"};

// The folder of the input is printed on the path line; keep its label only.
std::string maskPathLine(const std::string& text) {
  static const std::string label = "     Path to file locations      : ";
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string_view line(text.data() + pos, end - pos);
    if (line.starts_with(label)) {
      out += label;
      out += "<folder of the input>\n";
    } else {
      out += line;
    }
    pos = end;
  }
  return out;
}

std::vector<fs::path> examples() {
  std::vector<fs::path> all;
  for (const auto& entry : fs::directory_iterator(fs::path(KORVEN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() == ".dat") all.push_back(entry.path());
  }
  std::sort(all.begin(), all.end());
  return all;
}

// Where the first difference is, as "line N" with both lines, for a
// readable failure.
std::string firstDifference(const std::string& want, const std::string& got) {
  std::size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  const int line = static_cast<int>(std::count(want.begin(), want.begin() + i, '\n')) + 1;
  auto lineAt = [&](const std::string& s) {
    std::size_t b = s.rfind('\n', i == 0 ? 0 : i - 1);
    b = (b == std::string::npos || i == 0) ? 0 : b + 1;
    return s.substr(b, s.find('\n', b) - b);
  };
  return "line " + std::to_string(line) + "\n  fixture: " + lineAt(want) + "\n  now:     " +
         lineAt(got);
}

class Golden : public RunDir {};

TEST_F(Golden, EveryExampleWritesItsFixturesByteForByte) {
  const bool update = std::getenv("KORVEN_UPDATE_GOLDEN") != nullptr;
  const auto all = examples();
  ASSERT_FALSE(all.empty());
  for (const fs::path& source : all) {
    const std::string name = source.stem().string();
    SCOPED_TRACE(name);
    for (const char* ext : kOutputs) fs::remove(path(std::string("wall.") + ext));
    const RunOutcome outcome = run(readFile(source));
    EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
    for (const char* ext : kOutputs) {
      SCOPED_TRACE(ext);
      const fs::path written = path(std::string("wall.") + ext);
      const fs::path fixture = kGoldenDir / (name + "." + ext);
      if (update) {
        fs::create_directories(kGoldenDir);
        fs::remove(fixture);
        if (fs::exists(written)) {
          std::ofstream(fixture, std::ios::binary) << maskPathLine(readFile(written));
        }
        continue;
      }
      ASSERT_EQ(fs::exists(written), fs::exists(fixture)) << "output written but no fixture, or "
                                                             "fixture but no output";
      if (!fs::exists(fixture)) continue;
      const std::string want = readFile(fixture);
      const std::string got = maskPathLine(readFile(written));
      EXPECT_TRUE(want == got) << firstDifference(want, got);
    }
  }
}

// The same outputs from the library call, in memory, and from a NAMES.dat
// run in another folder with relative names (the working directory left
// alone).
TEST_F(Golden, TheLibraryCallsGiveTheSameOutputs) {
  for (const fs::path& source : examples()) {
    const std::string name = source.stem().string();
    SCOPED_TRACE(name);
    AnalysisOptions options;
    options.inputName = "wall.dat";
    options.version = "9.9.9";
    options.time = DateTime{2024, 3, 5, 9, 7, 3};
    const AnalysisResult r = analyse(readFile(source), options);
    EXPECT_EQ(r.status, KORVEN_STATUS_NORMAL) << r.message;
    const std::string* texts[] = {&r.report, &r.plotData, &r.iterationLog, &r.pyCurves,
                                  &r.earthPressurePoints};
    for (std::size_t k = 0; k < 5; ++k) {
      const fs::path fixture = kGoldenDir / (name + "." + kOutputs[k]);
      const std::string want = fs::exists(fixture) ? readFile(fixture) : std::string();
      EXPECT_TRUE(want == maskPathLine(*texts[k])) << kOutputs[k] << ": "
                                                   << firstDifference(want, maskPathLine(*texts[k]));
    }
    EXPECT_FALSE(r.problems.empty());
    for (const ProblemResult& p : r.problems) EXPECT_TRUE(p.converged) << p.number;
  }

  const fs::path elsewhere = path("elsewhere");
  fs::create_directories(elsewhere);
  std::ofstream(elsewhere / "wall.dat", std::ios::binary)
      << readFile(fs::path(KORVEN_SOURCE_DIR) / "examples" / "cantilever-sand.dat");
  std::ofstream(elsewhere / "NAMES.dat")
      << "9.9.9\nh\nh\n0\nwall.dat\nwall.out\nwall.plt\nwall.itr\nwall.pys\nwall.epf\n";
  const fs::path before = fs::current_path();
  std::ostringstream err;
  const AnalysisResult r = runNamesFile(elsewhere.string(), &err);
  EXPECT_EQ(r.status, KORVEN_STATUS_NORMAL) << r.message;
  EXPECT_EQ(fs::current_path(), before);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].stations.size(), 61u);
  const std::string report = readFile(elsewhere / "wall.out");
  EXPECT_NE(report.find("Path to file locations      : " + elsewhere.string() + "/\n"),
            std::string::npos);
  // Date and time aside, the fixture.
  const std::string want = readFile(kGoldenDir / "cantilever-sand.pys");
  EXPECT_EQ(readFile(elsewhere / "wall.pys"), want);
}

}  // namespace
}  // namespace korven::testing
