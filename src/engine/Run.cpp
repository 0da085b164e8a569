// The run sequence: run-control file, the run's files, the problem loop
// and the end of the run.
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#define KORVEN_HAVE_STAT 1
#endif

#include "core/Stops.h"
#include "core/TitleLine.h"
#include "engine/Entry.h"
#include "engine/ReportHeader.h"
#include "input/OpeningInput.h"
#include "input/SectionInput.h"
#include "input/SupportInput.h"
#include "korven.h"
#include "pressure/EarthPressure.h"
#include "pycurves/PyGenerator.h"
#include "textio/FileError.h"
#include "textio/Printable.h"
#include "wall/WallAnalysis.h"

namespace korven {

namespace fs = std::filesystem;

namespace {

std::string rtrim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.pop_back();
  return s;
}

// One problem, steps 1 to 19. Returns after the wall analysis; the caller
// reads the continuation record.
void runProblem(RunContext& ctx) {
  WallModel& m = ctx.model;
  readTitle(ctx);
  ++ctx.problemCounter;
  if (ctx.problemCounter == 1) m.runTitle = m.title;
  m.status = ProblemStatus::Converged;
  readControlRecord(ctx);
  writeReportHeader(ctx);
  writeTitleLine(ctx, ctx.report);
  writeTitleLine(ctx, ctx.monitor);
  selectUnits(ctx);
  writeControlEcho(ctx);
  // Station tables start empty for every problem, every station an ordinary
  // one until the specified points mark theirs.
  m.stations.clear();
  readWallRecord(ctx);
  readSpecifiedPoints(ctx);

  m.couples.clear();
  m.curves.clear();
  m.userCurves.clear();
  m.pressureTable.clear();
  m.iterationHistory.clear();
  // Supports and loads belong to the problem that reads them: a problem
  // without wall sections reads none and must not act on an earlier one's.
  m.restraints.clear();
  m.tieBacks.clear();
  m.stiffnessRecords.clear();
  m.pressure.rows.clear();
  m.pressurePresent = false;

  const ControlRecord& c = m.control;
  if (c.wallSectionCount < 0) throw RunEnd("negative number of wall sections");
  if (c.wallSectionCount == 0) {
    ctx.report.write(KLAYOUT("(/,'                    ')"));
  } else {
    readWallSections(ctx);
    readCrossSections(ctx);
    readMomentCurvatureTables(ctx);
    readStiffnessAndLoads(ctx);
    readRestraintsAndTieBacks(ctx);
    if (c.reductionFactorCount > 0) readReductionFactors(ctx);

    const int epo = c.earthPressureOption;
    if (epo <= 0) {
      if (epo == 0) ctx.plot.writeFree(0);
      if (c.pyOption == 2) readSoilData(ctx);
    } else if (epo == 1) {
      readSpecifiedPressure(ctx);
      if (c.pyOption == 2) readSoilData(ctx);
    } else {
      readSoilData(ctx);
      if (ctx.names.pressureFile.empty()) {
        ctx.report.write(KLAYOUT("(/,/,'     ERROR -- NAMES.dat GIVES NO NAME FOR THE EARTH-PRESSURE "
                                 "POINT FILE')"));
        throw RunEnd("no name for the earth-pressure point file");
      }
      computeEarthPressures(ctx);
      readPressurePointFile(ctx);
    }
    if (m.pressurePresent) applyEarthPressure(ctx);
  }
  checkTablesBeyondTip(ctx);

  if (c.pyOption <= 1) {
    readUserPyCurves(ctx);
  } else if (c.pyOption == 2) {
    if (c.userCurveCount > 0 && c.earthPressureOption != 4) readUserPyCurves(ctx);
    if (ctx.names.pyScratchFile.empty()) {
      ctx.report.write(
          KLAYOUT("(/,/,'     ERROR -- NAMES.dat GIVES NO NAME FOR THE P-Y SCRATCH FILE')"));
      throw RunEnd("no name for the p-y scratch file");
    }
    generatePyCurves(ctx);
    readPyScratchFile(ctx);
  }
  iterateWall(ctx);
  writeResults(ctx);
  if (ctx.results != nullptr) ctx.results->push_back(captureProblem(ctx));
}

void endOfRun(RunContext& ctx) {
  const auto& endLayout = KLAYOUT("(/,/,'     END OF ANALYSIS                             ')");
  ctx.report.write(endLayout);
  ctx.monitor.write(endLayout);
  writePlotSummary(ctx, ctx.model.control.stageCount);
  ctx.report.close();
  ctx.input.reset();
  ctx.inputStream.reset();
  ctx.plot.close();
  ctx.monitor.close();
}

}  // namespace

