#include "input/InputEcho.h"

#include <string>

#include "core/Stops.h"
#include "textio/NumberWriters.h"

namespace korven::input {

using textio::FieldValue;

void rejectCount(RunContext& ctx, std::string_view what, int count, int limit) {
  ctx.report.write(KLAYOUT("(/,/,'     TOO MUCH DATA FOR AVAILABLE STORAGE',/,'     NUMBER OF ',A,"
                           "' =',I11,' EXCEEDS THE LIMIT OF',I5,/,/)"),
                   what, count, limit);
  throw RunEnd("too much data for available storage: " + std::to_string(count) + " " +
               std::string(what) + ", at most " + std::to_string(limit));
}

void rejectNegativeCount(RunContext& ctx, std::string_view what, int count) {
  ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR -- NEGATIVE NUMBER OF ',A,' =',I11)"), what,
                   count);
  throw RunEnd("negative number of " + std::string(what));
}

void checkCount(RunContext& ctx, std::string_view what, int count, int limit) {
  if (count < 0) rejectNegativeCount(ctx, what, count);
  if (count > limit) rejectCount(ctx, what, count, limit);
}

void checkStationInRange(RunContext& ctx, std::string_view what, int station, int first,
                         int last, std::string_view place) {
  if (station >= first && station <= last) return;
  ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR -- ',A,' AT STATION',I11,/,'     LIES OUTSIDE "
                           "',A,' (STATIONS',I3,' TO',I4,')')"),
                   what, station, place, first, last);
  throw RunEnd(std::string(what) + " at station " + std::to_string(station) + " outside " +
               std::string(place));
}

void checkStationInTables(RunContext& ctx, std::string_view what, int station) {
  checkStationInRange(ctx, what, station, kMinStation, ctx.model.wall.n + 3,
                      "THE STATION TABLES");
}

void checkContinuationFlag(RunContext& ctx, std::string_view what, int contd) {
  if (contd == 1 || contd == 2) return;
  ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR -- ',A,' HAS CONTINUATION FLAG',I11,"
                           "' (1 OR 2 EXPECTED)')"),
                   what, contd);
  throw RunEnd(std::string(what) + " with continuation flag " + std::to_string(contd));
}

void warnOpenChain(RunContext& ctx, std::string_view what, int station) {
  ctx.report.write(KLAYOUT("(/,'     WARNING -- THE LAST ',A,' IS CONTINUED (CONTD = 2) BUT NO "
                           "RECORD FOLLOWS;',/,'     THE RANGE STARTING AT STATION',I5,"
                           "' IS NOT APPLIED',/)"),
                   what, station);
}

void rejectInput(RunContext& ctx, std::string_view message, std::string_view reason) {
  ctx.report.write(KLAYOUT("(/,/,'     INPUT ERROR -- ',A)"), message);
  throw RunEnd(std::string(reason));
}

int stationOfDepth(const RunContext& ctx, double depth) {
  const double length = ctx.english() ? depth * 12.0 : depth;
  return nearestInt(length / ctx.model.wall.h);
}

void writeRangeRow(RunContext& ctx, RangeTable table, const RangeRow& row,
                   std::span<const FieldValue> tail) {
  // The layouts of the three row kinds, for each table.
  static const textio::Layout stiffness[3] = {
      textio::Layout("(5X,2I4,I3,1X,1P,6E10.3)"), textio::Layout("(5X,I4,4X,I3,1X,1P,6E10.3)"),
      textio::Layout("(9X,I4,I3,1X,1P,6E10.3)")};
  static const textio::Layout curve[3] = {
      textio::Layout("(5X,2I4,I3,5X,2E14.3,1(8X,I4))"),
      textio::Layout("(5X,I4,4X,I3,5X,1P,2E14.3,1(10X,I3))"),
      textio::Layout("(9X,I4,I3,5X,1P,2E14.3,1(10X,I3))")};
  const textio::Layout* layouts = table == RangeTable::StiffnessLoad ? stiffness : curve;

  FieldValue values[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::size_t count = 0;
  int kind = 0;
  if (row.previousContinued) {
    kind = 2;
    values[count++] = row.to;
  } else if (row.continued) {
    kind = 1;
    values[count++] = row.from;
  } else {
    values[count++] = row.from;
    values[count++] = row.to;
  }
  values[count++] = row.contd;
  for (const FieldValue& v : tail) {
    if (count == std::size(values)) break;
    values[count++] = v;
  }
  ctx.report.writeValues(layouts[kind], std::span<const FieldValue>(values, count));
}

void writeMomentCurvatureSet(RunContext& ctx, int number, const MomentCurvatureTable& set) {
  const UnitLabels& l = ctx.labels;
  textio::OutputChannel& out = ctx.report;
  out.write(KLAYOUT("(/,5X,'   SET          =  ',I5)"), number);
  out.write(KLAYOUT("(/,5X,'   AXIAL THRUST =  ',F10.4,2X,A4)"), set.thrust, l.forceB);
  out.write(KLAYOUT("(/,5X,'   N  ',9X,' CURVATURE ',7X,' MOMENT ',7X,'   EI   ')"));
  out.write(KLAYOUT("(5X,8X,9X,'RAD/',A2,9X,A4,'-',A2,9X,A4,'-',A2,'**2')"), l.lengthB, l.forceB,
            l.lengthB, l.forceB, l.lengthB);
  for (int k = 0; k < set.points(); ++k) {
    const double curvature = set.curvature[static_cast<std::size_t>(k)];
    const double moment = set.moment[static_cast<std::size_t>(k)];
    textio::writeBlanks(out, 5);
    textio::writeInteger(out, 5, k + 1);
    textio::writeBlanks(out, 4);
    textio::writeNumber(out, 14, 5, curvature);
    textio::writeBlanks(out, 4);
    textio::writeNumber(out, 14, 5, moment);
    textio::writeBlanks(out, 4);
    if (curvature > 0.0) textio::writeNumber(out, 14, 5, moment / curvature);
    textio::endLine(out);
  }
}

}  // namespace korven::input
