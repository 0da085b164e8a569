// Report layouts checked against the output of the Fortran run-time library
// (gfortran), stored in layout_reference.txt by gen_layout_reference.sh.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "textio/Layout.h"

namespace korven::textio {
namespace {

const std::string kDir = std::string(KORVEN_SOURCE_DIR) + "/tests/textio";

struct Write {
  std::string layout;
  std::vector<std::string> tokens;
};
struct Case {
  std::string source;  // the CASE line, for messages
  std::vector<Write> writes;
  std::string expected;
};

std::vector<std::string> split(const std::string& text, const std::string& sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at - start));
    if (at == std::string::npos) return parts;
    start = at + sep.size();
  }
}

Write parseWrite(const std::string& text) {
  Write w;
  std::size_t semi = text.find(" ;");
  w.layout = text.substr(0, semi);
  if (semi != std::string::npos) {
    std::istringstream in(text.substr(semi + 2));
    std::string tok;
    while (in >> tok) w.tokens.push_back(tok);
  }
  return w;
}

std::vector<Case> readReference(const std::string& path) {
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("CASE ", 0) == 0) {
      Case c;
      c.source = line.substr(5);
      for (const std::string& w : split(c.source, " && ")) c.writes.push_back(parseWrite(w));
      cases.push_back(std::move(c));
    } else if (!line.empty() && line.front() == '>' && line.back() == '<' && !cases.empty()) {
      cases.back().expected += line.substr(1, line.size() - 2) + "\n";
    }
  }
  return cases;
}

// Runs the writes of one case through the layouts, records left open by '$'
// continued by the next write as a channel does, and returns the text. (A
// channel itself refuses non-finite values; the formatter still shows them
// as the Fortran run-time does.)
std::string run(const Case& c) {
  std::string open;
  bool leftOpen = false;
  std::vector<std::string> lines;
  for (const Write& w : c.writes) {
    std::vector<std::string> texts;
    texts.reserve(w.tokens.size());
    for (const std::string& t : w.tokens) {
      std::string s = t.substr(1);
      for (char& ch : s) {
        if (ch == '~') ch = ' ';
      }
      texts.push_back(s);
    }
    std::vector<FieldValue> values;
    for (std::size_t i = 0; i < w.tokens.size(); ++i) {
      const std::string& v = texts[i];
      switch (w.tokens[i][0]) {
        case 'i': values.emplace_back(std::stoll(v)); break;
        case 'l': values.emplace_back(v == "T"); break;
        case 't': values.emplace_back(std::string_view(texts[i])); break;
        default:
          if (v == "inf") {
            values.emplace_back(std::numeric_limits<double>::infinity());
          } else if (v == "-inf") {
            values.emplace_back(-std::numeric_limits<double>::infinity());
          } else if (v == "nan") {
            values.emplace_back(std::numeric_limits<double>::quiet_NaN());
          } else {
            values.emplace_back(std::strtod(v.c_str(), nullptr));
          }
      }
    }
    if (!leftOpen) open.clear();
    Layout(w.layout).format(values, open, lines, leftOpen);
  }
  if (leftOpen) lines.push_back(open);
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

TEST(LayoutReference, MatchesFortranRuntimeOutput) {
  const std::vector<Case> cases = readReference(kDir + "/layout_reference.txt");
  ASSERT_GE(cases.size(), 150u);
  for (const Case& c : cases) {
    EXPECT_EQ(run(c), c.expected) << "case: " << c.source;
  }
}

// Rebuilds the reference with gfortran, when present, so that the stored
// file and the case table in the script cannot drift apart.
TEST(LayoutReference, StoredReferenceIsCurrent) {
  if (std::system("command -v gfortran >/dev/null 2>&1") != 0) GTEST_SKIP() << "gfortran not on PATH";
  const std::filesystem::path tmp =
      std::filesystem::temp_directory_path() / ("korven_layout_ref_" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(tmp);
  const std::string cmd =
      "bash '" + kDir + "/gen_layout_reference.sh' '" + tmp.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto slurp = [](const std::filesystem::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  };
  EXPECT_EQ(slurp(tmp / "layout_reference.txt"), slurp(kDir + "/layout_reference.txt"));
  std::filesystem::remove_all(tmp);
}

}  // namespace
}  // namespace korven::textio
