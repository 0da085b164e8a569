// The results as tables to export: per problem the station table, the
// earth-pressure table and the p-y curves, comma-separated with a header row
// naming each column and its unit.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "korven/analysis.h"

namespace korven::present {

std::string stationTableCsv(const ProblemResult& problem);
std::string earthPressureCsv(const ProblemResult& problem);
std::string pyCurvesCsv(const ProblemResult& problem);

// Writes the three tables of every problem into `dir` (made when missing)
// as BASE-pN-stations.csv, BASE-pN-earth-pressure.csv and
// BASE-pN-py-curves.csv, N the problem's number. Returns the files written;
// throws std::runtime_error naming the file and the reason when one cannot
// be written.
std::vector<std::filesystem::path> writeCsvTables(const AnalysisResult& result,
                                                  const std::filesystem::path& dir,
                                                  const std::string& base);

// Writes `text` to `path` in full, or throws std::runtime_error naming the
// file and the system's reason.
void writeTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace korven::present
