// The soil models of the p-y curves and of the earth-pressure phase. The
// input gives a model as its code; the enumerators carry those codes.
#pragma once

#include <array>
#include <cstddef>

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

// What the report prints for a model and how the earth-pressure phase
// treats it; the p-y phase adds its curve function to each row.
struct SoilModelTraits {
  SoilModel model;
  // Line under "LAYER n" in the soil-layer report (with its trailing blanks).
  const char* reportLine;
  // Effective stresses below the water table (frictional soils and rock);
  // an undrained layer takes total stresses and the full water pressure.
  bool drained;
  // The curves take another form under cyclic loading, and the report marks
  // the layer "CYCLIC MODEL" in a cyclic run.
  bool cyclicForm;
  // The layer's sixth input value is an optional earth-pressure coefficient
  // (rock uses that column for its own parameters).
  bool earthCoefficient;
};

// Every model, in code order.
inline constexpr std::array<SoilModelTraits, kSoilModelCount> kSoilModelTraits = {{
    // model, report line, drained, cyclic form, earth coefficient
    {SoilModel::SoftClay, "THE SOIL IS A SOFT CLAY", false, true, true},
    {SoilModel::StiffClayFreeWater, "THE SOIL IS A STIFF CLAY WITH FREE WATER      ", false, true, true},
    {SoilModel::StiffClayNoFreeWater, "THE SOIL IS A STIFF CLAY WITHOUT FREE WATER   ", false, true,
     true},
    {SoilModel::Sand, "THE SOIL IS A SAND", true, true, true},
    {SoilModel::Silt, "THE SOIL IS A SILT", true, true, true},
    {SoilModel::Rock, "THE LAYER IS ROCK", true, false, false},
    {SoilModel::WeakRock, "THE LAYER IS WEAK ROCK", true, false, false},
}};

inline constexpr const SoilModelTraits& soilModelTraits(SoilModel m) {
  return kSoilModelTraits[static_cast<std::size_t>(soilModelCode(m) - 1)];
}
inline constexpr const SoilModelTraits& soilModelTraits(int code) {
  return soilModelTraits(soilModelFromCode(code));
}

}  // namespace korven
