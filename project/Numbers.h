// Numbers of the project front end: the canonical text of a real (the
// shortest that reads back to the same value), exact scaling by a power of
// ten or by a whole factor, and values written with their unit ("600 mm2").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korven::project {

enum class System { English = 1, SI = 2 };

// What a quantity measures, as powers of length and force (angles apart).
struct Dimension {
  int length = 0;
  int force = 0;
  bool angle = false;
  bool operator==(const Dimension&) const = default;
};

// Shortest text that reads back to `v`: fixed notation with at least one
// decimal for decimal exponents from -4 to 15, otherwise d.dddE±x.
std::string realText(double v, char exponentLetter = 'E');

// v·10^p, computed on the decimal digits of realText(v) and so exact for
// every value that is itself exact in decimal.
double scaleDecimal(double v, int p);

// v·num/den, computed exactly on the decimal digits of v and rounded once.
double scaleRatio(double v, long long num, long long den);

// A value written with its unit, converted to the base units of `system`
// (SI: m, kN, kPa, kN/m3, deg; English: in, lb, psi, lb/in3, deg). Empty with
// `why` set when the text does not read, the unit is unknown or measures
// another dimension than `want`.
std::optional<double> valueWithUnit(std::string_view text, Dimension want, System system,
                                    std::string& why);

// Name of a dimension's base unit in a system ("kN/m2" ...), for messages
// and the manual.
std::string baseUnit(Dimension d, System system);

}  // namespace korven::project
