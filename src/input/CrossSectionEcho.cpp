// Report echo of the cross sections: the description of every section with
// its dimensions and materials, and the table of section properties.
#include <array>
#include <string>

#include "input/InputEcho.h"
#include "textio/NumberWriters.h"

namespace korven::input {

namespace {

using textio::OutputChannel;

// Writes the value lines of one cross section. A value line is a label
// padded to 20 characters, the value in 13 columns and its unit.
class SectionWriter {
 public:
  explicit SectionWriter(RunContext& ctx) : out_(ctx.report), l_(ctx.labels) {}

  void typeLine(std::string_view text) {
    out_.write(KLAYOUT("(5X,' CROSS SECTION TYPE  : ',A)"), text);
  }
  void textLine(std::string_view label, std::string_view text) {
    out_.write(KLAYOUT("(5X,' ',A,': ',A)"), padded(label), text);
  }
  void nameLine(std::string_view label, const std::string& name) {
    out_.write(KLAYOUT("(5X,' ',A,': ',A32)"), padded(label), name);
  }
  void taperedHeader() {
    out_.write(KLAYOUT("(5X,' TAPERED SECTION       ','         TOP                  BOTTOM')"));
  }
  void plainLine(std::string_view text) { out_.write(KLAYOUT("(5X,' ',A)"), text); }
  void integerLine(std::string_view label, int n) {
    out_.write(KLAYOUT("(5X,' ',A,': ',I13)"), padded(label), n);
  }
  void dimension(std::string_view label, double v) {
    value(label, v);
    out_.write(KLAYOUT("(' ',A2)"), l_.small);
  }
  void area(std::string_view label, double v) {
    value(label, v);
    out_.write(KLAYOUT("(' ',A2,A2,A1)"), l_.small, l_.power, l_.two);
  }
  void force(std::string_view label, double v) {
    value(label, v);
    out_.write(KLAYOUT("(' ',A3)"), l_.forceA);
  }
  void number(std::string_view label, double v) {
    value(label, v);
    textio::endLine(out_);
  }
  void stress(std::string_view label, double v) {
    value(label, v);
    textio::writeBlanks(out_, 1);
    textio::writeText3(out_, l_.forceA);
    textio::writeText1(out_, l_.slash);
    textio::writeText2(out_, l_.lengthB);
    textio::writeText2(out_, l_.power);
    textio::writeText1(out_, l_.two);
    textio::endLine(out_);
  }
  // Tapered sections: the top and the bottom value on one line.
  void dimension(std::string_view label, double top, double bottom) {
    values(label, top, bottom);
    out_.write(KLAYOUT("(' ',A2)"), l_.small);
  }
  void stress(std::string_view label, double top, double bottom) {
    values(label, top, bottom);
    out_.write(KLAYOUT("(' ',A3,A1,A2,A2,A1)"), l_.forceA, l_.slash, l_.lengthB, l_.power,
               l_.two);
  }
  // Coordinates of rebars or strands: the second to fifth values of a row.
  void coordinates(const std::vector<std::array<double, 5>>& rows, std::string_view what) {
    out_.write(KLAYOUT("(5X,6X,A6,8X,'DIAM',9X,'AREA',7X,'COORDY',7X,'COORDZ')"), what);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      textio::writeBlanks(out_, 5);
      textio::writeInteger(out_, 10, static_cast<long long>(k) + 1);
      for (int j = 1; j < 5; ++j) textio::writeNumber(out_, 13, 5, rows[k][static_cast<std::size_t>(j)]);
      textio::endLine(out_);
    }
  }

 private:
  static std::string padded(std::string_view label) {
    std::string s(label);
    s.resize(20, ' ');
    return s;
  }
  void value(std::string_view label, double v) {
    out_.write(KLAYOUT("(5X,' ',A,': ',$)"), padded(label));
    textio::writeNumber(out_, 13, 5, v);
  }
  void values(std::string_view label, double top, double bottom) {
    value(label, top);
    textio::writeBlanks(out_, 10);
    textio::writeNumber(out_, 13, 5, bottom);
  }

