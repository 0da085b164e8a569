// The ways a run ends before its input is exhausted. All of them unwind to
// the problem loop, which then ends the run in order (END OF ANALYSIS, the
// plot-data summary, files closed).
#pragma once

#include <cmath>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace korven {

struct RunContext;

// A data check failed (stations not in order, too much data, a negative
// count). The message, when there is one, has already been written to the
// report; `reason` is a one-line description for the caller.
class RunEnd : public std::runtime_error {
 public:
  explicit RunEnd(const std::string& reason) : std::runtime_error(reason) {}
};

// A stop of the analysis phases with its short stop text ("1", "2", "4" or
// empty) and, optionally, a one-line reason. The run loop shows the text on
// the error stream and in the report and ends the run in order.
class HardStop : public std::runtime_error {
 public:
  explicit HardStop(std::string code, std::string reason = {})
      : std::runtime_error(code.empty() ? std::string("STOP") : "STOP " + code),
        code_(std::move(code)),
        reason_(std::move(reason)) {}
  const std::string& code() const { return code_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string code_;
  std::string reason_;
};

// Writes TOO MUCH DATA FOR AVAILABLE STORAGE to the report and ends the
// run; the input checks and the p-y table of the wall phase share it.
[[noreturn]] void stopTooMuchData(RunContext& ctx, const std::string& reason);

// Ends the run with a message when one of the values, computed from the
// soil data before they are printed or written, has left the range of
// numbers (absurd unit weights, modifiers, widths or loads). `what` names
// them in the message ("EARTH PRESSURES").
[[noreturn]] void stopNonFiniteData(RunContext& ctx, const char* what);
inline void requireFinite(RunContext& ctx, std::initializer_list<double> values, const char* what) {
  bool finite = true;
  for (double v : values) finite = finite && std::isfinite(v);
  if (!finite) stopNonFiniteData(ctx, what);
}

}  // namespace korven
