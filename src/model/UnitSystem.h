// Unit system of a problem and the unit label texts printed in the report.
#pragma once

#include <string>

namespace korven {

// Label texts, exact widths, blanks included. Report layouts print them
// with A-edits of the stated widths.
struct UnitLabels {
  std::string depthA;   // 8: " FT     " / "  M     " / "  L     "
  std::string depthB;   // 8: "FT      " / " M      " / " L      "
  std::string small;    // 2: "IN" / "MM" / " L"
  std::string forceA;   // 3: "LBS" / " KN" / "  F"
  std::string length;   // 3: " IN" / "  M" / "  L"
  std::string forceB;   // 4: " LBS" / "  KN" / "   F"
  std::string lengthB;  // 2: "IN" / " M" / " L"
  std::string forceC;   // 3: "LBS" / " KN" / "  F"
  // Fixed pieces, the same in every set.
  std::string slash = "/";
  std::string dash = "-";
  std::string power = "**";
  std::string two = "2";
  std::string three = "3  ";
  std::string four = "4";
};

// Inches per foot in English problems (unit flag 1), where depths are given
// in feet and lengths along the wall in inches; 1 for any other flag.
inline constexpr double lengthPerDepthUnit(int unitFlag) { return unitFlag == 1 ? 12.0 : 1.0; }

// Label set by sign: +1 English, -1 SI, 0 generic.
UnitLabels selectUnitLabels(int sign);

}  // namespace korven
