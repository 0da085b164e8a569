// Timing of the wall solution: one linear solution of a 400-increment wall,
// and one full iteration (200 p-y curves linearised, then the solution).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "wall/FiniteDifference.h"
#include "wall/SolutionLoop.h"

namespace {

using namespace korven;

struct Fixture {
  WallModel m;
  WallState st;
};

std::unique_ptr<Fixture> makeWall(int curves) {
  auto f = std::make_unique<Fixture>();
  WallModel& m = f->m;
  const int n = 400;
  m.wall.n = n;
  m.wall.h = 3.0;
  m.wall.closureTolerance = 1e-5;
  m.wall.allowableDeflection = 1e3;
  m.stations.clear();
  for (int i = 0; i <= n; ++i) {
    m.stations.f(i) = 4.0e9;
    m.stations.q(i) = i < 150 ? 60.0 : 0.0;
  }
  m.stations.s(100) = 5e4;
  m.specifiedPoints.push_back({2, 0, 0.0, 0.0});
  m.stations.condition(-1) = 3;
  m.stations.condition(1) = 5;
  // Hyperbolic curves of 33 points below station 150, one per 2 stations.
  for (int c = 0; c < curves; ++c) {
    PyCurve pc;
    pc.points = 33;
    pc.contd = 1;
    pc.firstStation = pc.lastStation = 2 * c;
    for (int j = 0; j < 33; ++j) {
      const double y = (j - 16) * 0.05;
      pc.y[static_cast<std::size_t>(j)] = y;
      pc.p[static_cast<std::size_t>(j)] = -(20.0 + c) * y / (0.1 + std::fabs(y));
    }
    m.curves.push_back(pc);
  }
  prepareCurveTable(m, f->st);
  for (int i = -1; i <= n + 1; ++i) {
    f->st.qw(i) = m.stations.q(i);
    f->st.sw(i) = m.stations.s(i) + 1e3;
  }
  solveWall(m, f->st);
  return f;
}

void BM_SolveWall400(benchmark::State& state) {
  auto f = makeWall(0);
  for (auto _ : state) {
    SolveSummary s = solveWall(f->m, f->st);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_SolveWall400);

void BM_IterationWith200Curves(benchmark::State& state) {
  auto f = makeWall(200);
  WallModel& m = f->m;
  WallState& st = f->st;
  for (auto _ : state) {
    for (int i = -1; i <= m.wall.n + 1; ++i) {
      st.qw(i) = m.stations.q(i);
      st.sw(i) = m.stations.s(i);
      st.rw(i) = 0.0;
    }
    applyCurves(m, st);
    SolveSummary s = solveWall(m, st);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_IterationWith200Curves);

}  // namespace
