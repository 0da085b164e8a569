// Rock and weak rock p-y curves of one side at one depth.
#pragma once

#include "pycurves/PyCommon.h"

namespace korven::py {

struct RockParameters {
  double b = 0.0;            // width of the wall element
  double depth = 0.0;        // depth below the ground surface of the side
  double s = 0.0;            // half the input strength
  double gammaAvg = 0.0;     // mean effective unit weight above the curve depth
  double pMultiplier = 1.0;  // multipliers at the curve depth, applied here
  double yMultiplier = 1.0;
};
// Points with the multipliers applied (the residual resistance unscaled).
CurvePoints rockCurve(const RockParameters& in);

struct WeakRockParameters {
  double b = 0.0;      // width of the wall element
  double depth = 0.0;  // depth below the ground surface of the side
  double zTop = 0.0;   // top of the rock layer below the excavation surface
  double em = 0.0;     // rock mass modulus
  double rqd = 0.0;    // rock quality designation, percent
  double qa = 0.0;     // average compressive strength
  double krm = 0.0;    // strain factor: y_rm = krm*b
};
CurvePoints weakRockCurve(const WeakRockParameters& in);

}  // namespace korven::py
