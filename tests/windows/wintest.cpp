// korven_wintest: drives korven.dll the way the Windows front end does. It
// loads the library with LoadLibrary, looks the entry up by its plain name
// with GetProcAddress and calls it through a stdcall pointer, after writing
// NAMES.dat into the working directory.
//
//   korven_wintest entry
//       checks the exports and that a wrong handshake pair is refused
//       without any file being read, written or created
//   korven_wintest run INPUT REPORT PLOT MONITOR PYSCRATCH PRESSURE
//       writes NAMES.dat naming these files, calls IKORVEN and prints
//       "status N: message"; the exit code is the run status
//
// The program also links against korven.dll's import library, so that a
// 32-bit build proves the stdcall entry resolves by the name IKORVEN.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "korven.h"

namespace fs = std::filesystem;

namespace {

#ifndef KORVEN_VERSION_TEXT
#define KORVEN_VERSION_TEXT "1.0.0"
#endif

using EntryFn = int32_t(__stdcall*)(int32_t, int32_t);
using StatusFn = int32_t(__stdcall*)(void);
using MessageFn = const char*(__stdcall*)(void);

struct Library {
  HMODULE module = nullptr;
  EntryFn entry = nullptr;
  StatusFn status = nullptr;
  MessageFn message = nullptr;
};

int failures = 0;

void check(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
  }
}

// Loads korven.dll (the copy beside this program comes first in the search
// order) and finds the three exports by name.
bool load(Library& lib) {
  lib.module = LoadLibraryA("korven.dll");
  if (lib.module == nullptr) {
    std::printf("FAIL: LoadLibrary(korven.dll) failed, error %lu\n", GetLastError());
    return false;
  }
  lib.entry = reinterpret_cast<EntryFn>(
      reinterpret_cast<void*>(GetProcAddress(lib.module, "IKORVEN")));
  lib.status = reinterpret_cast<StatusFn>(
      reinterpret_cast<void*>(GetProcAddress(lib.module, "KORVEN_LastRunStatus")));
  lib.message = reinterpret_cast<MessageFn>(
      reinterpret_cast<void*>(GetProcAddress(lib.module, "KORVEN_LastRunMessage")));
  if (lib.entry == nullptr || lib.status == nullptr || lib.message == nullptr) {
    std::printf("FAIL: korven.dll lacks IKORVEN or a status export\n");
    return false;
  }
  return true;
}

void writeNames(const std::string names[6]) {
  std::ofstream out("NAMES.dat", std::ios::binary | std::ios::trunc);
  out << KORVEN_VERSION_TEXT << "\r\n"
      << "KORVEN Windows check\r\n"
      << "\r\n"
      << "0\r\n";
  for (int i = 0; i < 6; ++i) out << names[i] << "\r\n";
}

// Every file below the working directory with its contents.
std::map<std::string, std::string> snapshot() {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(fs::current_path())) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files[e.path().string()] = text.str();
  }
  return files;
}

int entryChecks(const Library& lib) {
  // The plain names only: a decorated stdcall name would mean the
  // module-definition file was not applied.
  check(GetProcAddress(lib.module, "IKORVEN@8") == nullptr &&
            GetProcAddress(lib.module, "_IKORVEN@8") == nullptr,
        "korven.dll exports a decorated name of IKORVEN");
  // The import library binds the same function.
  check(reinterpret_cast<void*>(lib.entry) == reinterpret_cast<void*>(&IKORVEN),
        "IKORVEN from GetProcAddress differs from the imported IKORVEN");

  // A complete run set-up, so that a call that wrongly went ahead would
  // leave files behind.
  {
    std::ofstream input("wall.dat", std::ios::binary);
    input << "not an analysis\r\n";
  }
  const std::string names[6] = {"wall.dat", "wall.out", "wall.plt",
                                "wall.itr", "wall.pys", "wall.epf"};
  writeNames(names);
  const auto before = snapshot();
  const struct {
    int32_t first, second;
  } wrong[] = {{0, 0},
               {KORVEN_HANDSHAKE_1, 0},
               {0, KORVEN_HANDSHAKE_2},
               {KORVEN_HANDSHAKE_2, KORVEN_HANDSHAKE_1},
               {KORVEN_HANDSHAKE_1 + 1, KORVEN_HANDSHAKE_2}};
  for (const auto& pair : wrong) {
    const std::string which =
        "(" + std::to_string(pair.first) + ", " + std::to_string(pair.second) + ")";
    check(lib.entry(pair.first, pair.second) == 1, "wrong pair " + which + " did not return 1");
    check(lib.status() == KORVEN_STATUS_REFUSED, "wrong pair " + which + " status is not REFUSED");
    check(lib.message() != nullptr && lib.message()[0] != '\0',
          "wrong pair " + which + " gives no message");
    check(snapshot() == before, "wrong pair " + which + " touched the working directory");
  }

  // The agreed pair goes ahead: the malformed input is reported as such.
  check(lib.entry(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2) == 0, "agreed pair did not return 0");
  check(lib.status() == KORVEN_STATUS_INPUT_ERROR,
        "malformed input status is " + std::to_string(lib.status()));
  check(fs::exists("wall.out"), "the run with the agreed pair wrote no report");
  if (failures == 0) std::printf("entry checks passed\n");
  return failures == 0 ? 0 : 1;
}

int runOnce(const Library& lib, char** names) {
  const std::string lines[6] = {names[0], names[1], names[2], names[3], names[4], names[5]};
  writeNames(lines);
  if (lib.entry(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2) != 0) {
    std::printf("FAIL: the agreed pair was refused\n");
    return 100;
  }
  const int32_t status = lib.status();
  std::printf("status %d: %s\n", static_cast<int>(status), lib.message());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "entry" && argc == 2) {
    Library lib;
    return load(lib) ? entryChecks(lib) : 1;
  }
  if (command == "run" && argc == 8) {
    Library lib;
    return load(lib) ? runOnce(lib, argv + 2) : 100;
  }
  std::fprintf(stderr,
               "usage: korven_wintest entry\n"
               "       korven_wintest run INPUT REPORT PLOT MONITOR PYSCRATCH PRESSURE\n");
  return 100;
}
