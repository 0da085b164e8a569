#include "model/UnitSystem.h"

namespace korven {

UnitLabels selectUnitLabels(int sign) {
  UnitLabels l;
  if (sign > 0) {
    l.depthA = " FT     ";
    l.depthB = "FT      ";
    l.small = "IN";
    l.forceA = "LBS";
    l.length = " IN";
    l.forceB = " LBS";
    l.lengthB = "IN";
    l.forceC = "LBS";
  } else if (sign < 0) {
    l.depthA = "  M     ";
    l.depthB = " M      ";
    l.small = "MM";
    l.forceA = " KN";
    l.length = "  M";
    l.forceB = "  KN";
    l.lengthB = " M";
    l.forceC = " KN";
  } else {
    l.depthA = "  L     ";
    l.depthB = " L      ";
    l.small = " L";
    l.forceA = "  F";
    l.length = "  L";
    l.forceB = "   F";
    l.lengthB = " L";
    l.forceC = "  F";
  }
  return l;
}

}  // namespace korven
