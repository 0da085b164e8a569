#include "Summary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Units.h"
#include "korven.h"

namespace korven::present {

namespace {

using Member = double StationResult::*;

// The largest (or smallest) value of a station column over the stations
// that pass `keep`; the first station wins a tie.
template <typename Keep>
Extreme extreme(const std::vector<StationResult>& stations, Member m, bool largest, Keep keep) {
  Extreme e;
  for (const StationResult& s : stations) {
    if (!keep(s)) continue;
    const double v = s.*m;
    if (e.station < 0 || (largest ? v > e.value : v < e.value)) e = {v, s.depth, s.station};
  }
  return e;
}

Extreme extreme(const std::vector<StationResult>& stations, Member m, bool largest) {
  return extreme(stations, m, largest, [](const StationResult&) { return true; });
}

const char* statusName(int status) {
  switch (status) {
    case KORVEN_STATUS_NORMAL: return "normal";
    case KORVEN_STATUS_REFUSED: return "refused";
    case KORVEN_STATUS_NOT_STARTED: return "not started";
    case KORVEN_STATUS_INPUT_ERROR: return "input error";
    case KORVEN_STATUS_DATA_STOP: return "stopped by a data check";
    case KORVEN_STATUS_HARD_STOP: return "stopped by the analysis";
    case KORVEN_STATUS_FILE_ERROR: return "file error";
    case KORVEN_STATUS_BUSY: return "busy";
    default: return "unknown";
  }
}

std::string problemHeading(const ProblemResult& p) {
  return "Problem " + std::to_string(p.number) + (p.title.empty() ? "" : ": " + p.title);
}

}  // namespace

std::string shown(double value) {
  if (value == 0.0) return "0";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", value);
  return buf;
}

std::string exact(double value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::vector<double> netPressures(const ProblemResult& p) {
  std::vector<double> out;
  const auto& st = p.stations;
  if (st.size() < 2) return std::vector<double>(st.size(), 0.0);
  const double h = (st[1].depth - st[0].depth) * unitsOf(p.si).lengthPerDepth;
  for (const StationResult& s : st) out.push_back(h > 0.0 ? s.netForce / h : 0.0);
  return out;
}

ProblemSummary summarise(const ProblemResult& p) {
  ProblemSummary s;
  const auto& st = p.stations;
  if (st.empty()) return s;
  s.hasStations = true;
  s.maxDeflection = extreme(st, &StationResult::deflection, true);
  s.minDeflection = extreme(st, &StationResult::deflection, false);
  s.topDeflection = {st.front().deflection, st.front().depth, st.front().station};
  s.maxMoment = extreme(st, &StationResult::moment, true);
  s.minMoment = extreme(st, &StationResult::moment, false);
  s.maxShear = extreme(st, &StationResult::shear, true);
  s.minShear = extreme(st, &StationResult::shear, false);
  double from = st.front().depth;
  if (p.excavationDepth > 0.0) {
    const StationResult* nearest = &st.front();
    for (const StationResult& x : st) {
      if (std::abs(x.depth - p.excavationDepth) < std::abs(nearest->depth - p.excavationDepth)) {
        nearest = &x;
      }
    }
    s.excavation = AtExcavation{p.excavationDepth, *nearest};
    from = nearest->depth;
  }
  const auto below = [from](const StationResult& x) { return x.depth >= from; };
  s.maxSoilReaction = extreme(st, &StationResult::soilReaction, true, below);
  s.minSoilReaction = extreme(st, &StationResult::soilReaction, false, below);
  const std::vector<double> net = netPressures(p);
  for (std::size_t i = 0; i < st.size(); ++i) {
    const Extreme e{net[i], st[i].depth, st[i].station};
    if (s.maxNetPressure.station < 0 || e.value > s.maxNetPressure.value) s.maxNetPressure = e;
    if (s.minNetPressure.station < 0 || e.value < s.minNetPressure.value) s.minNetPressure = e;
  }
  return s;
}

const std::vector<SignConvention>& signConventions() {
  static const std::vector<SignConvention> conventions = {
      {"depth", "Depth is measured down from the top of the wall."},
      {"deflection",
       "Deflection is positive towards the excavation side and negative towards the retained "
       "soil."},
      {"moment",
       "Bending moment is positive when it puts the face on the retained side in tension (the "
       "wall bends towards the excavation between its ends)."},
      {"shear",
       "Shear at a depth is the net lateral force on the wall above it, positive when that force "
       "pushes the wall towards the excavation."},
      {"soilReaction",
       "Soil reaction and net pressure are forces per unit length of wall, positive when they push "
       "the wall towards the excavation; soil resisting a deflection towards the excavation is "
       "negative."},
      {"tieBack",
       "Tie-back forces are the force the tie-back exerts on the wall: negative pulls the wall back "
       "towards the retained soil, which is tension in the tie-back; positive would be "
       "compression."},
      {"restraint",
       "Restraint force is its stiffness times the deflection, the force the wall puts on the "
       "restraint: positive when the restraint holds the wall back against a movement towards the "
       "excavation. The restraint moment is its rotational stiffness times the slope."},
  };
  return conventions;
}

const char* tieBackState(double horizontalForce) {
  if (horizontalForce < 0.0) return "tension";
  if (horizontalForce > 0.0) return "compression";
  return "unloaded";
}

std::vector<std::string> runWarnings(const AnalysisResult& result, std::string_view reportText) {
  std::vector<std::string> warnings;
  for (const ProblemResult& p : result.problems) {
    if (!p.converged) {
      warnings.push_back(problemHeading(p) + " did not converge (" +
                         std::to_string(p.iterations) + " iterations); it has no results.");
    }
  }
  // The report's warning blocks: a line holding WARNING, then the text up to
  // the next blank line; and the lines the report stars as stops or limits.
  // The report is scanned in place, a line at a time.
  std::string block;
  bool inBlock = false;
  const auto trim = [](std::string_view s) {
    const auto first = s.find_first_not_of(" *-");
    const auto last = s.find_last_not_of(" *-");
    return first == std::string_view::npos ? std::string_view() : s.substr(first, last - first + 1);
  };
  std::string_view rest = reportText;
  constexpr std::string_view kWarning = "WARNING", kStars = "     *****", kStarsLine = "\n     *****";
  while (!rest.empty()) {
    if (!inBlock) {
      // Outside a block only a line holding WARNING or starting with the
      // stars counts: the next such line is found by searching the text,
      // not by taking the lines one by one.
      const std::size_t warning = rest.find(kWarning);
      std::size_t stars = 0;
      if (!rest.starts_with(kStars)) {
        stars = rest.find(kStarsLine);
        if (stars != std::string_view::npos) ++stars;  // the line after that line end
      }
      std::size_t next = stars;
      if (warning != std::string_view::npos) {
        const std::size_t lineEnd = rest.rfind('\n', warning);
        next = std::min(next, lineEnd == std::string_view::npos ? 0 : lineEnd + 1);
      }
      if (next == std::string_view::npos) break;
      rest.remove_prefix(next);
    }
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (line.find(kWarning) != std::string_view::npos) {
      if (inBlock && !block.empty()) warnings.push_back(block);
      inBlock = true;
      block.clear();
      continue;
    }
    if (inBlock) {
      const std::string_view text = trim(line);
      // The report prints some warnings inside a table (the backfill-slope
      // warning among the earth-pressure coefficients): a row of numbers
      // after the text is the table going on, not the warning.
      const auto digit = [](char c) { return c >= '0' && c <= '9'; };
      const bool tableRow =
          !text.empty() && (digit(text[0]) || (text.size() > 1 && text[0] == '.' && digit(text[1])));
      if (tableRow || (text.empty() && !block.empty())) {
        if (!block.empty()) warnings.push_back(block);
        inBlock = false;
      } else if (!text.empty()) {
        if (!block.empty()) block += ' ';
        block += text;
      }
      continue;
    }
    if (line.starts_with(kStars)) {
      if (const std::string_view text = trim(line); !text.empty()) warnings.emplace_back(text);
    }
  }
  if (inBlock && !block.empty()) warnings.push_back(block);
  return warnings;
}

namespace {

std::string at(const Extreme& e, const char* unit, const Units& u) {
  return shown(e.value) + " " + unit + " at " + shown(e.depth) + " " + u.depth;
}

}  // namespace

std::string summaryText(const AnalysisResult& result, const std::vector<std::string>& warnings) {
  std::ostringstream out;
  for (const ProblemResult& p : result.problems) {
    const Units& u = unitsOf(p.si);
    const ProblemSummary s = summarise(p);
    out << problemHeading(p) << "\n";
    out << "  " << (p.converged ? "converged" : "NOT CONVERGED") << " after " << p.iterations
        << " iterations\n";
    if (s.hasStations) {
      out << "  top deflection       " << at(s.topDeflection, u.deflection, u) << "\n"
          << "  deflection  max      " << at(s.maxDeflection, u.deflection, u) << "\n"
          << "              min      " << at(s.minDeflection, u.deflection, u) << "\n"
          << "  moment      max      " << at(s.maxMoment, u.moment, u) << "\n"
          << "              min      " << at(s.minMoment, u.moment, u) << "\n"
          << "  shear       max      " << at(s.maxShear, u.shear, u) << "\n"
          << "              min      " << at(s.minShear, u.shear, u) << "\n";
      if (s.excavation) {
        const StationResult& e = s.excavation->station;
        out << "  at the excavation (" << shown(s.excavation->depth) << " " << u.depth
            << "): deflection " << shown(e.deflection) << " " << u.deflection << ", moment "
            << shown(e.moment) << " " << u.moment << ", shear " << shown(e.shear) << " "
            << u.shear << ", soil reaction " << shown(e.soilReaction) << " " << u.perLength
            << "\n";
      } else {
        out << "  excavation level     none given\n";
      }
      const char* where = s.excavation ? "below the excavation" : "along the wall";
      out << "  soil reaction " << where << ": max " << at(s.maxSoilReaction, u.perLength, u)
          << ", min " << at(s.minSoilReaction, u.perLength, u) << "\n";
    }
    for (const TieBackResult& t : p.tieBacks) {
      out << "  tie-back " << t.number << " at " << shown(t.depth) << " " << u.depth << ": "
          << shown(t.forcePerTieBack) << " " << u.force << " per tie-back ("
          << tieBackState(t.horizontalForce) << "), horizontal " << shown(t.horizontalForce)
          << " " << u.force << " per station\n";
    }
    for (const RestraintResult& r : p.restraints) {
      out << "  restraint at " << shown(r.depth) << " " << u.depth << ": force " << shown(r.force)
          << " " << u.force << ", moment " << shown(r.moment) << " " << u.moment << "\n";
    }
    out << "\n";
  }
  if (!result.problems.empty()) {
    out << "Signs: deflection, shear, soil reaction and tie-back forces are positive towards the "
           "excavation;\n       a negative tie-back force is tension. Positive moment puts the "
           "retained-side face in tension.\n";
  }
  if (warnings.empty()) {
    out << "Warnings: none\n";
  } else {
    out << "Warnings:\n";
    for (const std::string& w : warnings) out << "  - " << w << "\n";
  }
  return out.str();
}

namespace {

nlohmann::ordered_json extremeJson(const Extreme& e) {
  return {{"value", e.value}, {"depth", e.depth}, {"station", e.station}};
}

nlohmann::ordered_json unitsJson(const Units& u) {
  return {{"depth", u.depth},       {"deflection", u.deflection}, {"slope", u.slope},
          {"moment", u.moment},     {"shear", u.shear},           {"soilReaction", u.perLength},
          {"pressure", u.perLength}, {"force", u.force},          {"rigidity", u.rigidity}};
}

nlohmann::ordered_json problemJson(const ProblemResult& p) {
  const ProblemSummary s = summarise(p);
  nlohmann::ordered_json j = {{"number", p.number},
                      {"title", p.title},
                      {"unitSystem", p.si ? "SI" : "English"},
                      {"units", unitsJson(unitsOf(p.si))},
                      {"converged", p.converged},
                      {"iterations", p.iterations}};
  if (s.hasStations) {
    j["deflection"] = {{"max", extremeJson(s.maxDeflection)},
                       {"min", extremeJson(s.minDeflection)},
                       {"top", extremeJson(s.topDeflection)}};
    j["moment"] = {{"max", extremeJson(s.maxMoment)}, {"min", extremeJson(s.minMoment)}};
    j["shear"] = {{"max", extremeJson(s.maxShear)}, {"min", extremeJson(s.minShear)}};
    j["soilReactionBelowExcavation"] = {{"max", extremeJson(s.maxSoilReaction)},
                                        {"min", extremeJson(s.minSoilReaction)}};
    j["netPressure"] = {{"max", extremeJson(s.maxNetPressure)},
                        {"min", extremeJson(s.minNetPressure)}};
  } else {
    for (const char* k :
         {"deflection", "moment", "shear", "soilReactionBelowExcavation", "netPressure"}) {
      j[k] = nullptr;
    }
  }
  if (s.excavation) {
    const StationResult& e = s.excavation->station;
    j["excavation"] = {{"depth", s.excavation->depth}, {"station", e.station},
                       {"deflection", e.deflection},   {"moment", e.moment},
                       {"shear", e.shear},             {"soilReaction", e.soilReaction}};
  } else {
    j["excavation"] = nullptr;
  }
  j["tieBacks"] = nlohmann::ordered_json::array();
  for (const TieBackResult& t : p.tieBacks) {
    j["tieBacks"].push_back({{"number", t.number},
                             {"station", t.station},
                             {"depth", t.depth},
                             {"horizontalForcePerStation", t.horizontalForce},
                             {"axialForcePerStation", t.axialForce},
                             {"forcePerTieBack", t.forcePerTieBack},
                             {"state", tieBackState(t.horizontalForce)}});
  }
  j["restraints"] = nlohmann::ordered_json::array();
  for (const RestraintResult& r : p.restraints) {
    j["restraints"].push_back(
        {{"station", r.station}, {"depth", r.depth}, {"force", r.force}, {"moment", r.moment}});
  }
  j["iterationHistory"] = nlohmann::ordered_json::array();
  for (const IterationRecord& it : p.iterationHistory) {
    j["iterationHistory"].push_back(
        {{"iteration", it.iteration}, {"notClosed", it.notClosed}, {"maxChange", it.maxChange}});
  }
  return j;
}

}  // namespace

std::string summaryJson(const AnalysisResult& result, const std::vector<std::string>& warnings,
                        const RunInfo& info) {
  nlohmann::ordered_json j = {{"program", "korven"},
                      {"version", info.version},
                      {"input", info.input},
                      {"status", statusName(result.status)},
                      {"message", result.message}};
  nlohmann::ordered_json signs = nlohmann::ordered_json::object();
  for (const SignConvention& c : signConventions()) signs[c.quantity] = c.text;
  j["signConventions"] = signs;
  j["problems"] = nlohmann::ordered_json::array();
  for (const ProblemResult& p : result.problems) j["problems"].push_back(problemJson(p));
  j["warnings"] = warnings;
  // Values a run cannot hold (a diverged solution) are written as null
  // rather than failing the whole summary.
  return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace korven::present
