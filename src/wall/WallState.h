// Working arrays of the wall solution. They are sized once (fixed station
// arrays, the curve table reserved for its full capacity) and reused by
// every iteration, so the nonlinear loop allocates nothing.
#pragma once

#include <vector>

#include "model/WallModel.h"

namespace korven {

// What one linear solution reports about the deflections it replaced.
struct SolveSummary {
  double maxChange = 0.0;  // largest |new - old| over stations 0..N
  int notClosed = 0;       // stations 0..N whose change exceeds the tolerance
  int exceeding = 0;       // stations 0..N with |w| above the allowable deflection
};

enum class LoopStatus { Converged, LimitReached, DeflectionExceeded };

struct WallState {
  // Load, spring stiffness and soil reaction of the current iteration.
  StationArray<double> qw, sw, rw;
  // Recursion coefficients and the multiplier -1/D of every station.
  StationArray<double> a, b, c, m;
  // Deflections, and the deflections one, two and three iterations back.
  StationArray<double> w, w1, w2, w3;
  int oscillationCount = 0;
  double divisor = 2.0;  // damping divisor, kept between blends

  // The curve table in solver form: p per station (force per length
  // multiplied by h). Built from the model's curve table when the loop
  // starts.
  std::vector<PyCurve> curves;

  // Outcome of the last loop.
  LoopStatus status = LoopStatus::Converged;
  SolveSummary last;
};

}  // namespace korven
