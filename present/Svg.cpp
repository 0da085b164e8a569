#include "Svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace korven::present {

namespace {

constexpr int kLeft = 60, kRight = 22, kTop = 14, kBottom = 46;

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string tickText(double v, double step) {
  if (std::abs(v) < step * 1e-9) return "0";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

// A step of 1, 2 or 5 times a power of ten giving about `count` intervals.
double niceStep(double range, int count) {
  const double raw = range / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

struct Axis {
  double lo = 0.0, hi = 1.0;
  bool log = false;
  std::vector<double> ticks;
  double step = 1.0;
};

Axis makeAxis(double lo, double hi, bool log, int count) {
  Axis a;
  a.log = log;
  if (log) {
    lo = std::floor(std::log10(lo));
    hi = std::ceil(std::log10(hi));
    if (hi <= lo) hi = lo + 1.0;
    a.lo = lo;
    a.hi = hi;
    const int decades = static_cast<int>(hi - lo);
    const int every = std::max(1, decades / count);
    for (int d = static_cast<int>(lo); d <= static_cast<int>(hi); d += every) a.ticks.push_back(d);
    return a;
  }
  if (!(hi > lo)) {
    const double pad = lo == 0.0 ? 1.0 : std::abs(lo) * 0.1;
    lo -= pad;
    hi += pad;
  }
  a.step = niceStep(hi - lo, count);
  a.lo = std::floor(lo / a.step + 1e-9) * a.step;
  a.hi = std::ceil(hi / a.step - 1e-9) * a.step;
  for (double t = a.lo; t <= a.hi + a.step * 1e-6; t += a.step) a.ticks.push_back(t);
  return a;
}

double fraction(const Axis& a, double v) {
  if (a.log) v = std::log10(std::max(v, std::numeric_limits<double>::min()));
  return (v - a.lo) / (a.hi - a.lo);
}

}  // namespace

std::string escapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        // Control characters have no place in the page's text.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') {
          out += ' ';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string renderSvg(const Chart& c) {
  double xlo = std::numeric_limits<double>::infinity(), xhi = -xlo;
  double ylo = xlo, yhi = -xlo;
  const auto take = [&](double x, double y) {
    if (std::isfinite(x)) xlo = std::min(xlo, x), xhi = std::max(xhi, x);
    if (std::isfinite(y) && (!c.yLog || y > 0.0)) ylo = std::min(ylo, y), yhi = std::max(yhi, y);
  };
  for (const Series& s : c.series) {
    for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) take(s.x[i], s.y[i]);
  }
  for (const ReferenceLine& l : c.lines) take(std::numeric_limits<double>::quiet_NaN(), l.y);
  if (!std::isfinite(xlo)) xlo = 0.0, xhi = 1.0;
  if (!std::isfinite(ylo)) ylo = c.yLog ? 1.0 : 0.0, yhi = c.yLog ? 10.0 : 1.0;
  // Diagrams against depth always show the zero line.
  if (c.yDown) xlo = std::min(xlo, 0.0), xhi = std::max(xhi, 0.0);
  const Axis ax = makeAxis(xlo, xhi, false, 4);
  const Axis ay = makeAxis(ylo, yhi, c.yLog, 6);

  const double pw = c.width - kLeft - kRight, ph = c.height - kTop - kBottom;
  const auto px = [&](double x) { return kLeft + fraction(ax, x) * pw; };
  const auto py = [&](double y) {
    const double f = fraction(ay, y);
    return c.yDown ? kTop + f * ph : kTop + (1.0 - f) * ph;
  };

  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" data-diagram=\"" +
                  escapeXml(c.id) + "\" viewBox=\"0 0 " + std::to_string(c.width) + " " +
                  std::to_string(c.height) + "\" width=\"" + std::to_string(c.width) +
                  "\" height=\"" + std::to_string(c.height) + "\" role=\"img\" aria-label=\"" +
                  escapeXml(c.xLabel + " against " + c.yLabel) + "\">\n";
  // Grid and tick labels.
  o += "<g class=\"grid\">";
  for (double t : ax.ticks) {
    const std::string x = num(px(t));
    o += "<line x1=\"" + x + "\" y1=\"" + num(kTop) + "\" x2=\"" + x + "\" y2=\"" +
         num(kTop + ph) + "\"" + (std::abs(t) < ax.step * 1e-9 ? " class=\"zero\"" : "") + "/>";
    o += "<text class=\"tick\" x=\"" + x + "\" y=\"" + num(kTop + ph + 14) +
         "\" text-anchor=\"middle\">" + tickText(t, ax.step) + "</text>";
  }
  for (double t : ay.ticks) {
    const double v = ay.log ? std::pow(10.0, t) : t;
    const std::string y = num(py(v));
    o += "<line x1=\"" + num(kLeft) + "\" y1=\"" + y + "\" x2=\"" + num(kLeft + pw) + "\" y2=\"" +
         y + "\"/>";
    char label[32];
    if (ay.log) {
      std::snprintf(label, sizeof label, "1e%d", static_cast<int>(t));
    } else {
      std::snprintf(label, sizeof label, "%s", tickText(t, ay.step).c_str());
    }
    o += "<text class=\"tick\" x=\"" + num(kLeft - 4) + "\" y=\"" + num(py(v) + 4) +
         "\" text-anchor=\"end\">" + label + "</text>";
  }
  o += "</g>\n<rect class=\"frame\" x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" +
       num(pw) + "\" height=\"" + num(ph) + "\"/>\n";
  // Reference lines, labelled at their right end.
  for (const ReferenceLine& l : c.lines) {
    const std::string y = num(py(l.y));
    o += "<g class=\"reference\"><line x1=\"" + num(kLeft) + "\" y1=\"" + y + "\" x2=\"" +
         num(kLeft + pw) + "\" y2=\"" + y + "\"" + (l.dashed ? " stroke-dasharray=\"5 3\"" : "") +
         "/><text x=\"" + num(kLeft + pw - 3) + "\" y=\"" + num(py(l.y) - 3) +
         "\" text-anchor=\"end\">" + escapeXml(l.label) + "</text></g>\n";
  }
  for (const Series& s : c.series) {
    std::string points;
    for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i]) || (c.yLog && s.y[i] <= 0.0)) continue;
      points += num(px(s.x[i])) + "," + num(py(s.y[i])) + " ";
    }
    o += "<polyline class=\"series\" fill=\"none\" stroke=\"" + s.colour +
         "\" stroke-width=\"1.6\" points=\"" + points + "\"><title>" + escapeXml(s.name) +
         "</title></polyline>\n";
  }
  for (const Marker& m : c.markers) {
    // The tag goes on the side of the marker with more room.
    const bool left = px(m.x) > kLeft + 0.6 * pw;
    o += "<g class=\"marker\"><circle cx=\"" + num(px(m.x)) + "\" cy=\"" + num(py(m.y)) +
         "\" r=\"3.5\" fill=\"" + m.colour + "\"/><text x=\"" + num(px(m.x) + (left ? -6 : 6)) +
         "\" y=\"" + num(py(m.y) + 4) + "\"" + (left ? " text-anchor=\"end\"" : "") + ">" +
         escapeXml(m.text) + "</text></g>\n";
  }
  o += "<text class=\"axis-label x\" x=\"" + num(kLeft + pw / 2) + "\" y=\"" +
       num(c.height - 8) + "\" text-anchor=\"middle\">" + escapeXml(c.xLabel) + "</text>\n";
  o += "<text class=\"axis-label y\" x=\"14\" y=\"" + num(kTop + ph / 2) +
       "\" text-anchor=\"middle\" transform=\"rotate(-90 14 " + num(kTop + ph / 2) + ")\">" +
       escapeXml(c.yLabel) + "</text>\n";
  o += "</svg>\n";
  return o;
}

}  // namespace korven::present
