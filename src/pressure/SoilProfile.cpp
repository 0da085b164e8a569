// The backfill soil profile: input layers split at the excavation depth and
// at the backfill water table, so that no analysis layer straddles either.
#include <cmath>
#include <utility>

#include "model/SoilModels.h"
#include "pressure/PressureInternal.h"

namespace korven::pressure {

std::vector<InputLayer> prepareInputLayers(const SoilData& soil) {
  std::vector<InputLayer> layers;
  for (const SoilLayer& in : soil.layers) {
    if (!(in.thickness > 0.0)) break;
    InputLayer l;
    l.modelCode = in.modelCode;
    l.thickness = in.thickness;
    l.unitWeight = in.top[kGamma];
    l.cohesion = in.top[kStrength];
    l.phi = in.top[kPhi];
    const SoilModelTraits& model = soilModelTraits(in.modelCode);
    l.optionalCoefficient = model.earthCoefficient ? in.top[kSixth] : 0.0;
    l.drained = model.drained;
    layers.push_back(l);
  }
  return layers;
}

void buildSoilProfile(RunContext& ctx, PressureState& st, const std::vector<InputLayer>& input) {
  SoilProfile& profile = st.profile;
  profile = SoilProfile{};

  // Split depths in ascending order; a depth at the ground surface splits
  // nothing.
  std::vector<double> splits;
  double first = st.freeHeight, second = st.waterBackfill;
  if (second < first) std::swap(first, second);
  splits.push_back(first);
  if (!(std::fabs(second - first) < kDepthTolerance)) splits.push_back(second);
  if (std::fabs(splits.front()) < kDepthTolerance) splits.erase(splits.begin());

  const double modifier = ctx.model.soil.activeModifier;
  std::size_t next = 0;
  double ztop = 0.0;

  // Opens a layer with the properties of `in` at depth `top`; false when
  // the profile is full.
  auto open = [&](const InputLayer& in, double top) {
    if (profile.count() == kMaxAnalysisLayers) {
      profile.tooManyLayers = true;
      return false;
    }
    AnalysisLayer l;
    l.ztop = top;
    l.cohesion = in.cohesion;
    l.phi = in.phi;
    l.unitWeight = in.unitWeight;
    l.drained = in.drained;
    l.optionalCoefficient = in.optionalCoefficient;
    l.modifier = modifier;
    profile.layers.push_back(l);
    return true;
  };

  for (const InputLayer& in : input) {
    if (!open(in, ztop)) break;
    const double bottom = ztop + in.thickness;
    bool full = false;
    while (next < splits.size()) {
      double& split = splits[next];
      if (std::fabs(bottom - split) < kDepthTolerance) {
        split = bottom;
        ++next;
      } else if (bottom < split) {
        break;
      } else {
        AnalysisLayer& current = profile.layers.back();
        current.thickness = split - current.ztop;
        ++next;
        if (!open(in, split)) {
          full = true;
          break;
        }
      }
    }
    if (full) break;
    AnalysisLayer& current = profile.layers.back();
    current.thickness = bottom - current.ztop;
    ztop = bottom;
  }

  for (int j = profile.count(); j >= 1; --j) {
    const double top = profile.layer(j).ztop;
    if (std::fabs(top - st.freeHeight) < kDepthTolerance) profile.excavationLayerIndex = j;
    if (std::fabs(top - st.waterBackfill) < kDepthTolerance) profile.waterTableLayerIndex = j;
  }
}

}  // namespace korven::pressure
