// One row per soil model: its traits and the function that generates its
// curves. A new model is one new source file with its layer function, one
// row of traits in model/SoilModels.h and one row in SoilModelTable.cpp.
#pragma once

#include <span>

#include "model/SoilModels.h"

namespace korven {

struct PyState;
struct RunContext;

// Generates the curves firstCurve..lastCurve of resistance layer `layer`
// (both numbered from 1), prints them and writes them to the scratch file.
using LayerCurveFunction = void (*)(RunContext& ctx, PyState& st, int layer, int firstCurve,
                                    int lastCurve);

// A model's traits (model/SoilModels.h) with the function of its curves.
struct SoilModelRow : SoilModelTraits {
  LayerCurveFunction curves;
};

// Every model, in code order.
std::span<const SoilModelRow> soilModelTable();
const SoilModelRow& soilModelRow(SoilModel model);
inline const SoilModelRow& soilModelRow(int code) { return soilModelRow(soilModelFromCode(code)); }

}  // namespace korven
