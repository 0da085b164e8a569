// The library calls: an analysis in memory, a NAMES.dat run without a change
// of working directory, and the results of each problem as plain values.
#include "korven/analysis.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "engine/Entry.h"
#include "korven.h"

namespace korven {

namespace {

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The input's base name with another extension.
std::string sibling(const std::string& inputName, const char* extension) {
  return std::filesystem::path(inputName).stem().string() + extension;
}

}  // namespace

ProblemResult captureProblem(const RunContext& ctx) {
  const WallModel& m = ctx.model;
  ProblemResult p;
  p.number = ctx.problemCounter;
  p.title = trimmed(m.title);
  p.si = ctx.si();
  p.converged = m.status == ProblemStatus::Converged;
  p.iterations = m.iterations;
  p.excavationDepth = reportDepth(ctx, m.wall.excavationDepth);
  for (const auto& row : m.pressureTable) p.earthPressure.push_back({reportDepth(ctx, row[0]), row[1]});
  for (const auto& it : m.iterationHistory) {
    p.iterationHistory.push_back({it.iteration, it.notClosed, it.maxChange});
  }
  for (const PyCurve& c : m.curves) {
    PyCurveResult curve;
    curve.station = c.firstStation;
    curve.depth = reportDepth(ctx, c.firstStation * m.wall.h);
    const std::size_t points = static_cast<std::size_t>(std::clamp(c.points, 0, kMaxCurvePoints));
    curve.y.assign(c.y.begin(), c.y.begin() + static_cast<std::ptrdiff_t>(points));
    curve.p.assign(c.p.begin(), c.p.begin() + static_cast<std::ptrdiff_t>(points));
    p.pyCurves.push_back(std::move(curve));
  }
  const StationResults& r = m.results;
  const std::size_t stations = static_cast<std::size_t>(std::max(0, m.wall.n + 1));
  if (p.converged && r.depth.size() >= stations) {
    p.stations.reserve(stations);
    for (std::size_t i = 0; i < stations; ++i) {
      p.stations.push_back({static_cast<int>(i), r.depth[i], r.deflection[i], r.slope[i],
                            r.moment[i], r.shear[i], r.soilReaction[i], r.netForce[i],
                            r.rigidity[i]});
    }
    const double h = m.wall.h;
    for (const Restraint& rs : m.restraints) {
      for (int n = rs.from; n <= rs.to; ++n) {
        p.restraints.push_back({n, reportDepth(ctx, n * h), rs.s * r.deflectionAt(n), rs.r * r.slopeAt(n)});
      }
    }
    int number = 0;
    for (const TieBack& t : m.tieBacks) {
      if (number >= m.control.tieBackCount) break;
      ++number;
      p.tieBacks.push_back(
          {number, t.station, t.depth, t.horizontalForce, t.axialForce, t.forcePerTieBack});
    }
  }
  return p;
}

AnalysisResult analyse(std::string_view inputText, const AnalysisOptions& options) {
  AnalysisResult result;
  RunContext ctx;
  ctx.err = options.progress;
  ctx.quiet = options.progress == nullptr;
  if (options.time) {
    const DateTime t = *options.time;
    ctx.clock = [t] { return LocalTime{t.year, t.month, t.day, t.hour, t.minute, t.second}; };
  }
  ctx.folder = options.folder;
  ctx.scratchInMemory = true;
  ctx.results = &result.problems;
  RunControl& names = ctx.names;
  names.version = options.version.substr(0, 12);
  names.version.resize(12, ' ');
  names.inputFile = options.inputName.empty() ? "input.dat" : options.inputName;
  names.reportFile = options.reportName.empty() ? sibling(names.inputFile, ".out") : options.reportName;
  names.plotFile = options.plotName.empty() ? sibling(names.inputFile, ".plt") : options.plotName;
  names.monitorFile = sibling(names.inputFile, ".itr");
  names.pyScratchFile = sibling(names.inputFile, ".pys");
  names.pressureFile = sibling(names.inputFile, ".epf");

  ctx.inputStream = std::make_unique<textio::TextStream>(inputText);
  ctx.input = std::make_unique<textio::RecordReader>(*ctx.inputStream, names.inputFile);
  // Room for the texts a run usually writes, taken at once: a report of up
  // to about 80 bytes, and plot data of about 40, per byte of input. Grown
  // from nothing, each text would be copied from one doubling of its
  // buffer into the next, writing fresh pages each time; room not used is
  // address space only.
  const auto room = [&](std::size_t perByte) {
    return std::min(perByte * inputText.size() + 4096, std::size_t{32} << 20);
  };
  result.report.reserve(room(80));
  result.plotData.reserve(room(40));
  ctx.report.attach(result.report);
  ctx.plot.attach(result.plotData);
  ctx.monitor.attach(result.iterationLog);
  const RunOutcome outcome = runProblems(ctx);
  result.status = outcome.status;
  result.message = outcome.message;
  result.pyCurves = std::move(ctx.pyScratchText);
  result.earthPressurePoints = std::move(ctx.pressureText);
  return result;
}

AnalysisResult runFiles(const RunFiles& files, std::ostream* err, bool quiet) {
  AnalysisResult result;
  RunContext ctx;
  ctx.err = err;
  ctx.quiet = quiet;
  ctx.results = &result.problems;
  RunControl& names = ctx.names;
  names.version = files.version.substr(0, 12);
  names.version.resize(12, ' ');
  names.inputFile = files.input;
  names.reportFile = files.report;
  names.plotFile = files.plotData;
  names.monitorFile = files.iterationLog;
  // Without names the intermediate files stay in memory (their names then
  // only label messages).
  ctx.scratchInMemory = files.pyCurves.empty() && files.earthPressurePoints.empty();
  names.pyScratchFile = ctx.scratchInMemory ? sibling(files.input, ".pys") : files.pyCurves;
  names.pressureFile =
      ctx.scratchInMemory ? sibling(files.input, ".epf") : files.earthPressurePoints;
  const RunOutcome outcome = runNamedFiles(ctx);
  result.status = outcome.status;
  result.message = outcome.message;
  return result;
}

AnalysisResult runNamesFile(const std::string& path, std::ostream* err) {
  AnalysisResult result;
  std::error_code ec;
  std::filesystem::path names = path;
  if (std::filesystem::is_directory(names, ec)) names /= "NAMES.dat";
  RunOptions options;
  options.namesFile = names.string();
  options.folder = names.parent_path();
  options.err = err;
  options.results = &result.problems;
  const RunOutcome outcome = runAnalysis(options);
  result.status = outcome.status;
  result.message = outcome.message;
  return result;
}

}  // namespace korven
