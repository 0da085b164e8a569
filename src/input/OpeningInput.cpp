#include "input/OpeningInput.h"

#include <string>

#include "core/Stops.h"
#include "input/FieldChecks.h"

namespace korven {

void stopStationsNotInOrder(RunContext& ctx, const std::string& reason) {
  ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- STATIONS NOT IN ORDER')"));
  throw RunEnd("stations not in order: " + reason);
}

void readTitle(RunContext& ctx) {
  std::string line = ctx.input->fixedLine(70, "PROBLEM TITLE");
  line.resize(80, ' ');
  ctx.model.title = line;
}

void readControlRecord(RunContext& ctx) {
  ctx.unitFlag = 1;
  auto r = ctx.input->record("CONTROL RECORD");
  ControlRecord& c = ctx.model.control;
  c.unitFlag = r.integer();
  c.specifiedPointCount = r.integer();
  c.wallSectionCount = r.integer();
  c.crossSectionCount = r.integer();
  c.reductionFactorCount = r.integer();
  c.earthPressureOption = r.integer();
  c.pyOption = r.integer();
  c.userCurveCount = r.integer();
  c.stageCount = r.integer();
  c.nonlinearEiSetCount = r.integer();
  c.tieBackCount = r.integer();
  c.hingeFlag = r.integer();
}

void selectUnits(RunContext& ctx) {
  const int flag = ctx.model.control.unitFlag;
  ctx.unitFlag = flag;
  ctx.model.lengthPerDepthUnit = lengthPerDepthUnit(flag);
  if (flag == 1) {
    ctx.labels = selectUnitLabels(+1);
  } else if (flag == 2) {
    ctx.labels = selectUnitLabels(-1);
  }
  // Any other flag keeps the labels in force (the generic set at the start
  // of a run).
}

void writeControlEcho(RunContext& ctx) {
  const ControlRecord& c = ctx.model.control;
  if (c.earthPressureOption >= 2) ctx.pressureEchoFlag = 1;
  if (c.pyOption == 2) ctx.pyEchoFlag = 1;
  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,'*        "
              "PROGRAM CONTROL PARAMETERS              *',/,6X,'*****************************"
              "*********************',/,/,6X,'NO OF POINTS FOR SPECIFIED DEFLECTIONS AND SLOPES  "
              "= ',I2,/,6X,'NO OF WALL SECTIONS                                = ',I2,/,6X,'NO "
              "OF CROSS SECTIONS                               = ',I2,/,6X,'GENERATE EARTH "
              "PRESSURE INTERNALLY                 = ',I2,/,6X,'GENERATE SOIL RESISTANCE (P-Y) "
              "CURVES INTERNALLY   = ',I2,/,6X,'NO OF P-Y MODIFICATION FACTORS FOR GEN. P-Y CURVES "
              "= ',I2,/,6X,'NO OF USER-SPECIFIED SOIL RESISTANCE (P-Y) CURVES  = ',I2,/,6X,'NO OF "
              "TIE BACKS                                    = ',I2)"),
      c.specifiedPointCount, c.wallSectionCount, c.crossSectionCount, ctx.pressureEchoFlag,
      ctx.pyEchoFlag, c.reductionFactorCount, c.userCurveCount, c.tieBackCount);
  if (c.tieBackCount > 0) {
    if (c.hingeFlag == 1) {
      ctx.report.write(KLAYOUT("(6X,'CONSIDER ZERO MOMENT (AASHTO HINGE MODEL) IN WALL',/,6X,'AT "
                               "TIE BACK LOCATIONS EXCEPT TOP ONE',/)"));
    }
  } else {
    ctx.report.write(KLAYOUT("()"));
  }
}

