#include "input/SectionInput.h"

#include <cmath>
#include <string>

#include "core/StationLoads.h"
#include "core/Stops.h"
#include "input/FieldChecks.h"
#include "input/InputEcho.h"
#include "input/OpeningInput.h"
#include "textio/NumberWriters.h"

namespace korven {

using input::RangeTable;
using textio::FieldValue;

namespace {

std::string paddedName(std::string name) {
  name.resize(80, ' ');
  return name;
}

template <std::size_t N>
void readReals(textio::RecordReader::Record& r, std::array<double, N>& values) {
  for (double& v : values) v = r.real();
}
template <std::size_t N>
void readIntegers(textio::RecordReader::Record& r, std::array<int, N>& values) {
  for (int& v : values) v = r.integer();
}

// `count` records of five reals (rebar or strand rows). The counts have no
// fixed capacity, so the rows grow as records are actually read: a wild
// count ends at the end of the file instead of reserving memory for it.
std::vector<std::array<double, 5>> readRows(RunContext& ctx, int count, const char* name) {
  std::vector<std::array<double, 5>> rows;
  for (int k = 0; k < count; ++k) {
    auto r = ctx.input->record(name);
    readReals(r, rows.emplace_back());
  }
  return rows;
}

// `count` records of one real each.
std::vector<double> readSingles(RunContext& ctx, int count, const char* name) {
  std::vector<double> values;
  for (int k = 0; k < count; ++k) values.push_back(ctx.input->record(name).real());
  return values;
}

// Dimensions and properties of an elastic section end; returns the
// tapered flag when `withFlag` (the top end).
int readElasticEnd(RunContext& ctx, std::array<double, 8>& e1, std::array<double, 10>& e2,
                   bool withFlag) {
  {
    auto r = ctx.input->record("CROSS SECTION DIMENSIONS");
    readReals(r, e1);
  }
  auto r = ctx.input->record("CROSS SECTION PROPERTIES");
  // The fourth and ninth values, I and E, give the flexural rigidity.
  for (std::size_t k = 0; k < e2.size(); ++k) {
    e2[k] = k == 3   ? input::readNonNegative(r, "MOMENT OF INERTIA")
            : k == 8 ? input::readNonNegative(r, "MODULUS OF ELASTICITY")
                     : r.real();
  }
  r.real();  // read and not used (WallModel.h)
  return withFlag ? r.integer() : 0;
}

void readElastic(RunContext& ctx, CrossSection& c) {
  c.taperedFlag = readElasticEnd(ctx, c.dimensionsTop, c.propertiesTop, true);
  if (c.taperedFlag > 0) {
    readElasticEnd(ctx, c.dimensionsBottom, c.propertiesBottom, false);
  } else {
    c.dimensionsBottom = c.dimensionsTop;
    c.propertiesBottom = c.propertiesTop;
    }
  {
    auto r = ctx.input->record("AISC SECTION RECORD");
    c.aiscFamily = r.integer();
    r.integer();  // read and not used (WallModel.h)
    c.thickness = r.real();
    c.diameterLabelFlag = r.integer();
    r.integer();  // read and not used
  }
  c.designation = paddedName(ctx.input->record("SECTION DESIGNATION").text(80));
  // In SI runs the moment of inertia is read in mm^4 and held in m^4.
  const double inertiaScale = ctx.si() ? 1.0e12 : 1.0;
  c.inertiaTop = c.propertiesTop[3] / inertiaScale;
  c.modulusTop = c.propertiesTop[8];
  c.inertiaBottom = c.propertiesBottom[3] / inertiaScale;
  c.modulusBottom = c.propertiesBottom[8];
  c.diameterTop = c.dimensionsTop[0];
  c.diameterBottom = c.dimensionsBottom[0];
}

void readNonlinear(RunContext& ctx, CrossSection& c) {
  {
    auto r = ctx.input->record("NONLINEAR SECTION PROPERTIES");
    readReals(r, c.equivalentProperties);
  }
  // They hold the diameter, the real after the properties and the 2nd,
  // 3rd, 4th, 6th, 7th, 8th and 9th properties of an elastic section; the
  // bottom of the section is the same.
  c.dimensionsTop[0] = c.equivalentProperties[0];
  constexpr std::size_t propertyFields[] = {1, 2, 3, 5, 6, 7, 8};
  for (std::size_t k = 0; k < std::size(propertyFields); ++k) {
    c.propertiesTop[propertyFields[k]] = c.equivalentProperties[k + 2];
  }
  c.dimensionsBottom = c.dimensionsTop;
  c.propertiesBottom = c.propertiesTop;
  c.diameterTop = c.diameterBottom = c.equivalentProperties[0];
  {
    auto r = ctx.input->record("NONLINEAR SECTION DIMENSIONS");
    c.nonlinearType = r.integer();
    readReals(r, c.nonlinearDimensions);
  }
  {
    auto r = ctx.input->record("NONLINEAR SECTION MATERIALS");
    readReals(r, c.steelAndConcrete);
    readIntegers(r, c.embeddedSteel);
  }
  c.designation = paddedName(ctx.input->record("SECTION DESIGNATION").text(80));
  {
    auto r = ctx.input->record("REINFORCEMENT RECORD");
    readIntegers(r, c.rebarLayout);
    readReals(r, c.rebarMaterial);
    c.confinedFlag = r.integer();
  }
  {
    auto r = ctx.input->record("TRANSVERSE REINFORCEMENT RECORD");
    readIntegers(r, c.transverseLayout);
    readReals(r, c.transverseMaterial);
  }
  c.rebars = readRows(ctx, c.rebarLayout[4], "REBAR RECORD");
  {
    auto r = ctx.input->record("STRAND RECORD");
    readIntegers(r, c.strandLayout);
    readReals(r, c.strandMaterial);
    std::array<double, 2> unread{};  // read and not used (WallModel.h)
    readReals(r, unread);
  }
  c.strands = readRows(ctx, c.strandLayout[4], "STRAND POSITION RECORD");
  {
    auto r = ctx.input->record("SECTION OPTION RECORD");
    readIntegers(r, c.optionCounts);
    std::array<double, 2> unread{};
    readReals(r, unread);
  }
  c.optionValues = readSingles(ctx, c.optionCounts[0], "SECTION OPTION VALUE");
  {
    auto r = ctx.input->record("NONLINEAR EI OPTION RECORD");
    readIntegers(r, c.eiOptions);
    readReals(r, c.strainHardening);
  }
  {
    auto r = ctx.input->record("STRAIN HARDENING RECORD");
    readIntegers(r, c.hardeningModel);
    std::array<double, 2> unread{};
    readReals(r, unread);
  }
  c.hardeningValues.clear();
  if (c.hardeningModel[2] > 0 && c.hardeningModel[3] > 0) {
    c.hardeningValues = readSingles(ctx, c.hardeningModel[3], "STRAIN HARDENING VALUE");
  }
}

// Thrust and points of one moment-curvature set; the points follow a
// record whose second integer is their count.
void readMomentCurvaturePoints(RunContext& ctx, MomentCurvatureTable& set, int limit,
                               std::string_view what) {
  int count = 0;
  {
    auto r = ctx.input->record("MOMENT-CURVATURE POINT COUNT");
    r.integer();
    count = r.integer();
  }
  input::checkCount(ctx, what, count, limit);
  set.moment.resize(static_cast<std::size_t>(count));
  set.curvature.resize(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    auto r = ctx.input->record("MOMENT-CURVATURE POINT");
    set.moment[static_cast<std::size_t>(k)] = r.real();
    set.curvature[static_cast<std::size_t>(k)] = r.real();
  }
}

bool shownAsUserSet(const CrossSection& c) { return c.nonlinearFlag != 0 && c.nonlinearType == 10; }

// The rigidity a wall section starts from: E*I of an elastic section at
// one end, the secant to the first point of a nonlinear section's table.
double startingRigidity(const CrossSection& c, bool top) {
  if (c.nonlinearFlag == 0) {
    return top ? c.modulusTop * c.inertiaTop : c.modulusBottom * c.inertiaBottom;
  }
  const MomentCurvatureTable& t = c.table;
  if (t.points() >= 2 && t.curvature[1] != 0.0) return t.moment[1] / t.curvature[1];
  return 0.0;
}

}  // namespace

void readWallSections(RunContext& ctx) {
  WallModel& m = ctx.model;
  const int count = m.control.wallSectionCount;
  input::checkCount(ctx, "WALL SECTIONS", count, kMaxWallSections);
  m.wallSections.assign(static_cast<std::size_t>(count), WallSection{});
  for (WallSection& s : m.wallSections) {
    auto r = ctx.input->record("WALL SECTION");
    s.top = r.real();
    s.bottom = r.real();
    s.crossSection = r.integer();
  }
  m.stations.setSectionDepths(m.wall.n, m.wall.h, m.lengthPerDepthUnit);

  textio::OutputChannel& out = ctx.report;
  out.write(KLAYOUT("(/,5X,'* WALL SECTIONS *')"));
  out.write(KLAYOUT("(/,5X,'  SECT',9X,' TOP ',7X,'BOTTOM',5X,'SECTION')"));
  out.write(KLAYOUT("(5X,'      ',9X,1X,A2,12X,A2)"), ctx.labels.depthB, ctx.labels.depthB);
  for (std::size_t i = 0; i < m.wallSections.size(); ++i) {
    const WallSection& s = m.wallSections[i];
    textio::writeBlanks(out, 5);
    textio::writeInteger(out, 5, static_cast<long long>(i) + 1);
    textio::writeBlanks(out, 1);
    textio::writeNumber(out, 14, 5, s.top);
    textio::writeNumber(out, 14, 5, s.bottom);
    textio::writeBlanks(out, 3);
    textio::writeInteger(out, 5, s.crossSection);
    textio::endLine(out);
  }
  textio::endLine(out);

  // Every wall section must name one of the cross sections of the problem.
  const int crossSections = m.control.crossSectionCount;
  for (std::size_t i = 0; i < m.wallSections.size(); ++i) {
    const int c = m.wallSections[i].crossSection;
    if (c >= 1 && c <= crossSections) continue;
    out.write(KLAYOUT("(/,/,'     INPUT ERROR -- WALL SECTION',I3,' USES CROSS SECTION',I11,/,"
                      "'     BUT THE PROBLEM DEFINES CROSS SECTIONS 1 TO',I4)"),
              static_cast<int>(i) + 1, c, crossSections);
    throw RunEnd("wall section " + std::to_string(i + 1) + " uses undefined cross section " +
                 std::to_string(c));
  }
}

void readCrossSections(RunContext& ctx) {
  WallModel& m = ctx.model;
  const int count = m.control.crossSectionCount;
  input::checkCount(ctx, "CROSS SECTIONS", count, kMaxCrossSections);
  m.crossSections.assign(static_cast<std::size_t>(count), CrossSection{});
  for (CrossSection& c : m.crossSections) {
    {
      auto r = ctx.input->record("CROSS SECTION HEADER");
      r.integer();  // read and not used, as the next (WallModel.h)
      r.integer();
      c.shapeCode = r.integer();
      c.nonlinearFlag = r.integer();
    }
    c.name = paddedName(ctx.input->record("CROSS SECTION NAME").text(80));
    if (c.nonlinearFlag == 0) {
      readElastic(ctx, c);
    } else {
      readNonlinear(ctx, c);
    }
  }
  input::writeCrossSectionEcho(ctx);
  input::writeCrossSectionProperties(ctx);
}

void readMomentCurvatureTables(RunContext& ctx) {
  WallModel& m = ctx.model;
  auto& sections = m.crossSections;

  // User-defined sets: set s belongs to cross section s.
  const int userSets = m.control.nonlinearEiSetCount;
  m.userEiSets.clear();
  if (userSets > 0) {
    input::checkCount(ctx, "USER DEFINED NONLINEAR EI SETS", userSets, kMaxUserEiSets);
    ctx.input->record("USER DEFINED NONLINEAR EI HEADER").integer();
    m.userEiSets.resize(static_cast<std::size_t>(userSets));
    for (MomentCurvatureTable& set : m.userEiSets) {
      set.thrust = ctx.input->record("AXIAL THRUST").real();
      readMomentCurvaturePoints(ctx, set, kMaxUserEiPoints, "POINTS OF A USER DEFINED EI SET");
    }
    ctx.report.write(KLAYOUT("(/,5X,'* USER DEFINED NONLINEAR EI *')"));
    for (std::size_t i = 0; i < sections.size() && i < m.userEiSets.size(); ++i) {
      if (shownAsUserSet(sections[i])) {
        input::writeMomentCurvatureSet(ctx, static_cast<int>(i) + 1, m.userEiSets[i]);
      }
    }
    textio::endLine(ctx.report);
  }

  // Sets generated by the front end, for every cross section.
  for (CrossSection& c : sections) {
    int setCount = 0;
    {
      auto r = ctx.input->record("MOMENT-CURVATURE SET COUNT");
      r.integer();
      setCount = r.integer();
    }
    input::checkCount(ctx, "GENERATED MOMENT-CURVATURE SETS OF A SECTION", setCount,
                      kMaxGeneratedEiSets);
    c.generatedSets.assign(static_cast<std::size_t>(setCount), MomentCurvatureTable{});
    for (MomentCurvatureTable& set : c.generatedSets) {
      {
        auto r = ctx.input->record("AXIAL THRUST");
        set.thrust = r.real();
        set.second = r.real();
      }
      readMomentCurvaturePoints(ctx, set, kMaxGeneratedEiPoints,
                                "POINTS OF A GENERATED MOMENT-CURVATURE SET");
    }
  }

  // The table each nonlinear section takes its rigidity from.
  bool anyGenerated = false;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    CrossSection& c = sections[i];
    c.table = MomentCurvatureTable{};
    if (c.nonlinearFlag == 0) continue;
    if (c.nonlinearType == 10) {
      if (i < m.userEiSets.size()) c.table = m.userEiSets[i];
    } else {
      anyGenerated = true;
      if (!c.generatedSets.empty()) c.table = c.generatedSets.front();
    }
  }
  if (anyGenerated) {
    ctx.report.write(KLAYOUT("(/,5X,'* INTERNALLY GENERATED NONLINEAR EI *')"));
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const CrossSection& c = sections[i];
      if (c.nonlinearFlag != 0 && c.nonlinearType != 10) {
        input::writeMomentCurvatureSet(ctx, static_cast<int>(i) + 1, c.table);
      }
    }
  }
}

