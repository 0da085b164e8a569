#include "wall/Results.h"

#include <cmath>

#include "wall/WallAnalysis.h"

namespace korven {

namespace {

// Depth of the result tables: feet in English runs, as held otherwise (the
// convention of the wall results, which go by the English flag).
double resultDepth(const RunContext& ctx, double depth) {
  return ctx.english() ? depth / 12.0 : depth;
}

}  // namespace

void writeEarthPressureTable(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT("(/,/,8X,' DEPTH         ACTIVE EARTH PRESSURE',/,8X,1X,A3,17X,A4,A1,A2,"
                           "/,8X,'--------       ------------------------')"),
                   l.depthA, l.forceB, l.slash, l.lengthB);
  const auto& rows = ctx.model.pressure.rows;
  forEachPrintedRow(ctx.model.pressure.count(), ctx.si(), [&](int k) {
    const auto& row = rows[static_cast<std::size_t>(k)];
    ctx.report.write(KLAYOUT("(5X,1P,E12.5,8X,1P,E12.5)"), resultDepth(ctx, row[0]), row[1]);
  });
}

void writePressurePlot(RunContext& ctx) {
  auto& rows = ctx.model.pressure.rows;
  const bool specified = ctx.model.control.earthPressureOption == 1;
  ctx.plot.writeFree(forEachPrintedRow(ctx.model.pressure.count(), ctx.si(), [](int) {}));
  forEachPrintedRow(ctx.model.pressure.count(), ctx.si(), [&](int k) {
    auto& row = rows[static_cast<std::size_t>(k)];
    if (row[2] == 0.0) row[2] = 1.0000000116860974e-7;
    if (specified) row[11] = row[1];
    ctx.plot.write(KLAYOUT("(10(2X,E12.5))"), row[0], row[1], row[11], row[6], row[8], row[10],
                   row[9], row[7]);
  });
}

void writeMonitorHeader(RunContext& ctx) {
  ctx.monitor.write(
      KLAYOUT("(/,/,'     ITERATION MONITORING',/,'     --------------------',/,/,"
              "'    ITER     NODES      MAX. CHANGE     DEF.  ','      DEF.        DEF.        DEF. ',"
              "/,'            EXC. TOL.    DEFLECTION    NODE 0 ','     NODE 1      NODE 2      NODE 3',"
              "/,'    ----    ---------   -----------    ------ ','     ------      ------      ------')"));
  if (ctx.model.wall.iterationLimit == 0) ctx.monitor.write(KLAYOUT("(/,'                    ')"));
}

void writeIterationRow(RunContext& ctx, const WallModel::IterationRow& row) {
  ctx.monitor.write(KLAYOUT("(3X,I4,6X,I4,6X,1P,5E12.3)"), row.iteration, row.notClosed,
                    row.maxChange, row.topDeflections[0], row.topDeflections[1],
                    row.topDeflections[2], row.topDeflections[3]);
}

namespace {

void writeStationTable(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT("(/,'   STA I      X         DEFL.       SLOPE     ',"
                           "' MOMENT      SHEAR    SOIL_REACT NET_FORCE/STA ','   EI')"));
  ctx.report.write(
      KLAYOUT("(12X,A3,9X,A3,10X,'RAD',6X,A3,A1,A2,7X,A4,3X,4X,A3,'/',A2,7X,A4,6X,A3,A1,A2,A2,A1,"
              "/,'   ------    ----        ----       -----     ',"
              "' ------      ------    ---------   ---------   ','---------')"),
      l.depthA, l.length, l.forceA, l.dash, l.lengthB,
      l.forceB, l.forceC, l.lengthB, l.forceB, l.forceC,
      l.dash, l.lengthB, l.power, l.two);
  const StationResults& r = ctx.model.results;
  for (int n = 0; n <= ctx.model.wall.n; ++n) {
    const std::size_t i = static_cast<std::size_t>(n);
    ctx.report.write(KLAYOUT("(2X,I4,2X,1P,E10.3,1P,7E12.3)"), n, r.depth[i], r.deflection[i],
                     r.slope[i], r.moment[i], r.shear[i], r.soilReaction[i], r.netForce[i],
                     r.rigidity[i]);
  }
}

void writeRestraintTable(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(
      KLAYOUT("(/,/,'     LATERAL AND ROTATIONAL RESTRAINT RESULTS',/,"
              "'     ----------------------------------------',/,/,"
              "'     STA         X             FORCE           MOMENT',/,"
              "'               ',A3,14X,A3,11X,A3,'-',A3,/,"
              "'    -----    ---------       ---------       ---------')"),
      l.depthA, l.forceA, l.forceA, l.length);
  const WallModel& m = ctx.model;
  const StationResults& res = m.results;
  for (const Restraint& r : m.restraints) {
    if (r.from > r.to) continue;
    for (int n = r.from; n <= r.to; ++n) {
      const double w = res.deflectionAt(n);
      const double slope = res.slopeAt(n);
      ctx.report.write(KLAYOUT("(3X,I5,2X,1P,E12.3,3(2X,1P,E15.4))"), n,
                       resultDepth(ctx, n * m.wall.h), r.s * w, r.r * slope);
    }
  }
}

