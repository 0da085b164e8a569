/* KORVEN: analysis engine for flexible retaining walls.
 *
 * The engine runs one batch analysis per call of IKORVEN. The caller first
 * writes NAMES.dat into the working directory (version text, three header
 * records, then the names of the input data file, the report file, the
 * plot-data file, the iteration-monitoring file, the p-y scratch file and
 * the earth-pressure point file) and the input data file it names.
 */
#ifndef KORVEN_H
#define KORVEN_H

#include <stdint.h>

#if defined(_WIN32)
#  define KORVEN_CALL __stdcall
#  if defined(KORVEN_BUILDING_LIBRARY)
#    define KORVEN_API __declspec(dllexport)
#  else
#    define KORVEN_API __declspec(dllimport)
#  endif
#else
#  define KORVEN_CALL
#  define KORVEN_API __attribute__((visibility("default")))
#endif

/* The handshake pair agreed between the engine and its front end. */
#define KORVEN_HANDSHAKE_1 ((int32_t)20270)
#define KORVEN_HANDSHAKE_2 ((int32_t)-4417)

/* How the last call of IKORVEN ended (KORVEN_LastRunStatus). */
#define KORVEN_STATUS_NORMAL 0        /* run ended normally (converged or not)  */
#define KORVEN_STATUS_REFUSED 1       /* wrong handshake pair, nothing touched    */
#define KORVEN_STATUS_NOT_STARTED 2   /* NAMES.dat or a run file unusable         */
#define KORVEN_STATUS_INPUT_ERROR 3   /* input data file unreadable or malformed  */
#define KORVEN_STATUS_DATA_STOP 4     /* ended by a data check (order, capacity)  */
#define KORVEN_STATUS_HARD_STOP 5     /* ended by a stop of the analysis phases   */
#define KORVEN_STATUS_FILE_ERROR 6    /* a run file could not be written or read
                                         (disk full, device error): the run ended
                                         at once, its outputs are incomplete     */
#define KORVEN_STATUS_BUSY 7          /* another call was running in this process:
                                         nothing touched, IKORVEN returned 1     */

#ifdef __cplusplus
extern "C" {
#endif

/* Runs one analysis. Returns 1 when the pair is not the agreed handshake, or
 * when another call is still running in this process (the run works through
 * the process's working directory, so two at once cannot both be right);
 * nothing is read, written or opened then. Otherwise returns 0. */
KORVEN_API int32_t KORVEN_CALL IKORVEN(int32_t handshake1, int32_t handshake2);

/* Runs the run-control file at `namesPath` (a NAMES.dat, or a folder that
 * holds one) without changing the working directory: relative names in it
 * are taken against its folder. Safe to call from several threads at once
 * for runs on different files. Returns the status (KORVEN_STATUS_...), also
 * given by KORVEN_LastRunStatus. */
KORVEN_API int32_t KORVEN_CALL KORVEN_RunNames(const char* namesPath);

/* Status of the last call of IKORVEN or KORVEN_RunNames made on the calling thread
 * (KORVEN_STATUS_...). */
KORVEN_API int32_t KORVEN_CALL KORVEN_LastRunStatus(void);

/* One-line description of how that call ended
 * (empty after a normal run). The text stays valid until that thread's next
 * call of IKORVEN. */
KORVEN_API const char* KORVEN_CALL KORVEN_LastRunMessage(void);

#ifdef __cplusplus
}
#endif

#endif /* KORVEN_H */
