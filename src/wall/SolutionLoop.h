// The nonlinear solution loop: p-y supports linearised at the current
// deflections, closure, damping of oscillation, tie-back results.
#pragma once

#include "core/RunContext.h"
#include "wall/WallState.h"

namespace korven {

// Builds the solver's curve table st.curves from model.curves, whose p
// values are per unit length: here they are multiplied by h.
void prepareCurveTable(const WallModel& model, WallState& st);

enum class CurveStatus { Ok, NotInOrder, NegativeFlag };

// Linearises every curve of st.curves at st.w and adds the supports to the
// working load, stiffness and soil reaction (stations 0..N).
CurveStatus applyCurves(const WallModel& model, WallState& st);

// One point of the linearised support p(w) = q0 - s*w of a curve at w.
struct CurveSupport {
  double q0 = 0.0, s = 0.0, p = 0.0;
};
CurveSupport evaluateCurve(const PyCurve& curve, double w);

// Damping of an iteration that alternates between two states: blends the
// new deflections of stations 0..N with the previous ones.
void blendDeflections(WallState& st, int n);

// iterateWall (wall/WallAnalysis.h) with the working state kept by the
// caller, which can look at the loop's deflections and outcome afterwards.
void iterateWall(RunContext& ctx, WallState& st);

}  // namespace korven
