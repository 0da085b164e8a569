// Steps of the earth-pressure computation shared between its source files
// (and reachable by the tests).
#pragma once

#include <vector>

#include "core/RunContext.h"
#include "model/WallModel.h"
#include "pressure/PressureState.h"

namespace korven::pressure {

constexpr double kDegree = kDegreeDivisor;
// Optional earth coefficients above this replace the active coefficient.
constexpr double kCoefficientFloor = single(1.0e-7f);
// Pressures below this count as zero (net pressure, net active force).
constexpr double kPressureFloor = single(1.0e-5f);
constexpr int kMaxAnalysisLayers = 21;
// Largest point table of the pressure distribution (a wall some 16,000 ft
// or 10 km long): beyond it the increment length is not a wall's.
constexpr double kMaxPressurePoints = 200000.0;

// Number of table points over a length: one per inch in English runs, one
// per 0.05 m in SI runs.
inline int pointCount(const RunContext& ctx, double length) {
  return nearestInt(ctx.si() ? 20.0 * length : length);
}

// An input soil layer as the profile takes it.
struct InputLayer {
  int modelCode = 1;
  double thickness = 0.0;
  double cohesion = 0.0;
  double phi = 0.0;
  double unitWeight = 0.0;
  double optionalCoefficient = 0.0;
  bool drained = false;
};

// Input layers in order, up to the first one without positive thickness.
std::vector<InputLayer> prepareInputLayers(const SoilData& soil);

// The earth-pressure phase with its working state kept by the caller
// (computeEarthPressures(ctx) keeps it for the one call).
void computeEarthPressures(RunContext& ctx, PressureState& st);

// Splits the input layers at the excavation depth and the backfill water
// table into the analysis layers of st.profile.
void buildSoilProfile(RunContext& ctx, PressureState& st, const std::vector<InputLayer>& input);

// Coefficients of every analysis layer with their table.
void computeCoefficients(RunContext& ctx, PressureState& st);
// Active and water resultants of the layers above the excavation level,
// their tables and the net-active-force warning.
void computeLayerResultants(RunContext& ctx, PressureState& st);

// SURCHARGE INFORMATION; sets the working surcharge values to the last
// listed surcharge.
void writeSurchargeInformation(RunContext& ctx, PressureState& st);

// Force of the working surcharge values on a layer of thickness t whose
// top is at ztop (ten-step sum), added to its overburden resultant.
double layerSurchargeForce(const PressureState& st, double ztop, double t);

// Point table and the earth-pressure point file.
void writePressureDistribution(RunContext& ctx, PressureState& st);

}  // namespace korven::pressure
