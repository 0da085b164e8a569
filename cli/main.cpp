// korven: the command-line program. It runs an input data file into the
// report, plot-data and iteration files beside it, named after it; with
// --names it prepares NAMES.dat for the run as a graphical front end does;
// without an input it runs the NAMES.dat of the working directory.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__GLIBC__) && defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#include <cstdint>
#include <cstdlib>

#include "Html.h"
#include "Summary.h"
#include "Tables.h"
#include "korven.h"
#include "ProjectCommands.h"
#include "korven/analysis.h"
#include "textio/Printable.h"

namespace fs = std::filesystem;
using korven::textio::printable;

namespace {

#ifndef KORVEN_VERSION_TEXT
#define KORVEN_VERSION_TEXT "1.0.0"
#endif

// Longest name a record of NAMES.dat holds.
constexpr std::size_t kMaxNameLength = 255;

// The run's file names for the input `inputName` (a name in its folder):
// the input and the outputs named after it.
std::vector<std::string> runNames(const std::string& inputName) {
  const std::string base = fs::path(inputName).stem().string();
  return {inputName,     base + ".out", base + ".plt",
          base + ".itr", base + ".pys", base + ".epf"};
}

// Why the names cannot be used: a control character (it would split a
// record of NAMES.dat and is almost always a slip), or, for NAMES.dat, a
// name longer than its record (it would be cut and lead to another file).
// Empty when they can.
std::string unfitName(const std::vector<std::string>& names, bool forNamesFile) {
  for (const std::string& name : names) {
    if (korven::textio::hasControlCharacter(name)) {
      return "the input file name " + printable(names.front()) +
             " holds a control character; rename the file";
    }
    if (forNamesFile && name.size() > kMaxNameLength) {
      return "the file name " + printable(name) + " is longer than " +
             std::to_string(kMaxNameLength) + " characters; rename the file";
    }
  }
  return {};
}

// Writes NAMES.dat in `dir` for the run's names.
bool writeNamesFile(const fs::path& dir, const std::vector<std::string>& names) {
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

// The exit status of a run, with its message on stderr unless the engine
// has shown it there itself (a run that could not start or could not write).
int finish(const korven::AnalysisResult& r) {
  switch (r.status) {
    case KORVEN_STATUS_NORMAL: return 0;
    case KORVEN_STATUS_NOT_STARTED: return 2;
    case KORVEN_STATUS_FILE_ERROR: return 1;
    default:
      std::fprintf(stderr, "korven: %s\n", r.message.c_str());
      return 1;
  }
}

// What a run shows and exports besides its files: the summary on stdout,
// and when asked the summary as JSON, the tables as CSV and the HTML report.
struct Presentation {
  std::string csvDir;
  std::string htmlFile;
  std::string jsonFile;
};

// The whole text of a file: read in one piece into a string of its size,
// not grown through a string stream (the report runs to hundreds of
// kilobytes); what a file gained since its size was taken is read after.
std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  std::string text(ec ? 0 : static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (in) {
    std::ostringstream more;
    more << in.rdbuf();
    text += more.str();
  }
  return text;
}

// Shows the summary and writes the requested exports; 0, or 1 with a
// message on stderr when one cannot be written.
int present(const korven::AnalysisResult& r, const fs::path& input, const fs::path& report,
            const Presentation& want, bool quiet) {
  namespace kp = korven::present;
  // The warnings are found in the report only where something shows them:
  // a quiet run that exports no summary or page has no use for them.
  const bool shown = !quiet || !want.jsonFile.empty() || !want.htmlFile.empty();
  const std::vector<std::string> warnings =
      shown ? kp::runWarnings(r, readText(report)) : std::vector<std::string>{};
  if (!quiet) std::printf("\n%s", kp::summaryText(r, warnings).c_str());
  const kp::RunInfo info{input.filename().string(), KORVEN_VERSION_TEXT};
  try {
    if (!want.jsonFile.empty()) {
      kp::writeTextFile(want.jsonFile, kp::summaryJson(r, warnings, info));
    }
    if (!want.csvDir.empty()) {
      const auto files = kp::writeCsvTables(r, want.csvDir, input.stem().string());
      if (!quiet) {
        std::printf("korven: %zu tables written to %s\n", files.size(),
                    printable(want.csvDir).c_str());
      }
    }
    if (!want.htmlFile.empty()) {
      kp::writeTextFile(want.htmlFile, kp::htmlReport(r, warnings, info, readText(input)));
      if (!quiet) std::printf("korven: HTML report written to %s\n", printable(want.htmlFile).c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korven: %s\n", printable(e.what()).c_str());
    return 1;
  }
  return 0;
}

int runInput(const std::string& argument, bool viaNamesFile, bool quiet, const Presentation& want) {
  std::error_code ec;
  const fs::path input = fs::absolute(argument, ec);
  if (ec || !fs::is_regular_file(input, ec)) {
    std::fprintf(stderr, "korven: no input data file %s\n", printable(argument).c_str());
    return 2;
  }
  const fs::path dir = input.parent_path();
  const std::vector<std::string> names = runNames(input.filename().string());
  if (const std::string why = unfitName(names, viaNamesFile); !why.empty()) {
    std::fprintf(stderr, "korven: %s\n", why.c_str());
    return 2;
  }
  korven::AnalysisResult r;
  if (korven::cli::isProjectFile(input)) {
    if (viaNamesFile) {
      std::fprintf(stderr, "korven: --names runs an input data file; convert the project first\n");
      return 2;
    }
    r = korven::cli::runProjectFile(input, names, KORVEN_VERSION_TEXT, quiet);
  } else if (viaNamesFile) {
    if (!writeNamesFile(dir, names)) {
      std::fprintf(stderr, "korven: cannot write %s\n",
                   printable((dir / "NAMES.dat").string()).c_str());
      return 2;
    }
    r = korven::runNamesFile((dir / "NAMES.dat").string());
  } else {
    korven::RunFiles files;
    files.version = KORVEN_VERSION_TEXT;
    files.input = input.string();
    files.report = (dir / names[1]).string();
    files.plotData = (dir / names[2]).string();
    files.iterationLog = (dir / names[3]).string();
    files.pyCurves = (dir / names[4]).string();
    files.earthPressurePoints = (dir / names[5]).string();
    korven::cli::warnAboutInputDataFile(input, quiet);
    r = korven::runFiles(files, nullptr, quiet);
  }
  const int rc = finish(r);
  if (rc == 0 && !quiet) {
    std::printf("korven: report written to %s\n", printable((dir / names[1]).string()).c_str());
  }
  // A run stopped by its data still shows and exports what it reached.
  if (r.status == KORVEN_STATUS_NORMAL || !r.problems.empty()) {
    const int written = present(r, input, dir / names[1], want, quiet);
    if (rc == 0) return written;
  }
  return rc;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVEN_OWN_HEAP 0  // the sanitizers bring their own allocator
#elif defined(__GLIBC__) && defined(__linux__)
#define KORVEN_OWN_HEAP 1
#else
#define KORVEN_OWN_HEAP 0
#endif

#if KORVEN_OWN_HEAP
// An analysis writes about a megabyte of heap it has not used before (the
// texts of its files, the tables of its problems), and each fresh page costs
// a fault when first written: two microseconds each on a virtual machine,
// a good part of a run. The heap that the run grows into is offered to the
// system as huge pages, two megabytes mapped by one fault. A block larger
// than any freed one comes from the top of the heap, and a second one fills
// the heap from there up to a huge-page boundary; what lies above that, to
// the top of the heap, is marked. Neither block is freed: they are address
// space only, their pages are never written. Where the system gives no
// huge pages, nothing changes. Only a run does this: the other commands
// write little.
void heapOnHugePages() {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  constexpr std::size_t kProbe = 256 << 10;
  static void* kept[2] = {};
  mallopt(M_TRIM_THRESHOLD, 64 << 20);  // the heap is not given back while the run lasts
  kept[0] = std::malloc(kProbe);
  const auto top = [] { return reinterpret_cast<std::uintptr_t>(sbrk(0)); };
  const auto here = reinterpret_cast<std::uintptr_t>(kept[0]) + kProbe;
  if (kept[0] == nullptr || here > top()) return;  // not on the heap that sbrk grows
  const std::uintptr_t boundary = (here + 2 * 4096 + kHuge - 1) & ~(kHuge - 1);
  kept[1] = std::malloc(boundary - here - 4096);
  if (kept[1] == nullptr || top() < boundary + kHuge) return;
  madvise(reinterpret_cast<void*>(boundary), top() - boundary, MADV_HUGEPAGE);
}
#else
void heapOnHugePages() {}
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A run builds its files as texts of a few hundred kilobytes. Kept on the
  // heap, and the heap grown in steps of some megabytes, they reuse memory
  // the process already has instead of mapping fresh pages from the system
  // for each new text (each page of those costs a fault when first written).
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TOP_PAD, 4 << 20);
#endif
  CLI::App app{"KORVEN: analysis of flexible retaining walls (sheet-pile, soldier-pile and "
               "tie-back walls) on nonlinear soil springs."};
  app.set_version_flag("--version", std::string("korven ") + KORVEN_VERSION_TEXT);
  app.require_subcommand(1);

  CLI::App* run = app.add_subcommand(
      "run", "Analyse an input data file; its report (.out), plot data (.plt), iteration log "
             "(.itr) and intermediate files (.pys, .epf) are written beside it.");
  std::string input;
  bool viaNamesFile = false;
  bool quiet = false;
  run->add_option("INPUT", input,
                  "Input data file, or project file (.toml). Without it, the NAMES.dat of the working directory is run, "
                  "as a graphical front end's call does.");
  run->add_flag("--names", viaNamesFile,
                "Also write NAMES.dat beside INPUT and run the analysis through it, as a "
                "graphical front end does.");
  run->add_flag("-q,--quiet", quiet, "Show only errors (no summary).");
  Presentation want;
  run->add_option("--csv", want.csvDir,
                  "Write the station table, the earth-pressure table and the p-y curves of each "
                  "problem as CSV files into DIR (made when missing).")
      ->type_name("DIR");
  run->add_option("--html", want.htmlFile,
                  "Write the HTML report with the diagrams to FILE (one self-contained page).")
      ->type_name("FILE");
  run->add_option("--json", want.jsonFile, "Write the summary of the run as JSON to FILE.")
      ->type_name("FILE");

  CLI::App* conv = app.add_subcommand(
      "convert", "Convert an input data file (.dat) to a project file (.toml), or back.");
  std::string from, to;
  conv->add_option("INPUT", from, "The file to convert: .toml gives .dat, anything else .toml.")
      ->required();
  conv->add_option("-o,--output", to, "The converted file (default: INPUT with the other extension).");
  conv->add_flag("-q,--quiet", quiet, "Show only errors.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (conv->parsed()) return korven::cli::convert(from, to, quiet);
  heapOnHugePages();
  if (input.empty()) {
    if (!want.csvDir.empty() || !want.htmlFile.empty() || !want.jsonFile.empty()) {
      std::fprintf(stderr, "korven: --csv, --html and --json need an INPUT data file\n");
      return 2;
    }
    std::error_code ec;
    return finish(korven::runNamesFile(fs::current_path(ec).string()));
  }
  return runInput(input, viaNamesFile, quiet, want);
}