  OutputChannel& out_;
  const UnitLabels& l_;
};

// Dimension lines of the elastic shapes: label and field of record E1.
struct DimensionField {
  const char* label;
  int field;
};
constexpr DimensionField kGeneral[] = {{"EQUIVALENT DIAMETER", 0}};
constexpr DimensionField kCircularPipe[] = {{"EXTERNAL DIAMETER", 0}, {"INTERNAL DIAMETER", 1}};
constexpr DimensionField kRectangularPipe[] = {{"EQUIVALENT DIAMETER", 0},
                                               {"EXTERNAL WIDTH", 2},
                                               {"EXTERNAL DEPTH", 3},
                                               {"INTERNAL WIDTH", 4},
                                               {"INTERNAL DEPTH", 5}};
constexpr DimensionField kFlanged[] = {{"EQUIVALENT DIAMETER", 0},
                                       {"EXTERNAL WIDTH", 2},
                                       {"EXTERNAL DEPTH", 3},
                                       {"FLANGE THICKNESS", 6},
                                       {"WEB THICKNESS", 7}};
constexpr DimensionField kAiscFlanged[] = {
    {"EXTERNAL WIDTH", 2}, {"EXTERNAL DEPTH", 3}, {"FLANGE THICKNESS", 6}, {"WEB THICKNESS", 7}};
constexpr DimensionField kSheetPiling[] = {{"WIDTH", 2}, {"DEPTH", 3}, {"WEB THICKNESS", 7}};

std::span<const DimensionField> shapeDimensions(int shape) {
  switch (shape) {
    case 1: return kCircularPipe;
    case 2: return kRectangularPipe;
    case 3:
    case 4: return kFlanged;
    default: return kGeneral;
  }
}

const char* shapeText(int shape) {
  switch (shape) {
    case 1: return "CIRCULAR PIPE";
    case 2: return "RECTANGULAR PIPE";
    case 3: return "I SECTION";
    case 4: return "H SECTION";
    case 6: return "SHEET PILING";
    default: return "GENERAL SECTION";
  }
}

const char* aiscText(int family) {
  switch (family) {
    case 0: return "AISC SECTION (W)";
    case 1: return "AISC SECTION (M)";
    case 2: return "AISC SECTION (S)";
    case 3: return "AISC SECTION (HP)";
    case 11: return "AISC SECTION (HSS)";
    case 12: return "AISC SECTION (PIPE)";
    default: return "AISC SECTION";
  }
}

void writeElastic(SectionWriter& w, const CrossSection& c) {
  if (c.taperedFlag > 0) {
    // Tapered sections are described as shapes 0 to 4; any shape above 3
    // is shown as an H section.
    const int shape = c.shapeCode > 3 ? 4 : c.shapeCode;
    w.typeLine(shapeText(shape));
    w.taperedHeader();
    for (const DimensionField& d : shapeDimensions(shape)) {
      w.dimension(d.label, c.dimensionsTop[static_cast<std::size_t>(d.field)],
                  c.dimensionsBottom[static_cast<std::size_t>(d.field)]);
    }
    w.stress("YOUNG MODULUS", c.modulusTop, c.modulusBottom);
    return;
  }
  auto dimensions = [&](std::span<const DimensionField> fields) {
    for (const DimensionField& d : fields) {
      w.dimension(d.label, c.dimensionsTop[static_cast<std::size_t>(d.field)]);
    }
  };
  if (c.shapeCode == 5) {
    w.typeLine(aiscText(c.aiscFamily));
    w.nameLine("AISC SECTION NAME", c.designation);
    w.dimension(c.diameterLabelFlag != 0 ? "EXTERNAL DIAMETER" : "EQUIVALENT DIAMETER",
                c.dimensionsTop[0]);
    if (c.aiscFamily > 11) {
      w.dimension("INTERNAL DIAMETER", c.dimensionsTop[1]);
      w.dimension("THICKNESS", c.thickness);
    } else {
      dimensions(kAiscFlanged);
    }
  } else if (c.shapeCode == 6) {
    w.typeLine(shapeText(6));
    w.nameLine("SECTION NAME", c.designation);
    dimensions(kSheetPiling);
  } else {
    w.typeLine(shapeText(c.shapeCode));
    dimensions(shapeDimensions(c.shapeCode));
  }
  w.stress("YOUNG MODULUS", c.modulusTop);
}

const char* nonlinearText(const CrossSection& c) {
  switch (c.nonlinearType) {
    case 1: return "RECTANGULAR CONCRETE PILE";
    case 2: return "ROUND CONCRETE SHAFT";
    case 3: return "ROUND CONC. SHAFT, CASING (AND STEEL SECTION)";
    case 4: return "ROUND PRESTRESSED PILE";
    case 5: return "SQUARE PRESTRESSED PILE";
    case 6: return "OCTOGONAL PRESTRESSED PILE";
    case 7: return "STEEL PIPE PILE";
    case 8: return c.embeddedSteel[1] == 1 ? "STEEL H SECTION PILE" : "STEEL I SECTION PILE";
    case 9: return "STEEL AISC SECTION PILE";
    case 10: return "USER DEFINED EI";
    default: return "UNKNOWN NONLINEAR TYPE";
  }
}

// Field positions in the nonlinear records.
enum N2 : std::size_t { kWidth, kDepth, kDiameter, kVoid, kChamfer, kWeb, kFlange, kCasingDiameter,
                        kCasingThickness, kSteelDiameter };
enum N3 : std::size_t { kSteelThickness, kConcreteFc, kCasingEs, kCasingFy, kSteelEs, kSteelFy };

void writeEmbeddedSteel(SectionWriter& w, const CrossSection& c) {
  const auto& n2 = c.nonlinearDimensions;
  if (n2[kCasingDiameter] > 0.0) {
    w.dimension("DIAMETER CASING", n2[kCasingDiameter]);
    w.dimension("THICKNESS CASING", n2[kCasingThickness]);
    w.stress("ES CASING", c.steelAndConcrete[kCasingEs]);
    w.stress("FY CASING", c.steelAndConcrete[kCasingFy]);
  } else {
    w.plainLine("DIAMETER CASING     : NO CASING");
  }
  switch (c.embeddedSteel[0]) {
    case 1:
      w.textLine("EMBEDDED STEEL SECT", "PIPE");
      w.dimension("STEEL DIAMETER", n2[kSteelDiameter]);
      w.dimension("STEEL THICKNESS", c.steelAndConcrete[kSteelThickness]);
      break;
    case 2:
      w.textLine("EMBEDDED STEEL SECT", c.embeddedSteel[1] == 1 ? "H" : "I");
      w.dimension("EXTERNAL WIDTH", n2[kWidth]);
      w.dimension("EXTERNAL DEPTH", n2[kDepth]);
      w.dimension("FLANGE THICKNESS", n2[kFlange]);
      w.dimension("WEB THICKNESS", n2[kWeb]);
      break;
    case 3:
      w.textLine("EMBEDDED STEEL SECT", "AISC");
      w.nameLine("AISC SECTION NAME", c.designation);
      break;
    default:
      w.plainLine("EMBEDDED STEEL SECT : NONE");
      return;
  }
  w.stress("ES STEEL", c.steelAndConcrete[kSteelEs]);
  w.stress("FY STEEL", c.steelAndConcrete[kSteelFy]);
}

// Layout of bars or strands, their cover and, for a manual layout, their
// coordinates.
void writePlacement(SectionWriter& w, std::string_view label, std::string_view layout, double cover,
                    const std::vector<std::array<double, 5>>& rows, std::string_view what) {
  w.textLine(label, layout);
  w.dimension("COVER", cover);
  if (layout == "MANUAL") w.coordinates(rows, what);
}

void writeReinforcement(SectionWriter& w, const CrossSection& c) {
  const int bars = c.rebarLayout[4];
  w.integerLine("NUMBER REBARS", bars);
  if (bars <= 0) return;
  w.dimension("DIAMETER REINF.", c.rebarMaterial[1]);
  w.area("AREA REINFORCEMENT", c.rebarMaterial[0]);
  w.stress("ES REINFORCEMENT", c.rebarMaterial[3]);
  w.stress("FY REINFORCEMENT", c.rebarMaterial[4]);
  const int layout = c.rebarLayout[1];
  writePlacement(w, "REINF. LAYOUT",
                 layout == 0 ? "CIRCULAR" : layout == 1 ? "RECTANGULAR" : "MANUAL",
                 c.rebarMaterial[2], c.rebars, " REBAR");
}

void writeConfinement(SectionWriter& w, const CrossSection& c) {
  if (c.confinedFlag <= 0) return;
  w.plainLine("CONFINED SECTION");
  w.textLine("TRANSV. REINF. TYPE", c.transverseLayout[0] == 0 ? "SPIRAL" : "HOOP");
  w.integerLine("NUMBER TR. REBARS", c.transverseLayout[3]);
  w.integerLine("NUMBER LEGS Y", c.transverseLayout[4]);
  w.integerLine("NUMBER LEGS Z", c.transverseLayout[5]);
  w.dimension("DIAMETER TR. REINF.", c.transverseMaterial[1]);
  w.area("AREA TR. REINF.", c.transverseMaterial[0]);
  w.dimension("SPACING TR. REINF.", c.transverseMaterial[2]);
  w.stress("FY TR. REINF.", c.transverseMaterial[3]);
}

void writeStrainHardening(SectionWriter& w, const CrossSection& c) {
  if (c.hardeningModel[0] <= 0) return;
  w.plainLine("USE STRAIN HARDENING MODEL");
  w.number("ESH", c.strainHardening[1]);
  w.number("ESU", c.strainHardening[2]);
  w.number("FU/FY", c.strainHardening[3]);
}

void writeStrands(SectionWriter& w, const CrossSection& c) {
  const int strands = c.strandLayout[4];
  w.integerLine("NUMBER STRANDS", strands);
  if (strands <= 0) return;
  w.dimension("DIAMETER STRAND", c.strandMaterial[0]);
  w.area("AREA STRAND", c.strandMaterial[1]);
  w.stress("FU STRAND", c.strandMaterial[3]);
  w.force("INITIAL PRESS. FORCE", c.strandMaterial[4]);
  const int layout = c.strandLayout[2];
  writePlacement(w, "STRAND LAYOUT", layout == 0 ? "CIRCULAR" : layout == 1 ? "SQUARE" : "MANUAL",
                 c.strandMaterial[2], c.strands, "STRAND");
}

void writeNonlinear(SectionWriter& w, const CrossSection& c) {
  const auto& n2 = c.nonlinearDimensions;
  const double equivalent = c.equivalentProperties[0];
  w.typeLine(nonlinearText(c));
  const int type = c.nonlinearType;
  if (type == 10) {
    w.integerLine("NONLINEAR EI INDEX", c.eiOptions[3]);
    w.dimension("EQUIVALENT DIAMETER", equivalent);
    return;
  }
  switch (type) {
    case 1:
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      w.dimension("EXTERNAL WIDTH", n2[kWidth]);
      w.dimension("EXTERNAL DEPTH", n2[kDepth]);
      break;
    case 2:
      w.dimension("EXTERNAL DIAMETER", n2[kDiameter]);
      break;
    case 3:
      w.dimension("CONCRETE DIAMETER", n2[kDiameter]);
      writeEmbeddedSteel(w, c);
      break;
    case 4:
      w.dimension("EXTERNAL DIAMETER", n2[kDiameter]);
      w.dimension("VOID DIAMETER", n2[kVoid]);
      break;
    case 5:
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      w.dimension("EXTERNAL WIDTH", n2[kWidth]);
      w.dimension("CORNER CHAMFER", n2[kChamfer]);
      w.dimension("VOID DIAMETER", n2[kVoid]);
      break;
    case 6:
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      w.dimension("EXTERNAL WIDTH", n2[kWidth]);
      w.dimension("VOID DIAMETER", n2[kVoid]);
      break;
    case 7:
      w.dimension("EXTERNAL DIAMETER", n2[kDiameter]);
      w.dimension("STEEL THICKNESS", c.steelAndConcrete[kSteelThickness]);
      break;
    case 8:
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      w.dimension("EXTERNAL WIDTH", n2[kWidth]);
      w.dimension("EXTERNAL DEPTH", n2[kDepth]);
      w.dimension("FLANGE THICKNESS", n2[kFlange]);
      w.dimension("WEB THICKNESS", n2[kWeb]);
      break;
    case 9:
      w.nameLine("AISC SECTION NAME", c.designation);
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      break;
    default:
      w.dimension("EQUIVALENT DIAMETER", equivalent);
      break;
  }
  const bool concrete = type >= 1 && type <= 6;
  if (concrete) {
    w.stress("CONCRETE FC", c.steelAndConcrete[kConcreteFc]);
  } else {
    w.stress("ES STEEL", c.steelAndConcrete[kSteelEs]);
    w.stress("FY STEEL", c.steelAndConcrete[kSteelFy]);
  }
  if (concrete) {
    writeReinforcement(w, c);
    writeConfinement(w, c);
  }
  // The strain-hardening model of the steel may be chosen for any nonlinear
  // section (record N13), the reinforcing steel of a concrete one included.
  writeStrainHardening(w, c);
  if (type >= 4 && type <= 6) writeStrands(w, c);
  w.stress("EQ. YOUNG MODULUS", c.equivalentProperties[8]);
}

}  // namespace

