// An in-memory problem for the earth-pressure tests: report, monitoring
// file and error stream captured, the point file in a temporary directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/RunContext.h"
#include "pressure/EarthPressure.h"
#include "pressure/PressureInternal.h"

namespace korven::testing {

class PressureRun {
 public:
  // unitFlag 1 English (in, lb), 2 SI (m, kN). The wall has n increments
  // of length h; H is the free height of the soil data.
  PressureRun(int unitFlag, int n, double h, double freeHeight) {
    ctx.unitFlag = unitFlag;
    ctx.labels = selectUnitLabels(unitFlag == 2 ? -1 : 1);
    ctx.report.attach(report);
    ctx.monitor.attach(monitor);
    ctx.err = &errors;
    static int serial = 0;
    file = (std::filesystem::temp_directory_path() /
            ("korven-pressure-" + std::to_string(::getpid()) + "-" + std::to_string(++serial)))
               .string();
    ctx.names.pressureFile = file;
    ctx.model.control.unitFlag = unitFlag;
    ctx.model.control.earthPressureOption = 2;
    ctx.model.wall.n = n;
    ctx.model.wall.h = h;
    ctx.model.wall.excavationDepth = freeHeight;
    SoilData& s = ctx.model.soil;
    s.excavationDepth = freeHeight;
    s.widthPressure = s.widthResistance = 1.0;
    s.waterBackfill = s.waterExcavation = 1.0e6;  // dry
    s.activeModifier = 1.0;
  }
  ~PressureRun() { std::remove(file.c_str()); }

  // Appends a layer from the previous bottom to `bottom` with the same
  // top and bottom values.
  void layer(int code, double bottom, double gamma, double c, double phi, double optional = 0.0) {
    SoilLayer l;
    l.modelCode = code;
    l.bottomDepth = bottom;
    const auto& layers = ctx.model.soil.layers;
    l.thickness = bottom - (layers.empty() ? 0.0 : layers.back().bottomDepth);
    l.top = {gamma, c, phi, 0.0, 0.0, optional};
    l.bottom = l.top;
    ctx.model.soil.layers.push_back(l);
  }

  void run() {
    pressure::computeEarthPressures(ctx, state);
    ctx.report.flush();
    ctx.monitor.flush();
  }

  // The point file: the count record and the rows.
  int fileCount = -1;
  std::vector<std::array<double, 12>> readPoints() {
    std::ifstream in(file);
    in >> fileCount;
    std::vector<std::array<double, 12>> rows;
    std::array<double, 12> r{};
    while (in >> r[0]) {
      for (int i = 1; i < 12; ++i) in >> r[static_cast<std::size_t>(i)];
      rows.push_back(r);
    }
    return rows;
  }

  const AnalysisLayer& layerAt(int j) const { return state.profile.layer(j); }

  RunContext ctx;
  PressureState state;  // the phase's working state after run()
  std::ostringstream report, monitor, errors;
  std::string file;
};

}  // namespace korven::testing