namespace {

// Longest file name a record of the run-control file may hold.
constexpr std::size_t kMaxFileName = 255;

// A one-line message of a run that could not start or ended on a file
// failure: on the error stream, where it is seen when no report could be
// written, and in the outcome.
RunOutcome endWithMessage(RunContext& ctx, const std::string& why,
                      int status = KORVEN_STATUS_NOT_STARTED) {
  const std::string line = textio::printable(why);
  ctx.errorStream() << " KORVEN: " << line << '\n';
  return {status, line};
}

// The roles of the six names of the run-control file, in file order.
struct NamedFile {
  std::string* name;
  const char* role;
  bool written;
};

std::array<NamedFile, 6> namedFiles(RunControl& names) {
  return {{{&names.inputFile, "input data file", false},
           {&names.reportFile, "report file", true},
           {&names.plotFile, "plot-data file", true},
           {&names.monitorFile, "iteration-monitoring file", true},
           {&names.pyScratchFile, "p-y scratch file", true},
           {&names.pressureFile, "earth-pressure point file", true}}};
}

// Where a name leads: its type when it exists, the file's device and inode
// where the system gives them, and the normalised absolute path (symbolic
// links of its folders resolved) for telling apart names of files that do
// not exist yet; the path is found only when a comparison needs it.
struct FileIdentity {
  bool exists = false;
  fs::file_type type = fs::file_type::not_found;
  bool hasInode = false;
  std::uintmax_t device = 0, inode = 0;
  std::string name;
  mutable std::optional<fs::path> path;

  const fs::path& normalPath() const {
    if (!path) {
      std::error_code ec;
      const fs::path absolute = fs::absolute(name, ec).lexically_normal();
      const fs::path canonical = fs::weakly_canonical(absolute, ec);
      path = ec ? absolute : canonical;
    }
    return *path;
  }
};

FileIdentity identify(const std::string& name) {
  FileIdentity id;
  id.name = name;
#if defined(KORVEN_HAVE_STAT)
  // One system call gives the type and the identity of the file.
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    id.exists = true;
    id.type = S_ISREG(st.st_mode)   ? fs::file_type::regular
              : S_ISDIR(st.st_mode) ? fs::file_type::directory
              : S_ISCHR(st.st_mode) ? fs::file_type::character
              : S_ISBLK(st.st_mode) ? fs::file_type::block
              : S_ISFIFO(st.st_mode) ? fs::file_type::fifo
              : S_ISSOCK(st.st_mode) ? fs::file_type::socket
                                     : fs::file_type::unknown;
    id.hasInode = true;
    id.device = static_cast<std::uintmax_t>(st.st_dev);
    id.inode = static_cast<std::uintmax_t>(st.st_ino);
  }
  return id;
#else
  std::error_code ec;
  const fs::file_status st = fs::status(name, ec);
  id.type = st.type();
  id.exists = !ec && fs::exists(st);
  return id;
#endif
}

// Two names lead to one file: the same device and inode where both exist,
// the same normalised path otherwise.
bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists && b.exists) {
    if (a.hasInode && b.hasInode) return a.device == b.device && a.inode == b.inode;
    std::error_code ec;
    const bool same = fs::equivalent(a.name, b.name, ec);
    if (!ec) return same;
  }
  return a.normalPath() == b.normalPath();
}

