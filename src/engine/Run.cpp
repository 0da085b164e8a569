// The run sequence: run-control file, the run's files, the problem loop
// and the end of the run.
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>

#include "engine/Entry.h"
#include "engine/ReportHeader.h"
#include "engine/Stops.h"
#include "input/OpeningInput.h"
#include "input/SectionInput.h"
#include "input/SupportInput.h"
#include "korven.h"
#include "pressure/EarthPressure.h"
#include "pycurves/PyGenerator.h"
#include "wall/WallAnalysis.h"

namespace korven {

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
  readWallRecord(ctx);
  readSpecifiedPoints(ctx);

  // Stiffness and load tables start empty for every problem.
  StationTables& st = m.stations;
  st.f.fill(0.0);
  st.q.fill(0.0);
  st.s.fill(0.0);
  st.t.fill(0.0);
  st.r.fill(0.0);
  st.p.fill(0.0);
  m.couples.clear();
  m.curves.clear();
  m.userCurves.clear();
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

bool readRunControl(RunContext& ctx, const std::string& namesFile, std::string& why) {
  std::ifstream in(namesFile, std::ios::binary);
  if (!in) {
    why = "cannot open the run-control file " + namesFile;
    return false;
  }
  textio::RecordReader reader(in);
  try {
    ctx.names.version = reader.fixedLine(12, "VERSION TEXT");
    reader.fixedLine(256, "HEADER TEXT");
    reader.fixedLine(256, "HEADER TEXT");
    reader.record("HEADER NUMBER").integer();
  } catch (const textio::InputError& e) {
    why = namesFile + ": " + e.what();
    return false;
  }
  std::string* names[6] = {&ctx.names.inputFile,   &ctx.names.reportFile,
                           &ctx.names.plotFile,    &ctx.names.monitorFile,
                           &ctx.names.pyScratchFile, &ctx.names.pressureFile};
  for (std::string* name : names) {
    try {
      *name = rtrim(reader.fixedLine(255, "FILE NAME"));
    } catch (const textio::InputError&) {
      ctx.errorStream() << " PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n"
                        << " BEFORE COMPUTATION.  TRY IT AGAIN!\n";
      break;
    }
  }
  return true;
}

RunOutcome runProblems(RunContext& ctx) {
  RunOutcome outcome;
  try {
    for (;;) {
      runProblem(ctx);
      const int code = ctx.input->record("CONTINUATION RECORD").integer();
      const int stages = ctx.model.control.stageCount;
      if (code == stages || code == 0) break;
      writePlotSummary(ctx, code == 9 ? 2 : stages);
    }
  } catch (const RunEnd& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    outcome = {KORVEN_STATUS_DATA_STOP, std::string("analysis ended: ") + e.what()};
  } catch (const HardStop& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    const std::string text = e.code().empty() ? "STOP" : "STOP " + e.code();
    ctx.errorStream() << text << '\n';
    ctx.report.write(KLAYOUT("(/,/,'     ***** ANALYSIS STOPPED: ',A,' *****')"), text);
    if (!e.reason().empty()) ctx.report.write(KLAYOUT("(6X,A)"), e.reason());
    outcome = {KORVEN_STATUS_HARD_STOP,
               "analysis stopped (" + text + ")" + (e.reason().empty() ? "" : ": " + e.reason())};
  } catch (const textio::InputError& e) {
    ctx.model.status = ProblemStatus::NotConverged;
    ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR IN ',A,' AT LINE',I6,' OF THE INPUT DATA FILE:',"
                             "/,'     ',A,': ''',A,'''')"),
                     e.record(), e.line(), e.problem(), e.text());
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
  endOfRun(ctx);
  return outcome;
}

RunOutcome runAnalysis(const RunOptions& options) {
  RunContext ctx;
  ctx.clock = options.clock;
  ctx.err = options.err;
  std::string why;
  if (!readRunControl(ctx, options.namesFile, why)) {
    ctx.errorStream() << " KORVEN: " << why << '\n';
    return {KORVEN_STATUS_NOT_STARTED, why};
  }
  const struct {
    const std::string* name;
    const char* role;
  } required[] = {{&ctx.names.inputFile, "input data file"},
                  {&ctx.names.reportFile, "report file"},
                  {&ctx.names.plotFile, "plot-data file"},
                  {&ctx.names.monitorFile, "iteration-monitoring file"}};
  for (const auto& r : required) {
    if (r.name->empty()) {
      why = std::string("the run-control file names no ") + r.role;
      ctx.errorStream() << " KORVEN: " << why << '\n';
      return {KORVEN_STATUS_NOT_STARTED, why};
    }
  }
  auto input = std::make_unique<std::ifstream>(ctx.names.inputFile, std::ios::binary);
  if (!*input) {
    why = "cannot open the input data file " + ctx.names.inputFile;
    ctx.errorStream() << " KORVEN: " << why << '\n';
    return {KORVEN_STATUS_NOT_STARTED, why};
  }
  ctx.inputStream = std::move(input);
  ctx.input = std::make_unique<textio::RecordReader>(*ctx.inputStream);
  const struct {
    textio::OutputChannel* channel;
    const std::string* name;
  } outputs[] = {{&ctx.report, &ctx.names.reportFile},
                 {&ctx.plot, &ctx.names.plotFile},
                 {&ctx.monitor, &ctx.names.monitorFile}};
  for (const auto& o : outputs) {
    if (!o.channel->open(*o.name)) {
      why = "cannot create " + *o.name;
      ctx.errorStream() << " KORVEN: " << why << '\n';
      ctx.report.close();
      ctx.plot.close();
      ctx.monitor.close();
      return {KORVEN_STATUS_NOT_STARTED, why};
    }
  }
  return runProblems(ctx);
}

}  // namespace korven
