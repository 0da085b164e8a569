#include "ProjectCommands.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "Project.h"
#include "korven.h"
#include "textio/Printable.h"

namespace korven::cli {
namespace {

namespace fs = std::filesystem;
using korven::textio::printable;

std::optional<std::string> readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!(in && text << in.rdbuf())) {
    std::fprintf(stderr, "korven: cannot read %s\n", printable(path.string()).c_str());
    return std::nullopt;
  }
  return text.str();
}

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "korven: cannot write %s\n", printable(path.string()).c_str());
  return static_cast<bool>(out);
}

void show(const std::vector<project::Diagnostic>& messages, bool quiet) {
  for (const auto& d : messages) {
    if (!quiet || !d.warning) std::fprintf(stderr, "%s\n", printable(d.text()).c_str());
  }
}

// A conversion of the file `input`, its messages shown; empty when it has
// errors or cannot be read.
template <class Convert>
std::optional<std::string> converted(const fs::path& input, bool quiet, Convert convertText) {
  const auto text = readText(input);
  if (!text) return std::nullopt;
  try {
    project::Converted c = convertText(*text, input.filename().string());
    show(c.warnings, quiet);
    return c.text;
  } catch (const project::ProjectError& e) {
    show(e.errors(), quiet);
    return std::nullopt;
  }
}

}  // namespace

bool isProjectFile(const fs::path& path) { return path.extension() == ".toml"; }

AnalysisResult runProjectFile(const fs::path& input, const std::vector<std::string>& names,
                              const std::string& version, bool quiet) {
  AnalysisResult r;
  const auto deck = converted(input, quiet, project::tomlToDeck);
  if (!deck) {
    r.status = KORVEN_STATUS_NOT_STARTED;
    return r;
  }
  const fs::path dir = input.parent_path();
  AnalysisOptions options;
  options.inputName = input.string();
  options.reportName = (dir / names[1]).string();
  options.plotName = (dir / names[2]).string();
  options.version = version;
  options.progress = quiet ? nullptr : &std::cerr;
  r = analyse(*deck, options);
  if (r.status == KORVEN_STATUS_NOT_STARTED) {
    std::fprintf(stderr, "korven: %s\n", r.message.c_str());
    return r;
  }
  const std::string* texts[] = {&r.report, &r.plotData, &r.iterationLog, &r.pyCurves,
                                &r.earthPressurePoints};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    if (!writeText(dir / names[i + 1], *texts[i])) r.status = KORVEN_STATUS_FILE_ERROR;
  }
  return r;
}

void warnAboutInputDataFile(const fs::path& input, bool quiet) {
  if (quiet) return;
  if (const auto text = readText(input)) show(project::checkDeck(*text, input.filename().string()), quiet);
}

int convert(const std::string& from, std::string to, bool quiet) {
  const fs::path input(from);
  const bool toDeck = isProjectFile(input);
  if (to.empty()) to = fs::path(input).replace_extension(toDeck ? ".dat" : ".toml").string();
  std::error_code ec;
  if (fs::equivalent(input, to, ec)) {
    std::fprintf(stderr, "korven: %s would overwrite its input\n", printable(to).c_str());
    return 2;
  }
  const auto text = toDeck ? converted(input, quiet, project::tomlToDeck)
                           : converted(input, quiet, project::deckToToml);
  if (!text) return 2;
  return writeText(to, *text) ? 0 : 1;
}

}  // namespace korven::cli
