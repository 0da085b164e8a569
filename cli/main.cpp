// korven: command-line front end of the engine. It prepares the run-control
// file NAMES.dat for an input data file and calls the engine's entry, as the
// graphical front end does.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "korven.h"
#include "textio/Printable.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "usage: korven run [INPUT]\n"
    "       korven --help | --version\n"
    "\n"
    "  korven run INPUT   writes NAMES.dat beside INPUT and analyses it there;\n"
    "                     the report is INPUT's base name with .out, the plot\n"
    "                     data .plt, the iteration monitoring .itr\n"
    "  korven run         analyses the NAMES.dat of the current directory\n";

#ifndef KORVEN_VERSION_TEXT
#define KORVEN_VERSION_TEXT "1.0.0"
#endif

// Longest name a record of NAMES.dat holds.
constexpr std::size_t kMaxNameLength = 255;

// The six names of NAMES.dat for the input file `inputName` (a name
// relative to its folder): the input and the outputs named after it.
std::vector<std::string> runNames(const std::string& inputName) {
  const std::string base = fs::path(inputName).stem().string();
  return {inputName,       base + ".out", base + ".plt",
          base + ".itr",   base + ".pys", base + ".epf"};
}

// Why the names cannot be written into NAMES.dat as one record each (a
// control character would split a record, a long name would be cut and
// lead to another file); empty when they can.
std::string unfitName(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (korven::textio::hasControlCharacter(name)) {
      return "the input file name " + korven::textio::printable(names.front()) +
             " holds a control character; rename the file";
    }
    if (name.size() > kMaxNameLength) {
      return "the file name " + korven::textio::printable(name) + " is longer than " +
             std::to_string(kMaxNameLength) + " characters; rename the file";
    }
  }
  return {};
}

// Writes NAMES.dat in `dir` for the run's names.
bool writeNames(const fs::path& dir, const std::vector<std::string>& names) {
  std::ofstream file(dir / "NAMES.dat", std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file << KORVEN_VERSION_TEXT << "\n"
       << "KORVEN command-line run\n"
       << "\n"
       << "0\n";
  for (const std::string& name : names) file << name << "\n";
  file.close();
  return static_cast<bool>(file);
}

int runEngine() {
  if (IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2) != 0) {
    std::fprintf(stderr, "korven: the engine refused the call\n");
    return 2;
  }
  const int status = KORVEN_LastRunStatus();
  switch (status) {
    case KORVEN_STATUS_NORMAL: return 0;
    // The engine has said these itself on the error stream: a run that
    // could not start, and a file that could not be written.
    case KORVEN_STATUS_NOT_STARTED: return 2;
    case KORVEN_STATUS_FILE_ERROR: return 1;
    default:
      std::fprintf(stderr, "korven: %s\n", KORVEN_LastRunMessage());
      return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("korven %s\n", KORVEN_VERSION_TEXT);
    return 0;
  }
  if (command != "run" || argc > 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (argc == 2) return runEngine();

  std::error_code ec;
  const fs::path input = fs::absolute(argv[2], ec);
  if (ec || !fs::is_regular_file(input, ec)) {
    std::fprintf(stderr, "korven: no input data file %s\n",
                 korven::textio::printable(argv[2]).c_str());
    return 2;
  }
  const fs::path dir = input.parent_path();
  const std::vector<std::string> names = runNames(input.filename().string());
  if (const std::string why = unfitName(names); !why.empty()) {
    std::fprintf(stderr, "korven: %s\n", why.c_str());
    return 2;
  }
  if (!writeNames(dir, names)) {
    std::fprintf(stderr, "korven: cannot write %s\n",
                 korven::textio::printable((dir / "NAMES.dat").string()).c_str());
    return 2;
  }
  const fs::path previous = fs::current_path(ec);
  fs::current_path(dir, ec);
  if (ec) {
    std::fprintf(stderr, "korven: cannot change to %s\n",
                 korven::textio::printable(dir.string()).c_str());
    return 2;
  }
  const int rc = runEngine();
  fs::current_path(previous, ec);
  if (rc == 0) {
    std::printf("korven: report written to %s\n",
                korven::textio::printable((dir / names[1]).string()).c_str());
  }
  return rc;
}
