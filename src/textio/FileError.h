// Failures of the files themselves, as opposed to faults in their content:
// a write that the system refuses (disk full, device error), a read error,
// a value that no output file may show.
#pragma once

#include <stdexcept>
#include <string>

namespace korven::textio {

// A file could not be written or read. `file` is the name as given,
// `reason` the system's description ("No space left on device").
class FileError : public std::runtime_error {
 public:
  FileError(std::string file, const char* action, std::string reason)
      : std::runtime_error("cannot " + std::string(action) + " " + file + ": " + reason),
        file_(std::move(file)),
        reason_(std::move(reason)) {}
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

// A real value handed to an output writer is NaN or infinite. Results are
// checked where they are computed; this is the last line of defence, so that
// no file ever shows a non-finite number as if it were a result.
class NonFiniteValue : public std::runtime_error {
 public:
  NonFiniteValue() : std::runtime_error("a computed value is not a finite number") {}
};

// The system's description of an error number, or a plain fallback when
// the system gave none.
std::string systemReason(int errorNumber, const char* fallback);

}  // namespace korven::textio
