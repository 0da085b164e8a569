// Stiff clay p-y curves (with and without free water) of one side at one
// depth.
#pragma once

#include "pycurves/PyCommon.h"

namespace korven::py {

struct StiffClayParameters {
  CurveSite site;
  SideDepth at;
  double c = 0.0;          // undrained shear strength at the curve depth
  double ca = 0.0;         // average strength from the layer top to the curve depth
  double e50 = 0.0;        // strain at half the peak stress
  double gammaAvg = 0.0;   // mean effective unit weight above the curve depth
  double k = 0.0;          // subgrade modulus of the layer (free water only)
};

// Stiff clay without free water.
struct StiffClayNoFreeWaterCurve {
  CurvePoints points;
  double pu = 0.0;  // ultimate resistance
};
StiffClayNoFreeWaterCurve stiffClayNoFreeWaterCurve(const StiffClayParameters& in);

// Stiff clay with free water.
struct StiffClayFreeWaterCurve {
  CurvePoints points;
  double pc = 0.0;        // ultimate resistance
  double as = 0.0;        // static factor at z/b
  double ac = 0.0;        // cyclic factor at z/b
  double fraction = 0.0;  // final resistance over pc, for the layer integral
};
StiffClayFreeWaterCurve stiffClayFreeWaterCurve(const StiffClayParameters& in);

}  // namespace korven::py