// The checks made before any file is opened: the input is a regular file
// (a FIFO would block for ever, a device never end); nothing is written
// where it would block; no two roles share one file (a scratch file named
// like the input would overwrite the user's data, a report named like the
// point file would mix the two). A character device such as /dev/null may
// take several roles: writing there overwrites nothing.
std::string checkRunFiles(RunContext& ctx) {
  const auto files = namedFiles(ctx.names);
  std::array<FileIdentity, 6> ids;
  // Intermediate files kept in memory are no files on disk.
  const std::size_t count = ctx.scratchInMemory ? 4 : files.size();
  for (std::size_t i = 0; i < count; ++i) {
    const NamedFile& f = files[i];
    if (f.name->empty()) continue;
    ids[i] = identify(ctx.resolve(*f.name));
    const fs::file_type type = ids[i].type;
    if (!f.written) {
      if (!ids[i].exists) {
        return "cannot open the input data file " + *f.name + ": No such file or directory";
      }
      if (type != fs::file_type::regular) {
        return "the input data file " + *f.name + " is not a regular file";
      }
    } else if (ids[i].exists && type != fs::file_type::regular &&
               type != fs::file_type::character) {
      return std::string("the ") + f.role + " " + *f.name +
             " is not a regular file and cannot be written";
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (files[i].name->empty() || ids[i].type == fs::file_type::character) continue;
    for (std::size_t j = i + 1; j < count; ++j) {
      if (files[j].name->empty() || ids[j].type == fs::file_type::character) continue;
      if (sameFile(ids[i], ids[j])) {
        return std::string("the ") + files[i].role + " and the " + files[j].role +
               " are the same file (" + *files[j].name + "); nothing was written";
      }
    }
  }
  return {};
}

// Closes every run file without further checks, after a file failure.
void abandonFiles(RunContext& ctx) {
  ctx.report.abandon();
  ctx.plot.abandon();
  ctx.monitor.abandon();
  ctx.input.reset();
  ctx.inputStream.reset();
}

// The problem loop with the orderly ends of a run; a file failure passes
// through to the caller, which ends the run at once.
RunOutcome problemLoop(RunContext& ctx) {
  RunOutcome outcome;
  try {
    for (;;) {
      runProblem(ctx);
      const int code = ctx.input->record("CONTINUATION RECORD").integer();
      const int stages = ctx.model.control.stageCount;
      if (code == stages || code == 0) break;
      writePlotSummary(ctx, code == 9 ? 2 : stages);
    }
  } catch (const textio::FileError&) {
    throw;
  } catch (const RunEnd& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    outcome = {KORVEN_STATUS_DATA_STOP, std::string("analysis ended: ") + e.what()};
  } catch (const HardStop& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    const std::string text = e.code().empty() ? "STOP" : "STOP " + e.code();
    ctx.errorStream() << text << '\n';
    ctx.report.finishRecord();
    ctx.report.write(KLAYOUT("(/,/,'     ***** ANALYSIS STOPPED: ',A,' *****')"), text);
    if (!e.reason().empty()) ctx.report.write(KLAYOUT("(6X,A)"), e.reason());
    outcome = {KORVEN_STATUS_HARD_STOP,
               "analysis stopped (" + text + ")" + (e.reason().empty() ? "" : ": " + e.reason())};
  } catch (const textio::NonFiniteValue& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    ctx.report.finishRecord();
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- A COMPUTED VALUE IS NOT A FINITE NUMBER;',"
                             "' THE ANALYSIS CANNOT GO ON')"));
    outcome = {KORVEN_STATUS_HARD_STOP, std::string("analysis stopped: ") + e.what()};
  } catch (const textio::InputError& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    ctx.report.finishRecord();
    ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR IN ',A,' AT LINE',I6,' OF THE ',A,':',"
                             "/,'     ',A,': ''',A,'''')"),
                     e.record(), e.line(), e.source(), e.problem(), textio::printable(e.text()));
    outcome = {KORVEN_STATUS_INPUT_ERROR, std::string("input error: ") + e.what()};
  } catch (const std::bad_alloc&) {
    ctx.model.status = ProblemStatus::NotConverged;
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- NOT ENOUGH MEMORY FOR THE ANALYSIS')"));
    outcome = {KORVEN_STATUS_HARD_STOP, "not enough memory for the analysis"};
  } catch (const std::exception& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    ctx.report.write(KLAYOUT("(/,/,'     INTERNAL ERROR -- ',A)"), std::string(e.what()));
    outcome = {KORVEN_STATUS_HARD_STOP, std::string("internal error: ") + e.what()};
  }
  return outcome;
}

}  // namespace

