#include "core/Stops.h"

#include <cmath>

#include "core/RunContext.h"

namespace korven {

void stopTooMuchData(RunContext& ctx, const std::string& reason) {
  ctx.report.write(KLAYOUT("(/,/,'     TOO MUCH DATA FOR AVAILABLE STORAGE',/,/)"));
  throw RunEnd("too much data for available storage: " + reason);
}

void stopNonFiniteData(RunContext& ctx, const char* what) {
  ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- THE ',A,' ARE NOT FINITE NUMBERS',/,"
                           "'     CHECK THE SOIL, WATER AND SURCHARGE DATA')"),
                   what);
  throw RunEnd(std::string("non-finite ") + what);
}

}  // namespace korven
