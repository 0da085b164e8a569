// A small SVG line-chart writer for the report's diagrams: lines through
// points, labelled axes with tick values, horizontal reference lines (the
// excavation level, tie-backs), numbered markers, and a depth axis that
// runs downwards.
#pragma once

#include <string>
#include <vector>

namespace korven::present {

struct Series {
  std::string name;
  std::string colour;
  std::vector<double> x, y;
};

struct Marker {
  double x = 0.0, y = 0.0;
  std::string colour;
  std::string text;  // a short tag drawn beside the marker
};

struct ReferenceLine {
  double y = 0.0;  // horizontal line at this ordinate
  std::string label;
  bool dashed = true;
};

struct Chart {
  std::string id;       // the diagram's name, carried as data-diagram
  std::string xLabel;   // quantity and unit
  std::string yLabel;
  bool yDown = false;   // ordinate grows downwards (depth)
  bool yLog = false;    // logarithmic ordinate (positive values only)
  int width = 300, height = 400;
  std::vector<Series> series;
  std::vector<Marker> markers;
  std::vector<ReferenceLine> lines;
};

std::string renderSvg(const Chart& chart);

// Text made safe inside HTML and SVG elements and attributes.
std::string escapeXml(std::string_view text);

}  // namespace korven::present
