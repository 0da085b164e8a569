// Absurd input values: each one stops the run as an input error naming the
// record, the line and the value, and no extreme value that gets through
// the checks leaves a non-finite number in any output file.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/RunFixture.h"
#include "korven.h"

namespace korven {
namespace {

using testing::readFile;

std::string example(const std::string& name) {
  return readFile(std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" / name);
}

// The deck with field `field` (1-based, blank-separated) of line `line`
// replaced by `value`.
std::string mutated(const std::string& deck, int line, int field, const std::string& value) {
  std::istringstream in(deck);
  std::string out, text;
  for (int n = 1; std::getline(in, text); ++n) {
    if (n == line) {
      std::istringstream fields(text);
      std::string f, joined;
      for (int k = 1; fields >> f; ++k) joined += (k > 1 ? " " : "") + (k == field ? value : f);
      text = joined;
    }
    out += text + "\n";
  }
  return out;
}

// A NaN, Inf or Infinity standing as a word of its own (not inside a word
// such as INFORMATION), in any case.
bool hasNonFiniteWord(const std::string& text) {
  auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
    if (i > 0 && letter(text[i - 1])) continue;
    std::string word;
    for (std::size_t k = i; k < text.size() && letter(text[k]); ++k) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[k])));
    }
    if (word == "nan" || word == "inf" || word == "infinity") return true;
  }
  return false;
}

class FieldChecks : public testing::RunDir {};

TEST_F(FieldChecks, AbsurdValuesAreInputErrorsWithRecordLineAndValue) {
  struct Case {
    const char* deck;
    int line, field;
    const char* value;
    const char* record;
    const char* problem;
  };
  const Case cases[] = {
      {"cantilever-sand.dat", 3, 3, "-1", "WALL RECORD", "MAXIMUM ALLOWABLE DEFLECTION MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 3, 4, "-1E-5", "WALL RECORD", "DEFLECTION CLOSURE TOLERANCE MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 3, 6, "-12", "WALL RECORD", "WIDTH OF THE WALL ANALYSED MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 8, 4, "-184.2", "CROSS SECTION PROPERTIES", "MOMENT OF INERTIA MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 8, 9, "-29E6", "CROSS SECTION PROPERTIES", "MODULUS OF ELASTICITY MUST NOT BE NEGATIVE"},
      {"anchored-soft-clay.dat", 14, 2, "-1.0", "TIE BACK RECORD", "TIE BACK AREA MUST NOT BE NEGATIVE"},
      {"anchored-soft-clay.dat", 14, 3, "-29E6", "TIE BACK RECORD", "TIE BACK ELASTIC MODULUS MUST NOT BE NEGATIVE"},
      {"anchored-soft-clay.dat", 14, 4, "-20", "TIE BACK RECORD", "TIE BACK UNBONDED LENGTH MUST NOT BE NEGATIVE"},
      {"anchored-soft-clay.dat", 14, 6, "-8", "TIE BACK RECORD", "ANCHOR SPACING MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 14, 2, "-12", "WALL AND WATER RECORD", "WIDTH FOR EARTH PRESSURE MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 14, 3, "1e-308", "WALL AND WATER RECORD", "WIDTH FOR SOIL RESISTANCE MUST BE 0 OR AT LEAST 0.001"},
      {"cantilever-sand.dat", 14, 8, "90", "WALL AND WATER RECORD", "SLOPE OF THE BACKFILL MUST LIE BETWEEN -90 AND 90 DEGREES (BOTH EXCLUDED)"},
      {"cantilever-sand.dat", 14, 9, "-1e308", "WALL AND WATER RECORD", "SLOPE OF THE EXCAVATION GROUND MUST LIE BETWEEN -90 AND 90 DEGREES (BOTH EXCLUDED)"},
      {"cantilever-sand.dat", 15, 6, "-1", "SURCHARGE RECORD", "STRIP WIDTH MUST NOT BE NEGATIVE"},
      {"silt-cantilever-si.dat", 17, 1, "4", "SURCHARGE", "SURCHARGE TYPE MUST BE 1 (POINT), 2 (LINE) OR 3 (STRIP)"},
      {"cantilever-sand.dat", 17, 3, "-5", "SOIL LAYER RECORD", "NUMBER OF LOAD CYCLES MUST NOT BE NEGATIVE"},
      {"cantilever-sand.dat", 18, 1, "8", "SOIL LAYER", "SOIL MODEL CODE MUST BE 1 TO 7"},
      {"cantilever-sand.dat", 19, 1, "-0.0694", "SOIL LAYER TOP VALUES", "UNIT WEIGHT MUST NOT BE NEGATIVE"},
      {"soldier-pile-stiff-clay.dat", 22, 1, "1e308", "SOIL LAYER TOP VALUES", "UNIT WEIGHT MUST NOT EXCEED 1000"},
      {"silt-cantilever-si.dat", 21, 2, "-5", "SOIL LAYER BOTTOM VALUES", "COHESION MUST NOT BE NEGATIVE"},
      {"soldier-pile-stiff-clay.dat", 23, 2, "1e308", "SOIL LAYER BOTTOM VALUES", "COHESION MUST NOT EXCEED 1E+09"},
      {"rock-socket.dat", 26, 2, "1e308", "SOIL LAYER BOTTOM VALUES", "COMPRESSIVE STRENGTH OF THE ROCK MUST NOT EXCEED 1E+09"},
      {"cantilever-sand.dat", 19, 3, "1e308", "SOIL LAYER TOP VALUES", "FRICTION ANGLE MUST LIE IN 0 TO 90 DEGREES (90 EXCLUDED)"},
      {"cantilever-sand.dat", 20, 3, "90", "SOIL LAYER BOTTOM VALUES", "FRICTION ANGLE MUST LIE IN 0 TO 90 DEGREES (90 EXCLUDED)"},
      {"anchored-soft-clay.dat", 21, 4, "-1e308", "SOIL LAYER BOTTOM VALUES", "STRAIN E50 MUST LIE IN 0 TO 1"},
      {"soldier-pile-stiff-clay.dat", 23, 4, "1.5", "SOIL LAYER BOTTOM VALUES", "STRAIN E50 MUST LIE IN 0 TO 1"},
      {"rock-socket.dat", 23, 4, "1e308", "SOIL LAYER BOTTOM VALUES", "KRM MUST LIE IN 0 TO 1"},
      {"cantilever-sand.dat", 19, 5, "-90", "SOIL LAYER TOP VALUES", "SUBGRADE MODULUS MUST NOT BE NEGATIVE"},
      {"rock-socket.dat", 22, 5, "-1", "SOIL LAYER TOP VALUES", "ROCK-MASS MODULUS MUST NOT BE NEGATIVE"},
      {"rock-socket.dat", 22, 6, "150", "SOIL LAYER TOP VALUES", "RQD MUST LIE IN 0 TO 100 PERCENT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.deck) + " line " + std::to_string(c.line) + " field " +
                 std::to_string(c.field) + " = " + c.value);
    const RunOutcome outcome = run(mutated(example(c.deck), c.line, c.field, c.value));
    EXPECT_EQ(outcome.status, KORVEN_STATUS_INPUT_ERROR);
    char where[96];
    std::snprintf(where, sizeof where, "INPUT ERROR IN %s AT LINE%6d OF THE INPUT DATA FILE:",
                  c.record, c.line);
    EXPECT_NE(report_.find(where), std::string::npos) << report_.substr(report_.size() - 400);
    EXPECT_NE(report_.find(std::string(c.problem) + ": '" + c.value + "'"), std::string::npos)
        << report_.substr(report_.size() - 400);
  }
}

