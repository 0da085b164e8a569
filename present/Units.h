// The unit labels of the results as the report prints them, in the plain
// lower-case form the summary, the tables and the diagrams use.
#pragma once

namespace korven::present {

struct Units {
  const char* depth;         // ft | m
  const char* deflection;    // in | m
  const char* slope;         // rad
  const char* moment;        // lbs-in | kN-m
  const char* shear;         // lbs | kN
  const char* perLength;     // lbs/in | kN/m: soil reaction, pressures, p
  const char* force;         // lbs | kN: net force per station, tie-backs, restraints
  const char* rigidity;      // lbs-in^2 | kN-m^2
  double lengthPerDepth;     // length unit of a pressure per depth unit: 12 in/ft, 1 m/m
};

inline const Units& unitsOf(bool si) {
  static const Units english{"ft", "in", "rad", "lbs-in", "lbs", "lbs/in", "lbs", "lbs-in^2", 12.0};
  static const Units metric{"m", "m", "rad", "kN-m", "kN", "kN/m", "kN", "kN-m^2", 1.0};
  return si ? metric : english;
}

}  // namespace korven::present
