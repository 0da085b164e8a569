// The project file: a wall analysis written as TOML with named tables and
// keys, stated units and checked values, converted to and from the input
// data file that the engine reads.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korven::project {

// One message about the input: where (file, line, key) and what.
struct Diagnostic {
  std::string file;
  int line = 0;
  std::string key;  // dotted, with 1-based element numbers: soil.layer[2].phi
  std::string message;
  bool warning = false;
  std::string text() const;  // "wall.toml:12: soil.layer[2].phi: ..."
};

// Input that cannot be converted or run; holds every error found.
class ProjectError : public std::runtime_error {
 public:
  explicit ProjectError(std::vector<Diagnostic> errors);
  const std::vector<Diagnostic>& errors() const { return errors_; }

 private:
  std::vector<Diagnostic> errors_;
};

// What a conversion produced: the text and the warnings.
struct Converted {
  std::string text;
  std::vector<Diagnostic> warnings;
};

// Project file text to input data file text. Throws ProjectError.
Converted tomlToDeck(std::string_view tomlText, const std::string& fileName);

// Input data file text to project file text. Throws ProjectError when the
// file does not read; the consistency checks come back as warnings.
Converted deckToToml(std::string_view deckText, const std::string& fileName);

// The consistency checks of an input data file, as warnings (empty when it
// does not read as a whole: the engine reports that itself).
std::vector<Diagnostic> checkDeck(std::string_view deckText, const std::string& fileName);

// Every key a project file may hold, as the manual lists it: dotted path
// (array elements written "[]": soil.layer[].phi), unit in SI and English,
// default ("" when required) and meaning.
struct KeyInfo {
  std::string key, unitSI, unitEnglish, defaultText, meaning;
};
std::vector<KeyInfo> projectKeys();

}  // namespace korven::project