// The largest and the smallest positive real, mutated one at a time into
// every real field of the soil data of three decks (rock and weak rock,
// stiff clay, silt with a surcharge): each run either stops or prints only
// finite numbers (asterisks where a number is too wide for its field).
TEST_F(FieldChecks, ExtremeValuesNeverPrintNonFiniteNumbers) {
  struct Deck {
    const char* name;
    int firstLine, lastLine;  // the soil data mutated
  };
  const Deck decks[] = {{"rock-socket.dat", 22, 26},
                        {"soldier-pile-stiff-clay.dat", 22, 23},
                        {"silt-cantilever-si.dat", 14, 21}};
  const char* values[] = {"1e308", "1e-308"};
  for (const Deck& d : decks) {
    const std::string deck = example(d.name);
    std::istringstream lines(deck);
    std::string text;
    for (int line = 1; std::getline(lines, text); ++line) {
      if (line < d.firstLine || line > d.lastLine) continue;
      std::istringstream fields(text);
      std::string f;
      for (int field = 1; fields >> f; ++field) {
        if (f.find('.') == std::string::npos) continue;  // integers and names
        for (const char* v : values) {
          SCOPED_TRACE(std::string(d.name) + " line " + std::to_string(line) + " field " +
                       std::to_string(field) + " = " + v);
          const RunOutcome outcome = run(mutated(deck, line, field, v));
          const std::string files[] = {report_, plot_, monitor_, readFile(path("wall.pys")),
                                       readFile(path("wall.epf"))};
          for (const std::string& out : files) ASSERT_FALSE(hasNonFiniteWord(out));
          EXPECT_TRUE(outcome.status == KORVEN_STATUS_NORMAL ||
                      outcome.status == KORVEN_STATUS_INPUT_ERROR ||
                      outcome.status == KORVEN_STATUS_DATA_STOP ||
                      outcome.status == KORVEN_STATUS_HARD_STOP);
        }
      }
    }
  }
}

}  // namespace
}  // namespace korven
