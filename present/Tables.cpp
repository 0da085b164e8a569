#include "Tables.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "Summary.h"
#include "Units.h"

namespace korven::present {

namespace {

std::string column(const char* name, const char* unit) {
  return std::string(name) + " (" + unit + ")";
}

}  // namespace

std::string stationTableCsv(const ProblemResult& p) {
  const Units& u = unitsOf(p.si);
  std::string out = "station," + column("depth", u.depth) + "," +
                    column("deflection", u.deflection) + "," + column("slope", u.slope) + "," +
                    column("moment", u.moment) + "," + column("shear", u.shear) + "," +
                    column("soil reaction", u.perLength) + "," +
                    column("net force per station", u.force) + "," + column("EI", u.rigidity) +
                    "\n";
  for (const StationResult& s : p.stations) {
    out += std::to_string(s.station);
    for (double v : {s.depth, s.deflection, s.slope, s.moment, s.shear, s.soilReaction, s.netForce,
                     s.flexuralRigidity}) {
      out += "," + exact(v);
    }
    out += "\n";
  }
  return out;
}

std::string earthPressureCsv(const ProblemResult& p) {
  const Units& u = unitsOf(p.si);
  std::string out = column("depth", u.depth) + "," + column("earth pressure", u.perLength) + "\n";
  for (const EarthPressurePoint& e : p.earthPressure) {
    out += exact(e.depth) + "," + exact(e.pressure) + "\n";
  }
  return out;
}

std::string pyCurvesCsv(const ProblemResult& p) {
  const Units& u = unitsOf(p.si);
  std::string out = "curve,station," + column("depth", u.depth) + "," +
                    column("y", u.deflection) + "," + column("p", u.perLength) + "\n";
  int number = 0;
  for (const PyCurveResult& c : p.pyCurves) {
    ++number;
    const std::string head =
        std::to_string(number) + "," + std::to_string(c.station) + "," + exact(c.depth) + ",";
    for (std::size_t i = 0; i < c.y.size() && i < c.p.size(); ++i) {
      out += head + exact(c.y[i]) + "," + exact(c.p[i]) + "\n";
    }
  }
  return out;
}

void writeTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) {
    file << text;
    file.close();
  }
  if (!file) {
    const int e = errno;
    throw std::runtime_error("cannot write " + path.string() + (e ? ": " + std::string(std::strerror(e)) : ""));
  }
}

std::vector<std::filesystem::path> writeCsvTables(const AnalysisResult& result,
                                                  const std::filesystem::path& dir,
                                                  const std::string& base) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    throw std::runtime_error("cannot make the folder " + dir.string() +
                             (ec ? ": " + ec.message() : ": a file of that name is in the way"));
  }
  std::vector<std::filesystem::path> written;
  for (const ProblemResult& p : result.problems) {
    const std::string stem = base + "-p" + std::to_string(p.number) + "-";
    const std::pair<const char*, std::string> tables[] = {
        {"stations.csv", stationTableCsv(p)},
        {"earth-pressure.csv", earthPressureCsv(p)},
        {"py-curves.csv", pyCurvesCsv(p)}};
    for (const auto& [name, text] : tables) {
      written.push_back(dir / (stem + name));
      writeTextFile(written.back(), text);
    }
  }
  return written;
}

}  // namespace korven::present
