// Sand p-y curve of one side at one depth.
#pragma once

#include "pycurves/PyCommon.h"

namespace korven::py {

struct SandParameters {
  CurveSite site;
  SideDepth at;
  double phi = 0.0;        // friction angle, radians
  double gammaAvg = 0.0;   // mean effective unit weight above the curve depth
  double k = 0.0;          // subgrade modulus of the layer
};

struct SandCurve {
  CurvePoints points;
  double A = 0.0, B = 0.0;  // factors at z/b'
  double pst = 0.0;         // wedge resistance
  double psd = 0.0;         // flow resistance
  double ps = 0.0;          // governing (or passive, continuous wall)
  double pu = 0.0;          // ultimate resistance A*ps
};

SandCurve sandCurve(const SandParameters& in);

}  // namespace korven::py
