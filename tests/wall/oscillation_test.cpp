// Damping of an oscillating iteration, driven through the whole loop.
//
// Construction. A 4-increment cantilever, fixed at its foot, carries a head
// load P and one p-y curve at the head: a stiff rise to a resistance R1 at
// 0.4 in, a plateau R1 to 5.8 in, a lock-up to R2 = 2*R1 by 6.2 in, then a
// plateau R2. Each iteration solves the wall on the segment of the curve
// that holds the previous head deflection. With phi the head flexibility
// and P = 17/phi, R1 = 8/phi: on the R1 plateau the head goes to
// phi*(P - R1) = 9 in, past the lock-up; on the R2 plateau it goes back to
// phi*(P - R2) = 1 in, before it. The equilibrium (about 5.95 in) lies in
// the narrow lock-up band, which no unblended iterate reaches, so from
// iteration 2 on the head alternates 9, 1, 9, 1, ...
//
// Worked by hand: the blends fall on iterations 41, 45, 49, 53 and 57 with
// weights 1/2, 1/4, 3/4, 1/8, 3/8 and put the head at 5, 7, 7, 2 and 6 in;
// the last lands in the lock-up band, iteration 58 finds the equilibrium and
// iteration 59 reproduces it and closes. The test replays the rule on the
// exact linear solutions of each segment and compares every iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "wall/SolutionLoop.h"
#include "wall/WallAnalysis.h"
#include "wall/WallTestSupport.h"

namespace korven {
namespace {

using Deflections = std::vector<double>;  // stations 0..N

constexpr int kIncrements = 4;
constexpr double kH = 12.0;
constexpr double kTol = 1e-6;

// The deflections the loop keeps at stations 0..N.
Deflections deflections(const WallState& st) {
  Deflections w;
  for (int i = 0; i <= kIncrements; ++i) w.push_back(st.w(i));
  return w;
}

// The cantilever with head load p and the given curves, iterated with limit itmax.
// The report and monitoring channels stay detached: only the loop state is
// examined.
void runCantilever(RunContext& ctx, WallState& st, double p, const std::vector<PyCurve>& curves,
                   int itmax) {
  ctx.unitFlag = 1;
  ctx.labels = selectUnitLabels(1);
  ctx.problemCounter = 1;
  ctx.model.title = std::string(80, ' ');
  WallModel& m = ctx.model;
  test::uniformWall(m, kIncrements, kH, 1e8, itmax);
  m.wall.closureTolerance = kTol;
  test::specify(m, 3, kIncrements, 0.0, 0.0);
  m.stations.q(0) = p;
  m.curves = curves;
  iterateWall(ctx, st);
}

// A lone curve at the head through (y, resistance per station) points;
// resistance opposes a positive deflection.
PyCurve headCurve(const std::vector<double>& y, const std::vector<double>& resistance) {
  PyCurve c;
  c.contd = 0;
  c.points = static_cast<int>(y.size());
  for (std::size_t j = 0; j < y.size(); ++j) {
    c.y[j] = y[j];
    c.p[j] = -resistance[j] / kH;
  }
  return c;
}

struct Construction {
  double load = 0.0;
  std::vector<double> y = {0.0, 0.4, 5.8, 6.2, 12.0};
  std::vector<double> resistance;
  PyCurve curve() const { return headCurve(y, resistance); }
  // Segment j joins points j and j+1: the first point at or beyond the head
  // deflection ends it; beyond the last point the last segment goes on.
  int segmentAt(double head) const {
    for (int j = 1; j < static_cast<int>(y.size()); ++j) {
      if (head <= y[static_cast<std::size_t>(j)]) return j - 1;
    }
    return static_cast<int>(y.size()) - 2;
  }
};

Construction lockUpCurve() {
  RunContext unit;
  WallState unitState;
  runCantilever(unit, unitState, 1.0, {}, 100);
  const double phi = unitState.w(0);
  Construction c;
  c.load = 17.0 / phi;
  const double r1 = 8.0 / phi, r2 = 16.0 / phi;
  c.resistance = {0.0, r1, r1, r2, r2};
  return c;
}

// The wall solved on one segment of the curve extended to a straight line:
// what any iteration gives when it linearises the head on that segment.
Deflections solutionOnSegment(const Construction& c, int j) {
  const auto a = static_cast<std::size_t>(j), b = a + 1;
  RunContext ctx;
  WallState st;
  runCantilever(ctx, st, c.load, {headCurve({c.y[a], c.y[b]}, {c.resistance[a], c.resistance[b]})}, 100);
  EXPECT_EQ(st.status, LoopStatus::Converged);
  return deflections(st);
}

bool within(const Deflections& a, const Deflections& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::fabs(a[i] - b[i]) > kTol) return false;
  }
  return true;
}

