#include "wall/FiniteDifference.h"

#include <algorithm>
#include <cmath>

namespace korven {

namespace {

// Pointer to station 0 of a station array, so that p[n] addresses station n.
template <class T>
T* at0(StationArray<T>& a) {
  return a.v.data() + kStationOffset;
}
template <class T>
const T* at0(const StationArray<T>& a) {
  return a.v.data() + kStationOffset;
}

// Curvature threshold below which the secant runs to the first table point.
constexpr double kSmallCurvature = 9.99999993922529e-9;

}  // namespace

double secantRigidity(const MomentCurvatureTable& table, double phi, double current) {
  const int npts = std::min(table.points(), static_cast<int>(table.curvature.size()));
  const auto& mom = table.moment;
  const auto& cur = table.curvature;
  auto secant = [&](int k) {  // M(k)/phi(k), k counted from 1
    const double c = cur[static_cast<std::size_t>(k - 1)];
    return c != 0.0 ? mom[static_cast<std::size_t>(k - 1)] / c : current;
  };
  if (phi <= kSmallCurvature) return npts >= 2 ? secant(2) : current;
  if (npts >= 1 && phi >= cur[static_cast<std::size_t>(npts - 1)]) return secant(npts);
  if (npts < 2) return current;
  for (int k = 2; k <= npts; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    if (cur[i] >= phi) {
      const double dphi = cur[i] - cur[i - 1];
      const double m = dphi != 0.0
                           ? mom[i - 1] + (phi - cur[i - 1]) * (mom[i] - mom[i - 1]) / dphi
                           : mom[i];
      return m / phi;
    }
  }
  return current;
}

void assignStationStiffness(WallModel& model, const WallState& st) {
  const int n = model.wall.n;
  const double h = model.wall.h;
  const int sectionCount =
      std::min(model.control.wallSectionCount, static_cast<int>(model.wallSections.size()));
  if (sectionCount <= 0) return;
  const auto& sections = model.wallSections;
  const WallSection& first = sections.front();
  const WallSection& last = sections[static_cast<std::size_t>(sectionCount - 1)];
  const double hSquared = h * h;
  double* f = at0(model.stations.f);
  const double* w = at0(st.w);
  const double* depth = at0(model.stations.sectionDepth);

  for (int i = 0; i <= n; ++i) {
    const double x = depth[i];
    // Section and position within it: 0 top, 1 bottom, 2 interpolated.
    const WallSection* sec = nullptr;
    int where = 2;
    if (first.top >= x) {
      sec = &first;
      where = 0;
    } else if (x >= last.bottom) {
      sec = &last;
      where = 1;
    } else {
      for (int k = 0; k < sectionCount; ++k) {
        if (sections[static_cast<std::size_t>(k)].bottom >= x) {
          sec = &sections[static_cast<std::size_t>(k)];
          break;
        }
      }
    }
    if (sec == nullptr) continue;
    const int cs = sec->crossSection - 1;
    if (cs < 0 || cs >= static_cast<int>(model.crossSections.size())) continue;
    const CrossSection& section = model.crossSections[static_cast<std::size_t>(cs)];
    if (section.nonlinearFlag == 1) {
      const double phi = std::fabs(w[i - 1] - 2.0 * w[i] + w[i + 1]) / hSquared;
      f[i] = secantRigidity(section.table, phi, f[i]);
      continue;
    }
    const double eiTop = section.modulusTop * section.inertiaTop;
    const double eiBottom = section.modulusBottom * section.inertiaBottom;
    if (where == 0) {
      f[i] = eiTop;
    } else if (where == 1) {
      f[i] = eiBottom;
    } else {
      const double length = sec->bottom - sec->top;
      f[i] = length != 0.0 ? eiTop + (x - sec->top) * (eiBottom - eiTop) / length : eiTop;
    }
  }
}

SolveSummary solveWall(const WallModel& model, WallState& st) {
  const int n = model.wall.n;
  const double h = model.wall.h;
  const double h2 = h * h;
  const double h3 = h2 * h;
  const double halfH2 = 0.5 * h2;
  const double quarterH = 0.25 * h;
  const double twoH = 2.0 * h;
  const StationTables& t = model.stations;
  const double* F = at0(t.f);
  const double* P = at0(t.p);
  const double* R = at0(t.r);
  const double* T = at0(t.t);
  const int* code = at0(t.condition);
  const double* Q = at0(st.qw);
  const double* S = at0(st.sw);
  double* A = at0(st.a);
  double* B = at0(st.b);
  double* C = at0(st.c);
  double* M = at0(st.m);
  double* w = at0(st.w);
  const auto& points = model.specifiedPoints;
  const int pointCount = static_cast<int>(points.size());

  A[-3] = A[-2] = B[-3] = B[-2] = C[-3] = C[-2] = 0.0;
  int k = 0;  // running index of the specified points
  // Values kept at the last slope lead-in station.
  double mStar = 0.0, aStar = 0.0, bStar = 0.0, cStar = 0.0;

  for (int i = -1; i <= n + 1; ++i) {
    const double a = F[i - 1] - quarterH * (h * P[i - 1] + R[i - 1]);
    const double b = -2.0 * (F[i - 1] + F[i]);
    const double c = F[i - 1] + 4.0 * F[i] + F[i + 1] + h3 * S[i] +
                     quarterH * (h * (P[i - 1] + P[i + 1]) + R[i - 1] + R[i + 1]);
    const double d = -2.0 * (F[i] + F[i + 1]);
    const double e = F[i + 1] - quarterH * (h * P[i + 1] + R[i + 1]);
    const double f = h3 * Q[i] - halfH2 * (T[i - 1] - T[i + 1]);

    const double E = b + a * A[i - 2];
    const double D = c + E * A[i - 1] + a * B[i - 2];
    const double m = D == 0.0 ? 0.0 : -1.0 / D;
    M[i] = m;
    A[i] = (d + E * B[i - 1]) * m;
    B[i] = e * m;
    C[i] = (E * C[i - 1] + a * C[i - 2] - f) * m;

    const int cond = code[i];
    if (cond == 1) continue;
    const SpecifiedPoint* sp = k < pointCount ? &points[static_cast<std::size_t>(k)] : nullptr;
    const double deflection = sp ? sp->deflection : 0.0;
    const double slope = sp ? sp->slope : 0.0;
    switch (cond) {
      case 2:
        A[i] = 0.0;
        B[i] = 0.0;
        C[i] = deflection;
        ++k;
        break;
      case 3:
        mStar = m;
        aStar = A[i];
        bStar = B[i];
        cStar = C[i];
        A[i] = 0.0;
        B[i] = 1.0;
        C[i] = -twoH * slope;
        break;
      case 4:
        A[i] = 0.0;
        B[i] = 0.0;
        C[i] = deflection;
        break;
      case 5: {
        // Restores the equation of the lead-in station, which the slope
        // condition displaced. A zero multiplier there (zero pivot) means
        // that equation carries nothing: no correction.
        const int q = i - 1;
        const double r = mStar != 0.0 ? m / mStar : 0.0;
        const double den = 1.0 - r * ((bStar - 1.0) + A[q] * aStar);
        if (den == 0.0) {
          A[i] = B[i] = C[i] = 0.0;
        } else {
          B[i] = B[i] / den;
          A[i] = (A[i] + r * B[q] * aStar) / den;
          C[i] = (C[i] + r * (twoH * slope + cStar + C[q] * aStar)) / den;
        }
        ++k;
        break;
      }
      default:
        break;
    }
  }

  SolveSummary out;
  const double tol = model.wall.closureTolerance;
  const double dmax = model.wall.allowableDeflection;
  w[n + 1] = A[n + 1] * w[n + 2] + B[n + 1] * w[n + 3] + C[n + 1];
  for (int i = n; i >= 0; --i) {
    const double next = A[i] * w[i + 1] + B[i] * w[i + 2] + C[i];
    const double change = std::fabs(next - w[i]);
    if (change > out.maxChange) out.maxChange = change;
    if (change > tol) ++out.notClosed;
    if (std::fabs(next) > dmax) ++out.exceeding;
    w[i] = next;
  }
  w[-1] = A[-1] * w[0] + B[-1] * w[1] + C[-1];
  return out;
}

void computeWallResults(WallModel& model, WallState& st) {
  const int n = model.wall.n;
  const double h = model.wall.h;
  const double h2 = h * h;
  double* w = at0(st.w);
  const double* F = at0(model.stations.f);
  const double* soil = at0(st.rw);
  w[-2] = 2.0 * w[-1] - w[0];
  w[n + 2] = 2.0 * w[n + 1] - w[n];

  StationResults& res = model.results;
  const std::size_t count = static_cast<std::size_t>(n + 2);  // stations 0..N+1
  for (auto* v : {&res.depth, &res.deflection, &res.slope, &res.moment, &res.shear,
                  &res.netForce, &res.rigidity, &res.soilReaction}) {
    v->assign(count, 0.0);
  }
  // Moments of stations -1..N+2; M(-1) is taken as 0.
  std::vector<double> moment(static_cast<std::size_t>(n + 4), 0.0);
  auto mom = [&](int i) -> double& { return moment[static_cast<std::size_t>(i + 1)]; };
  for (int i = 0; i <= n + 2; ++i) mom(i) = F[i] * (w[i - 1] - 2.0 * w[i] + w[i + 1]) / h2;

  const double depthUnit = model.lengthPerDepthUnit;
  for (int i = 0; i <= n + 1; ++i) {
    const std::size_t j = static_cast<std::size_t>(i);
    res.depth[j] = static_cast<double>(i) * h / depthUnit;
    res.deflection[j] = w[i];
    res.slope[j] = (w[i + 1] - w[i - 1]) / (2.0 * h);
    res.moment[j] = mom(i);
    res.shear[j] = (mom(i + 1) - mom(i - 1)) / (2.0 * h);
    res.netForce[j] = (mom(i - 1) - 2.0 * mom(i) + mom(i + 1)) / h;
    res.rigidity[j] = F[i];
    res.soilReaction[j] = soil[i];
    // Couples: a torque acts as two opposite forces on the neighbouring
    // stations and as a jump of the shear.
    for (const Couple& cp : model.couples) {
      if (cp.station == i - 1) {
        res.netForce[j] += cp.value;
        res.shear[j] -= cp.value / 2.0;
      } else if (cp.station == i + 1) {
        res.netForce[j] -= cp.value;
        res.shear[j] -= cp.value / 2.0;
      } else if (cp.station == i) {
        res.shear[j] -= cp.value;
      }
    }
  }
  res.lastStation = n + 1;
}

}  // namespace korven
