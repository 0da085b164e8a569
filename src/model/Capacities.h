// Fixed capacities of the problem tables.
#pragma once

namespace korven {

constexpr int kMaxSpecifiedPoints = 20;
constexpr int kMaxWallSections = 20;
constexpr int kMaxCrossSections = 100;
constexpr int kMaxUserEiSets = 20;
constexpr int kMaxUserEiPoints = 100;
constexpr int kMaxGeneratedEiSets = 100;
constexpr int kMaxGeneratedEiPoints = 200;
constexpr int kMaxRestraints = 20;
constexpr int kMaxTieBacks = 20;
constexpr int kMaxReductionRows = 51;
constexpr int kMaxSurcharges = 20;
constexpr int kMaxSoilLayers = 20;
constexpr int kMaxUserCurvePoints = 35;
constexpr int kMaxPyCurves = 400;       // user plus generated curves
constexpr int kMaxCurvePoints = 35;     // points per curve in the solver table
// Highest iteration limit: enough for any wall that closes at all, and a
// bound on the time of one that never does.
constexpr int kMaxIterationLimit = 100000;

// Station tables: station n is held in entry n + kStationOffset, so that
// stations -5..410 fit; N may not exceed kMaxIncrements.
constexpr int kStationTableSize = 416;
constexpr int kStationOffset = 5;
constexpr int kMaxIncrements = 407;
constexpr int kMinStation = -3;  // first fictitious station used

// Minimum length of each earth-pressure work array.
constexpr int kMinWorkArrayLength = 2000;

}  // namespace korven
