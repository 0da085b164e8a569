// The nonlinear loop: curve application, closure, iteration limit,
// allowable deflection, damping, hinges, tie-back results and the results
// report and monitoring file it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "core/Stops.h"
#include "wall/SolutionLoop.h"
#include "wall/WallAnalysis.h"
#include "wall/WallTestSupport.h"

namespace korven {
namespace {

using test::specify;
using test::uniformWall;

struct WallRun {
  RunContext ctx;
  std::ostringstream report, monitor, plot;
  WallRun() {
    ctx.report.attach(report);
    ctx.monitor.attach(monitor);
    ctx.plot.attach(plot);
    ctx.problemCounter = 1;
    ctx.model.title = std::string("TEST WALL") + std::string(71, ' ');
    ctx.unitFlag = 1;
    ctx.labels = selectUnitLabels(1);
  }
  std::string text() {
    ctx.report.flush();
    return report.str();
  }
  std::string monitoring() {
    ctx.monitor.flush();
    return monitor.str();
  }
};

// A hyperbolic p-y curve (p per unit length) of 2*half+1 points.
PyCurve softCurve(int station, double pult, double y50, int contd = 1) {
  PyCurve c;
  c.contd = contd;
  c.firstStation = c.lastStation = station;
  const int half = 8;
  c.points = 2 * half + 1;
  for (int j = 0; j < c.points; ++j) {
    const double y = (j - half) * 0.25;
    c.y[static_cast<std::size_t>(j)] = y;
    c.p[static_cast<std::size_t>(j)] = -pult * y / (y50 + std::fabs(y));
  }
  return c;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(CurveApplication, PairSpreadsBetweenStationsWithHalfEnds) {
  WallModel m;
  WallState st;
  uniformWall(m, 20, 1.0, 1.0);
  m.curves = {test::linearCurve(10, 4.0), test::linearCurve(14, 8.0)};
  prepareCurveTable(m, st);
  ASSERT_EQ(applyCurves(m, st), CurveStatus::Ok);
  EXPECT_DOUBLE_EQ(st.sw(10), 2.0);
  EXPECT_DOUBLE_EQ(st.sw(11), 5.0);  // t = 1/4
  EXPECT_DOUBLE_EQ(st.sw(12), 6.0);
  EXPECT_DOUBLE_EQ(st.sw(13), 7.0);
  EXPECT_DOUBLE_EQ(st.sw(14), 4.0);
  EXPECT_DOUBLE_EQ(st.sw(9) + st.sw(15), 0.0);
}

TEST(CurveApplication, ChainsAloneCurvesAndDroppedDuplicates) {
  WallModel m;
  WallState st;
  uniformWall(m, 20, 2.0, 1.0);
  // A lone curve above the excavation, then a chain 4-6-6-8 whose second
  // curve at station 6 is dropped, and a lone curve ending the chain at 8.
  m.curves = {test::linearCurve(2, 1.0, 0), test::linearCurve(4, 1.0), test::linearCurve(6, 3.0),
              test::linearCurve(6, 100.0), test::linearCurve(8, 5.0, 0)};
  prepareCurveTable(m, st);
  ASSERT_EQ(applyCurves(m, st), CurveStatus::Ok);
  const double h = 2.0;
  EXPECT_DOUBLE_EQ(st.sw(2), 1.0 * h);
  EXPECT_DOUBLE_EQ(st.sw(4), 0.5 * h);
  EXPECT_DOUBLE_EQ(st.sw(5), 2.0 * h);
  EXPECT_DOUBLE_EQ(st.sw(6), (0.5 * 3.0 + 0.5 * 3.0) * h);  // the chain goes on from 6
  EXPECT_DOUBLE_EQ(st.sw(7), 4.0 * h);
  EXPECT_DOUBLE_EQ(st.sw(8), 2.5 * h);  // the successor is not taken alone again

  WallModel bad;
  uniformWall(bad, 20, 1.0, 1.0);
  bad.curves = {test::linearCurve(8, 1.0), test::linearCurve(5, 1.0)};
  prepareCurveTable(bad, st);
  EXPECT_EQ(applyCurves(bad, st), CurveStatus::NotInOrder);
  bad.curves = {test::linearCurve(8, 1.0, -1)};
  prepareCurveTable(bad, st);
  EXPECT_EQ(applyCurves(bad, st), CurveStatus::NegativeFlag);
}

TEST(CurveApplication, RangesBeyondTheTipAreCut) {
  WallModel m;
  WallState st;
  uniformWall(m, 10, 1.0, 1.0);
  m.curves = {test::linearCurve(8, 2.0), test::linearCurve(12, 2.0), test::linearCurve(12, 2.0, 0),
              test::linearCurve(14, 2.0)};
  prepareCurveTable(m, st);
  ASSERT_EQ(applyCurves(m, st), CurveStatus::Ok);
  EXPECT_DOUBLE_EQ(st.sw(8), 1.0);
  EXPECT_DOUBLE_EQ(st.sw(9), 2.0);
  EXPECT_DOUBLE_EQ(st.sw(10), 1.0);  // the cut end keeps half weight
  EXPECT_DOUBLE_EQ(st.sw(11), 0.0);
}

TEST(CurveApplication, ExtremeStationsNeitherOverflowNorWrap) {
  WallModel m;
  WallState st;
  uniformWall(m, 10, 1.0, 1.0);
  // A partner curve far below the tip: a very long range, cut at the tip.
  m.curves = {test::linearCurve(8, 2.0), test::linearCurve(2147483647, 2.0)};
  prepareCurveTable(m, st);
  ASSERT_EQ(applyCurves(m, st), CurveStatus::Ok);
  EXPECT_DOUBLE_EQ(st.sw(8), 1.0);
  EXPECT_DOUBLE_EQ(st.sw(9), 2.0);
  EXPECT_DOUBLE_EQ(st.sw(10), 1.0);
  // The lowest station after a curve within the wall is out of order.
  m.curves = {test::linearCurve(8, 2.0), test::linearCurve(-2147483647 - 1, 2.0)};
  prepareCurveTable(m, st);
  EXPECT_EQ(applyCurves(m, st), CurveStatus::NotInOrder);
  m.curves = {test::linearCurve(2147483647, 2.0), test::linearCurve(-3, 2.0)};
  prepareCurveTable(m, st);
  EXPECT_EQ(applyCurves(m, st), CurveStatus::NotInOrder);
}

TEST(CurveApplication, SegmentChoice) {
  PyCurve c;
  c.points = 4;
  c.y = {-1.0, 0.0, 1.0, 3.0};
  c.p = {10.0, 0.0, -10.0, -12.0};
  // Exactly at a table point: the segment ending there.
  CurveSupport s = evaluateCurve(c, 1.0);
  EXPECT_DOUBLE_EQ(s.s, 10.0);
  EXPECT_DOUBLE_EQ(s.p, -10.0);
  s = evaluateCurve(c, 2.0);
  EXPECT_DOUBLE_EQ(s.s, 1.0);
  EXPECT_DOUBLE_EQ(s.q0, -9.0);
  EXPECT_DOUBLE_EQ(s.p, -11.0);
  s = evaluateCurve(c, 5.0);  // beyond: the last segment extended
  EXPECT_DOUBLE_EQ(s.p, -14.0);
  s = evaluateCurve(c, -3.0);  // before: the first segment extended
  EXPECT_DOUBLE_EQ(s.p, 30.0);
  c.y[1] = c.y[0];
  EXPECT_EQ(evaluateCurve(c, -1.0).s, 0.0);  // vertical segment: no support
}

TEST(Damping, BlendWeightsFollowTheSequence) {
  WallState st;
  const double expected[] = {0.5, 0.25, 0.75, 0.125, 0.375, 0.625, 0.875, 0.0625};
  for (double g : expected) {
    st.w(0) = 1.0;
    st.w1(0) = 0.0;
    blendDeflections(st, 0);
    EXPECT_DOUBLE_EQ(st.w(0), g);
  }
  EXPECT_EQ(st.oscillationCount, 8);
}

// A 10-increment cantilever fixed at its foot under a head load, iterated.
std::unique_ptr<WallRun> cantilever(double ei, int itmax, double allowable) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  uniformWall(m, 10, 12.0, ei, itmax);
  m.wall.closureTolerance = 1e-6;
  m.wall.allowableDeflection = allowable;
  m.stations.q(0) = 100.0;
  specify(m, 3, 10, 0.0, 0.0);
  iterateWall(r->ctx);
  writeResults(r->ctx);
  return r;
}

TEST(Loop, LinearWallClosesAtIterationThree) {
  auto r = cantilever(1e8, 50, 1e30);
  WallModel& m = r->ctx.model;
  EXPECT_EQ(m.iterations, 3);
  EXPECT_EQ(m.status, ProblemStatus::Converged);
  const std::string text = r->text();
  EXPECT_NE(text.find("\n      TEST WALL"), std::string::npos);
  EXPECT_NE(text.find("     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   3\n"),
            std::string::npos);
  EXPECT_NE(text.find("   STA I      X         DEFL.       SLOPE      MOMENT      SHEAR    "
                      "SOIL_REACT NET_FORCE/STA    EI\n"
                      "             FT          IN          RAD      LBS-IN        LBS       "
                      "LBS/IN        LBS      LBS-IN**2\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("     NODE REACTIONS"), std::string::npos);
  EXPECT_EQ(text.find("TIE BACK RESULTS"), std::string::npos);
  EXPECT_EQ(text.find("RESTRAINT RESULTS"), std::string::npos);
  // Station 12 at h = 6 in prints 6.000E+00 ft; here station 2 at 12 in.
  EXPECT_NE(text.find("     2   2.000E+00"), std::string::npos);
  const std::string mon = r->monitoring();
  EXPECT_NE(mon.find("     ITERATION MONITORING"), std::string::npos);
  EXPECT_NE(mon.find("\n      3         0"), std::string::npos) << mon;
  EXPECT_EQ(m.results.lastStation, 11);
}

TEST(Loop, ZeroIterationLimitSolvesOnce) {
  auto r = cantilever(1e6, 0, 1e-6);  // allowable deflection exceeded, but not tested
  WallModel& m = r->ctx.model;
  EXPECT_EQ(m.iterations, 0);
  EXPECT_EQ(m.status, ProblemStatus::Converged);
  const std::string text = r->text();
  EXPECT_NE(text.find("NUMBER OF ITERATIONS :   0"), std::string::npos);
  EXPECT_NE(text.find("   STA I"), std::string::npos);
  const std::string mon = r->monitoring();
  EXPECT_NE(mon.find("------      ------      ------\n\n                    \n"), std::string::npos)
      << mon;
}

TEST(Loop, IterationLimitAndAllowableDeflection) {
  for (int itmax : {2, 200}) {
    auto r = std::make_unique<WallRun>();
    WallModel& m = r->ctx.model;
    uniformWall(m, 20, 6.0, 1e6, itmax);
    m.stations.q(0) = 400.0;
    for (int i = 4; i <= 20; i += 2) m.curves.push_back(softCurve(i, 40.0, 0.1));
    if (itmax == 200) m.wall.allowableDeflection = 0.05;
    iterateWall(r->ctx);
    writeResults(r->ctx);
    const std::string text = r->text();
    const std::string mon = r->monitoring();
    EXPECT_EQ(m.status, ProblemStatus::NotConverged);
    EXPECT_EQ(text.find("   STA I"), std::string::npos);
    if (itmax == 2) {
      EXPECT_EQ(m.iterations, 2);
      const std::string warning =
          "     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****\n"
          "     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED TOLERANCE *****\n";
      EXPECT_NE(text.find(warning), std::string::npos) << text;
      EXPECT_NE(mon.find(warning), std::string::npos);
    } else {
      EXPECT_EQ(m.iterations, 1);
      EXPECT_NE(text.find("     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***"), std::string::npos);
      EXPECT_NE(mon.find("  *** STATIONS *****"), std::string::npos);
    }
  }
}

TEST(Loop, NonlinearSupportsConvergeInEquilibrium) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  uniformWall(m, 40, 6.0, 5e7, 100);
  m.wall.closureTolerance = 1e-7;
  m.stations.q(0) = 2000.0;
  for (int i = 0; i <= 40; i += 4) m.curves.push_back(softCurve(i, 60.0 + 4 * i, 0.2));
  iterateWall(r->ctx);
  writeResults(r->ctx);
  ASSERT_EQ(m.status, ProblemStatus::Converged);
  EXPECT_GT(m.iterations, 3);
  // Net forces balance the head load; each equals load plus soil reaction
  // times h at its station.
  double total = 0.0;
  for (int i = 0; i <= 40; ++i) {
    total += m.results.netForce[static_cast<std::size_t>(i)];
  }
  EXPECT_NEAR(total, 0.0, 1e-3);
  double soil = 0.0;
  for (int i = 0; i <= 40; ++i) soil += m.results.soilReaction[static_cast<std::size_t>(i)] * 6.0;
  EXPECT_NEAR(soil, -2000.0, 1.0);  // supports linearised one step behind
}

TEST(Loop, HingesAndTieBackResults) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  uniformWall(m, 20, 12.0, 1e8, 50);
  m.control.tieBackCount = 2;
  m.control.hingeFlag = 1;
  for (int i = 0; i <= 20; ++i) m.stations.q(i) = 50.0;
  m.curves.push_back(test::linearCurve(12, 300.0));
  m.curves.push_back(test::linearCurve(20, 300.0));
  TieBack a, b;
  a.station = 3;
  b.station = 8;
  for (TieBack* t : {&a, &b}) {
    t->angleRad = 15.0 * 3.1415998935699463 / 180.0;
    t->stiffness = 2e4;
    t->load = -300.0;
    t->spacing = 8.0;
    t->depth = t->station;
    m.stations.s(t->station) += t->stiffness;
    m.stations.q(t->station) += t->load;
  }
  m.tieBacks = {a, b};
  iterateWall(r->ctx);
  writeResults(r->ctx);
  ASSERT_EQ(m.status, ProblemStatus::Converged);
  EXPECT_EQ(m.stations.f(8), 0.0);
  EXPECT_EQ(m.stations.f(3), 1e8);
  EXPECT_NEAR(m.results.moment[8], 0.0, 1e-9);
  const TieBack& t = m.tieBacks[1];
  EXPECT_DOUBLE_EQ(t.horizontalForce, -300.0 - 2e4 * m.results.deflection[8]);
  EXPECT_DOUBLE_EQ(t.axialForce, t.horizontalForce / std::cos(t.angleRad));
  EXPECT_DOUBLE_EQ(t.forcePerTieBack, t.axialForce * 12.0 * 8.0 / 1.0);
  const std::string text = r->text();
  EXPECT_NE(text.find("     TIE BACK RESULTS"), std::string::npos);
  EXPECT_NE(text.find("                      FT            LBS               LBS               LBS\n"),
            std::string::npos)
      << text;
  // Plot summary: stations 0..N and both tie-backs.
  writePlotSummary(r->ctx, 1);
  r->ctx.plot.flush();
  const std::string plot = r->plot.str();
  EXPECT_EQ(plot.rfind(" 1 21 1\n", 0), 0u) << plot;
  EXPECT_EQ(count(plot, "\n"), 1 + 21 + 1 + 2);
  m.status = ProblemStatus::NotConverged;
  r->plot.str("");
  writePlotSummary(r->ctx, 1);
  r->ctx.plot.flush();
  EXPECT_EQ(r->plot.str(), " 0 21 1\n");
}

TEST(Loop, CurvesOutOfOrderEndTheRun) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  uniformWall(m, 20, 6.0, 1e6, 10);
  m.curves = {test::linearCurve(9, 1.0), test::linearCurve(4, 1.0)};
  EXPECT_THROW(iterateWall(r->ctx), RunEnd);
  EXPECT_NE(r->text().find("     ERROR STOP -- STATIONS NOT IN ORDER"), std::string::npos);
}

// Deflections or results beyond the range of numbers end the run with a
// message in the report and the monitoring file, never printed as such.
TEST(Loop, NonFiniteSolutionsEndTheRun) {
  {
    auto r = std::make_unique<WallRun>();  // a p-y curve overflowing once multiplied by h
    WallModel& m = r->ctx.model;
    uniformWall(m, 20, 6.0, 1e6, 10);
    m.stations.q(0) = 100.0;
    m.curves = {test::linearCurve(10, 1e308), test::linearCurve(20, 1.0)};
    EXPECT_THROW(iterateWall(r->ctx), RunEnd);
    const std::string message =
        "     ERROR STOP -- THE WALL SOLUTION DIVERGED: DEFLECTIONS ARE NOT FINITE NUMBERS\n"
        "     CHECK THE STIFFNESS, SUPPORT AND LOAD DATA\n";
    EXPECT_NE(r->text().find(message), std::string::npos) << r->text();
    EXPECT_NE(r->monitoring().find(message), std::string::npos);
    EXPECT_EQ(r->text().find("NaN"), std::string::npos);
    EXPECT_EQ(r->monitoring().find("NaN"), std::string::npos);
  }
  {
    auto r = std::make_unique<WallRun>();  // a rigidity too small to be inverted
    WallModel& m = r->ctx.model;
    uniformWall(m, 20, 6.0, 4.9e-324, 10);
    m.stations.q(0) = 100.0;
    m.curves = {test::linearCurve(10, 10.0), test::linearCurve(20, 10.0)};
    EXPECT_THROW(iterateWall(r->ctx), RunEnd);
    EXPECT_NE(r->text().find("DEFLECTIONS ARE NOT FINITE NUMBERS"), std::string::npos);
  }
  {
    auto r = std::make_unique<WallRun>();  // a tie-back force per zero width
    WallModel& m = r->ctx.model;
    uniformWall(m, 20, 12.0, 1e8, 50);
    m.wall.analysisWidth = 0.0;
    m.control.tieBackCount = 1;
    m.curves = {test::linearCurve(12, 300.0), test::linearCurve(20, 300.0)};
    TieBack t;
    t.station = 3;
    t.spacing = 8.0;
    m.tieBacks = {t};
    m.stations.q(0) = 50.0;
    EXPECT_THROW(iterateWall(r->ctx), RunEnd);
    EXPECT_NE(r->text().find("TIE BACK FORCES ARE NOT FINITE NUMBERS"), std::string::npos);
    EXPECT_EQ(r->text().find("NaN"), std::string::npos);
  }
}

TEST(Loop, RestraintResults) {
  auto r = std::make_unique<WallRun>();
  WallModel& m = r->ctx.model;
  uniformWall(m, 10, 1.0, 1e3, 10);
  r->ctx.unitFlag = 2;
  r->ctx.labels = selectUnitLabels(-1);
  m.lengthPerDepthUnit = 1.0;
  m.restraints = {{9, 10, 1, 500.0, 20.0}};
  m.stations.s(9) = 250.0;
  m.stations.s(10) = 250.0;
  m.stations.q(0) = 1.0;
  m.curves = {test::linearCurve(5, 100.0), test::linearCurve(10, 100.0)};
  iterateWall(r->ctx);
  writeResults(r->ctx);
  ASSERT_EQ(m.status, ProblemStatus::Converged);
  const std::string text = r->text();
  EXPECT_NE(text.find("     LATERAL AND ROTATIONAL RESTRAINT RESULTS\n"), std::string::npos);
  EXPECT_NE(text.find("                 M               KN            KN-  M\n"), std::string::npos)
      << text;
  EXPECT_EQ(count(text, "\n       9     9.000E+00      -9.5661E-01"), 1) << text;
}

}  // namespace
}  // namespace korven
