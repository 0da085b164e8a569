#include "wall/WallAnalysis.h"

#include "core/Stops.h"

namespace korven {

void checkTablesBeyondTip(RunContext& ctx) {
  const StationTables& t = ctx.model.stations;
  const int n1 = ctx.model.wall.n + 1;
  const int n2 = n1 + 1;
  const double sum = t.f(n1) + t.q(n1) + t.s(n1) + t.t(n1) + t.r(n1) + t.p(n1) + t.f(n2) +
                     t.t(n2) + t.r(n2) + t.p(n2);
  if (sum != 0.0) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- NON-ZERO TABLE 4 DATA BEYOND END')"));
    throw RunEnd("non-zero table data beyond the tip");
  }
}

}  // namespace korven
