#include "pycurves/SoilModelTable.h"

#include <array>
#include <cstddef>

namespace korven {

// The layer function of every model (each in its own file).
void softClayModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void stiffClayFreeWaterModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void stiffClayNoFreeWaterModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void sandModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void siltModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void rockModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);
void weakRockModel(RunContext& ctx, int layer, int firstCurve, int lastCurve);

namespace {

using enum SoilModel;

constexpr std::array<SoilModelRow, kSoilModelCount> kTable = {{
    // model, report line, drained, cyclic form, earth coefficient, curves
    {SoftClay, "THE SOIL IS A SOFT CLAY", false, true, true, softClayModel},
    {StiffClayFreeWater, "THE SOIL IS A STIFF CLAY WITH FREE WATER      ", false, true, true,
     stiffClayFreeWaterModel},
    {StiffClayNoFreeWater, "THE SOIL IS A STIFF CLAY WITHOUT FREE WATER   ", false, true, true,
     stiffClayNoFreeWaterModel},
    {Sand, "THE SOIL IS A SAND", true, true, true, sandModel},
    {Silt, "THE SOIL IS A SILT", true, true, true, siltModel},
    {Rock, "THE LAYER IS ROCK", true, false, false, rockModel},
    {WeakRock, "THE LAYER IS WEAK ROCK", true, false, false, weakRockModel},
}};

}  // namespace

std::span<const SoilModelRow> soilModelTable() { return kTable; }

const SoilModelRow& soilModelRow(SoilModel model) {
  return kTable[static_cast<std::size_t>(soilModelCode(model) - 1)];
}

}  // namespace korven