void writeTieBackTable(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(
      KLAYOUT("(/,/,'     TIE BACK RESULTS',/,'     ----------------',/,/,"
              "'     N     STA         X       ',' HOR.FORCE/STA.     FORCE/STA.     FORCE/TIE BACK',"
              "/,'                     ',A3,12X,A3,15X,A3,15X,A3,/,"
              "'   -----  -----    --------    ',' --------------   --------------   --------------')"),
      l.depthA, l.forceA, l.forceA, l.forceA);
  int i = 0;
  for (const TieBack& t : ctx.model.tieBacks) {
    if (i >= ctx.model.control.tieBackCount) break;
    ++i;
    ctx.report.write(KLAYOUT("(1X,I5,2X,I5,2X,1P,E12.3,8(2X,1P,E15.4))"), i, t.station, t.depth,
                     t.horizontalForce, t.axialForce, t.forcePerTieBack);
  }
}

void writeNodeReactions(RunContext& ctx) {
  const UnitLabels& l = ctx.labels;
  ctx.report.write(KLAYOUT("(/,/,'     NODE REACTIONS',/,'     --------------',/,/,"
                           "'     N     STA         X            FORCE    ',/,"
                           "'                     ',A3,12X,A3,/,"
                           "'   -----  -----    --------    --------------')"),
                   l.depthA, l.forceA);
  const WallModel& m = ctx.model;
  int k = 0;
  for (const SpecifiedPoint& p : m.specifiedPoints) {
    ++k;
    const int n = p.station;
    const double force = n >= 0 && n <= m.results.lastStation
                             ? m.results.netForce[static_cast<std::size_t>(n)]
                             : 0.0;
    ctx.report.write(KLAYOUT("(1X,I5,2X,I5,2X,1P,E12.3,8(2X,1P,E15.4))"), k, n,
                     resultDepth(ctx, n * m.wall.h), force);
  }
}

}  // namespace

void writeResults(RunContext& ctx) {
  const WallModel& m = ctx.model;
  ctx.report.write(KLAYOUT("(/,/,'     RESULTS',/,'     -------',/,'     NUMBER OF ITERATIONS : ',I3)"),
                   m.iterations);
  if (m.wall.iterationLimit != 0 && m.loopEnd == LoopEnd::DeflectionExceeded) {
    const auto& layout =
        KLAYOUT("(/,'     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***',I4,'  *** STATIONS *****')");
    ctx.report.write(layout, m.exceedingStations);
    ctx.monitor.write(layout, m.exceedingStations);
    return;
  }
  if (m.wall.iterationLimit != 0 && m.loopEnd == LoopEnd::LimitReached) {
    const auto& layout = KLAYOUT("(/,'     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****',/,"
                                 "'     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED',' TOLERANCE *****')");
    ctx.report.write(layout);
    ctx.monitor.write(layout);
    return;
  }
  writeStationTable(ctx);
  if (!m.restraints.empty()) writeRestraintTable(ctx);
  if (m.control.tieBackCount > 0 && !m.tieBacks.empty()) writeTieBackTable(ctx);
  if (!m.specifiedPoints.empty()) writeNodeReactions(ctx);
}

void writePlotSummary(RunContext& ctx, int stageValue) {
  const WallModel& m = ctx.model;
  const StationResults& r = m.results;
  if (m.status != ProblemStatus::Converged) {
    ctx.plot.writeFree(0, r.lastStation, ctx.unitFlag);
    return;
  }
  ctx.plot.writeFree(stageValue, r.lastStation, ctx.unitFlag);
  for (int i = 1; i <= r.lastStation; ++i) {
    const std::size_t j = static_cast<std::size_t>(i - 1);
    if (j >= r.depth.size()) break;
    ctx.plot.write(KLAYOUT("(7(1X,1P,E13.4))"), r.depth[j], r.deflection[j], r.moment[j],
                   r.shear[j], r.netForce[j], r.rigidity[j], r.soilReaction[j]);
  }
  const int tieBacks = std::max(0, std::min(m.control.tieBackCount, static_cast<int>(m.tieBacks.size())));
  ctx.plot.writeFree(tieBacks);
  for (int i = 1; i <= tieBacks; ++i) {
    const TieBack& t = m.tieBacks[static_cast<std::size_t>(i - 1)];
    ctx.plot.write(KLAYOUT("(1X,I5,2X,I5,2X,1P,E12.3,8(2X,1P,E15.4))"), i, t.station, t.depth,
                   t.spacing, t.area, t.angle, t.horizontalForce, t.axialForce,
                   t.forcePerTieBack, t.prestress);
  }
}

}  // namespace korven
