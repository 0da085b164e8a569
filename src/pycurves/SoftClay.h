// Soft clay p-y curve of one side at one depth.
#pragma once

#include "pycurves/PyCommon.h"

namespace korven::py {

struct SoftClayParameters {
  CurveSite site;
  SideDepth at;
  double c = 0.0;          // undrained shear strength
  double e50 = 0.0;        // strain at half the peak stress
  double gammaAvg = 0.0;   // mean effective unit weight above the curve depth
};

struct SoftClayCurve {
  CurvePoints points;
  double pu = 0.0;    // ultimate resistance
  double pCyc = 0.0;  // cyclic plateau 0.72*pu
  double zr = 0.0;    // depth above which cyclic loading degrades the curve
  double k0 = 0.0;    // initial modulus of the first point
};

SoftClayCurve softClayCurve(const SoftClayParameters& in);

}  // namespace korven::py
