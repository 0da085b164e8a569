// Working state of the p-y curve generation of one problem: the resistance
// layers below the excavation, the weight and strength profiles, the curve
// depths with their layer ranges, the resistance integrals and equivalent
// depths of the layered-soil rule, and the open p-y scratch file.
//
// Layers and curves are numbered from 1 in every accessor (layer 1 is the
// top resistance layer, curve 1 the shallowest); the vectors are 0-based.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "model/SoilModels.h"
#include "textio/Layout.h"

namespace korven {

// One soil layer that reaches below the excavation surface. Depths z are
// measured below the excavation surface.
struct ResistanceLayer {
  SoilModel model = SoilModel::SoftClay;
  double zTop = 0.0;
  double zBot = 0.0;      // cut at the cut-off depth for the deepest layer used
  double subgrade = 0.0;  // subgrade modulus k of the layer
  int inputLayer = 0;     // number of the input layer (1-based)
};

// A point of the effective unit weight profile.
struct WeightPoint {
  double z = 0.0;
  double gamma = 0.0;  // gamma above the water table, gamma - gamma_w below
};

// A point of the strength profile (phi in radians once the profile is built).
struct StrengthPoint {
  double z = 0.0;
  double c = 0.0;
  double phi = 0.0;
  double e50 = 0.0;
  double k = 0.0;
  double sixth = 0.0;
};

constexpr int kPyPointsPerSide = 17;
constexpr int kPyCurvesPerLayer = 5;

// One generated curve: its depth below the excavation surface and the
// scaled points (y_out, p_out) of both sides as written to the scratch file
// (index 0 the excavation side, 1 the backfill side).
struct GeneratedCurve {
  double z = 0.0;
  std::array<std::array<double, kPyPointsPerSide>, 2> y{};
  std::array<std::array<double, kPyPointsPerSide>, 2> p{};
};

struct PyState {
  // Constants of the unit system.
  double gammaW = 0.0;          // unit weight of water
  double d0 = 0.0;              // end offset of the first and last curve of a layer
  double referenceWidth = 0.0;  // width of the continuous-wall deflection scale
  // Problem quantities used by every model.
  double freeHeight = 0.0;    // H
  double zMax = 0.0;          // cut-off depth below the excavation surface
  double spacingRatio = 1.0;  // WA/WP, at least 1
  double cycles = 0.0;        // number of load cycles (100 for cyclic input of 0)
  bool cyclic = false;

  std::vector<ResistanceLayer> layers;
  std::vector<WeightPoint> weight;
  int weightPrintedCount = 0;  // weight points before the two appended ones
  std::vector<StrengthPoint> strength;
  std::vector<GeneratedCurve> curves;
  std::vector<int> first, last;            // curve range of each layer (0: none)
  std::vector<double> resistanceIntegral;  // per layer
  std::vector<double> equivalentDepth;     // per layer

  textio::OutputChannel scratch;  // the p-y scratch file while it is written

  int layerCount() const { return static_cast<int>(layers.size()); }
  int curveCount() const { return static_cast<int>(curves.size()); }
  ResistanceLayer& layer(int i) { return layers[static_cast<std::size_t>(i - 1)]; }
  const ResistanceLayer& layer(int i) const { return layers[static_cast<std::size_t>(i - 1)]; }
  GeneratedCurve& curve(int m) { return curves[static_cast<std::size_t>(m - 1)]; }
  const GeneratedCurve& curve(int m) const { return curves[static_cast<std::size_t>(m - 1)]; }
  double curveDepth(int m) const { return curve(m).z; }
  int firstCurve(int i) const { return first[static_cast<std::size_t>(i - 1)]; }
  int lastCurve(int i) const { return last[static_cast<std::size_t>(i - 1)]; }
  double& integral(int i) { return resistanceIntegral[static_cast<std::size_t>(i - 1)]; }
  double& zEq(int i) { return equivalentDepth[static_cast<std::size_t>(i - 1)]; }
  double zEq(int i) const { return equivalentDepth[static_cast<std::size_t>(i - 1)]; }
  bool continuousWall() const { return spacingRatio < 1.1; }
};

}  // namespace korven
