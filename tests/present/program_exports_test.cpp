// The korven program's summary and exports as a user gets them: the CSV
// station table of every example against the report's station table, the
// JSON summary, and clear failures for folders and files it cannot write.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/RunFixture.h"
#include "textio/Layout.h"

namespace korven::testing {
namespace {

namespace fs = std::filesystem;

using Exports = CliDir;

const char* const kExamples[] = {"anchored-sand-user-curves", "anchored-soft-clay",
                                 "cantilever-sand",           "rock-socket",
                                 "silt-cantilever-si",        "soldier-pile-stiff-clay",
                                 "staged-excavation"};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n')) s.pop_back();
  return s;
}

// The rows of every station table of a report, tables in order.
std::vector<std::vector<std::string>> reportStationTables(const std::string& report) {
  std::vector<std::vector<std::string>> tables;
  bool inTable = false;
  for (const std::string& line : lines(report)) {
    if (line.rfind("   ------    ----", 0) == 0) {
      tables.emplace_back();
      inTable = true;
    } else if (inTable && line.find_first_not_of(' ') == std::string::npos) {
      inTable = false;
    } else if (inTable) {
      tables.back().push_back(line);
    }
  }
  return tables;
}

// A CSV row printed as the report prints a station row.
std::string asReportRow(const std::string& csvRow) {
  std::vector<double> v;
  std::istringstream in(csvRow);
  for (std::string field; std::getline(in, field, ',');) v.push_back(std::stod(field));
  EXPECT_EQ(v.size(), 9u) << csvRow;
  v.resize(9);
  std::ostringstream text;
  textio::OutputChannel out;
  out.attach(text);
  out.write(KLAYOUT("(2X,I4,2X,1P,E10.3,1P,7E12.3)"), static_cast<int>(v[0]), v[1], v[2], v[3],
            v[4], v[5], v[6], v[7], v[8]);
  out.close();
  return text.str();
}

TEST_F(Exports, CsvStationTablesEqualTheReportValueForValue) {
  for (const char* name : kExamples) {
    SCOPED_TRACE(name);
    fs::copy_file(fs::path(KORVEN_SOURCE_DIR) / "examples" / (std::string(name) + ".dat"),
                  path(std::string(name) + ".dat"));
    ASSERT_EQ(korven("run -q \"" + path(std::string(name) + ".dat").string() + "\" --csv \"" +
                     path("csv").string() + "\""),
              0)
        << errText_;
    const auto tables = reportStationTables(readFile(path(std::string(name) + ".out")));
    ASSERT_FALSE(tables.empty());
    for (std::size_t t = 0; t < tables.size(); ++t) {
      const fs::path csv = path("csv") / (std::string(name) + "-p" + std::to_string(t + 1) +
                                          "-stations.csv");
      const auto rows = lines(readFile(csv));
      ASSERT_EQ(rows.size(), tables[t].size() + 1) << csv;
      EXPECT_EQ(rows[0].rfind("station,depth (", 0), 0u) << rows[0];
      for (std::size_t i = 0; i < tables[t].size(); ++i) {
        EXPECT_EQ(trimmed(asReportRow(rows[i + 1])), trimmed(tables[t][i])) << csv << " row " << i;
      }
      for (const char* other : {"-earth-pressure.csv", "-py-curves.csv"}) {
        const std::string head = lines(readFile(path("csv") / (std::string(name) + "-p" +
                                                               std::to_string(t + 1) + other)))
                                     .at(0);
        EXPECT_NE(head.find("depth ("), std::string::npos) << head;
      }
    }
  }
}

TEST_F(Exports, SummaryOnStdoutAndAsJson) {
  fs::copy_file(fs::path(KORVEN_SOURCE_DIR) / "examples" / "silt-cantilever-si.dat",
                path("silt.dat"));
  ASSERT_EQ(korven("run \"" + path("silt.dat").string() + "\" --json \"" +
                   path("summary.json").string() + "\""),
            0)
      << errText_;
  EXPECT_NE(out_.find("Problem 1"), std::string::npos) << out_;
  EXPECT_NE(out_.find("top deflection"), std::string::npos);
  EXPECT_NE(out_.find("Warnings: none"), std::string::npos);
  const auto j = nlohmann::json::parse(readFile(path("summary.json")));
  EXPECT_EQ(j["input"], "silt.dat");
  EXPECT_EQ(j["problems"][0]["unitSystem"], "SI");
  EXPECT_EQ(j["problems"][0]["units"]["deflection"], "m");
  EXPECT_TRUE(j["problems"][0]["converged"].get<bool>());
  // Quiet runs show nothing but still export.
  fs::remove(path("summary.json"));
  ASSERT_EQ(korven("run -q \"" + path("silt.dat").string() + "\" --json \"" +
                   path("summary.json").string() + "\""),
            0);
  EXPECT_EQ(out_, "");
  EXPECT_TRUE(fs::exists(path("summary.json")));
}

TEST_F(Exports, QuietRunsExportTheWarningsOfTheReport) {
  // A backfill slope steeper than the friction angle: the report warns.
  std::string deck = readFile(fs::path(KORVEN_SOURCE_DIR) / "examples" / "cantilever-sand.dat");
  const std::string soil = "180.0 12.0 12.0 600.0 600.0 1.0 0 0.0 0.0\n";
  ASSERT_NE(deck.find(soil), std::string::npos);
  deck.replace(deck.find(soil), soil.size(), "180.0 12.0 12.0 600.0 600.0 1.0 0 40.0 0.0\n");
  writeInput("slope.dat", deck);
  const std::string expected =
      "THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE 'INTERNAL FRICTION ANGLE OF SAND.";
  for (const std::string quiet : {"", "-q "}) {
    fs::remove(path("summary.json"));
    ASSERT_EQ(korven("run " + quiet + "\"" + path("slope.dat").string() + "\" --json \"" +
                     path("summary.json").string() + "\""),
              0)
        << errText_;
    const auto j = nlohmann::json::parse(readFile(path("summary.json")));
    ASSERT_EQ(j["warnings"].size(), 1u) << quiet;
    EXPECT_EQ(j["warnings"][0], expected) << quiet;
    EXPECT_EQ(out_.find("Warnings:") != std::string::npos, quiet.empty()) << out_;
  }
}

TEST_F(Exports, UnwritableDestinationsFailWithAMessage) {
  fs::copy_file(fs::path(KORVEN_SOURCE_DIR) / "examples" / "cantilever-sand.dat",
                path("wall.dat"));
  const std::string input = "run -q \"" + path("wall.dat").string() + "\" ";
  // A file where the CSV folder should be, and a folder under it.
  writeInput("blocker", "x");
  for (const std::string& dir : {path("blocker").string(), (path("blocker") / "sub").string()}) {
    EXPECT_EQ(korven(input + "--csv \"" + dir + "\""), 1) << dir;
    EXPECT_NE(errText_.find("korven: cannot make the folder"), std::string::npos) << errText_;
  }
  // An HTML file in a folder that does not exist, and one that is a folder.
  EXPECT_EQ(korven(input + "--html \"" + (path("missing") / "r.html").string() + "\""), 1);
  EXPECT_NE(errText_.find("korven: cannot write " + (path("missing") / "r.html").string() +
                          ": No such file or directory"),
            std::string::npos)
      << errText_;
  EXPECT_EQ(korven(input + "--json \"" + dir_.string() + "\""), 1);
  EXPECT_NE(errText_.find("korven: cannot write"), std::string::npos) << errText_;
  // Exports need an input to name them after.
  EXPECT_EQ(korven("run --csv \"" + path("csv").string() + "\""), 2);
  EXPECT_NE(errText_.find("need an INPUT"), std::string::npos) << errText_;
}

}  // namespace
}  // namespace korven::testing
