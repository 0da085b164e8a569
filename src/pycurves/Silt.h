// Silt (soil with cohesion and friction) p-y curve of one side at one depth.
#pragma once

#include "pycurves/PyCommon.h"

namespace korven::py {

struct SiltParameters {
  CurveSite site;
  SideDepth at;
  double c = 0.0;          // cohesion
  double phi = 0.0;        // friction angle, radians
  double gammaAvg = 0.0;   // mean effective unit weight above the curve depth
  double k = 0.0;          // subgrade modulus of the layer
};

struct SiltCurve {
  CurvePoints points;
  double A = 0.0, B = 0.0;  // factors at z_eff/b'
  double pc = 0.0;          // cohesive resistance
  double ps = 0.0;          // frictional resistance
  double pu = 0.0;          // ultimate resistance A*ps
};

SiltCurve siltCurve(const SiltParameters& in);

}  // namespace korven::py
