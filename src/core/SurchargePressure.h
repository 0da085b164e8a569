// Lateral pressure of the surcharges behind the wall, from the model alone:
// the earth-pressure phase and the specified-pressure path of the wall
// phase both take it.
#pragma once

#include "model/WallModel.h"

namespace korven {

// Below this free height the distance ratios x/H and z/H are not formed.
inline constexpr double kSmallFreeHeight = 1.0e-6;

// Single working surcharge values (one of each kind at most) used by the
// layer resultants.
struct WorkingSurcharge {
  double distance = 0.0;
  double pointLoad = 0.0;
  double lineLoad = 0.0;
  double stripLoad = 0.0;
  double stripWidth = 0.0;
};

// Lateral pressure of one surcharge kind at depth z below the load level,
// for a wall of free height h. A free height below 1e-6 uses the form of a
// distant load, which does not depend on it (its limit as h tends to 0).
double pointLoadPressure(double load, double x, double z, double h);
// coefficient / divisor multiplies the load in the distant-load form.
double lineLoadPressure(double load, double x, double z, double h, double coefficient,
                        double divisor);

// beta - sin(beta) cos(a1 + a2) of a strip load seen under the angles a1, a2.
double stripShape(double a1, double a2);

// Lateral pressure of the listed surcharges at depth z below the wall top,
// from the free height and the surcharges of model.soil. Each kind met sets
// its value in `working` when given (the earth-pressure phase keeps them).
double surchargePressureAt(const WallModel& model, double z, WorkingSurcharge* working = nullptr);

}  // namespace korven
