// The linear wall solution against closed-form beam results, the specified
// deflections and slopes, zero pivots, the derived quantities and the
// flexural rigidity per station.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "wall/FiniteDifference.h"
#include "wall/SolutionLoop.h"
#include "wall/WallTestSupport.h"

namespace korven {
namespace {

using test::copyTables;
using test::specify;
using test::uniformWall;

struct Problem {
  WallModel m;
  WallState st;
};

// Relative errors of a deflection against the exact value for N, 2N and 4N
// increments of the same wall; their ratios show the order of the method.
template <class Solve>
std::array<double, 3> errors(Solve solve, double exact, int n) {
  return {std::fabs(solve(n) - exact) / std::fabs(exact),
          std::fabs(solve(2 * n) - exact) / std::fabs(exact),
          std::fabs(solve(4 * n) - exact) / std::fabs(exact)};
}

template <class Solve>
void expectSecondOrder(Solve solve, double exact, int n) {
  const auto e = errors(solve, exact, n);
  EXPECT_LT(e[0], 0.05);
  for (int i = 0; i < 2; ++i) {
    EXPECT_GT(e[i] / e[i + 1], 3.5) << e[i] << " " << e[i + 1];
    EXPECT_LT(e[i] / e[i + 1], 4.5) << e[i] << " " << e[i + 1];
  }
}

// A uniform beam of the given length in n increments, loaded and supported
// by `setup`, solved once; returns the deflection at station `at(n)`.
template <class Setup, class At>
auto beam(double length, double ei, Setup setup, At at) {
  return [=](int n) {
    auto p = std::make_unique<Problem>();
    uniformWall(p->m, n, length / n, ei);
    setup(p->m, n, length / n);
    copyTables(p->m, p->st);
    solveWall(p->m, p->st);
    return p->st.w(at(n));
  };
}

auto top = [](int) { return 0; };
auto middle = [](int n) { return n / 2; };

TEST(ClosedForm, CantileverWithEndLoad) {
  const double length = 120.0, ei = 3.0e7, load = 1000.0;
  auto tip = beam(length, ei, [=](WallModel& m, int n, double) {
    m.stations.q(0) = load;
    specify(m, 3, n, 0.0, 0.0);  // fixed at the foot
  }, top);
  // The fixing couple of a specified slope acts as two opposite forces at
  // the stations next to the fixed one (the equations of those stations are
  // added). With no rigidity beyond the foot the fixed station then carries
  // half the fixing moment, w(N-1) comes out at half its value, and the tip
  // deflection is PL^3/3EI * (1 - 3h/4L + h^2/2L^2): first order in h, as a
  // property of the slope condition.
  const double exact = load * std::pow(length, 3) / (3.0 * ei);
  for (int n : {10, 20, 40, 80}) {
    const double r = 1.0 / n;  // h/L
    EXPECT_NEAR(tip(n) / exact, 1.0 - 0.75 * r + 0.5 * r * r, 1e-10) << n;
  }
}

TEST(ClosedForm, FixedEndsUnderUniformLoad) {
  const double length = 100.0, ei = 1.0e6, q = 3.0;
  auto mid = beam(length, ei, [=](WallModel& m, int n, double h) {
    for (int i = 1; i < n; ++i) m.stations.q(i) = q * h;
    specify(m, 3, 0, 0.0, 0.0);
    specify(m, 3, n, 0.0, 0.0);
  }, middle);
  const auto e = errors(mid, q * std::pow(length, 4) / (384.0 * ei), 40);
  EXPECT_LT(e[2], 0.015);
  EXPECT_GT(e[0] / e[1], 1.7);
  EXPECT_GT(e[1] / e[2], 1.8);
}

TEST(ClosedForm, SimplySupportedPointLoad) {
  const double length = 200.0, ei = 5.0e6, load = 500.0;
  auto mid = beam(length, ei, [=](WallModel& m, int n, double) {
    m.stations.q(n / 2) = load;
    specify(m, 1, 0, 0.0, 0.0);
    specify(m, 1, n, 0.0, 0.0);
  }, middle);
  const auto e = errors(mid, load * std::pow(length, 3) / (48.0 * ei), 20);
  // Nodal values of a point-loaded prismatic beam: at least second order.
  EXPECT_LT(e[0], 1e-2);
  EXPECT_LE(e[1], e[0] / 3.5 + 1e-12);
}

TEST(ClosedForm, SimplySupportedUniformLoad) {
  const double length = 200.0, ei = 5.0e6, q = 2.0;
  auto mid = beam(length, ei, [=](WallModel& m, int n, double h) {
    for (int i = 0; i <= n; ++i) m.stations.q(i) = q * h * (i == 0 || i == n ? 0.5 : 1.0);
    specify(m, 1, 0, 0.0, 0.0);
    specify(m, 1, n, 0.0, 0.0);
  }, middle);
  expectSecondOrder(mid, 5.0 * q * std::pow(length, 4) / (384.0 * ei), 10);
}

TEST(ClosedForm, LongBeamOnLinearSpringsUnderHeadLoad) {
  const double ei = 1.0e6, k = 100.0, load = 1000.0;
  const double beta = std::pow(k / (4.0 * ei), 0.25);
  const double length = 14.0 / beta;  // long enough to count as semi-infinite
  auto head = [&](int n) {
    auto p = std::make_unique<Problem>();
    uniformWall(p->m, n, length / n, ei);
    p->m.stations.q(0) = load;
    for (int i = 0; i <= n; ++i) p->m.curves.push_back(test::linearCurve(i, k));
    prepareCurveTable(p->m, p->st);
    copyTables(p->m, p->st);
    EXPECT_EQ(applyCurves(p->m, p->st), CurveStatus::Ok);
    solveWall(p->m, p->st);
    return p->st.w(0);
  };
  expectSecondOrder(head, 2.0 * load * beta / k, 60);
}

TEST(SpecifiedPoints, DeflectionSlopeAndBoth) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  const int n = 20;
  const double h = 6.0;
  uniformWall(m, n, h, 1e7);
  m.stations.q(10) = 300.0;
  specify(m, 1, 0, 0.25, 0.0);
  specify(m, 2, 6, 0.0, 0.01);
  specify(m, 3, 15, -0.1, -0.002);
  copyTables(m, p->st);
  solveWall(m, p->st);
  const auto& w = p->st.w;
  EXPECT_DOUBLE_EQ(w(0), 0.25);
  EXPECT_NEAR((w(7) - w(5)) / (2 * h), 0.01, 1e-12);
  EXPECT_DOUBLE_EQ(w(15), -0.1);
  EXPECT_NEAR((w(16) - w(14)) / (2 * h), -0.002, 1e-12);
}

TEST(SpecifiedPoints, SlopeAtTheTopStation) {
  auto p = std::make_unique<Problem>();
  uniformWall(p->m, 10, 12.0, 1e6);
  p->m.stations.s(10) = 1e4;  // a spring at the foot holds the wall
  p->m.stations.q(5) = 100.0;
  specify(p->m, 3, 0, 0.5, 0.02);
  copyTables(p->m, p->st);
  solveWall(p->m, p->st);
  EXPECT_DOUBLE_EQ(p->st.w(0), 0.5);
  EXPECT_NEAR((p->st.w(1) - p->st.w(-1)) / 24.0, 0.02, 1e-12);
}

TEST(ZeroPivots, EmptyTablesDoNotStopTheSolution) {
  auto p = std::make_unique<Problem>();
  uniformWall(p->m, 8, 1.0, 0.0);
  copyTables(p->m, p->st);
  const SolveSummary s = solveWall(p->m, p->st);
  for (int i = -1; i <= 9; ++i) EXPECT_EQ(p->st.w(i), 0.0);
  EXPECT_EQ(s.notClosed, 0);
}

TEST(ZeroPivots, ZeroMultiplierAtSlopeLeadInStation) {
  // No rigidity down to station 5: the equation of the lead-in station 4 of
  // a slope at station 5 has a zero pivot.
  auto p = std::make_unique<Problem>();
  uniformWall(p->m, 12, 1.0, 1e5);
  for (int i = 0; i <= 5; ++i) p->m.stations.f(i) = 0.0;
  p->m.stations.q(9) = 10.0;
  specify(p->m, 1, 12, 0.0, 0.0);
  specify(p->m, 2, 5, 0.0, 0.01);
  std::swap(p->m.specifiedPoints[0], p->m.specifiedPoints[1]);
  copyTables(p->m, p->st);
  solveWall(p->m, p->st);
  EXPECT_EQ(p->st.m(4), 0.0);
  for (int i = -1; i <= 13; ++i) EXPECT_TRUE(std::isfinite(p->st.w(i))) << i;
  EXPECT_DOUBLE_EQ(p->st.w(12), 0.0);
}

TEST(SolveSummary, CountsChangesAndAllowableDeflection) {
  auto p = std::make_unique<Problem>();
  uniformWall(p->m, 10, 10.0, 1e6);
  p->m.stations.q(0) = 100.0;
  specify(p->m, 3, 10, 0.0, 0.0);
  p->m.wall.closureTolerance = 0.01;
  p->m.wall.allowableDeflection = 0.05;
  copyTables(p->m, p->st);
  const SolveSummary first = solveWall(p->m, p->st);
  int moving = 0, beyond = 0;
  double largest = 0.0;
  for (int i = 0; i <= 10; ++i) {
    moving += std::fabs(p->st.w(i)) > 0.01;
    beyond += std::fabs(p->st.w(i)) > 0.05;
    largest = std::max(largest, std::fabs(p->st.w(i)));
  }
  EXPECT_EQ(first.notClosed, moving);
  EXPECT_EQ(first.exceeding, beyond);
  EXPECT_DOUBLE_EQ(first.maxChange, largest);
  EXPECT_GT(beyond, 0);
  const SolveSummary again = solveWall(p->m, p->st);
  EXPECT_EQ(again.notClosed, 0);
  EXPECT_EQ(again.maxChange, 0.0);
}

// Net force per station against the loads and springs, and the global
// balance of forces and moments.
void expectEquilibrium(const WallModel& m, const WallState& st) {
  const auto& r = m.results;
  const int n = m.wall.n;
  double total = 0.0, moment = 0.0, scale = 0.0;
  for (int i = 0; i <= n; ++i) {
    const double nf = r.netForce[static_cast<std::size_t>(i)];
    if (m.stations.condition(i) == 1) {
      EXPECT_NEAR(nf, st.qw(i) - st.sw(i) * st.w(i), 1e-7 * (1 + std::fabs(st.qw(i)))) << i;
    }
    total += nf;
    moment += nf * i * m.wall.h;
    scale += std::fabs(nf);
  }
  EXPECT_NEAR(total, 0.0, 1e-7 * scale);
  EXPECT_NEAR(moment, 0.0, 1e-7 * scale * n * m.wall.h);
}

TEST(Results, SimplySupportedBeamReactionsAndEquilibrium) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  uniformWall(m, 20, 6.0, 2e6);
  m.stations.q(5) = 400.0;
  specify(m, 1, 0, 0.0, 0.0);
  specify(m, 1, 20, 0.0, 0.0);
  copyTables(m, p->st);
  solveWall(m, p->st);
  computeWallResults(m, p->st);
  const auto& r = m.results;
  EXPECT_EQ(r.lastStation, 21);
  EXPECT_NEAR(r.netForce[0], -400.0 * 15 / 20, 1e-6);
  EXPECT_NEAR(r.netForce[20], -400.0 * 5 / 20, 1e-6);
  EXPECT_NEAR(r.moment[0], 0.0, 1e-6);
  EXPECT_NEAR(r.moment[5], -400.0 * 0.75 * 30.0, 1e-6);  // P*a*b/L, sagging negative
  EXPECT_DOUBLE_EQ(r.depth[12], 6.0);                    // feet
  EXPECT_DOUBLE_EQ(r.rigidity[3], 2e6);
  expectEquilibrium(m, p->st);
}

