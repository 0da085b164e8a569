// The soil models of the p-y curves and of the earth-pressure phase. The
// input gives a model as its code; the enumerators carry those codes.
#pragma once

namespace korven {

enum class SoilModel {
  SoftClay = 1,
  StiffClayFreeWater,
  StiffClayNoFreeWater,
  Sand,
  Silt,
  Rock,
  WeakRock,
};

inline constexpr int kSoilModelCount = 7;

inline constexpr int soilModelCode(SoilModel m) { return static_cast<int>(m); }

// The reader admits the codes 1..7 only; a model built in memory with any
// other code is taken as soft clay, as the curve generation always did.
inline constexpr SoilModel soilModelFromCode(int code) {
  return code >= 1 && code <= kSoilModelCount ? static_cast<SoilModel>(code) : SoilModel::SoftClay;
}

}  // namespace korven
