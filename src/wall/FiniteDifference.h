// The finite-difference beam-column model of the wall: flexural rigidity
// per station, one linear solution of the five-term difference equations
// with specified deflections and slopes, and the derived slope, moment,
// shear and net force.
#pragma once

#include "model/WallModel.h"
#include "wall/WallState.h"

namespace korven {

// Sets F(n), n = 0..N, from the wall sections: elastic sections (tapered
// ones interpolated in depth) take E*I, nonlinear sections the secant
// rigidity at the current curvature of st.w. Stations are placed in the
// sections by their depths in the station tables (sectionDepth).
void assignStationStiffness(WallModel& model, const WallState& st);

// Secant rigidity M/phi of a moment-curvature table at curvature phi >= 0;
// returns `current` when the table cannot give one.
double secantRigidity(const MomentCurvatureTable& table, double phi, double current);

// One linear solution with the working load st.qw and stiffness st.sw.
// Overwrites st.w at stations -1..N+1 and reports the changes of stations
// 0..N against the deflections replaced.
SolveSummary solveWall(const WallModel& model, WallState& st);

// Extrapolates the outer fictitious deflections and fills model.results
// for stations 0..N+1, depths in the unit of the wall-section depths.
void computeWallResults(WallModel& model, WallState& st);

}  // namespace korven