TEST(Results, BeamOnSpringsIsInEquilibrium) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  uniformWall(m, 40, 3.0, 1e6);
  m.stations.q(0) = 200.0;
  m.stations.q(7) = -50.0;
  for (int i = 0; i <= 40; i += 4) m.curves.push_back(test::linearCurve(i, 50.0));
  prepareCurveTable(m, p->st);
  copyTables(m, p->st);
  applyCurves(m, p->st);
  solveWall(m, p->st);
  // Supports linearised again at the solution, as the loop leaves them.
  copyTables(m, p->st);
  applyCurves(m, p->st);
  solveWall(m, p->st);
  m.lengthPerDepthUnit = 1.0;
  computeWallResults(m, p->st);
  EXPECT_DOUBLE_EQ(m.results.depth[10], 30.0);
  expectEquilibrium(m, p->st);
  // The soil reaction is the linearised support force per length.
  EXPECT_NEAR(m.results.soilReaction[8], -50.0 * p->st.w(8), 1e-9);
}

TEST(Results, CoupleCorrections) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  uniformWall(m, 10, 2.0, 1e5);
  m.couples.push_back({4, 8.0});
  copyTables(m, p->st);
  m.lengthPerDepthUnit = 1.0;
  computeWallResults(m, p->st);  // zero deflections: only corrections
  const auto& r = m.results;
  EXPECT_DOUBLE_EQ(r.netForce[5], 8.0);
  EXPECT_DOUBLE_EQ(r.netForce[3], -8.0);
  EXPECT_DOUBLE_EQ(r.shear[5], -4.0);
  EXPECT_DOUBLE_EQ(r.shear[3], -4.0);
  EXPECT_DOUBLE_EQ(r.shear[4], -8.0);
  EXPECT_DOUBLE_EQ(r.netForce[4], 0.0);
}

