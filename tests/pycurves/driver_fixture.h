// A p-y generation problem built in memory, and a reader of the p-y
// scratch file it writes.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/RunContext.h"
#include "pycurves/PyCommon.h"
#include "pycurves/PyGenerator.h"

namespace korven::test {

struct ScratchCurve {
  double x = 0.0;
  int count = 0;
  std::vector<int> index;
  std::vector<double> p, y;
};

struct ScratchFile {
  int total = 0;
  std::vector<ScratchCurve> users;
  std::vector<ScratchCurve> generated;
};

// English units unless si: N = 40 increments of 12 in, H = 120 in, so the
// cut-off lies 384 in below the excavation.
struct PyProblem {
  RunContext ctx;
  PyState state;  // the phase's working state after run()
  std::ostringstream report, err;
  std::string path;

  explicit PyProblem(bool si = false) {
    ctx.report.attach(report);
    ctx.err = &err;
    ctx.unitFlag = si ? 2 : 1;
    ctx.labels = selectUnitLabels(si ? -1 : 1);
    path = (std::filesystem::temp_directory_path() /
            ("korven_py_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".tmp"))
               .string();
    ctx.names.pyScratchFile = path;
    ctx.model.control.pyOption = 2;
    ctx.model.control.earthPressureOption = 2;
    ctx.model.wall.n = 40;
    ctx.model.wall.h = si ? 0.3 : 12.0;
    SoilData& s = ctx.model.soil;
    s.excavationDepth = si ? 3.0 : 120.0;
    s.widthPressure = 48.0;
    s.widthResistance = 12.0;  // WA/WP = 4: no group factor
    s.waterBackfill = 1e6;     // dry
    s.referenceWidth = si ? 0.30479999631643295 : 12.0;
    s.loadingFlag = 1;
  }
  ~PyProblem() { std::filesystem::remove(path); }

  // Appends an input layer with constant values (c, phi, e50, k).
  SoilLayer& layer(int code, double bottom, double gamma, double c, double phi, double e50,
                   double k) {
    SoilLayer l;
    l.modelCode = code;
    l.bottomDepth = bottom;
    const auto& layers = ctx.model.soil.layers;
    l.thickness = bottom - (layers.empty() ? 0.0 : layers.back().bottomDepth);
    l.top = {gamma, c, phi, e50, k, 0.0};
    l.bottom = l.top;
    ctx.model.soil.layers.push_back(l);
    return ctx.model.soil.layers.back();
  }

  void run() { generatePyCurves(ctx, state); }

  ScratchFile scratch() const {
    ScratchFile f;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    f.total = std::stoi(line);
    const int users = static_cast<int>(ctx.model.userCurves.size());
    for (int u = 0; u < users; ++u) {
      ScratchCurve c;
      std::getline(in, line);
      std::istringstream(line) >> c.x >> c.count;
      for (int j = 0; j < c.count; ++j) readPoint(in, c);
      f.users.push_back(c);
    }
    while (std::getline(in, line)) {
      ScratchCurve c;
      std::istringstream(line) >> c.x >> c.count;
      for (int j = 0; j < c.count; ++j) readPoint(in, c);
      f.generated.push_back(c);
    }
    return f;
  }

  std::string text() const { return report.str(); }

 private:
  static void readPoint(std::istream& in, ScratchCurve& c) {
    std::string line;
    std::getline(in, line);
    std::istringstream s(line);
    int j = 0;
    double p = 0.0, y = 0.0;
    s >> j >> p >> y;
    c.index.push_back(j);
    c.p.push_back(p);
    c.y.push_back(y);
  }
};

inline int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace korven::test