void readWallRecord(RunContext& ctx) {
  WallRecord& w = ctx.model.wall;
  {
    auto r = ctx.input->record("WALL RECORD");
    w.n = r.integer();
    w.h = r.real();
    // The iteration compares deflections and their changes with these two:
    // below zero every station would count as too large or not closed.
    w.allowableDeflection = input::readNonNegative(r, "MAXIMUM ALLOWABLE DEFLECTION");
    w.closureTolerance = input::readNonNegative(r, "DEFLECTION CLOSURE TOLERANCE");
    w.excavationDepth = r.real();
    // Tie-back springs and loads are scaled by this width.
    w.analysisWidth = input::readNonNegative(r, "WIDTH OF THE WALL ANALYSED");
    w.wallHeight = r.real();
    w.iterationLimit = r.integer();
    r.integer();  // read and not used, as the two below (WallModel.h)
    r.integer();
  }
  const auto& wallLayout = KLAYOUT(
      "(/,6X,'HEIGHT OF WALL                                     = ',F10.3,A3,/,6X,'NUMBER OF "
      "INCREMENTS                               = ',I10,/,6X,'INCREMENT LENGTH                  "
      "                 = ',F10.3,A3)");
  if (ctx.unitFlag == 1) {
    ctx.report.write(wallLayout, w.wallHeight / 12.0, ctx.labels.depthA, w.n, w.h,
                     ctx.labels.length);
  } else {
    ctx.report.write(wallLayout, w.wallHeight, ctx.labels.length, w.n, w.h, ctx.labels.length);
  }
  if (w.iterationLimit < 0) throw RunEnd("negative maximum number of iterations");
  if (w.iterationLimit > 0) {
    ctx.report.write(
        KLAYOUT("(6X,'MAXIMUM ALLOWABLE DEFLECTION                       = ',F10.3,A3,/,6X,'"
                "DEFLECTION CLOSURE TOLERANCE                       = ',1P,E10.3,A3,/,6X,'"
                "MAXIMUM NUMBER OF ITERATIONS                       = ',I10)"),
        w.allowableDeflection, ctx.labels.length, w.closureTolerance, ctx.labels.length,
        w.iterationLimit);
  }
  if (w.iterationLimit > kMaxIterationLimit) {
    ctx.report.write(
        KLAYOUT("(/,/,'     ERROR -- THE MAXIMUM NUMBER OF ITERATIONS MAY NOT EXCEED ',I6)"),
        kMaxIterationLimit);
    throw RunEnd("maximum number of iterations above " + std::to_string(kMaxIterationLimit));
  }
  // The station tables hold stations -5..410: N from 1 to 407.
  if (w.n < 1 || w.n > kMaxIncrements || !(w.h > 0.0)) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- THE NUMBER OF INCREMENTS MUST BE FROM 1 TO ',I3,"
                             "/,'     AND THE INCREMENT LENGTH MUST BE POSITIVE')"),
                     kMaxIncrements);
    throw RunEnd("number of increments or increment length outside the station tables");
  }
}

void readSpecifiedPoints(RunContext& ctx) {
  const int count = ctx.model.control.specifiedPointCount;
  auto& points = ctx.model.specifiedPoints;
  points.clear();
  if (count < 0) throw RunEnd("negative number of specified deflections and slopes");
  if (count == 0) {
    ctx.report.write(KLAYOUT("(/,'                    ')"));
    return;
  }
  ctx.report.write(
      KLAYOUT("(/,/,6X,'**************************************************',/,6X,'*        "
              "SPECIFIED DEFLECTIONS AND SLOPES        *',/,6X,'******************************"
              "********************',/,/,5X,'     STA      CASE       DEFLECTION        SLOPE',/,"
              "5X,'                            ',A2,'              RAD')"),
      ctx.labels.depthB);
  if (count > kMaxSpecifiedPoints) {
    stopTooMuchData(ctx, std::to_string(count) + " specified deflections and slopes, at most " +
                             std::to_string(kMaxSpecifiedPoints));
  }
  const int n = ctx.model.wall.n;
  auto& codes = ctx.model.stations.condition;
  for (int i = 0; i < count; ++i) {
    SpecifiedPoint pt;
    {
      auto r = ctx.input->record("SPECIFIED DEFLECTION AND SLOPE");
      pt.kind = r.integer();
      pt.station = r.integer();
      pt.deflection = r.real();
      pt.slope = r.real();
    }
    points.push_back(pt);
    const int previous = i == 0 ? -1 : points[static_cast<std::size_t>(i) - 1].station;
    if (pt.station < previous) {
      stopStationsNotInOrder(ctx, "specified point " + std::to_string(i + 1));
    }
    if (pt.station > n + 1) {
      ctx.report.write(KLAYOUT("(/,/,'     ERROR -- SPECIFIED POINT AT STATION',I6,' LIES BEYOND "
                               "STATION',I6,' (ONE BELOW THE TIP)')"),
                       pt.station, n + 1);
      throw RunEnd("specified point beyond the wall tip");
    }
    if (pt.kind <= 1) {
      codes(pt.station) = 2;
      ctx.report.write(KLAYOUT("(10X,I3,7X,I2,8X,E10.3,9X,'NONE')"), pt.station, pt.kind,
                       pt.deflection);
    } else if (pt.kind == 2) {
      codes(pt.station - 1) = 3;
      codes(pt.station + 1) = 5;
      ctx.report.write(KLAYOUT("(10X,I3,7X,I2,11X,'NONE',8X,E10.3)"), pt.station, pt.kind,
                       pt.slope);
    } else {
      codes(pt.station - 1) = 3;
      codes(pt.station) = 4;
      codes(pt.station + 1) = 5;
      ctx.report.write(KLAYOUT("(10X,I3,7X,I2,3X,2(5X,E10.3))"), pt.station, pt.kind,
                       pt.deflection, pt.slope);
    }
  }
}

}  // namespace korven
