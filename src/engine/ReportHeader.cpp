#include "engine/ReportHeader.h"

#include <filesystem>

namespace korven {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool hasDrive(const std::string& p) {
  return p.size() >= 2 && p[1] == ':' &&
         ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

const char* const kMonths[12] = {"January", "February", "March",     "April",
                                  "May",     "June",     "July",      "August",
                                  "September", "October", "November", "December"};

}  // namespace

PathParts splitPath(const std::string& name, const std::filesystem::path& folder) {
  std::string full = name;
  if (!hasDrive(full) && (full.empty() || !isSeparator(full[0]))) {
    // A relative name is taken relative to the run's folder, by default the
    // working directory.
    std::error_code ec;
    std::string cwd = folder.empty() ? std::filesystem::current_path(ec).string() : folder.string();
    if (!cwd.empty() && !isSeparator(cwd.back())) {
      cwd += static_cast<char>(std::filesystem::path::preferred_separator);
    }
    full = cwd + full;
  }
  PathParts parts;
  std::size_t start = 0;
  if (hasDrive(full)) {
    parts.drive = full.substr(0, 2);
    start = 2;
  }
  const std::size_t lastSep = full.find_last_of("/\\");
  std::string fileName;
  if (lastSep != std::string::npos && lastSep >= start) {
    parts.directory = full.substr(start, lastSep + 1 - start);
    fileName = full.substr(lastSep + 1);
  } else {
    fileName = full.substr(start);
  }
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos) {
    parts.base = fileName;
  } else {
    parts.base = fileName.substr(0, dot);
    parts.extension = fileName.substr(dot, 5);
  }
  return parts;
}

void writeReportHeader(RunContext& ctx) {
  auto& out = ctx.report;
  if (ctx.problemCounter > 1) out.write(KLAYOUT("(/)"));
  out.write(KLAYOUT("(5X,73('='),/)"));
  out.write(KLAYOUT("(20X,'  KORVEN for Windows, Version ',A12,/)"), ctx.names.version);
  out.write(KLAYOUT("(20X,'   A Program for the Analysis of ')"));
  out.write(KLAYOUT("(20X,'   Flexible Retaining Walls ',/)"));
  out.write(KLAYOUT("(5X,73('='),/,/)"));

  const PathParts input = splitPath(ctx.names.inputFile, ctx.folder);
  const PathParts report = splitPath(ctx.names.reportFile, ctx.folder);
  const PathParts plot = splitPath(ctx.names.plotFile, ctx.folder);
  out.write(KLAYOUT("(5X,'Path to file locations      : ',A,A)"), input.drive,
            input.directory);
  out.write(KLAYOUT("(5X,'Name of input data file     : ',A,A)"), input.base, input.extension);
  out.write(KLAYOUT("(5X,'Name of output file         : ',A,A)"), report.base, report.extension);
  out.write(KLAYOUT("(5X,'Name of plot output file    : ',A,A)"), plot.base, plot.extension);
  out.write(KLAYOUT("()"));

  const LocalTime now = ctx.clock ? ctx.clock() : systemLocalTime();
  out.write(KLAYOUT("(5X,73('-'),/,26X,'Time and Date of Analysis',/,5X,73('-'),/)"));
  const int month = (now.month >= 1 && now.month <= 12) ? now.month : 1;
  out.write(KLAYOUT("(15X,'Date:  ',A,' ',I2.2,', ',I4,5X,'Time:  ',I2.2,':',I2.2,':',I2.2)"),
            kMonths[month - 1], now.day, now.year, now.hour, now.minute, now.second);
}

}  // namespace korven
