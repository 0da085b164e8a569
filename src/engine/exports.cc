// The exported entry of the shared library and the status query of the
// last run.
#include <atomic>
#include <string>

#include "engine/Entry.h"
#include "korven.h"
#include "korven/analysis.h"

namespace {

// Outcome of the last call made on this thread, for KORVEN_LastRunStatus: a
// call refused as busy must not overwrite the outcome of the run that is
// still going on another thread.
korven::RunOutcome& lastOutcome() {
  thread_local korven::RunOutcome outcome;
  return outcome;
}

// Set while a run is in progress. A run reads NAMES.dat and resolves its
// file names in the process's working directory, which all threads share,
// so a second call at the same time is turned away.
std::atomic<bool> running{false};

}  // namespace

extern "C" KORVEN_API int32_t KORVEN_CALL IKORVEN(int32_t handshake1, int32_t handshake2) {
  if (handshake1 != KORVEN_HANDSHAKE_1 || handshake2 != KORVEN_HANDSHAKE_2) {
    lastOutcome() = {KORVEN_STATUS_REFUSED, "the caller is not the agreed front end"};
    return 1;
  }
  if (running.exchange(true, std::memory_order_acquire)) {
    lastOutcome() = {KORVEN_STATUS_BUSY, "another analysis is running in this process"};
    return 1;
  }
  try {
    lastOutcome() = korven::runAnalysis(korven::RunOptions{});
  } catch (...) {
    // Nothing may escape into the caller.
    lastOutcome() = {KORVEN_STATUS_NOT_STARTED, "internal error before the run could start"};
  }
  running.store(false, std::memory_order_release);
  return 0;
}

extern "C" KORVEN_API int32_t KORVEN_CALL KORVEN_RunNames(const char* namesPath) {
  try {
    if (namesPath == nullptr) {
      lastOutcome() = {KORVEN_STATUS_NOT_STARTED, "no run-control file named"};
    } else {
      const korven::AnalysisResult r = korven::runNamesFile(namesPath);
      lastOutcome() = {r.status, r.message};
    }
  } catch (...) {
    lastOutcome() = {KORVEN_STATUS_NOT_STARTED, "internal error before the run could start"};
  }
  return lastOutcome().status;
}

extern "C" KORVEN_API int32_t KORVEN_CALL KORVEN_LastRunStatus(void) {
  return lastOutcome().status;
}

extern "C" KORVEN_API const char* KORVEN_CALL KORVEN_LastRunMessage(void) {
  return lastOutcome().message.c_str();
}
