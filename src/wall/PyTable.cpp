#include <algorithm>
#include <array>
#include <fstream>

#include "core/Stops.h"
#include "textio/FreeFormat.h"
#include "wall/WallAnalysis.h"

namespace korven {

namespace {

// Points of a generated curve: 17 per side, the first point of the
// excavation side (at the origin) appears again on the backfill side.
constexpr int kRecordsPerCurve = 34;
constexpr int kGeneratedPoints = 33;

}  // namespace

void readPyScratchFile(RunContext& ctx) {
  WallModel& m = ctx.model;
  const auto file = ctx.readScratch(Scratch::PyCurves);
  if (!file) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- THE P-Y SCRATCH FILE CANNOT BE OPENED')"));
    throw RunEnd("p-y scratch file cannot be opened");
  }
  textio::RecordReader reader(*file, ctx.names.pyScratchFile, "P-Y SCRATCH FILE");
  const int count = reader.record("P-Y CURVE COUNT").integer();
  if (count > kMaxPyCurves) stopTooMuchData(ctx, "more than 400 p-y curves");
  if (count < 0) throw RunEnd("negative number of p-y curves");
  m.curves.clear();
  if (count == 0) {
    ctx.report.write(KLAYOUT("(/,'                    ')"));
    return;
  }
  m.curves.reserve(static_cast<std::size_t>(count));
  const double h = m.wall.h;
  const int userCount = std::clamp(m.control.userCurveCount, 0, count);
  ctx.plot.writeFree(ctx.unitFlag, count);
  for (int c = 0; c < count; ++c) {
    PyCurve curve;
    curve.contd = 1;
    auto head = reader.record("P-Y CURVE");
    if (c < userCount) {
      // A user curve, as given (already multiplied by its multipliers).
      const int station = head.integer();
      const int points = head.integer();
      if (points < 0 || points > kMaxCurvePoints) stopTooMuchData(ctx, "too many points in a p-y curve");
      curve.firstStation = curve.lastStation = station;
      curve.points = points;
      curve.depth = station * h;
      for (std::size_t j = 0; j < static_cast<std::size_t>(points); ++j) {
        auto r = reader.record("P-Y CURVE POINT");
        r.integer();
        curve.p[j] = r.real();
        curve.y[j] = r.real();
      }
    } else {
      // A generated curve: backfill side mirrored ahead of the excavation
      // side, so that y runs from the most negative to the most positive.
      const double depth = head.real();
      const int records = head.integer();
      if (records != kRecordsPerCurve) {
        ctx.report.write(KLAYOUT("(/,/,'     ERROR -- A GENERATED P-Y CURVE DOES NOT HOLD 34 POINTS')"));
        throw RunEnd("generated p-y curve without 34 points");
      }
      std::array<double, kRecordsPerCurve> p{}, y{};
      for (int j = 0; j < kRecordsPerCurve; ++j) {
        auto r = reader.record("P-Y CURVE POINT");
        r.integer();
        p[static_cast<std::size_t>(j)] = r.real();
        y[static_cast<std::size_t>(j)] = r.real();
      }
      curve.depth = depth;
      curve.firstStation = curve.lastStation = nearestInt(depth / h);
      curve.points = kGeneratedPoints;
      for (std::size_t i = 0; i <= 16; ++i) {  // records 34 down to 18
        curve.y[i] = -y[33 - i];
        curve.p[i] = p[33 - i];
      }
      for (std::size_t i = 0; i < 16; ++i) {  // records 2 to 17
        curve.y[17 + i] = y[1 + i];
        curve.p[17 + i] = -p[1 + i];
      }
    }
    ctx.plot.write(KLAYOUT("(1X,F10.2,1X,I5)"), curve.depth, curve.points);
    for (std::size_t j = 0; j < static_cast<std::size_t>(curve.points); ++j) {
      ctx.plot.writeFree(curve.y[j], curve.p[j]);
    }
    // Curves below the tip are used to interpolate up to it (the range is
    // cut at the tip); a station above the fictitious stations has no entry
    // in the station tables.
    if (curve.firstStation < kMinStation) {
      ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- P-Y CURVE STATION OUTSIDE THE WALL:',I6)"),
                       curve.firstStation);
      throw RunEnd("p-y curve station outside the station tables");
    }
    m.curves.push_back(curve);
  }
}

}  // namespace korven
