// Small builders of wall problems for the wall-analysis tests.
#pragma once

#include <cmath>
#include <vector>

#include "core/RunContext.h"
#include "model/WallModel.h"
#include "wall/WallState.h"

namespace korven::test {

// A uniform wall of N increments of length h with rigidity ei at stations
// 0..N, generous tolerances and the iteration limit given.
inline void uniformWall(WallModel& m, int n, double h, double ei, int itmax = 100) {
  m.wall = {};
  m.wall.n = n;
  m.wall.h = h;
  m.wall.allowableDeflection = 1e30;
  m.wall.closureTolerance = 1e-9;
  m.wall.iterationLimit = itmax;
  m.wall.analysisWidth = 1.0;
  m.stations.clear();
  for (int i = 0; i <= n; ++i) m.stations.f(i) = ei;
  m.specifiedPoints.clear();
  m.couples.clear();
  m.curves.clear();
}

// Adds a specified point and its condition codes.
inline void specify(WallModel& m, int kind, int station, double deflection, double slope) {
  m.specifiedPoints.push_back({kind, station, deflection, slope});
  auto& code = m.stations.condition;
  if (kind <= 1) {
    code(station) = 2;
  } else if (kind == 2) {
    code(station - 1) = 3;
    code(station + 1) = 5;
  } else {
    code(station - 1) = 3;
    code(station) = 4;
    code(station + 1) = 5;
  }
}

// A straight-line p-y curve p = -k*y (p per unit length) at one station.
inline PyCurve linearCurve(int station, double k, int contd = 1) {
  PyCurve c;
  c.points = 2;
  c.contd = contd;
  c.firstStation = c.lastStation = station;
  c.y[0] = -1.0;
  c.p[0] = k;
  c.y[1] = 1.0;
  c.p[1] = -k;
  return c;
}

// Working load and stiffness = the station tables (no curves).
inline void copyTables(const WallModel& m, WallState& st) {
  for (int i = -1; i <= m.wall.n + 1; ++i) {
    st.qw(i) = m.stations.q(i);
    st.sw(i) = m.stations.s(i);
    st.rw(i) = 0.0;
  }
}

}  // namespace korven::test
