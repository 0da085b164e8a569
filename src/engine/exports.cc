// The exported entry of the shared library and the status query of the
// last run.
#include <string>

#include "engine/Entry.h"
#include "korven.h"

namespace {

// Outcome of the last call, for KORVEN_LastRunStatus. The entry is not
// re-entrant (one analysis per process at a time), so one slot suffices.
korven::RunOutcome& lastOutcome() {
  static korven::RunOutcome outcome;
  return outcome;
}

}  // namespace

extern "C" KORVEN_API int32_t KORVEN_CALL IKORVEN(int32_t handshake1, int32_t handshake2) {
  if (handshake1 != KORVEN_HANDSHAKE_1 || handshake2 != KORVEN_HANDSHAKE_2) {
    lastOutcome() = {KORVEN_STATUS_REFUSED, "the caller is not the agreed front end"};
    return 1;
  }
  try {
    lastOutcome() = korven::runAnalysis(korven::RunOptions{});
  } catch (...) {
    // Nothing may escape into the caller.
    lastOutcome() = {KORVEN_STATUS_NOT_STARTED, "internal error before the run could start"};
  }
  return 0;
}

extern "C" KORVEN_API int32_t KORVEN_CALL KORVEN_LastRunStatus(void) {
  return lastOutcome().status;
}

extern "C" KORVEN_API const char* KORVEN_CALL KORVEN_LastRunMessage(void) {
  return lastOutcome().message.c_str();
}
