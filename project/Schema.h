// The records of the input data file and the project-file keys they map
// to: one table that drives reading and writing both forms, the checks and
// the manual's key list.
#pragma once

#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "Numbers.h"

namespace korven::project {

enum class Kind {
  Int,    // whole number
  Real,   // number, in the unit of its dimension
  Text,   // quoted text in the input data file
  Title,  // the problem's title line
  Code,   // a name standing for an integer code (a bare integer is accepted too)
  Count,  // number of elements of an array, not written in the project file
  Units,  // the unit system, kept at the top of the project file
  Fixed,  // a value the project file cannot change: always `def`
};

// How the input data file holds a real compared with the project file.
enum class DeckScale {
  Same,
  Milli,    // SI: millimetres in the input data file
  Inertia,  // SI: mm4 in the input data file
  Area,     // SI: mm2 in the input data file
  Feet,     // English: feet in the input data file
};

struct CodeName {
  const char* name;
  int value;
};

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

struct Field {
  std::string path;  // relative to the scope: "wall.height"
  Kind kind = Kind::Real;
  Dimension dim{};
  DeckScale scale = DeckScale::Same;
  bool required = true;  // else `def` (or `defaultFrom`) when missing
  double def = 0.0;
  bool hidden = false;      // not written when equal to its default
  std::string defaultFrom;  // default: the value at this path in the scope
  std::string id;           // name used by conditions, counts and checks
  std::vector<CodeName> codes;
  std::string countOf;  // Count: the array's path in the scope
  double min = -kNoLimit, max = kNoLimit;
  std::string meaning;
};

using Values = std::map<std::string, double>;

struct Node {
  enum Type { Record, Array, When } type = Record;
  std::string name;  // Record: its name in messages; Array: its path
  std::vector<Field> fields;
  std::vector<Node> children;
  std::string countId;  // Array: id of its count ("" = the array as it stands)
  std::function<bool(const Values&)> when;
  std::string whenText;  // When: the condition in words
  std::string meaning;   // Array: what an element is
};

// The records of one problem, in file order.
const std::vector<Node>& problemSchema();

// Unit system names of the project file.
extern const std::vector<CodeName> kUnitNames;

}  // namespace korven::project
