#include "pycurves/SoilModelTable.h"

#include <array>
#include <cstddef>

namespace korven {

// The layer function of every model (each in its own file).
void softClayModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void stiffClayFreeWaterModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void stiffClayNoFreeWaterModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void sandModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void siltModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void rockModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);
void weakRockModel(RunContext& ctx, PyState& st, int layer, int firstCurve, int lastCurve);

namespace {

using enum SoilModel;

constexpr SoilModelRow row(SoilModel model, LayerCurveFunction curves) {
  return {soilModelTraits(model), curves};
}

constexpr std::array<SoilModelRow, kSoilModelCount> kTable = {{
    row(SoftClay, softClayModel),
    row(StiffClayFreeWater, stiffClayFreeWaterModel),
    row(StiffClayNoFreeWater, stiffClayNoFreeWaterModel),
    row(Sand, sandModel),
    row(Silt, siltModel),
    row(Rock, rockModel),
    row(WeakRock, weakRockModel),
}};

}  // namespace

std::span<const SoilModelRow> soilModelTable() { return kTable; }

const SoilModelRow& soilModelRow(SoilModel model) {
  return kTable[static_cast<std::size_t>(soilModelCode(model) - 1)];
}

}  // namespace korven