void writeCrossSectionEcho(RunContext& ctx) {
  ctx.report.write(KLAYOUT("(/,5X,'* CROSS SECTIONS *')"));
  SectionWriter w(ctx);
  const auto& sections = ctx.model.crossSections;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const CrossSection& c = sections[i];
    ctx.report.write(KLAYOUT("(/,5X,' CROSS SECTION       : ',I5,/,5X,' SECTION NAME        : ',A32)"),
                     static_cast<int>(i) + 1, c.name);
    if (c.nonlinearFlag == 0) {
      ctx.report.write(KLAYOUT("(5X,' TYPE                : ',' ELASTIC')"));
      writeElastic(w, c);
    } else {
      ctx.report.write(KLAYOUT("(5X,' TYPE                : ',' NONLINEAR')"));
      writeNonlinear(w, c);
    }
  }
}

void writeCrossSectionProperties(RunContext& ctx) {
  textio::OutputChannel& out = ctx.report;
  const UnitLabels& l = ctx.labels;
  const auto& sections = ctx.model.crossSections;
  out.write(KLAYOUT("(/,/,5X,'* CROSS SECTIONS PROPERTIES *')"));
  auto header = [&] {
    out.write(KLAYOUT("(/,5X,'  SECT',11X,'DIAM,',A2,5X,'  I,',A2,A2,A1)"), l.small, l.small,
              l.power, l.four);
  };
  auto rowStart = [&](std::size_t i) {
    textio::writeBlanks(out, 5);
    textio::writeInteger(out, 5, static_cast<long long>(i) + 1);
    textio::writeBlanks(out, 1);
  };
  auto pair = [&](double diameter, double inertia) {
    textio::writeNumber(out, 14, 5, diameter);
    textio::writeNumber(out, 14, 5, inertia);
    textio::endLine(out);
  };
  bool anyElastic = false, anyNonlinear = false;
  for (const CrossSection& c : sections) (c.nonlinearFlag == 0 ? anyElastic : anyNonlinear) = true;

  if (anyElastic) {
    out.write(KLAYOUT("(/,5X,'         ELASTIC SECTIONS         ')"));
    header();
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const CrossSection& c = sections[i];
      if (c.nonlinearFlag != 0) continue;
      rowStart(i);
      const bool tapered = c.taperedFlag > 0;
      if (tapered) {
        textio::writeBlanks(out, 1);
        textio::writeText3(out, "TOP");
      }
      textio::writeBlanks(out, 1);
      // The moment of inertia as read (in^4 or mm^4).
      pair(c.dimensionsTop[0], c.propertiesTop[3]);
      if (tapered) {
        textio::writeBlanks(out, 12);
        textio::writeText3(out, "BOT");
        textio::writeBlanks(out, 1);
        pair(c.dimensionsBottom[0], c.propertiesBottom[3]);
      }
    }
  }
  if (anyNonlinear) {
    out.write(KLAYOUT("(/,5X,'         NONLINEAR SECTIONS       ')"));
    header();
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const CrossSection& c = sections[i];
      if (c.nonlinearFlag == 0) continue;
      rowStart(i);
      textio::writeBlanks(out, 5);
      const bool givenInertia = c.nonlinearType == 10 && c.eiOptions[2] == 0;
      pair(c.equivalentProperties[0], givenInertia ? c.equivalentProperties[3] : 0.0);
    }
  }
}

}  // namespace korven::input
