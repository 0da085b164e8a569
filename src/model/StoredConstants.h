// Constants that the engine holds as single-precision values and uses in
// double-precision arithmetic. Results depend on the exact widened values,
// so every phase takes them from here.
#pragma once

namespace korven {

// Single-precision literal widened to double.
constexpr double single(float x) { return static_cast<double>(x); }

// pi as used in the angle conversions of the tie-backs, the surcharges and
// the p-y curves.
inline constexpr double kStoredPi = single(3.1416f);
// Degrees per radian as the earth-pressure coefficients and the sloping
// ground of the p-y curves use it.
inline constexpr double kDegreeDivisor = single(57.2958f);
// Two depths closer than this are the same depth.
inline constexpr double kDepthTolerance = single(1.0e-5f);

// Unit weight of water: pounds per cubic inch, kilonewtons per cubic metre.
inline constexpr double kWaterUnitWeightEnglish = single(0.036f);
inline constexpr double kWaterUnitWeightSI = single(9.81f);
inline constexpr double waterUnitWeight(bool si) {
  return si ? kWaterUnitWeightSI : kWaterUnitWeightEnglish;
}

// Reference width of the continuous-wall p-y forms: one foot.
inline constexpr double kReferenceWidthEnglish = 12.0;
inline constexpr double kReferenceWidthSI = 0.30479999631643295;  // as stored
inline constexpr double referenceWidth(bool si) {
  return si ? kReferenceWidthSI : kReferenceWidthEnglish;
}

}  // namespace korven