TEST(Results, FreeTopHasNoMomentAndExtrapolatedEnds) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  uniformWall(m, 10, 12.0, 1e7);
  m.stations.q(0) = 100.0;
  specify(m, 3, 10, 0.0, 0.0);
  copyTables(m, p->st);
  solveWall(m, p->st);
  computeWallResults(m, p->st);
  EXPECT_NEAR(m.results.moment[0], 0.0, 1e-6);
  EXPECT_DOUBLE_EQ(p->st.w(-2), 2 * p->st.w(-1) - p->st.w(0));
  EXPECT_DOUBLE_EQ(p->st.w(12), 2 * p->st.w(11) - p->st.w(10));
  // The free top carries the load as shear.
  EXPECT_NEAR(m.results.shear[1], 100.0, 1e-6);
}

MomentCurvatureTable table(std::vector<double> phi, std::vector<double> mom) {
  MomentCurvatureTable t;
  t.curvature = std::move(phi);
  t.moment = std::move(mom);
  return t;
}

TEST(SecantRigidity, TableRules) {
  const auto t = table({0.0, 1e-4, 3e-4, 6e-4}, {0.0, 100.0, 200.0, 240.0});
  EXPECT_DOUBLE_EQ(secantRigidity(t, 0.0, -1), 1e6);        // secant to point 2
  EXPECT_DOUBLE_EQ(secantRigidity(t, 9.9e-9, -1), 1e6);
  EXPECT_DOUBLE_EQ(secantRigidity(t, 3e-4, -1), 200.0 / 3e-4);  // exactly a point
  EXPECT_DOUBLE_EQ(secantRigidity(t, 2e-4, -1), 150.0 / 2e-4);  // interpolated
  EXPECT_DOUBLE_EQ(secantRigidity(t, 6e-4, -1), 240.0 / 6e-4);
  EXPECT_DOUBLE_EQ(secantRigidity(t, 1.0, -1), 240.0 / 6e-4);   // constant beyond
  EXPECT_DOUBLE_EQ(secantRigidity(table({0.0}, {0.0}), 1e-3, 7.0), 7.0);
  EXPECT_DOUBLE_EQ(secantRigidity(table({}, {}), 1e-3, 7.0), 7.0);
}

