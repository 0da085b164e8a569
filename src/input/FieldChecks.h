// Checks of input values at the point of reading. A value that reads as a
// number but makes the formulas that use it meaningless (a negative unit
// weight, a friction angle of 90 degrees or more, an unknown soil model)
// ends the run as an input error naming the record, the line and the text
// of the field, before anything is computed from it.
#pragma once

#include <limits>
#include <string_view>

#include "textio/FreeFormat.h"

namespace korven::input {

using Record = textio::RecordReader::Record;

inline constexpr double kNoUpperBound = std::numeric_limits<double>::infinity();

// Upper bounds far beyond any soil or rock, set where a larger value would
// carry the earth-pressure or p-y formulas past the range of numbers.
// Unit weight in pci or kN/m^3 (the densest metals weigh 0.82 pci or
// 222 kN/m^3).
inline constexpr double kMaxUnitWeight = 1.0e3;
// Cohesion or compressive strength in psi or kPa (the strongest intact rock
// reaches about 4.5e4 psi or 3e5 kPa).
inline constexpr double kMaxStrength = 1.0e9;

// Ends the run with an input error on the field last read from `r` unless
// `ok`. `value` is shown when the field was null (its value kept).
void requireField(const Record& r, double value, bool ok, std::string_view problem);

// Reads a real that must not be negative ("<QUANTITY> MUST NOT BE
// NEGATIVE") nor exceed `high` ("<QUANTITY> MUST NOT EXCEED <high>").
double readNonNegative(Record& r, std::string_view quantity, double high = kNoUpperBound);

// Reads a real that must lie in low <= value <= high.
double readWithin(Record& r, double low, double high, std::string_view problem);
// Reads a real that must lie in low <= value < high.
double readBelow(Record& r, double low, double high, std::string_view problem);

// Reads an integer code that must lie in low..high.
int readCode(Record& r, int low, int high, std::string_view problem);

}  // namespace korven::input