void readStiffnessAndLoads(RunContext& ctx) {
  WallModel& m = ctx.model;
  textio::OutputChannel& out = ctx.report;
  const UnitLabels& l = ctx.labels;
  out.write(KLAYOUT(
      "(/,/,/,6X,'**************************************************',/,6X,'*        STIFFNESS "
      "AND LOAD DATA                 *',/,6X,'**************************************************',"
      "/,/,6X,'EI - FLEXURAL RIGIDITY,  Q - TRANSVERSE LOAD,',/,6X,'S - STIFFNESS OF TRANSVERSE "
      "RESISTANCE,',/,6X,'T - TORQUE,              P - AXIAL LOAD,',/,6X,'R - STIFFNESS OF "
      "TORSIONAL RESISTANCE.',/,/,/,'     FROM TO CONTD     EI         Q        S','        T  "
      "       R         P')"));
  out.write(KLAYOUT("(18X,A4,A1,A2,A2,A1,4X,A4,4X,A4,A1,A2,3X,A3,A1,A3,2X,A3,A1,A3,4X,A4)"), l.forceB,
            l.dash, l.lengthB, l.power, l.two, l.forceB, l.forceB, l.slash, l.lengthB, l.length,
            l.dash, l.forceC, l.length, l.dash, l.forceC, l.forceB);

  // Rows of the wall sections: one row per section over its station range,
  // with the rigidity at the top of the range. A tapered section is listed
  // in the same single row; its variation down the range is shown with the
  // cross-section properties and applied by the station stiffness.
  for (const WallSection& s : m.wallSections) {
    const int a = input::stationOfDepth(ctx, s.top);
    const int b = input::stationOfDepth(ctx, s.bottom);
    if (b < a) stopStationsNotInOrder(ctx, "wall section");
    const CrossSection& c = m.crossSections[static_cast<std::size_t>(s.crossSection) - 1];
    const double top = startingRigidity(c, true);
    const double bottom = startingRigidity(c, false);
    if (!std::isfinite(top) || !std::isfinite(bottom)) {
      input::rejectInput(ctx, "THE FLEXURAL RIGIDITY OF CROSS SECTION " +
                                  std::to_string(s.crossSection) +
                                  " IS TOO LARGE TO BE REPRESENTED",
                         "non-finite flexural rigidity of cross section " +
                             std::to_string(s.crossSection));
    }
    const FieldValue tail[] = {top, 0.0, 0.0, 0.0, 0.0, 0.0};
    input::writeRangeRow(ctx, RangeTable::StiffnessLoad, {a, b, 1, false, false}, tail);
  }

  const int count = ctx.input->record("NUMBER OF STIFFNESS AND LOAD RECORDS").integer();
  if (count < 0) input::rejectNegativeCount(ctx, "STIFFNESS AND LOAD RECORDS", count);
  m.stiffnessRecords.clear();
  m.concentratedEntries = count;
  RangeChain chain(m.stations);
  bool previousContinued = false;
  for (int i = 0; i < count; ++i) {
    StiffnessLoadRecord rec;
    {
      auto r = ctx.input->record("STIFFNESS AND LOAD RECORD");
      rec.contd = r.integer();
      rec.from = r.integer();
      rec.to = r.integer();
      rec.q = r.real();
      rec.t = r.real();
      rec.p = r.real();
    }
    m.stiffnessRecords.push_back(rec);
    // The row is listed as read, ahead of any complaint about its range.
    const bool continued = rec.contd == 2;
    const FieldValue tail[] = {0.0, rec.q, 0.0, rec.t, 0.0, rec.p};
    input::writeRangeRow(ctx, RangeTable::StiffnessLoad,
                         {rec.from, rec.to, rec.contd, continued, previousContinued}, tail);
    previousContinued = continued;
    input::checkContinuationFlag(ctx, "A STIFFNESS AND LOAD RECORD", rec.contd);
    input::checkStationInTables(ctx, "A STIFFNESS AND LOAD RECORD", rec.from);
    input::checkStationInTables(ctx, "A STIFFNESS AND LOAD RECORD", rec.to);
    // The axial load enters the table with its sign reversed, so that a
    // positive value acts as compression.
    StationValues values;
    values.q = rec.q;
    values.t = rec.t;
    values.p = -rec.p;
    if (!chain.add(rec.contd, rec.from, rec.to, values)) {
      stopStationsNotInOrder(ctx, "stiffness and load record " + std::to_string(i + 1));
    }
    if (rec.t != 0.0) m.couples.push_back({rec.from, rec.t / (2.0 * m.wall.h)});
  }
  if (chain.open()) input::warnOpenChain(ctx, "STIFFNESS AND LOAD RECORD", chain.openStation());
}

}  // namespace korven
