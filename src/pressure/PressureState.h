// Working state of the earth-pressure phase of one problem: the backfill
// soil profile split at the excavation and water-table depths, the layer
// resultants, the working surcharge values and the point table written to
// the earth-pressure point file.
#pragma once

#include <array>
#include <vector>

#include "core/SurchargePressure.h"

namespace korven {

// One layer of the backfill profile as the pressure computation uses it.
// Lengths, stresses and unit weights are in internal units (in, psi, pci /
// m, kPa, kN/m^3).
struct AnalysisLayer {
  double thickness = 0.0;
  double ztop = 0.0;        // depth of the layer top below the wall top
  double cohesion = 0.0;    // cohesion or undrained strength
  double phi = 0.0;         // friction angle, degrees
  double unitWeight = 0.0;  // total unit weight
  bool drained = false;     // sand, silt and rock: true; clays: false
  double optionalCoefficient = 0.0;
  double modifier = 0.0;  // modification factor for active pressure
  bool submerged = false;
  // Vertical stress at the layer top as the pressures use it: effective,
  // except for undrained submerged layers with an optional coefficient,
  // which carry the total stress.
  double overburden = 0.0;
  // Earth-pressure coefficients.
  double ka = 0.0, sqrtKa = 0.0, kp = 0.0, sqrtKp = 0.0, k0 = 0.0;
};

// Active and water resultants of a layer above the excavation level, per
// unit width of wall. Depths from the wall top.
struct LayerResultants {
  double pa1 = 0.0;  // overburden at the top plus surcharge
  double pa2 = 0.0;  // own weight
  double pa3 = 0.0;  // cohesion (negative)
  double pa4 = 0.0;  // triangle below a tension crack
  double z1 = -1000.0;
  double z2 = -1000.0;
  double z3 = -9.999999747378752e-06;
  double crackHeight = 0.0;
  double pw1 = 0.0;  // water force, pore pressure at the top (negative)
  double pw2 = 0.0;  // water force, pore pressure increase (negative)
};

struct SoilProfile {
  std::vector<AnalysisLayer> layers;  // top to bottom, at most 21
  int excavationLayerIndex = 0;       // 1-based layer whose top is at H; 0 none
  int waterTableLayerIndex = 0;       // 1-based layer whose top is at zwB; 0 none
  bool tooManyLayers = false;

  int count() const { return static_cast<int>(layers.size()); }
  // 1-based access.
  AnalysisLayer& layer(int j) { return layers[static_cast<std::size_t>(j - 1)]; }
  const AnalysisLayer& layer(int j) const { return layers[static_cast<std::size_t>(j - 1)]; }
};

// One row of the earth-pressure point table: depth and eleven pressures.
using PressurePoint = std::array<double, 12>;

struct PressureState {
  // Working copies of the wall and water data.
  double freeHeight = 0.0;       // H
  double waterBackfill = 0.0;    // zwB
  double waterExcavation = 0.0;  // zwE
  double surfacePressure = 0.0;  // q0
  double waterUnitWeight = 0.0;  // gw
  WorkingSurcharge surcharge;

  SoilProfile profile;
  std::vector<LayerResultants> resultants;  // one per analysis layer

  // The point table (storage for at least 2000 points).
  std::vector<PressurePoint> points;
};

}  // namespace korven
