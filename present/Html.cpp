#include "Html.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "Svg.h"
#include "Units.h"

namespace korven::present {

namespace {

const char* const kPalette[] = {"#1f5fa8", "#c0392b", "#2e8b57", "#8e44ad",
                                "#d35400", "#16a085", "#7f6a00", "#5d6d7e"};

const char* colourOf(std::size_t index) { return kPalette[index % std::size(kPalette)]; }

// The page's style: plain system fonts, and a print layout that keeps each
// figure on one page.
const char* const kStyle = R"(
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:0 auto;max-width:1260px;padding:16px 24px;color:#1b1b1b;background:#fff}
h1{font-size:1.5em;margin:.2em 0}h2{font-size:1.2em;border-bottom:2px solid #1f5fa8;padding-bottom:2px;margin-top:1.6em}
h3{font-size:1em;margin:1em 0 .4em}
table{border-collapse:collapse;margin:.4em 0 1em;font-size:.9em}
th,td{border:1px solid #c8c8c8;padding:3px 8px;text-align:left;vertical-align:top}
th{background:#eef2f7}td.num{text-align:right;font-variant-numeric:tabular-nums}
.meta{color:#444}.none{color:#666;font-style:italic}
.warnings li{color:#9a3c00}
.legend span{display:inline-block;margin-right:1.2em}.legend i{display:inline-block;width:18px;height:3px;vertical-align:middle;margin-right:4px}
.figures{display:flex;flex-wrap:wrap;gap:10px}
figure{margin:0;border:1px solid #ddd;padding:6px;break-inside:avoid;page-break-inside:avoid;background:#fff}
figcaption{font-size:.8em;max-width:218px}figcaption b{display:block;font-size:1.1em;margin-bottom:2px}
figcaption ul{margin:2px 0;padding-left:1.1em}
svg.chart{display:block;font-size:11px;font-family:inherit}
svg .grid line{stroke:#e4e4e4;stroke-width:1}svg .grid line.zero{stroke:#888}
svg .frame{fill:none;stroke:#555}svg .tick{fill:#333;font-size:10px}
svg .axis-label{fill:#111;font-size:11.5px;font-weight:600}
svg .reference line{stroke:#7a5c00;stroke-width:1}svg .reference text{fill:#7a5c00;font-size:10px}
svg .marker text{font-size:10px;font-weight:600;fill:#111}
pre{background:#f6f6f6;border:1px solid #ddd;padding:8px;font-size:.8em;overflow:auto}
@media print{
 body{max-width:none;padding:0;font-size:10pt}
 h2{break-after:avoid;page-break-after:avoid}
 section{break-inside:auto}
 details{display:none}
 *{-webkit-print-color-adjust:exact;print-color-adjust:exact}
 @page{size:A4 landscape;margin:12mm}
}
)";

std::string esc(std::string_view s) { return escapeXml(s); }

std::string problemName(const ProblemResult& p) {
  return "Problem " + std::to_string(p.number);
}

std::string cell(const std::string& s) { return "<td>" + esc(s) + "</td>"; }
std::string numCell(double v) { return "<td class=\"num\">" + shown(v) + "</td>"; }

std::string withUnit(const std::string& quantity, const char* unit) {
  return quantity + " (" + unit + ")";
}

// The problems that have a station table, with their colours.
struct Drawn {
  const ProblemResult* problem;
  const char* colour;
  ProblemSummary summary;
};

std::vector<Drawn> drawnProblems(const AnalysisResult& r) {
  std::vector<Drawn> out;
  for (std::size_t i = 0; i < r.problems.size(); ++i) {
    out.push_back({&r.problems[i], colourOf(i), summarise(r.problems[i])});
  }
  return out;
}

std::string legend(const std::vector<Drawn>& drawn) {
  std::string o = "<p class=\"legend\">";
  for (const Drawn& d : drawn) {
    o += "<span><i style=\"background:" + std::string(d.colour) + "\"></i>" +
         esc(problemName(*d.problem) + (d.problem->title.empty() ? "" : ": " + d.problem->title)) +
         "</span>";
  }
  return o + "</p>\n";
}

// --- input -----------------------------------------------------------------

std::string inputSection(const AnalysisResult& r, std::string_view inputText) {
  std::string o = "<section id=\"input\"><h2>Input</h2>\n";
  o += "<table class=\"input-summary\"><tr><th>Problem</th><th>Title</th><th>Units</th>"
       "<th>Stations</th><th>Increment</th><th>Wall length</th><th>EI</th>"
       "<th>Excavation depth</th><th>Tie-backs</th><th>Restraints</th><th>p-y curves</th>"
       "<th>Earth-pressure points</th></tr>\n";
  for (const ProblemResult& p : r.problems) {
    const Units& u = unitsOf(p.si);
    o += "<tr><td>" + std::to_string(p.number) + "</td>" + cell(p.title) +
         cell(p.si ? "SI" : "English");
    if (p.stations.size() >= 2) {
      double eiLo = p.stations.front().flexuralRigidity, eiHi = eiLo;
      for (const StationResult& s : p.stations) {
        eiLo = std::min(eiLo, s.flexuralRigidity);
        eiHi = std::max(eiHi, s.flexuralRigidity);
      }
      const double h = p.stations[1].depth - p.stations[0].depth;
      o += "<td class=\"num\">" + std::to_string(p.stations.size()) + "</td>" +
           "<td class=\"num\">" + shown(h) + " " + u.depth + "</td><td class=\"num\">" +
           shown(p.stations.back().depth) + " " + u.depth + "</td><td class=\"num\">" +
           shown(eiLo) + (eiHi != eiLo ? " to " + shown(eiHi) : "") + " " + u.rigidity + "</td>";
    } else {
      o += "<td colspan=\"4\" class=\"none\">no station table (not converged)</td>";
    }
    o += p.excavationDepth > 0.0
             ? "<td class=\"num\">" + shown(p.excavationDepth) + " " + u.depth + "</td>"
             : "<td class=\"none\">none given</td>";
    o += "<td class=\"num\">" + std::to_string(p.tieBacks.size()) + "</td><td class=\"num\">" +
         std::to_string(p.restraints.size()) + "</td><td class=\"num\">" +
         std::to_string(p.pyCurves.size()) + "</td><td class=\"num\">" +
         std::to_string(p.earthPressure.size()) + "</td></tr>\n";
  }
  o += "</table>\n";
  bool anyTieBack = false;
  for (const ProblemResult& p : r.problems) anyTieBack = anyTieBack || !p.tieBacks.empty();
  if (anyTieBack) {
    o += "<h3>Tie-backs</h3><table><tr><th>Problem</th><th>Tie-back</th><th>Station</th>"
         "<th>Depth</th></tr>\n";
    for (const ProblemResult& p : r.problems) {
      for (const TieBackResult& t : p.tieBacks) {
        o += "<tr><td>" + std::to_string(p.number) + "</td><td>T" + std::to_string(t.number) +
             "</td><td class=\"num\">" + std::to_string(t.station) + "</td><td class=\"num\">" +
             shown(t.depth) + " " + unitsOf(p.si).depth + "</td></tr>\n";
      }
    }
    o += "</table>\n";
  }
  if (!inputText.empty()) {
    o += "<details><summary>Input data file as read</summary><pre>" + esc(inputText) +
         "</pre></details>\n";
  }
  return o + "</section>\n";
}

// --- summary ---------------------------------------------------------------

std::string extremeCells(const Extreme& e, const char* unit, const Units& u) {
  return "<td class=\"num\">" + shown(e.value) + " " + unit + "</td><td class=\"num\">" +
         shown(e.depth) + " " + u.depth + "</td>";
}

std::string summarySection(const AnalysisResult& r, const std::vector<std::string>& warnings,
                           const std::vector<Drawn>& drawn) {
  std::string o = "<section id=\"summary\"><h2>Summary</h2>\n";
  for (const Drawn& d : drawn) {
    const ProblemResult& p = *d.problem;
    const Units& u = unitsOf(p.si);
    const ProblemSummary& s = d.summary;
    o += "<h3 style=\"color:" + std::string(d.colour) + "\">" +
         esc(problemName(p) + (p.title.empty() ? "" : ": " + p.title)) + "</h3>\n";
    o += "<p>" + std::string(p.converged ? "Converged" : "<strong>Not converged</strong>") +
         " after " + std::to_string(p.iterations) + " iterations.</p>\n";
    if (s.hasStations) {
      o += "<table class=\"extremes\"><tr><th>Quantity</th><th>Maximum</th><th>at depth</th>"
           "<th>Minimum</th><th>at depth</th></tr>\n";
      const struct {
        const char* name;
        const Extreme &hi, &lo;
        const char* unit;
      } rows[] = {{"Deflection", s.maxDeflection, s.minDeflection, u.deflection},
                  {"Moment", s.maxMoment, s.minMoment, u.moment},
                  {"Shear", s.maxShear, s.minShear, u.shear},
                  {s.excavation ? "Soil reaction below the excavation" : "Soil reaction",
                   s.maxSoilReaction, s.minSoilReaction, u.perLength},
                  {"Net pressure", s.maxNetPressure, s.minNetPressure, u.perLength}};
      for (const auto& row : rows) {
        o += "<tr><th>" + std::string(row.name) + "</th>" + extremeCells(row.hi, row.unit, u) +
             extremeCells(row.lo, row.unit, u) + "</tr>\n";
      }
      o += "</table>\n<p>Top deflection: " + shown(s.topDeflection.value) + " " + u.deflection +
           ".";
      if (s.excavation) {
        const StationResult& e = s.excavation->station;
        o += " At the excavation level (" + shown(s.excavation->depth) + " " + u.depth +
             "): deflection " + shown(e.deflection) + " " + u.deflection + ", moment " +
             shown(e.moment) + " " + u.moment + ", shear " + shown(e.shear) + " " + u.shear +
             ", soil reaction " + shown(e.soilReaction) + " " + u.perLength + ".";
      } else {
        o += " Excavation level: none given.";
      }
      o += "</p>\n";
    }
    if (!p.tieBacks.empty()) {
      o += "<table class=\"tiebacks\"><tr><th>Tie-back</th><th>Depth</th>"
           "<th>Horizontal force per station</th><th>Force per station along it</th>"
           "<th>Force per tie-back</th><th>State</th></tr>\n";
      for (const TieBackResult& t : p.tieBacks) {
        o += "<tr><td>T" + std::to_string(t.number) + "</td><td class=\"num\">" + shown(t.depth) +
             " " + u.depth + "</td><td class=\"num\">" + shown(t.horizontalForce) + " " +
             u.force + "</td><td class=\"num\">" + shown(t.axialForce) + " " + u.force +
             "</td><td class=\"num\">" + shown(t.forcePerTieBack) + " " + u.force + "</td>" +
             cell(tieBackState(t.horizontalForce)) + "</tr>\n";
      }
      o += "</table>\n";
    }
    if (!p.restraints.empty()) {
      o += "<table class=\"restraints\"><tr><th>Station</th><th>Depth</th><th>Force</th>"
           "<th>Moment</th></tr>\n";
      for (const RestraintResult& x : p.restraints) {
        o += "<tr><td class=\"num\">" + std::to_string(x.station) + "</td><td class=\"num\">" +
             shown(x.depth) + " " + u.depth + "</td><td class=\"num\">" + shown(x.force) + " " +
             u.force + "</td><td class=\"num\">" + shown(x.moment) + " " + u.moment +
             "</td></tr>\n";
      }
      o += "</table>\n";
    }
  }
  if (r.problems.empty()) o += "<p class=\"none\">The run produced no results.</p>\n";
  o += "<h3>Warnings</h3>\n";
  if (warnings.empty()) {
    o += "<p class=\"none\">None.</p>\n";
  } else {
    o += "<ul class=\"warnings\">";
    for (const std::string& w : warnings) o += "<li>" + esc(w) + "</li>";
    o += "</ul>\n";
  }
  o += "<h3>Sign conventions</h3>\n<ul class=\"signs\">";
  for (const SignConvention& c : signConventions()) o += "<li>" + esc(c.text) + "</li>";
  return o + "</ul>\n</section>\n";
}

// --- diagrams against depth --------------------------------------------------

// The excavation levels and tie-backs of the drawn problems, each depth
// once.
std::vector<ReferenceLine> levels(const std::vector<Drawn>& drawn) {
  std::map<double, std::string> byDepth;
  const auto add = [&](double depth, const std::string& label) {
    std::string& l = byDepth[depth];
    if (l.find(label) != std::string::npos) return;
    if (!l.empty()) l += ", ";
    l += label;
  };
  for (const Drawn& d : drawn) {
    if (d.problem->excavationDepth > 0.0) add(d.problem->excavationDepth, "excavation");
    for (const TieBackResult& t : d.problem->tieBacks) add(t.depth, "T" + std::to_string(t.number));
  }
  std::vector<ReferenceLine> out;
  for (const auto& [depth, label] : byDepth) {
    out.push_back({depth, label, label.find("excavation") != std::string::npos});
  }
  return out;
}

struct DepthDiagram {
  const char* id;        // data-diagram and the summary's quantity key
  const char* title;
  double StationResult::*member;  // null for the net pressure
  const char* Units::*unit;
  Extreme ProblemSummary::*max;
  Extreme ProblemSummary::*min;
};

const DepthDiagram kDepthDiagrams[] = {
    {"deflection", "Deflection", &StationResult::deflection, &Units::deflection,
     &ProblemSummary::maxDeflection, &ProblemSummary::minDeflection},
    {"moment", "Bending moment", &StationResult::moment, &Units::moment,
     &ProblemSummary::maxMoment, &ProblemSummary::minMoment},
    {"shear", "Shear", &StationResult::shear, &Units::shear, &ProblemSummary::maxShear,
     &ProblemSummary::minShear},
    {"soilReaction", "Soil reaction", &StationResult::soilReaction, &Units::perLength,
     &ProblemSummary::maxSoilReaction, &ProblemSummary::minSoilReaction},
    {"netPressure", "Net pressure", nullptr, &Units::perLength, &ProblemSummary::maxNetPressure,
     &ProblemSummary::minNetPressure},
};

std::string extremeItem(const Drawn& d, const DepthDiagram& g, const char* kind, const Extreme& e,
                        bool several) {
  const Units& u = unitsOf(d.problem->si);
  return "<li class=\"extreme\" data-problem=\"" + std::to_string(d.problem->number) +
         "\" data-quantity=\"" + g.id + "\" data-kind=\"" + kind + "\" data-value=\"" +
         exact(e.value) + "\" data-depth=\"" + exact(e.depth) + "\" style=\"color:" + d.colour +
         "\">" + (several ? esc(problemName(*d.problem)) + " " : "") + kind + " " +
         shown(e.value) + " " + u.*g.unit + " at " + shown(e.depth) + " " + u.depth + "</li>";
}

std::string depthDiagrams(const std::vector<Drawn>& all) {
  std::vector<Drawn> drawn;
  for (const Drawn& d : all) {
    if (d.summary.hasStations) drawn.push_back(d);
  }
  std::string o = "<section id=\"diagrams\"><h2>Diagrams against depth</h2>\n";
  if (drawn.empty()) {
    return o + "<p class=\"none\">No problem converged; there is nothing to draw.</p></section>\n";
  }
  const bool several = drawn.size() > 1;
  o += legend(drawn) + "<div class=\"figures\">\n";
  const Units& u = unitsOf(drawn.front().problem->si);
  for (const DepthDiagram& g : kDepthDiagrams) {
    Chart c;
    c.id = g.id;
    c.xLabel = withUnit(g.title, u.*g.unit);
    c.yLabel = withUnit("Depth", u.depth);
    c.yDown = true;
    c.width = 218;  // five side by side on a landscape page
    c.height = 440;
    c.lines = levels(drawn);
    std::string items;
    for (const Drawn& d : drawn) {
      const ProblemResult& p = *d.problem;
      Series s{problemName(p), d.colour, {}, {}};
      const std::vector<double> net = g.member ? std::vector<double>() : netPressures(p);
      for (std::size_t i = 0; i < p.stations.size(); ++i) {
        s.x.push_back(g.member ? p.stations[i].*g.member : net[i]);
        s.y.push_back(p.stations[i].depth);
      }
      c.series.push_back(std::move(s));
      const std::string suffix = several ? " " + std::to_string(p.number) : "";
      for (const auto& [kind, e] : {std::pair{"max", d.summary.*g.max},
                                    std::pair{"min", d.summary.*g.min}}) {
        c.markers.push_back({e.value, e.depth, d.colour, kind + suffix});
        items += extremeItem(d, g, kind, e, several);
      }
    }
    o += "<figure class=\"diagram\" data-diagram=\"" + std::string(g.id) + "\">" + renderSvg(c) +
         "<figcaption><b>" + g.title + "</b><ul>" + items + "</ul></figcaption></figure>\n";
  }
  return o + "</div></section>\n";
}

// --- earth pressure, p-y curves, convergence ---------------------------------

std::string earthPressureSection(const std::vector<Drawn>& drawn) {
  std::string o = "<section id=\"earth-pressure\"><h2>Earth-pressure distribution</h2>\n";
  Chart c;
  c.id = "earthPressure";
  c.yDown = true;
  c.width = 380;
  c.height = 440;
  std::vector<Drawn> shown;
  for (const Drawn& d : drawn) {
    const ProblemResult& p = *d.problem;
    if (p.earthPressure.empty()) continue;
    Series s{problemName(p), d.colour, {}, {}};
    for (const EarthPressurePoint& e : p.earthPressure) {
      s.x.push_back(e.pressure);
      s.y.push_back(e.depth);
    }
    c.series.push_back(std::move(s));
    shown.push_back(d);
    const Units& u = unitsOf(p.si);
    c.xLabel = withUnit("Earth pressure", u.perLength);
    c.yLabel = withUnit("Depth", u.depth);
  }
  if (shown.empty()) {
    return o + "<p class=\"none\" data-diagram=\"earthPressure\">None: no problem of this run "
               "carries an earth-pressure table.</p></section>\n";
  }
  c.lines = levels(shown);
  return o + legend(shown) + "<figure class=\"diagram\" data-diagram=\"earthPressure\">" +
         renderSvg(c) +
         "<figcaption><b>Net earth pressure on the wall</b>per unit length of wall, as the wall "
         "analysis applies it</figcaption></figure></section>\n";
}

constexpr std::size_t kMostCurvesDrawn = 12;

std::string pyCurvesSection(const std::vector<Drawn>& drawn) {
  std::string o = "<section id=\"py-curves\"><h2>p-y curves</h2>\n";
  bool any = false;
  for (const Drawn& d : drawn) {
    const ProblemResult& p = *d.problem;
    if (p.pyCurves.empty()) continue;
    any = true;
    const Units& u = unitsOf(p.si);
    const std::size_t n = p.pyCurves.size();
    const std::size_t drawnCount = std::min(n, kMostCurvesDrawn);
    o += "<h3>" + esc(problemName(p)) + "</h3>\n";
    if (drawnCount < n) {
      o += "<p class=\"meta\">" + std::to_string(drawnCount) + " of the " + std::to_string(n) +
           " curves, evenly spread over depth; the exported p-y table holds them all.</p>\n";
    }
    o += "<div class=\"figures\">\n";
    for (std::size_t k = 0; k < drawnCount; ++k) {
      const std::size_t i = drawnCount == 1 ? 0 : k * (n - 1) / (drawnCount - 1);
      const PyCurveResult& curve = p.pyCurves[i];
      Chart c;
      c.id = "pyCurve";
      c.width = 230;
      c.height = 190;
      c.xLabel = withUnit("y", u.deflection);
      c.yLabel = withUnit("p", u.perLength);
      c.series.push_back({"depth " + shown(curve.depth), d.colour, curve.y, curve.p});
      o += "<figure class=\"diagram\" data-diagram=\"pyCurve\">" + renderSvg(c) +
           "<figcaption>at " + shown(curve.depth) + " " + u.depth + " (station " +
           std::to_string(curve.station) + ")</figcaption></figure>\n";
    }
    o += "</div>\n";
  }
  if (!any) {
    o += "<p class=\"none\" data-diagram=\"pyCurve\">None: no problem of this run carries p-y "
         "curves.</p>\n";
  }
  return o + "</section>\n";
}

std::string convergenceSection(const std::vector<Drawn>& drawn) {
  std::string o = "<section id=\"convergence\"><h2>Convergence history</h2>\n";
  Chart c;
  c.id = "convergence";
  c.width = 460;
  c.height = 300;
  c.yLog = true;
  c.xLabel = "Iteration";
  std::vector<Drawn> shown;
  for (const Drawn& d : drawn) {
    const ProblemResult& p = *d.problem;
    if (p.iterationHistory.empty()) continue;
    Series s{problemName(p), d.colour, {}, {}};
    for (const IterationRecord& it : p.iterationHistory) {
      s.x.push_back(it.iteration);
      s.y.push_back(it.maxChange);
    }
    c.series.push_back(std::move(s));
    c.yLabel = withUnit("Largest change of deflection", unitsOf(p.si).deflection);
    shown.push_back(d);
  }
  if (shown.empty()) {
    return o + "<p class=\"none\" data-diagram=\"convergence\">None: no iteration history was "
               "recorded.</p></section>\n";
  }
  o += legend(shown) + "<div class=\"figures\"><figure class=\"diagram\" "
       "data-diagram=\"convergence\">" + renderSvg(c) +
       "<figcaption><b>Largest change of deflection per iteration</b>logarithmic scale"
       "</figcaption></figure>\n<table><tr><th>Problem</th><th>Iteration</th>"
       "<th>Stations not closed</th><th>Largest change</th></tr>\n";
  for (const Drawn& d : shown) {
    for (const IterationRecord& it : d.problem->iterationHistory) {
      o += "<tr><td>" + std::to_string(d.problem->number) + "</td><td class=\"num\">" +
           std::to_string(it.iteration) + "</td><td class=\"num\">" +
           std::to_string(it.notClosed) + "</td>" + numCell(it.maxChange) + "</tr>\n";
    }
  }
  return o + "</table></div></section>\n";
}

}  // namespace

std::string htmlReport(const AnalysisResult& result, const std::vector<std::string>& warnings,
                       const RunInfo& info, std::string_view inputText) {
  const std::vector<Drawn> drawn = drawnProblems(result);
  std::string title = "KORVEN results";
  if (!result.problems.empty() && !result.problems.front().title.empty()) {
    title += ": " + result.problems.front().title;
  }
  std::string o =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "style-src 'unsafe-inline'; img-src data:\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      esc(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<header><h1>" +
      esc(title) + "</h1>\n<p class=\"meta\">Input data file " + esc(info.input) + " &middot; korven " +
      esc(info.version) + " &middot; " + std::to_string(result.problems.size()) +
      (result.problems.size() == 1 ? " problem" : " problems") +
      (result.message.empty() ? "" : " &middot; <strong>" + esc(result.message) + "</strong>") +
      "</p></header>\n";
  o += inputSection(result, inputText);
  o += summarySection(result, warnings, drawn);
  o += depthDiagrams(drawn);
  o += earthPressureSection(drawn);
  o += pyCurvesSection(drawn);
  o += convergenceSection(drawn);
  return o + "</body>\n</html>\n";
}

}  // namespace korven::present
