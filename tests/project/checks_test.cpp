// Broken project files, one per check: each gives its message with the
// file, the line and the key, and nothing is written for a file with errors.
// The same consistency checks warn about an input data file.
#include <gtest/gtest.h>

#include <filesystem>

#include "../engine/RunFixture.h"
#include "Project.h"

namespace korven::testing {
namespace {

using korven::project::Diagnostic;
using korven::project::ProjectError;

std::string exampleText(const std::string& name) {
  return readFile(std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" / name);
}

// The 1-based line of the first occurrence of `what` in `text`.
int lineOf(const std::string& text, const std::string& what) {
  const std::size_t at = text.find(what);
  return at == std::string::npos ? 0 : 1 + countOf(text.substr(0, at), "\n");
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Messages of a project file: its errors, or its warnings when it converts.
std::vector<Diagnostic> messagesOf(const std::string& text, bool& converted) {
  try {
    auto c = korven::project::tomlToDeck(text, "wall.toml");
    converted = true;
    return c.warnings;
  } catch (const ProjectError& e) {
    converted = false;
    return e.errors();
  }
}

struct Broken {
  const char* what;
  const char* example;
  const char* from;
  const char* to;
  const char* lineOfText;  // the message's line is the line holding this text
  const char* key;
  const char* message;
  bool warningOnly;
};

const Broken kBroken[] = {
    {"wrong type", "silt-cantilever-si.toml", "increments = 50", "increments = 50.5", "increments =",
     "wall.increments", "expected a whole number", false},
    {"text for a number", "silt-cantilever-si.toml", "e50 = 0.01", "e50 = \"0.01\"", "e50 =",
     "soil.layer[1].e50", "expected a number", false},
    {"unit of the wrong dimension", "silt-cantilever-si.toml", "height = 7.5", "height = \"7.5 kN\"",
     "height =", "wall.height", "expected a length (m), but the unit measures a force", false},
    {"unknown unit", "silt-cantilever-si.toml", "height = 7.5", "height = \"7.5 furlong\"", "height =",
     "wall.height", "expected a known unit", false},
    {"missing key", "silt-cantilever-si.toml", "gamma = 18.5\n", "", "[[soil.layer]]",
     "soil.layer[1].gamma", "missing key; expected a number in kN/m3", false},
    {"unknown key", "silt-cantilever-si.toml", "width = 1.0\nheight", "widht = 1.0\nheight", "widht",
     "wall.widht", "unknown key; did you mean 'width'?", false},
    {"unknown table", "silt-cantilever-si.toml", "[water]", "[watr]", "[watr]", "watr",
     "unknown key; did you mean 'water'?", false},
    {"key not read with these options", "silt-cantilever-si.toml", "[wall]", "[reduction]\ngroup = 1\n\n[wall]",
     "[reduction]", "reduction", "is not read when [[reduction.factor]] are given", false},
    {"unknown code", "silt-cantilever-si.toml", "model = \"silt\"", "model = \"slit\"", "model =",
     "soil.layer[1].model", "\"slit\" is not known; expected one of \"soft_clay\"", false},
    {"unit system", "silt-cantilever-si.toml", "units = \"si\"", "units = \"metric\"", "units =", "units",
     "expected \"si\" or \"english\"", false},
    {"value out of range", "silt-cantilever-si.toml", "max_iterations = 100", "max_iterations = -1",
     "max_iterations", "solution.max_iterations", "out of range; expected 0 or more", false},
    {"angle out of range", "silt-cantilever-si.toml", "slope_retained = 0.0", "slope_retained = 90.0",
     "slope_retained", "soil.slope_retained", "out of range; expected between -89.999 deg and 89.999 deg",
     false},
    {"increments times length is not the height", "silt-cantilever-si.toml", "height = 7.5",
     "height = 10.0", "height =", "wall.height",
     "the wall is 50 increments of 0.15 m = 7.5 m long, but its height is 10 m", false},
    {"soil above the tip", "silt-cantilever-si.toml", "bottom_depth = 15.0", "bottom_depth = 6.0",
     "bottom_depth", "soil.layer[1].bottom_depth",
     "the soil ends at 6 m, above the wall tip at 7.5 m", false},
    {"excavation off the wall", "silt-cantilever-si.toml", "excavation_depth = 3.0",
     "excavation_depth = 9.0", "excavation_depth", "wall.excavation_depth",
     "the excavation at 9 m lies off the wall; expected a depth from 0 to 7.5 m", false},
    {"tie-back off the wall", "anchored-soft-clay.toml", "depth = 48.0", "depth = 400.0", "depth = 400",
     "tieback[1].depth", "the tie-back at 400 in lies off the wall", false},
    {"layers out of order", "rock-socket.toml", "bottom_depth = 168.0", "bottom_depth = 100.0",
     "bottom_depth = 100", "soil.layer[2].bottom_depth",
     "is not below the bottom of the layer above (120 in)", false},
    {"modulus not positive", "silt-cantilever-si.toml", "modulus = 210000000.0", "modulus = 0.0",
     "modulus =", "cross_section[1].modulus", "expected a value above zero", false},
    {"sand without friction", "cantilever-sand.toml", "phi = 32.0", "phi = 0.0", "phi = 0.0",
     "soil.layer[1].phi", "a sand layer needs a friction angle; expected phi above zero", false},
    {"clay without strength", "anchored-soft-clay.toml", "cohesion = 2.5", "cohesion = 0.0",
     "cohesion = 0.0", "soil.layer[1].cohesion", "a clay or rock layer needs a strength", false},
    {"silt without strength", "silt-cantilever-si.toml", "cohesion = 5.0\nphi = 28.0",
     "cohesion = 0.0\nphi = 0.0", "cohesion = 0.0", "soil.layer[1].cohesion",
     "a silt layer needs a cohesion or a friction angle", false},
    {"implausible friction angle", "silt-cantilever-si.toml", "phi = 28.0", "phi = 55.0", "phi =",
     "soil.layer[1].phi", "a friction angle of 55 deg is implausible", true},
    {"implausible unit weight", "silt-cantilever-si.toml", "gamma = 18.5", "gamma = 185.0", "gamma =",
     "soil.layer[1].gamma", "a unit weight of 185 kN/m3 is implausible", true},
    {"malformed file", "silt-cantilever-si.toml", "load = 20.0", "load = 20.0 x", "load =", "",
     "expected a comment or whitespace", false},
};

TEST(ProjectChecks, EveryBrokenFileNamesItsLineKeyAndWhatWasExpected) {
  for (const Broken& b : kBroken) {
    SCOPED_TRACE(b.what);
    const std::string text = replaced(exampleText(b.example), b.from, b.to);
    bool converted = false;
    const auto messages = messagesOf(text, converted);
    EXPECT_EQ(converted, b.warningOnly);
    ASSERT_FALSE(messages.empty());
    const Diagnostic& d = messages.front();
    EXPECT_EQ(d.file, "wall.toml");
    EXPECT_EQ(d.line, lineOf(text, b.lineOfText)) << d.text();
    EXPECT_EQ(d.key, b.key) << d.text();
    EXPECT_NE(d.message.find(b.message), std::string::npos) << d.text();
    EXPECT_EQ(d.warning, b.warningOnly);
    EXPECT_EQ(d.text().rfind("wall.toml:" + std::to_string(d.line) + ": ", 0), 0u) << d.text();
  }
}

TEST(ProjectChecks, ValuesWithUnitsAreConvertedExactly) {
  const std::string base = exampleText("silt-cantilever-si.toml");
  const std::string deck = korven::project::tomlToDeck(base, "wall.toml").text;
  const struct {
    const char* from;
    const char* to;
  } same[] = {
      {"height = 7.5", "height = \"750 cm\""},
      {"height = 7.5", "height = \"7500 mm\""},
      {"gamma = 18.5", "gamma = \"18.5 kN/m3\""},
      {"gamma = 18.5", "gamma = \"18500 N/m^3\""},
      {"phi = 28.0", "phi = \"28 deg\""},
      {"inertia = 0.000342", "inertia = \"342000000 mm4\""},
      {"modulus = 210000000.0", "modulus = \"210 GPa\""},
      {"width = 0.63", "width = \"630 mm\""},
      {"k = 20000.0", "k = \"20 MN/m3\""},
      {"load = 20.0", "load = 20"},
  };
  for (const auto& s : same) {
    SCOPED_TRACE(s.to);
    EXPECT_EQ(korven::project::tomlToDeck(replaced(base, s.from, s.to), "wall.toml").text, deck);
  }
}

// The input data file's form of the two faults the issue met: a wall of
// 30 increments of 0.5 m under a height of 10 m, and soil ending above the
// tip. Both warn and name the line of the record.
TEST(ProjectChecks, AnInputDataFileGetsTheSameChecksAsWarnings) {
  const std::string dat = exampleText("silt-cantilever-si.dat");
  EXPECT_TRUE(korven::project::checkDeck(dat, "wall.dat").empty());
  const std::string broken = replaced(replaced(dat, "50 0.15 0.3", "30 0.5 0.3"), "5 15.0", "5 12.0");
  const auto warnings = korven::project::checkDeck(broken, "wall.dat");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].text(),
            "wall.dat:3: warning: wall.height: the wall is 30 increments of 0.5 m = 15 m long, but its "
            "height is 7.5 m; expected increments x increment_length = height");
  EXPECT_EQ(warnings[1].text(),
            "wall.dat:19: warning: soil.layer[1].bottom_depth: the soil ends at 12 m, above the wall "
            "tip at 15 m; expected the last layer to reach the tip");
}

// A text edited by `from` -> `to` that must be refused with `message`.
struct Refused {
  const char* from;
  const char* to;
  const char* message;
};

// The messages of converting the edited text; "converted" when it converts.
template <class Convert>
std::string refusal(const std::string& base, const Refused& c, Convert convert) {
  try {
    convert(replaced(base, c.from, c.to));
    return "converted";
  } catch (const ProjectError& e) {
    return e.what();
  }
}

// Nonsense in any key gives messages, never a crash or a run.
TEST(ProjectChecks, NonsenseGivesMessagesNotACrash) {
  const Refused cases[] = {
      {"gamma = 18.5\n", "gamma = 18.5\nbottom = 3\n", "soil.layer[1].bottom: expected a table, not a value"},
      {"height = 7.5", "height = \"1e308 GPa^4\"", "expected a length"},
      {"height = 7.5", "height = \"1e308 MN\"", "expected a length"},
      {"height = 7.5", "height = nan", "expected a finite number"},
      {"height = 7.5", "height = [1, 2]", "expected a number in m"},
      {"increments = 50", "increments = 9999999999999", "expected a whole number of at most 10 digits"},
      {"title = ", "title = 3\nx = ", "title: expected a text"},
      {"[[wall.section]]", "[[stage]]\n[[wall.section]]", "unknown key at the top of a staged project"},
      {"[[soil.layer]]", "[soil.layer]", "expected [[soil.layer]] tables"},
  };
  for (const Refused& c : cases) {
    const std::string why = refusal(exampleText("silt-cantilever-si.toml"), c, [](const std::string& t) {
      korven::project::tomlToDeck(t, "wall.toml");
    });
    EXPECT_NE(why.find(c.message), std::string::npos) << c.to << ": " << why;
  }
}

// What a project file cannot hold is refused by name and line.
TEST(ProjectChecks, AnInputDataFileBeyondTheProjectFileIsRefusedByLineAndKey) {
  const Refused cases[] = {
      {"1 1 6 0\n", "1 1 6 2\n", "wall.dat:5: cross_section[1].kind: 2 is out of range; expected"},
      {"2 0 1 1 0", "3 0 1 1 0", "wall.dat:2: units: unit flag 3; expected 1 (English) or 2 (SI)"},
      {"1\n3 20.0", "-1\n3 20.0", "wall.dat:16: surcharge.load: a negative count; expected 0 or more"},
      {"2 0 1 1 0 2 2 0", "2 0 1 1 0 4 2 3",
       "wall.dat:2: py_curves.user: counts 3 elements that these options do not read; expected 0"},
      {"'AZ18'", "'AZ\xe9" "18'", "wall.dat:10: cross_section[1].designation: expected a text in UTF-8"},
      {"18.5 5.0 28.0 0.01 20000.0 0.0\n1\n", "18.5 5.0 28.0 0.01 20000.0 0.0\n",
       "wall.dat:21: CONTINUATION RECORD: "},
  };
  for (const Refused& c : cases) {
    const std::string why = refusal(exampleText("silt-cantilever-si.dat"), c, [](const std::string& t) {
      korven::project::deckToToml(t, "wall.dat");
    });
    EXPECT_EQ(why.rfind(c.message, 0), 0u) << c.message << ": " << why;
  }
}

}  // namespace
}  // namespace korven::testing
