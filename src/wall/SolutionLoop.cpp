#include "wall/SolutionLoop.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/Stops.h"
#include "core/TitleLine.h"
#include "wall/FiniteDifference.h"
#include "wall/Results.h"
#include "wall/WallAnalysis.h"

namespace korven {

void prepareCurveTable(const WallModel& model, WallState& st) {
  st.curves.reserve(static_cast<std::size_t>(kMaxPyCurves));
  st.curves.assign(model.curves.begin(), model.curves.end());
  const double h = model.wall.h;
  for (PyCurve& c : st.curves) {
    for (int j = 0; j < c.points; ++j) c.p[static_cast<std::size_t>(j)] *= h;
  }
}

CurveSupport evaluateCurve(const PyCurve& curve, double w) {
  const int np = curve.points;
  if (np < 2) return {};
  // Segment k (points numbered from 1): the first point from 2 upward at or
  // above w; the last segment when w lies beyond the table.
  int k = np;
  if (np > 2) {
    for (int j = 2; j <= np; ++j) {
      if (w <= curve.y[static_cast<std::size_t>(j - 1)]) {
        k = j;
        break;
      }
    }
  }
  const double y1 = curve.y[static_cast<std::size_t>(k - 2)];
  const double p1 = curve.p[static_cast<std::size_t>(k - 2)];
  const double y2 = curve.y[static_cast<std::size_t>(k - 1)];
  const double p2 = curve.p[static_cast<std::size_t>(k - 1)];
  if (y2 == y1) return {};
  CurveSupport out;
  out.s = -(p2 - p1) / (y2 - y1);
  out.q0 = p1 + out.s * y1;
  out.p = p1 - (w - y1) * out.s;
  return out;
}

namespace {

// The support interpolated between two curves at deflection w.
inline CurveSupport interpolate(const PyCurve& cur, const PyCurve& next, double w, double t) {
  const CurveSupport c0 = evaluateCurve(cur, w);
  if (t == 0.0 || &next == &cur) return c0;
  const CurveSupport c1 = evaluateCurve(next, w);
  return {(1.0 - t) * c0.q0 + t * c1.q0, (1.0 - t) * c0.s + t * c1.s,
          (1.0 - t) * c0.p + t * c1.p};
}

inline void addSupport(WallState& st, int n, const CurveSupport& v, double weight, double h) {
  st.qw(n) += weight * v.q0;
  st.sw(n) += weight * v.s;
  st.rw(n) += weight * v.p / h;
}

}  // namespace

CurveStatus applyCurves(const WallModel& model, WallState& st) {
  const int n = model.wall.n;
  const double h = model.wall.h;
  auto& curves = st.curves;
  const int count = static_cast<int>(curves.size());
  int i = 0;
  while (i < count) {
    PyCurve& cur = curves[static_cast<std::size_t>(i)];
    if (cur.contd < 0) return CurveStatus::NegativeFlag;
    if (cur.firstStation < kMinStation) return CurveStatus::NotInOrder;
    if (cur.contd == 0) {
      // A curve standing alone over its own range.
      const int a = cur.firstStation;
      if (cur.lastStation < a) return CurveStatus::NotInOrder;
      if (a <= n) {
        const int b = std::min(cur.lastStation, n);
        for (int s = a; s <= b; ++s) {
          addSupport(st, s, evaluateCurve(cur, st.w(s)), 1.0, h);
        }
      }
      ++i;
      continue;
    }
    // Paired with the next curve; a next curve at the same station is
    // dropped in favour of the one after it. Stations may lie anywhere
    // below the tip, so the span is formed without overflow.
    int j = i + 1;
    long long span = 0;
    for (; j < count; ++j) {
      const PyCurve& next = curves[static_cast<std::size_t>(j)];
      span = static_cast<long long>(next.lastStation) - cur.firstStation;
      if (span < 0) return CurveStatus::NotInOrder;
      if (span > 0) break;
    }
    if (j >= count) break;  // the last curve of a chain has no range of its own
    PyCurve& next = curves[static_cast<std::size_t>(j)];
    const int a = cur.firstStation;
    if (a < n) {
      const int b = std::min(next.lastStation, n);
      CurveSupport first, last;
      for (int s = a; s <= b; ++s) {
        const double t = static_cast<double>(s - a) / static_cast<double>(span);
        const CurveSupport v = interpolate(cur, next, st.w(s), t);
        addSupport(st, s, v, 1.0, h);
        if (s == a) first = v;
        if (s == b) last = v;
      }
      // Trapezoidal ends of the range: half weight at both ends.
      addSupport(st, a, first, -0.5, h);
      addSupport(st, b, last, -0.5, h);
    }
    next.firstStation = next.lastStation;
    i = j;
    if (next.contd == 0) ++i;  // a successor is not taken alone as well
  }
  return CurveStatus::Ok;
}

void blendDeflections(WallState& st, int n) {
  const int c = st.oscillationCount;
  double g = 0.5;
  if (c >= 1) {
    if (c < 3) {
      st.divisor = 2.0;
    } else if (c < 7) {
      st.divisor = 4.0;
    } else if (c < 15) {
      st.divisor = 8.0;
    } else if (c < 31) {
      st.divisor = 16.0;
    } else if (c < 63) {
      st.divisor = 32.0;
    } else if (c < 127) {
      st.divisor = 64.0;
    }
    const double inverse = static_cast<double>(1.0f / static_cast<float>(st.divisor));
    g = (c - st.divisor + 1.0 + 0.5) * inverse;
  }
  for (int i = 0; i <= n; ++i) st.w(i) = g * st.w(i) + (1.0 - g) * st.w1(i);
  st.oscillationCount = c + 1;
}

namespace {

// Spacings in feet (English) are turned into the unit of W here, inside
// the product, by lengthPerDepthUnit (1 when already alike).
void computeTieBackResults(WallModel& m, const WallState& st) {
  const int count = std::min(m.control.tieBackCount, static_cast<int>(m.tieBacks.size()));
  for (int i = 0; i < count; ++i) {
    TieBack& t = m.tieBacks[static_cast<std::size_t>(i)];
    t.horizontalForce = t.load - t.stiffness * st.w(t.station);
    t.axialForce = t.horizontalForce / std::cos(t.angleRad);
    const double w = m.wall.analysisWidth;
    t.forcePerTieBack = t.axialForce * m.lengthPerDepthUnit * t.spacing / w;
  }
}

bool allFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

// A solution that has left the range of numbers (a wall without support,
// a singular or absurd stiffness, overflowing loads) ends the run with a
// message instead of printing meaningless values.
[[noreturn]] void stopNonFinite(RunContext& ctx, const char* what) {
  const auto& layout = KLAYOUT(
      "(/,/,'     ERROR STOP -- THE WALL SOLUTION DIVERGED: ',A,' ARE NOT FINITE NUMBERS',/,"
      "'     CHECK THE STIFFNESS, SUPPORT AND LOAD DATA')");
  ctx.report.write(layout, what);
  ctx.monitor.write(layout, what);
  throw RunEnd(std::string("wall solution diverged: non-finite ") + what);
}

void checkFiniteDeflections(RunContext& ctx, const WallState& st) {
  for (int i = -1; i <= ctx.model.wall.n + 1; ++i) {
    if (!std::isfinite(st.w(i))) stopNonFinite(ctx, "DEFLECTIONS");
  }
}

void checkFiniteResults(RunContext& ctx) {
  const StationResults& r = ctx.model.results;
  for (const auto* v : {&r.deflection, &r.slope, &r.moment, &r.shear, &r.netForce, &r.rigidity,
                        &r.soilReaction}) {
    if (!allFinite(*v)) stopNonFinite(ctx, "WALL RESULTS");
  }
  const WallModel& m = ctx.model;
  const int count = std::min(m.control.tieBackCount, static_cast<int>(m.tieBacks.size()));
  for (int i = 0; i < count; ++i) {
    const TieBack& t = m.tieBacks[static_cast<std::size_t>(i)];
    if (!std::isfinite(t.horizontalForce) || !std::isfinite(t.axialForce) ||
        !std::isfinite(t.forcePerTieBack)) {
      stopNonFinite(ctx, "TIE BACK FORCES");
    }
  }
}

// Zero-moment hinges at the stations of every tie-back but the first.
void applyHinges(WallModel& m) {
  if (m.control.tieBackCount <= 0 || m.control.hingeFlag != 1) return;
  const int count = std::min(m.control.tieBackCount, static_cast<int>(m.tieBacks.size()));
  for (int i = 1; i < count; ++i) m.stations.f(m.tieBacks[static_cast<std::size_t>(i)].station) = 0.0;
}

}  // namespace

void iterateWall(RunContext& ctx, WallState& st) {
  WallModel& m = ctx.model;
  const int n = m.wall.n;
  const int itmax = m.wall.iterationLimit;
  const double tol = m.wall.closureTolerance;

  prepareCurveTable(m, st);
  // The deflections start from zero, so nonlinear sections start from the
  // secant to the first point of their moment-curvature tables.
  st.w.fill(0.0);
  assignStationStiffness(m, st);
  writeTitleLine(ctx, ctx.report);
  writeMonitorHeader(ctx);
  // One history row per iteration, stored without allocating in the loop.
  m.iterationHistory.reserve(static_cast<std::size_t>(std::max(itmax, 0)) + 1);
  if (itmax != 0) st.w1.fill(0.0);
  st.oscillationCount = 0;

  int k = 1;
  int iterations = 0;
  for (;;) {
    for (int i = -1; i <= n + 1; ++i) {
      st.qw(i) = m.stations.q(i);
      st.sw(i) = m.stations.s(i);
      st.rw(i) = 0.0;
    }
    const CurveStatus curves = applyCurves(m, st);
    if (curves == CurveStatus::NotInOrder) {
      ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- STATIONS NOT IN ORDER')"));
      throw RunEnd("p-y curve stations not in order");
    }
    if (curves == CurveStatus::NegativeFlag) {
      ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- NEGATIVE CONTINUATION FLAG OF A P-Y CURVE')"));
      throw RunEnd("negative continuation flag of a p-y curve");
    }
    st.last = solveWall(m, st);
    checkFiniteDeflections(ctx, st);
    if (itmax == 0) {
      st.status = LoopStatus::Converged;
      iterations = 0;
      break;
    }
    m.iterationHistory.push_back(
        {k, st.last.notClosed, st.last.maxChange, {st.w(1), st.w(2), st.w(3), st.w(4)}});
    writeIterationRow(ctx, m.iterationHistory.back());
    if (st.last.exceeding > 0) {
      st.status = LoopStatus::DeflectionExceeded;
      iterations = k;
      break;
    }
    int u = 0;
    for (int i = 0; i <= n; ++i) {
      if (std::fabs(st.w(i) - st.w1(i)) > tol) ++u;
    }
    if (k <= 2) {
      for (int i = 0; i <= n; ++i) st.w1(i) = st.w(i);
    } else {
      if (u == 0) {
        st.status = LoopStatus::Converged;
        iterations = k;
        break;
      }
      if (k > 40) {
        bool alternating = true;
        for (int i = 0; i <= n && alternating; ++i) {
          alternating = std::fabs(st.w(i) - st.w2(i)) <= tol && std::fabs(st.w1(i) - st.w3(i)) <= tol;
        }
        if (alternating) blendDeflections(st, n);
      }
      for (int i = 0; i <= n; ++i) {
        if (k > 3) st.w3(i) = st.w2(i);
        st.w2(i) = st.w1(i);
        st.w1(i) = st.w(i);
      }
    }
    assignStationStiffness(m, st);
    applyHinges(m);
    if (k >= itmax) {  // the next iteration would pass the limit
      st.status = u == 0 ? LoopStatus::Converged : LoopStatus::LimitReached;
      iterations = itmax;
      break;
    }
    ++k;
  }

  m.iterations = iterations;
  m.loopEnd = st.status == LoopStatus::DeflectionExceeded ? LoopEnd::DeflectionExceeded
              : st.status == LoopStatus::LimitReached     ? LoopEnd::LimitReached
                                                          : LoopEnd::Converged;
  m.exceedingStations = st.last.exceeding;
  // Without an iteration limit the single solution is the result.
  m.status = itmax != 0 && m.loopEnd != LoopEnd::Converged ? ProblemStatus::NotConverged
                                                          : ProblemStatus::Converged;
  m.results.finalDeflection.resize(static_cast<std::size_t>(n + 7));
  for (int i = -3; i <= n + 3; ++i) m.results.finalDeflection[static_cast<std::size_t>(i + 3)] = st.w(i);
  if (st.status == LoopStatus::Converged || itmax == 0) {
    computeWallResults(m, st);
    computeTieBackResults(m, st);
    checkFiniteResults(ctx);
  }
}

void iterateWall(RunContext& ctx) {
  WallState st;
  iterateWall(ctx, st);
}

}  // namespace korven
