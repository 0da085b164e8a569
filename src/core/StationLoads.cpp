#include "core/StationLoads.h"

namespace korven {

namespace {

void spread(StationArray<double>& table, int a, int b, double va, double vb) {
  const int span = b - a;
  const double divisor = span == 0 ? 1.0 : static_cast<double>(span);
  for (int i = 0; i <= span; ++i) {
    table(a + i) += va + (static_cast<double>(i) / divisor) * (vb - va);
  }
  if (span > 0) {
    // Trapezoidal ends: each end station carries half of its value.
    table(a) += -0.5 * va;
    table(b) += -0.5 * vb;
  }
}

}  // namespace

void addStationLoads(StationTables& tables, int a, int b, const StationValues& va,
                     const StationValues& vb) {
  spread(tables.f, a, b, va.f, vb.f);
  spread(tables.q, a, b, va.q, vb.q);
  spread(tables.s, a, b, va.s, vb.s);
  spread(tables.t, a, b, va.t, vb.t);
  spread(tables.r, a, b, va.r, vb.r);
  spread(tables.p, a, b, va.p, vb.p);
}

bool RangeChain::add(int contd, int from, int to, const StationValues& values) {
  const bool follows = open_;
  const int start = follows ? startStation_ : from;
  if (to < from || to < start) return false;
  if (contd == 2 && !follows) {
    // Opens a chain: only the start is remembered.
    startStation_ = from;
    startValues_ = values;
    open_ = true;
    return true;
  }
  addStationLoads(*tables_, start, to, follows ? startValues_ : values, values);
  if (contd == 2) {
    startStation_ = to;
    startValues_ = values;
    open_ = true;
  } else {
    open_ = false;
  }
  return true;
}

}  // namespace korven
