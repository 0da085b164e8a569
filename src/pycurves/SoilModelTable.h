// One row per soil model: what the report prints for it, how the
// earth-pressure phase treats it and which function generates its curves.
// A new model is one new source file with its layer function and one row
// in SoilModelTable.cpp.
#pragma once

#include <span>

#include "model/SoilModels.h"

namespace korven {

struct RunContext;

// Generates the curves firstCurve..lastCurve of resistance layer `layer`
// (both numbered from 1), prints them and writes them to the scratch file.
using LayerCurveFunction = void (*)(RunContext& ctx, int layer, int firstCurve, int lastCurve);

struct SoilModelRow {
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
  LayerCurveFunction curves;
};

// Every model, in code order.
std::span<const SoilModelRow> soilModelTable();
const SoilModelRow& soilModelRow(SoilModel model);
inline const SoilModelRow& soilModelRow(int code) { return soilModelRow(soilModelFromCode(code)); }

}  // namespace korven
