#include "pycurves/PyGenerator.h"

#include <algorithm>
#include <string>

#include "core/Stops.h"
#include "pycurves/PyCommon.h"
#include "pycurves/SoilModelTable.h"

namespace korven {

namespace {

void resetState(PyState& st) {
  st.layers.clear();
  st.weight.clear();
  st.weightPrintedCount = 0;
  st.strength.clear();
  st.curves.clear();
  st.first.clear();
  st.last.clear();
  st.resistanceIntegral.clear();
  st.equivalentDepth.clear();
}

void setConstants(RunContext& ctx, PyState& st) {
  const SoilData& soil = ctx.model.soil;
  st.gammaW = waterUnitWeight(ctx.si());
  st.referenceWidth = referenceWidth(ctx.si());
  st.d0 = ctx.si() ? 0.010000000149011612 : 0.10000000149011612;
  st.freeHeight = soil.excavationDepth;
  st.cyclic = soil.loadingFlag == 0;
  st.cycles = soil.cycles;
  if (st.cyclic && st.cycles < 1e-6) st.cycles = 100.0;
  st.zMax = ctx.model.wall.n * ctx.model.wall.h - st.freeHeight + 2.0 * ctx.model.wall.h;
  st.spacingRatio = 1.0;
  if (soil.widthResistance > 0.0) st.spacingRatio = std::max(1.0, soil.widthPressure / soil.widthResistance);
}

// Offset of the first and last curve from the ends of a layer of thickness
// t: d0, or t/8 in a layer too thin for the curves to stay in depth order
// (t <= 4*d0), so that the five curves always lie inside the layer, apart
// and in depth order.
double endOffset(double d0, double t) { return t > 4.0 * d0 ? d0 : t / 8.0; }

[[noreturn]] void layerOrderError(RunContext& ctx, int inputLayer) {
  ctx.report.write(KLAYOUT("(/,6X,'ERROR -- THE BOTTOM OF SOIL LAYER',I3,"
                           "' IS NOT BELOW THE TOP OF THE LAYER')"),
                   inputLayer);
  throw RunEnd("soil layer without thickness below the excavation");
}

// Resistance layers, weight and strength profiles and curve depths.
void buildProfiles(RunContext& ctx, PyState& st) {
  const SoilData& soil = ctx.model.soil;
  const double H = st.freeHeight;
  const double W = soil.waterBackfill;
  const double gw = st.gammaW;
  const int inputCount = static_cast<int>(soil.layers.size());

  double sum = 0.0;
  double zChain = 0.0;  // uncut bottom of the previous resistance layer
  int lastLayer = 0;    // first resistance layer that reaches the cut-off
  for (int i = 1; i <= inputCount; ++i) {
    const SoilLayer& in = soil.layers[static_cast<std::size_t>(i - 1)];
    sum += in.thickness;
    if (st.layers.empty() && sum <= H) continue;
    const double thickness = st.layers.empty() ? sum - H : in.thickness;
    ResistanceLayer layer;
    layer.model = soilModelFromCode(in.modelCode);
    layer.inputLayer = i;
    layer.zTop = st.layers.empty() ? 0.0 : zChain;
    layer.zBot = layer.zTop + thickness;
    layer.subgrade = in.top[kSubgrade];
    zChain = layer.zBot;
    if (lastLayer == 0 && thickness <= 0.0) layerOrderError(ctx, i);

    // Unit weight points. The water table lies on both sides at depth W
    // below the wall top.
    const double gamma = in.top[kGamma];
    WeightPoint top{layer.zTop, W <= H + layer.zTop ? gamma - gw : gamma};
    if (!st.weight.empty()) top.z = std::min(layer.zTop, st.weight.back().z);
    WeightPoint bottom{layer.zBot, W < H + layer.zBot ? gamma - gw : gamma};
    if (H + top.z < W && W < H + layer.zBot) {
      // The water table lies inside the layer: total weight down to it. The
      // next layer's top point moves up to the water table, so the submerged
      // weight below it is that layer's (for the last layer two points are
      // appended when the report is written).
      bottom = WeightPoint{W - H, gamma};
    }
    st.weight.push_back(top);
    st.weight.push_back(bottom);

    // Layers below the cut-off keep their weight points only.
    if (lastLayer != 0) continue;

    // Strength points, cut at the cut-off depth.
    StrengthPoint sTop{layer.zTop, in.top[kStrength], in.top[kPhi], in.top[kE50], layer.subgrade,
                       in.top[kSixth]};
    StrengthPoint sBot{layer.zBot, in.bottom[kStrength], in.bottom[kPhi], in.bottom[kE50],
                       layer.subgrade, in.bottom[kSixth]};
    if (st.zMax < layer.zBot + 1e-8) {
      const double f = (st.zMax - layer.zTop) / (layer.zBot - layer.zTop);
      auto line = [f](double a, double b) { return a + (b - a) * f; };
      sBot = StrengthPoint{st.zMax,
                           line(sTop.c, sBot.c),
                           line(sTop.phi, sBot.phi),
                           line(sTop.e50, sBot.e50),
                           layer.subgrade,
                           line(sTop.sixth, sBot.sixth)};
      layer.zBot = st.zMax;
      lastLayer = static_cast<int>(st.layers.size()) + 1;
    }
    st.strength.push_back(sTop);
    st.strength.push_back(sBot);

    // Five curve depths.
    const double t = layer.zBot - layer.zTop;
    const double d = endOffset(st.d0, t);
    for (double z : {layer.zTop + d, layer.zTop + 0.25 * t, layer.zTop + 0.5 * t,
                     layer.zTop + 0.75 * t, layer.zBot - d}) {
      GeneratedCurve c;
      c.z = z;
      st.curves.push_back(c);
    }
    st.layers.push_back(layer);
  }

  const double toRadians = py::kPiSingle / 180.0;
  for (auto& s : st.strength) s.phi *= toRadians;
  const std::size_t k = st.layers.size();
  st.first.assign(k, 0);
  st.last.assign(k, 0);
  st.resistanceIntegral.assign(k, 0.0);
  st.equivalentDepth.assign(k, 0.0);
}

void writeProfileReport(RunContext& ctx, PyState& st) {
  const UnitLabels& u = ctx.labels;
  auto& rep = ctx.report;
  const double H = st.freeHeight;
  const int k = st.layerCount();
  rep.write(KLAYOUT("(/,/,6X,'**************************************************',/,6X,"
                    "'*        SOIL LAYERS AND STRENGTH DATA           *',/,6X,"
                    "'**************************************************',/)"));
  rep.write(KLAYOUT("(/,9X,'X AT THE SURFACE OF EXCAVATION SIDE     = ',F10.2,A3)"),
            reportDepth(ctx, H + (k > 0 ? st.layer(1).zTop : 0.0)), u.depthA);
  rep.write(KLAYOUT("(/,9X,I1,' LAYER(S) OF SOIL')"), k);
  for (int i = 1; i <= k; ++i) {
    const SoilModelRow& row = soilModelRow(st.layer(i).model);
    rep.write(KLAYOUT("(/,9X,'LAYER',I3)"), i);
    rep.write(KLAYOUT("(9X,A)"), row.reportLine);
    if (row.cyclicForm && st.cyclic) rep.write(KLAYOUT("(9X,'              CYCLIC MODEL')"));
  }

  st.weightPrintedCount = static_cast<int>(st.weight.size());
  rep.write(KLAYOUT("(/,/,9X,'DISTRIBUTION OF EFFECTIVE UNIT WEIGHT WITH DEPTH',/,27X,I2,"
                    "' POINTS',/,/,16X,'X,',A2,3X,'WEIGHT,',A3,A1,A2,A2,A1)"),
            st.weightPrintedCount, u.depthB, u.forceA, u.slash, u.lengthB, u.power,
            u.three);
  if (!st.weight.empty() && !st.strength.empty() && st.weight.back().z < st.strength.back().z) {
    // Water table inside the deepest layer: its submerged part down to the
    // deepest strength point.
    const double g = st.weight.back().gamma - st.gammaW;
    const double zw = st.weight.back().z;
    st.weight.push_back(WeightPoint{zw, g});
    st.weight.push_back(WeightPoint{st.strength.back().z, g});
  }
  for (const auto& w : st.weight) {
    rep.write(KLAYOUT("(5X,F15.4,1P,E15.4)"), reportDepth(ctx, H + w.z), w.gamma);
  }

  rep.write(KLAYOUT("(/,/,9X,'DISTRIBUTION OF STRENGTH PARAMETERS WITH DEPTH',/,27X,I2,"
                    "' POINTS',/,/,16X,'X,',A2,5X,'S,',A3,A1,A2,A2,A1,6X,'PHI,DEGREE ',6X,"
                    "'E50',3X,3X,'KPY,',A3,A1,A2,A2,A1,2X)"),
            static_cast<int>(st.strength.size()), u.depthB, u.forceA, u.slash,
            u.lengthB, u.power, u.two, u.forceA, u.slash, u.lengthB, u.power,
            u.three);
  const double toDegrees = 180.0 / py::kPiSingle;
  for (const auto& s : st.strength) {
    if (s.e50 <= 9.999999974752427e-07) {
      rep.write(KLAYOUT("(5X,F15.2,2X,1P,E13.4,2X,0P,F13.3,7X,'-----',3X,2X,1P,E13.4)"),
                reportDepth(ctx, H + s.z), s.c, s.phi * toDegrees, s.k);
    } else {
      rep.write(KLAYOUT("(5X,F15.2,2X,1P,E13.4,2X,0P,F13.3,1P,E15.4,2X,1P,E13.4)"),
                reportDepth(ctx, H + s.z), s.c, s.phi * toDegrees, s.e50, s.k);
    }
  }
}

// Number of user curves copied into the scratch file: the curves read from
// the input, or with earth-pressure option 4 the pressure-deflection curves
// built from the earth-pressure table (the input's own curves are not read
// then). The table is rebuilt for every problem, so no stale rows are copied.
int userCurveCount(const RunContext& ctx) {
  const ControlRecord& c = ctx.model.control;
  if (c.userCurveCount <= 0) return 0;
  return std::min(c.userCurveCount, static_cast<int>(ctx.model.userCurves.size()));
}

void writeScratchHeader(RunContext& ctx, PyState& st) {
  const int users = userCurveCount(ctx);
  st.scratch.writeFree(kPyCurvesPerLayer * st.layerCount() + users);
  for (int u = 0; u < users; ++u) {
    const UserPyCurve& c = ctx.model.userCurves[static_cast<std::size_t>(u)];
    const int np = static_cast<int>(std::min(c.p.size(), c.y.size()));
    st.scratch.writeFree(c.station, np);
    for (int j = 0; j < np; ++j) {
      st.scratch.writeFree(j + 1, c.p[static_cast<std::size_t>(j)], c.y[static_cast<std::size_t>(j)]);
    }
  }
}

void writeReductionTable(RunContext& ctx) {
  const auto& rows = ctx.model.reduction.rows;
  const int n = std::min<int>(ctx.model.control.reductionFactorCount, static_cast<int>(rows.size()));
  if (n <= 0) return;
  ctx.report.write(KLAYOUT("(/,9X,'REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS',/,7X,"
                           "'                                 ',/,7X,"
                           "'      DEPTH     P-FACTOR     Y-FACTOR        ',/)"));
  for (int i = 0; i < n; ++i) {
    const ReductionRow& r = rows[static_cast<std::size_t>(i)];
    ctx.report.write(KLAYOUT("(12X,F7.2,4X,F6.2,6X,F6.2)"), r.depth, r.pFactor, r.yFactor);
  }
}

// Curve m belongs to the first layer whose bottom is at or below it.
void assignCurves(PyState& st) {
  const int k = st.layerCount();
  const int curves = st.curveCount();
  if (k == 0) return;
  for (int m = 1; m <= curves; ++m) {
    int owner = k;
    for (int i = 1; i <= k; ++i) {
      if (st.layer(i).zBot >= st.curveDepth(m)) {
        owner = i;
        break;
      }
    }
    auto& f = st.first[static_cast<std::size_t>(owner - 1)];
    if (f == 0) f = m;
    st.last[static_cast<std::size_t>(owner - 1)] = m;
  }
  st.last[static_cast<std::size_t>(k - 1)] = curves;
}

}  // namespace

void generateLayerCurves(RunContext& ctx, PyState& st) {
  for (int i = 1; i <= st.layerCount(); ++i) {
    const int first = st.firstCurve(i);
    const int last = st.lastCurve(i);
    const int previous = i > 1 ? st.lastCurve(i - 1) : 0;
    if (first == 0 || last == previous) continue;
    soilModelRow(st.layer(i).model).curves(ctx, st, i, first, last);
  }
}

void generatePyCurves(RunContext& ctx, PyState& st) {
  resetState(st);
  const SoilData& soil = ctx.model.soil;
  if (!(soil.widthResistance > 0.0)) {
    // Every resistance is per width of wall element: without a width the
    // curves have no meaning.
    ctx.report.write(KLAYOUT("(/,6X,'ERROR -- THE WIDTH FOR SOIL RESISTANCE, WP, MUST BE POSITIVE')"));
    throw RunEnd("width for soil resistance not positive");
  }
  if (!ctx.openScratch(st.scratch, Scratch::PyCurves)) {
    ctx.report.write(KLAYOUT("(/,6X,'ERROR -- THE P-Y SCRATCH FILE CANNOT BE OPENED')"));
    throw RunEnd("cannot open the p-y scratch file " + ctx.names.pyScratchFile);
  }
  try {
    ctx.errorStream() << " READ SOIL DATA....\n";
    setConstants(ctx, st);
    buildProfiles(ctx, st);
    writeProfileReport(ctx, st);
    writeScratchHeader(ctx, st);
    writeReductionTable(ctx);
    ctx.report.write(KLAYOUT("(/,/,8X,'P-Y CURVES DATA',/)"));
    assignCurves(st);
    generateLayerCurves(ctx, st);
  } catch (...) {
    st.scratch.close();
    throw;
  }
  st.scratch.close();
}

void generatePyCurves(RunContext& ctx) {
  PyState st;
  generatePyCurves(ctx, st);
}

}  // namespace korven