bool readRunControl(RunContext& ctx, const std::string& namesFile, std::string& why) {
  std::error_code ec;
  if (fs::is_directory(namesFile, ec)) {
    why = "the run-control file " + namesFile + " is a folder";
    return false;
  }
  std::ifstream in(namesFile, std::ios::binary);
  if (!in) {
    why = "cannot open the run-control file " + namesFile;
    return false;
  }
  textio::RecordReader reader(in, namesFile, "RUN-CONTROL FILE");
  try {
    ctx.names.version = reader.fixedLine(12, "VERSION TEXT");
    reader.fixedLine(256, "HEADER TEXT");
    reader.fixedLine(256, "HEADER TEXT");
    reader.record("HEADER NUMBER").integer();
  } catch (const textio::InputError& e) {
    why = namesFile + ": " + e.what();
    return false;
  }
  for (const NamedFile& f : namedFiles(ctx.names)) {
    try {
      *f.name = rtrim(reader.wholeLine("FILE NAME"));
    } catch (const textio::InputError&) {
      ctx.errorStream() << " PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n"
                        << " BEFORE COMPUTATION.  TRY IT AGAIN!\n";
      break;
    }
    if (f.name->size() > kMaxFileName) {
      // A longer name would be cut and lead to another file than meant.
      why = namesFile + ", line " + std::to_string(reader.lineNumber()) + ": the name of the " +
            f.role + " is longer than " + std::to_string(kMaxFileName) + " characters";
      return false;
    }
  }
  return true;
}

RunOutcome runProblems(RunContext& ctx) {
  try {
    const RunOutcome outcome = problemLoop(ctx);
    endOfRun(ctx);
    return outcome;
  } catch (const textio::FileError& e) {
    // The disk or device refused what the run wrote (or a file could not be
    // read): the run ends at once; nothing more is written and nothing
    // claims the outputs are complete.
    ctx.model.status = ProblemStatus::NotConverged;
    abandonFiles(ctx);
    return endWithMessage(ctx, e.what(), KORVEN_STATUS_FILE_ERROR);
  }
}

RunOutcome runNamedFiles(RunContext& ctx) {
  for (const NamedFile& f : namedFiles(ctx.names)) {
    // The two intermediate files are needed only by problems that write
    // them; their absence is reported there.
    if (f.name->empty() && f.name != &ctx.names.pyScratchFile &&
        f.name != &ctx.names.pressureFile) {
      return endWithMessage(ctx, std::string("the run-control file names no ") + f.role);
    }
  }
  std::string why = checkRunFiles(ctx);
  if (!why.empty()) return endWithMessage(ctx, why);

  errno = 0;
  auto input = std::make_unique<std::ifstream>(ctx.resolve(ctx.names.inputFile), std::ios::binary);
  if (!*input) {
    return endWithMessage(ctx, "cannot open the input data file " + ctx.names.inputFile + ": " +
                               textio::systemReason(errno, "cannot be opened"));
  }
  ctx.inputStream = std::move(input);
  ctx.input = std::make_unique<textio::RecordReader>(*ctx.inputStream, ctx.names.inputFile);
  const struct {
    textio::OutputChannel* channel;
    const std::string* name;
  } outputs[] = {{&ctx.report, &ctx.names.reportFile},
                 {&ctx.plot, &ctx.names.plotFile},
                 {&ctx.monitor, &ctx.names.monitorFile}};
  for (const auto& o : outputs) {
    if (!o.channel->open(ctx.resolve(*o.name), &why)) {
      abandonFiles(ctx);
      return endWithMessage(ctx, "cannot create " + *o.name + ": " + why);
    }
  }
  RunOutcome outcome = runProblems(ctx);
  outcome.message = textio::printable(outcome.message);
  return outcome;
}

RunOutcome runAnalysis(const RunOptions& options) {
  RunContext ctx;
  ctx.clock = options.clock;
  ctx.err = options.err;
  ctx.quiet = options.quiet;
  ctx.folder = options.folder;
  ctx.results = options.results;
  std::string why;
  try {
    if (!readRunControl(ctx, options.namesFile, why)) return endWithMessage(ctx, why);
  } catch (const textio::FileError& e) {
    return endWithMessage(ctx, e.what());
  }
  return runNamedFiles(ctx);
}

}  // namespace korven