TEST(StationStiffness, SectionsTaperAndNonlinear) {
  auto p = std::make_unique<Problem>();
  WallModel& m = p->m;
  uniformWall(m, 10, 12.0, 0.0);  // English: stations 1 ft apart
  m.control.wallSectionCount = 3;
  m.wallSections = {{2.0, 4.0, 1}, {4.0, 8.0, 2}, {8.0, 9.0, 3}};
  m.crossSections.resize(3);
  m.crossSections[0].modulusTop = m.crossSections[0].modulusBottom = 10.0;
  m.crossSections[0].inertiaTop = m.crossSections[0].inertiaBottom = 100.0;
  m.crossSections[1].modulusTop = m.crossSections[1].modulusBottom = 10.0;
  m.crossSections[1].inertiaTop = 100.0;
  m.crossSections[1].inertiaBottom = 500.0;
  m.crossSections[2].nonlinearFlag = 1;
  m.crossSections[2].table = table({0.0, 1e-4, 1e-3}, {0.0, 50.0, 100.0});
  m.stations.f(-1) = 123.0;  // outside 0..N: kept
  m.stations.setSectionDepths(m.wall.n, m.wall.h, 12.0);
  assignStationStiffness(m, p->st);
  const auto& f = m.stations.f;
  EXPECT_DOUBLE_EQ(f(0), 1000.0);  // above the first section: its top
  EXPECT_DOUBLE_EQ(f(2), 1000.0);
  EXPECT_DOUBLE_EQ(f(3), 1000.0);
  EXPECT_DOUBLE_EQ(f(4), 1000.0);  // bottom of section 1 is reached first
  EXPECT_DOUBLE_EQ(f(5), 2000.0);  // a quarter into the taper
  EXPECT_DOUBLE_EQ(f(7), 4000.0);
  EXPECT_DOUBLE_EQ(f(9), 5e5);     // nonlinear, zero curvature: M(2)/phi(2)
  EXPECT_DOUBLE_EQ(f(10), 5e5);    // below the last section: the last one
  EXPECT_DOUBLE_EQ(f(-1), 123.0);
  // Curvature 5e-4 at station 9 from the deflections.
  p->st.w(9) = -0.5 * 5e-4 * 144.0;
  m.stations.setSectionDepths(m.wall.n, m.wall.h, 12.0);
  assignStationStiffness(m, p->st);
  EXPECT_NEAR(f(9), (50.0 + 4e-4 * 50.0 / 9e-4) / 5e-4, 1e-6);
  // SI: depths in the unit of h.
  m.wallSections = {{0.0, 10.0, 2}, {10.0, 20.0, 1}, {20.0, 30.0, 1}};
  m.wall.h = 1.0;
  m.stations.setSectionDepths(m.wall.n, m.wall.h, 1.0);
  assignStationStiffness(m, p->st);
  EXPECT_DOUBLE_EQ(f(5), 3000.0);
  // SI depths are n*h, not a running sum: with h = 0.1 station 15 lies at
  // exactly 1.5 (a sum of fifteen steps gives 1.5000000000000002), the
  // bottom of the tapered first section.
  m.wall.n = 20;
  m.wall.h = 0.1;
  m.wallSections = {{0.0, 1.5, 2}, {1.5, 3.0, 1}};
  m.stations.setSectionDepths(m.wall.n, m.wall.h, 1.0);
  assignStationStiffness(m, p->st);
  EXPECT_DOUBLE_EQ(f(15), 5000.0);
  EXPECT_DOUBLE_EQ(f(16), 1000.0);
}

}  // namespace
}  // namespace korven

