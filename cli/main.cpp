// korven: command-line front end of the engine. It prepares the run-control
// file NAMES.dat for an input data file and calls the engine's entry, as the
// graphical front end does.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "korven.h"

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

// Writes NAMES.dat in `dir` for the input file `inputName` (a name relative
// to `dir`).
bool writeNames(const fs::path& dir, const std::string& inputName) {
  const std::string base = fs::path(inputName).stem().string();
  std::ofstream names(dir / "NAMES.dat", std::ios::binary | std::ios::trunc);
  if (!names) return false;
  names << KORVEN_VERSION_TEXT << "\n"
        << "KORVEN command-line run\n"
        << "\n"
        << "0\n"
        << inputName << "\n"
        << base << ".out\n"
        << base << ".plt\n"
        << base << ".itr\n"
        << base << ".pys\n"
        << base << ".epf\n";
  return static_cast<bool>(names);
}

int runEngine() {
  if (IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2) != 0) {
    std::fprintf(stderr, "korven: the engine refused the call\n");
    return 2;
  }
  const int status = KORVEN_LastRunStatus();
  if (status == KORVEN_STATUS_NORMAL) return 0;
  std::fprintf(stderr, "korven: %s\n", KORVEN_LastRunMessage());
  return status == KORVEN_STATUS_NOT_STARTED ? 2 : 1;
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
    std::fprintf(stderr, "korven: no input data file %s\n", argv[2]);
    return 2;
  }
  const fs::path dir = input.parent_path();
  const std::string inputName = input.filename().string();
  if (inputName.size() > 255) {
    std::fprintf(stderr, "korven: the input file name is longer than 255 characters\n");
    return 2;
  }
  if (!writeNames(dir, inputName)) {
    std::fprintf(stderr, "korven: cannot write %s\n", (dir / "NAMES.dat").string().c_str());
    return 2;
  }
  const fs::path previous = fs::current_path(ec);
  fs::current_path(dir, ec);
  if (ec) {
    std::fprintf(stderr, "korven: cannot change to %s\n", dir.string().c_str());
    return 2;
  }
  const int rc = runEngine();
  fs::current_path(previous, ec);
  if (rc == 0) {
    std::printf("korven: report written to %s\n",
                (dir / (input.stem().string() + ".out")).string().c_str());
  }
  return rc;
}