// The loop replayed: after every iteration the deflections it keeps, the
// blends so far, and whether it closed.
struct Step {
  Deflections w;
  int blends = 0;
  bool closed = false;
};

std::vector<Step> replay(const Construction& c, int itmax, std::vector<int>& blendIterations) {
  std::vector<Deflections> solutions;
  for (int j = 0; j + 1 < static_cast<int>(c.y.size()); ++j) solutions.push_back(solutionOnSegment(c, j));
  const double weights[] = {1.0 / 2, 1.0 / 4, 3.0 / 4, 1.0 / 8, 3.0 / 8, 5.0 / 8, 7.0 / 8, 1.0 / 16};
  Deflections w(kIncrements + 1, 0.0), w1 = w, w2 = w, w3 = w;
  std::vector<Step> steps;
  int blends = 0;
  for (int k = 1; k <= itmax; ++k) {
    w = solutions[static_cast<std::size_t>(c.segmentAt(w[0]))];
    const bool moved = !within(w, w1);
    bool closed = false;
    if (k <= 2) {
      w1 = w;
    } else if (!moved) {
      closed = true;
    } else {
      if (k > 40 && within(w, w2) && within(w1, w3)) {
        const double g = weights[blends++];
        for (std::size_t i = 0; i < w.size(); ++i) w[i] = g * w[i] + (1 - g) * w1[i];
        blendIterations.push_back(k);
      }
      if (k > 3) w3 = w2;
      w2 = w1;
      w1 = w;
    }
    steps.push_back({w, blends, closed});
    if (closed) break;
  }
  return steps;
}

TEST(Damping, AlternatingIteratesAreBlendedAfterIterationFortyUntilTheyClose) {
  const Construction c = lockUpCurve();
  std::vector<int> blendIterations;
  const std::vector<Step> steps = replay(c, 100, blendIterations);

  // The construction behaves as worked out above.
  ASSERT_EQ(steps.size(), 59u);
  EXPECT_TRUE(steps.back().closed);
  EXPECT_EQ(blendIterations, (std::vector<int>{41, 45, 49, 53, 57}));
  EXPECT_NEAR(steps[1].w[0], 9.0, 1e-9);
  EXPECT_NEAR(steps[2].w[0], 1.0, 1e-9);
  const double blendedHeads[] = {5.0, 7.0, 7.0, 2.0, 6.0};
  for (int b = 0; b < 5; ++b) {
    EXPECT_NEAR(steps[static_cast<std::size_t>(blendIterations[static_cast<std::size_t>(b)] - 1)].w[0],
                blendedHeads[b], 1e-9);
  }
  // The iterates alternate long before iteration 40: only the iteration
  // number holds the blend back.
  EXPECT_TRUE(within(steps[39].w, steps[37].w) && within(steps[38].w, steps[36].w));
  EXPECT_FALSE(within(steps[39].w, steps[38].w));

  // The loop stopped after each iteration k (limit k) keeps the replayed
  // deflections and blend count; it closes at iteration 59.
  for (int k = 1; k <= 61; ++k) {
    SCOPED_TRACE("iteration limit " + std::to_string(k));
    RunContext ctx;
    WallState st;
    runCantilever(ctx, st, c.load, {c.curve()}, k);
    const Step& expected = steps[static_cast<std::size_t>(std::min(k, 59) - 1)];
    EXPECT_EQ(st.oscillationCount, expected.blends);
    const Deflections w = deflections(st);
    for (int i = 0; i <= kIncrements; ++i) {
      EXPECT_NEAR(w[static_cast<std::size_t>(i)], expected.w[static_cast<std::size_t>(i)], 1e-12);
    }
    if (k < 59) {
      EXPECT_EQ(st.status, LoopStatus::LimitReached);
      EXPECT_EQ(ctx.model.iterations, k);
      EXPECT_EQ(ctx.model.status, ProblemStatus::NotConverged);
    } else {
      EXPECT_EQ(st.status, LoopStatus::Converged);
      EXPECT_EQ(ctx.model.iterations, 59);
      EXPECT_EQ(ctx.model.status, ProblemStatus::Converged);
      // The closed solution rests inside the lock-up band.
      EXPECT_GT(w[0], 5.8);
      EXPECT_LT(w[0], 6.2);
    }
  }
}

}  // namespace
}  // namespace korven
