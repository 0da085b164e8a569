#include "Schema.h"

#include <initializer_list>
#include <utility>

namespace korven::project {

const std::vector<CodeName> kUnitNames = {{"english", 1}, {"si", 2}};

namespace {

constexpr Dimension kNone{};
constexpr Dimension kLength{1, 0};
constexpr Dimension kArea{2, 0};
constexpr Dimension kInertia{4, 0};
constexpr Dimension kForce{0, 1};
constexpr Dimension kStress{-2, 1};
constexpr Dimension kUnitWeight{-3, 1};
constexpr Dimension kForcePerLength{-1, 1};
constexpr Dimension kMoment{1, 1};
constexpr Dimension kCurvature{-1, 0};
constexpr Dimension kAngle{0, 0, true};

// Builder of a field: F("wall.height", kLength, "...").optional(0).hidden()
struct F {
  Field f;
  F(std::string path, Kind kind, Dimension dim, std::string meaning) {
    f.path = std::move(path);
    f.kind = kind;
    f.dim = dim;
    f.meaning = std::move(meaning);
  }
  F&& optional(double def) && {
    f.required = false;
    f.def = def;
    return std::move(*this);
  }
  F&& hidden(double def = 0.0) && {
    f.required = false;
    f.def = def;
    f.hidden = true;
    return std::move(*this);
  }
  F&& id(std::string name) && {
    f.id = std::move(name);
    return std::move(*this);
  }
  F&& scale(DeckScale s) && {
    f.scale = s;
    return std::move(*this);
  }
  F&& range(double lo, double hi = kNoLimit) && {
    f.min = lo;
    f.max = hi;
    return std::move(*this);
  }
  F&& codes(std::vector<CodeName> c) && {
    f.codes = std::move(c);
    return std::move(*this);
  }
  F&& from(std::string path) && {
    f.required = false;
    f.defaultFrom = std::move(path);
    return std::move(*this);
  }
  operator Field() && { return std::move(f); }
};

F real(std::string path, Dimension dim, std::string meaning) {
  return F(std::move(path), Kind::Real, dim, std::move(meaning));
}
F integer(std::string path, std::string meaning) {
  return F(std::move(path), Kind::Int, kNone, std::move(meaning));
}
F code(std::string path, std::vector<CodeName> names, std::string meaning) {
  return std::move(F(std::move(path), Kind::Code, kNone, std::move(meaning))).codes(std::move(names));
}
F count(std::string id, std::string arrayPath) {
  F c("", Kind::Count, kNone, "");
  c.f.id = std::move(id);
  c.f.countOf = std::move(arrayPath);
  return c;
}

// An element of a braced list that is moved out of the list when the list
// is taken, not copied: the elements of a std::initializer_list are const,
// and copying the nested records of the table at every level of nesting
// cost several times what building them does.
template <class T>
struct Moved {
  mutable T value;
  template <class U>
  Moved(U&& u) : value(std::forward<U>(u)) {}
};

template <class T>
std::vector<T> moved(std::initializer_list<Moved<T>> items) {
  std::vector<T> v;
  v.reserve(items.size());
  for (const Moved<T>& m : items) v.push_back(std::move(m.value));
  return v;
}

Node record(std::string name, std::vector<Field> fields) {
  Node n;
  n.type = Node::Record;
  n.name = std::move(name);
  n.fields = std::move(fields);
  return n;
}
Node array(std::string path, std::string countId, std::string meaning, std::vector<Node> children) {
  Node n;
  n.type = Node::Array;
  n.name = std::move(path);
  n.countId = std::move(countId);
  n.meaning = std::move(meaning);
  n.children = std::move(children);
  return n;
}
Node when(std::function<bool(const Values&)> test, std::string text, std::vector<Node> children) {
  Node n;
  n.type = Node::When;
  n.when = std::move(test);
  n.whenText = std::move(text);
  n.children = std::move(children);
  return n;
}

Node record(std::string name, std::initializer_list<Moved<Field>> fields) {
  return record(std::move(name), moved(fields));
}
Node array(std::string path, std::string countId, std::string meaning,
           std::initializer_list<Moved<Node>> children) {
  return array(std::move(path), std::move(countId), std::move(meaning), moved(children));
}
Node when(std::function<bool(const Values&)> test, std::string text,
          std::initializer_list<Moved<Node>> children) {
  return when(std::move(test), std::move(text), moved(children));
}

double at(const Values& v, const std::string& id) {
  auto it = v.find(id);
  return it == v.end() ? 0.0 : it->second;
}

// Dimensions and properties of one end of an elastic cross section.
std::vector<Node> sectionEnd(const std::string& prefix, bool top) {
  auto dim = [&](const char* key, const char* what) {
    return real(prefix + key, kLength, what).optional(0.0).scale(DeckScale::Milli);
  };
  auto spare = [&](int k) {
    return real(prefix + "property_" + std::to_string(k), kNone,
                "a property value kept with the section and not used by the analysis")
        .hidden();
  };
  std::vector<Field> props = moved<Field>({
      spare(1), spare(2), spare(3),
      real(prefix + "inertia", kInertia, "moment of inertia I of the section")
          .scale(DeckScale::Inertia).range(0.0).id("inertia"),
      spare(5), spare(6), spare(7), spare(8),
      real(prefix + "modulus", kStress, "Young's modulus E of the section").range(0.0).id("modulus"),
      spare(10), spare(11)});
  if (top) {
    props.push_back(integer(prefix + "tapered",
                            "1: the section is tapered and its bottom values follow in "
                            "[cross_section.bottom]; 0: the bottom equals the top")
                        .hidden().id("tapered"));
  }
  return moved<Node>({record("CROSS SECTION DIMENSIONS",
                 {dim("diameter", "equivalent or external diameter"),
                  dim("inner_diameter", "internal diameter"), dim("width", "external width"),
                  dim("depth", "external depth"), dim("inner_width", "internal width"),
                  dim("inner_depth", "internal depth"), dim("flange_thickness", "flange thickness"),
                  dim("web_thickness", "web thickness")}),
          record("CROSS SECTION PROPERTIES", std::move(props))});
}

// Thrust and moment-curvature points of one set.
std::vector<Node> momentCurvatureSet(bool generated) {
  std::vector<Field> thrust = moved<Field>({real("thrust", kForce, "axial thrust of the set")});
  if (generated) thrust.push_back(real("second", kNone, "second value of the set").hidden());
  return moved<Node>({record("AXIAL THRUST", std::move(thrust)),
          record("MOMENT-CURVATURE POINT COUNT",
                 {integer("spare", "kept and not used").hidden(), count("points", "point")}),
          array("point", "points", "one point of the moment-curvature curve",
                {record("MOMENT-CURVATURE POINT",
                        {real("moment", kMoment, "bending moment"),
                         real("curvature", kCurvature, "curvature")})})});
}

// The records of a nonlinear cross section, after its name: the section's
// type, dimensions and materials, its reinforcement, strands and options.
std::vector<Node> nonlinearSection() {
  const std::string n = "nonlinear.";
  auto length = [&](const std::string& key, const char* what) {
    return real(n + key, kLength, what).optional(0.0).scale(DeckScale::Milli);
  };
  auto area = [&](const std::string& key, const char* what) {
    return real(n + key, kArea, what).optional(0.0).scale(DeckScale::Area);
  };
  auto stress = [&](const std::string& key, const char* what) {
    return real(n + key, kStress, what).optional(0.0);
  };
  auto option = [&](const std::string& key) {
    return integer(n + key, "an option kept with the section").hidden();
  };
  auto kept = [&](const std::string& key) {
    return real(n + key, kNone, "a value kept with the section, in the unit of the input data file").hidden();
  };
  auto spare = [&](const std::string& key) {
    return real(n + key, kNone, "a property value kept with the section and not used by the analysis").hidden();
  };
  auto row = [](const char* what) {
    return moved<Field>({
        real("spare", kNone, "first value of the row, kept with the section").hidden(),
        real("diameter", kLength, std::string("diameter of the ") + what).optional(0.0).scale(DeckScale::Milli),
        real("area", kArea, std::string("area of the ") + what).optional(0.0).scale(DeckScale::Area),
        real("y", kLength, "coordinate y in the section").optional(0.0).scale(DeckScale::Milli),
        real("z", kLength, "coordinate z in the section").optional(0.0).scale(DeckScale::Milli)});
  };
  const std::vector<CodeName> types = {
      {"rectangular_concrete", 1}, {"round_concrete", 2},     {"cased_concrete", 3},
      {"round_prestressed", 4},    {"square_prestressed", 5}, {"octagonal_prestressed", 6},
      {"steel_pipe", 7},           {"steel_i_or_h", 8},       {"steel_aisc", 9},
      {"user_ei", 10}};
  return moved<Node>({
      record("NONLINEAR SECTION PROPERTIES",
             {length("diameter", "equivalent or external diameter"), spare("property_11"),
              spare("property_2"), spare("property_3"),
              real(n + "inertia", kInertia, "moment of inertia I (listed for a user-defined EI section)")
                  .optional(0.0).scale(DeckScale::Inertia).range(0.0),
              spare("property_6"), spare("property_7"), spare("property_8"),
              stress("modulus", "equivalent Young's modulus of the section").range(0.0)}),
      record("NONLINEAR SECTION DIMENSIONS",
             {code(n + "type", types, "type of the nonlinear section").range(1.0, 10.0),
              length("width", "external width"), length("depth", "external depth"),
              length("external_diameter", "external or concrete diameter"),
              length("void_diameter", "void diameter"), length("chamfer", "corner chamfer"),
              length("web_thickness", "web thickness"), length("flange_thickness", "flange thickness"),
              length("casing_diameter", "casing diameter"), length("casing_thickness", "casing thickness"),
              length("steel_diameter", "diameter of the steel pipe")}),
      record("NONLINEAR SECTION MATERIALS",
             {length("steel_thickness", "thickness of the steel pipe"),
              stress("concrete_strength", "compressive strength fc of the concrete").range(0.0),
              stress("casing_modulus", "Young's modulus Es of the casing").range(0.0),
              stress("casing_yield", "yield strength Fy of the casing").range(0.0),
              stress("steel_modulus", "Young's modulus Es of the steel").range(0.0),
              stress("steel_yield", "yield strength Fy of the steel").range(0.0),
              code(n + "embedded_steel", {{"none", 0}, {"pipe", 1}, {"i_or_h", 2}, {"aisc", 3}},
                   "steel section embedded in the concrete")
                  .optional(0.0),
              integer(n + "embedded_h", "1: the embedded or pile section is an H section; 0: an I section").optional(0.0),
              integer(n + "aisc_family", "AISC family of the embedded or pile section").optional(0.0),
              option("option_1")}),
      record("SECTION DESIGNATION",
             {F(n + "designation", Kind::Text, kNone, "AISC designation of the embedded or pile section")}),
      record("REINFORCEMENT RECORD",
             {option("reinforcement.option_1"),
              code(n + "reinforcement.layout", {{"circular", 0}, {"rectangular", 1}, {"manual", 2}},
                   "layout of the longitudinal bars")
                  .optional(0.0),
              option("reinforcement.option_2"), option("reinforcement.option_3"),
              count("rebars", n + "rebar"),
              area("reinforcement.area", "area of one bar"),
              length("reinforcement.diameter", "diameter of a bar"),
              length("reinforcement.cover", "concrete cover"),
              stress("reinforcement.modulus", "Young's modulus Es of the bars").range(0.0),
              stress("reinforcement.yield", "yield strength Fy of the bars").range(0.0),
              integer(n + "confined", "1: the concrete is confined by the transverse reinforcement").optional(0.0)}),
      record("TRANSVERSE REINFORCEMENT RECORD",
             {code(n + "transverse.type", {{"spiral", 0}, {"hoop", 1}}, "spiral or hoops").optional(0.0),
              option("transverse.option_1"), option("transverse.option_2"),
              integer(n + "transverse.bars", "number of transverse bars").optional(0.0),
              integer(n + "transverse.legs_y", "number of legs in y").optional(0.0),
              integer(n + "transverse.legs_z", "number of legs in z").optional(0.0),
              area("transverse.area", "area of a transverse bar"),
              length("transverse.diameter", "diameter of a transverse bar"),
              length("transverse.spacing", "spacing of the transverse bars"),
              stress("transverse.yield", "yield strength Fy of the transverse bars").range(0.0)}),
      array(n + "rebar", "rebars", "one longitudinal bar", {record("REBAR RECORD", row("bar"))}),
      record("STRAND RECORD",
             {option("strands.option_1"), option("strands.option_2"),
              code(n + "strands.layout", {{"circular", 0}, {"square", 1}, {"manual", 2}}, "layout of the strands")
                  .optional(0.0),
              option("strands.option_3"), count("strands", n + "strand"),
              length("strands.diameter", "diameter of a strand"), area("strands.area", "area of a strand"),
              length("strands.cover", "concrete cover of the strands"),
              stress("strands.strength", "ultimate strength fu of a strand").range(0.0),
              real(n + "strands.prestress", kForce, "initial prestressing force").optional(0.0),
              kept("strands.value_1"), kept("strands.value_2")}),
      array(n + "strand", "strands", "one strand", {record("STRAND POSITION RECORD", row("strand"))}),
      record("SECTION OPTION RECORD",
             {count("section_options", n + "option"), option("options.option_1"), option("options.option_2"),
              kept("options.value_1"), kept("options.value_2")}),
      array(n + "option", "section_options", "one option value of the section",
            {record("SECTION OPTION VALUE",
                    {real("value", kNone, "option value, in the unit of the input data file")})}),
      record("NONLINEAR EI OPTION RECORD",
             {option("ei.option_1"), option("ei.option_2"),
              integer(n + "ei.user_table",
                      "0: the properties list the moment of inertia of a user-defined EI section")
                  .hidden(),
              integer(n + "ei.index", "nonlinear EI index of a user-defined EI section").optional(0.0),
              option("ei.option_5"), option("ei.option_6"), option("ei.option_7"),
              kept("hardening.value_1"),
              real(n + "hardening.esh", kNone, "strain at the start of strain hardening ESH").optional(0.0),
              real(n + "hardening.esu", kNone, "ultimate strain ESU").optional(0.0),
              real(n + "hardening.fu_fy", kNone, "ratio of the ultimate to the yield strength FU/FY").optional(0.0)}),
      record("STRAIN HARDENING RECORD",
             {integer(n + "hardening.model", "1: the steel follows the strain-hardening model").optional(0.0),
              option("hardening.option_2"),
              integer(n + "hardening.table", "1: the values of [[cross_section.nonlinear.hardening_value]] follow")
                  .hidden().id("hardening_table"),
              count("hardening_values", n + "hardening_value"), kept("hardening.value_2"),
              kept("hardening.value_3")}),
      when([](const Values& v) { return at(v, "hardening_table") > 0 && at(v, "hardening_values") > 0; },
           "when nonlinear.hardening.table is above 0",
           {array(n + "hardening_value", "hardening_values", "one value of the strain-hardening model",
                  {record("STRAIN HARDENING VALUE",
                          {real("value", kNone, "value, in the unit of the input data file")})})})});
}

std::vector<Node> build() {
  const std::vector<CodeName> soilModels = {
      {"soft_clay", 1}, {"stiff_clay_free_water", 2}, {"stiff_clay", 3}, {"sand", 4},
      {"silt", 5},      {"rock", 6},                  {"weak_rock", 7}};
  const std::vector<CodeName> shapes = {{"general", 0}, {"circular_pipe", 1},
                                        {"rectangular_pipe", 2}, {"i_section", 3},
                                        {"h_section", 4}, {"aisc", 5}, {"sheet_pile", 6}};
  std::vector<Node> topEnd = sectionEnd("", true);
  std::vector<Node> bottomEnd = sectionEnd("bottom.", false);

  std::vector<Node> crossSection = moved<Node>({
      record("CROSS SECTION HEADER",
             {integer("spare_1", "kept and not used").hidden(1.0),
              integer("spare_2", "kept and not used").hidden(1.0),
              code("shape", shapes, "shape of the section"),
              code("kind", {{"elastic", 0}, {"nonlinear", 1}},
                   "elastic section, or nonlinear with its values in [cross_section.nonlinear]")
                  .hidden().range(0.0, 1.0).id("nonlinear")}),
      record("CROSS SECTION NAME", {F("name", Kind::Text, kNone, "name of the section")})});
  std::vector<Node> elastic = std::move(topEnd);
  elastic.push_back(when([](const Values& v) { return at(v, "tapered") > 0; },
                         "when the section is tapered", std::move(bottomEnd)));
  elastic.push_back(record(
      "AISC SECTION RECORD",
      {integer("aisc_family", "AISC family: 0 W, 1 M, 2 S, 3 HP, 11 HSS, 12 PIPE").optional(0.0),
       integer("spare_3", "kept and not used").hidden(),
       real("thickness", kLength, "wall thickness").optional(0.0).scale(DeckScale::Milli),
       integer("external_diameter_label", "1: the report names the diameter EXTERNAL").hidden(),
       integer("spare_4", "kept and not used").hidden()}));
  elastic.push_back(record(
      "SECTION DESIGNATION", {F("designation", Kind::Text, kNone, "AISC or sheet-pile designation")}));
  crossSection.push_back(when([](const Values& v) { return at(v, "nonlinear") == 0; },
                              "when the section is elastic", std::move(elastic)));
  crossSection.push_back(when([](const Values& v) { return at(v, "nonlinear") != 0; },
                              "when the section is nonlinear", nonlinearSection()));

  std::vector<Node> soil = moved<Node>({
      record("WALL AND WATER RECORD",
             {real("soil.free_height", kLength, "depth of the excavation for the soil data").from("wall.excavation_depth").id("free_height"),
              real("soil.width_earth_pressure", kLength, "width of wall for earth pressure").from("wall.width"),
              real("soil.width_resistance", kLength, "width of wall for soil resistance").from("wall.width"),
              real("water.depth_retained", kLength, "depth of the water table on the retained side"),
              real("water.depth_excavation", kLength, "depth of the water table on the excavation side"),
              real("earth_pressure.active_modification", kNone, "modification factor of the active earth pressure").optional(1.0),
              integer("water.pressure", "1: water pressure acts on the wall").optional(0.0),
              real("soil.slope_retained", kAngle, "slope of the retained ground").optional(0.0).range(-89.999, 89.999),
              real("soil.slope_excavation", kAngle, "slope of the excavation ground").optional(0.0).range(-89.999, 89.999)}),
      record("SURCHARGE RECORD",
             {real("surcharge.uniform", kStress, "uniform pressure on the retained surface").hidden(),
              real("surcharge.distance", kLength, "distance of the single surcharge from the wall").hidden(),
              real("surcharge.point", kForce, "single point load").hidden(),
              real("surcharge.line", kForcePerLength, "single line load").hidden(),
              real("surcharge.strip", kStress, "single strip load").hidden(),
              real("surcharge.strip_width", kLength, "width of the single strip load").hidden()}),
      record("NUMBER OF SURCHARGES", {count("surcharges", "surcharge.load")}),
      array("surcharge.load", "surcharges", "one surcharge on the retained side",
            {record("SURCHARGE",
                    {code("type", {{"point", 1}, {"line", 2}, {"strip", 3}}, "kind of load"),
                     real("load", kNone, "load: force (point), force per length (line) or stress (strip)"),
                     real("distance", kLength, "horizontal distance from the wall").optional(0.0).scale(DeckScale::Milli),
                     real("width", kLength, "width of a strip").optional(0.0).scale(DeckScale::Milli),
                     real("depth", kLength, "vertical distance below the wall top").optional(0.0).scale(DeckScale::Milli),
                     real("factor", kNone, "factor on the load").optional(1.0)})}),
      record("SOIL LAYER RECORD",
             {count("layers", "soil.layer"),
              code("soil.loading", {{"cyclic", 0}, {"static", 1}}, "static or cyclic loading").optional(1.0),
              real("soil.cycles", kNone, "number of load cycles (cyclic loading)").hidden()}),
      array("soil.layer", "layers", "one soil layer, from the top down",
            {record("SOIL LAYER", {code("model", soilModels, "soil model of the p-y curves").id("model"),
                                   real("bottom_depth", kLength, "depth of the layer's bottom").id("layer_bottom")}),
             record("SOIL LAYER TOP VALUES",
                    {real("gamma", kUnitWeight, "unit weight at the top of the layer").range(0.0).id("gamma"),
                     real("cohesion", kStress, "cohesion or strength at the top").optional(0.0).range(0.0).id("cohesion"),
                     real("phi", kAngle, "friction angle at the top").optional(0.0).range(0.0, 89.999).id("phi"),
                     real("e50", kNone, "strain at half the strength (or the model's third value)").optional(0.0).range(0.0),
                     real("k", kUnitWeight, "subgrade modulus at the top").optional(0.0).range(0.0).id("k"),
                     real("extra", kNone, "sixth value of the model (earth-pressure coefficient ...)").optional(0.0)}),
             record("SOIL LAYER BOTTOM VALUES",
                    {real("bottom.gamma", kUnitWeight, "unit weight at the bottom (defaults to the top)").from("gamma"),
                     real("bottom.cohesion", kStress, "cohesion at the bottom (defaults to the top)").from("cohesion"),
                     real("bottom.phi", kAngle, "friction angle at the bottom (defaults to the top)").from("phi"),
                     real("bottom.e50", kNone, "e50 at the bottom (defaults to the top)").from("e50"),
                     real("bottom.k", kUnitWeight, "subgrade modulus at the bottom (defaults to the top)").from("k"),
                     real("bottom.extra", kNone, "sixth value at the bottom (defaults to the top)").from("extra")})})});

  std::vector<Node> wallParts = moved<Node>({
      array("wall.section", "sections", "a length of wall of one cross section",
            {record("WALL SECTION",
                    {real("top", kLength, "depth of the section's top").scale(DeckScale::Feet).id("section_top"),
                     real("bottom", kLength, "depth of the section's bottom").scale(DeckScale::Feet).id("section_bottom"),
                     integer("cross_section", "number of the [[cross_section]] used").range(1.0)})}),
      array("cross_section", "cross_sections", "a cross section of the wall", std::move(crossSection)),
      when([](const Values& v) { return at(v, "ei_sets") > 0; }, "when [[ei_set]] are given",
           {record("USER DEFINED NONLINEAR EI HEADER", {integer("ei_set_spare", "kept and not used").hidden()}),
            array("ei_set", "ei_sets", "a user-defined moment-curvature set", momentCurvatureSet(false))}),
      array("cross_section", "", "",
            {record("MOMENT-CURVATURE SET COUNT",
                    {integer("table_spare", "kept and not used").hidden(),
                     count("tables", "moment_curvature")}),
             array("moment_curvature", "tables", "a generated moment-curvature set", momentCurvatureSet(true))}),
      record("NUMBER OF STIFFNESS AND LOAD RECORDS", {count("loads", "load")}),
      array("load", "loads", "a distributed load over a range of stations",
            {record("STIFFNESS AND LOAD RECORD",
                    {integer("continued", "1: continued to the next record").optional(0.0),
                     integer("from_station", "first station"), integer("to_station", "last station"),
                     real("transverse", kForce, "transverse load Q").optional(0.0),
                     real("torque", kMoment, "torque T").optional(0.0),
                     real("axial", kForce, "axial load P").optional(0.0)})}),
      record("NUMBER OF RESTRAINTS", {count("restraints", "restraint")}),
      array("restraint", "restraints", "a lateral and rotational restraint",
            {record("RESTRAINT RECORD",
                    {integer("from_station", "first station"), integer("to_station", "last station"),
                     integer("continued", "1: continued to the next record").optional(0.0),
                     real("lateral_stiffness", kForcePerLength, "lateral restraint stiffness").optional(0.0).range(0.0),
                     real("rotational_stiffness", kMoment, "rotational restraint stiffness").optional(0.0).range(0.0)})}),
      array("tieback", "tiebacks", "a row of tie-backs",
            {record("TIE BACK RECORD",
                    {real("depth", kLength, "depth below the wall top").scale(DeckScale::Feet).id("tieback_depth"),
                     real("area", kArea, "cross-section area of one tie-back").range(0.0),
                     real("modulus", kStress, "Young's modulus of the tendon").range(0.0),
                     real("unbonded_length", kLength, "unbonded length").scale(DeckScale::Feet).range(0.0),
                     real("angle", kAngle, "angle below the horizontal").range(-89.999, 89.999),
                     real("spacing", kLength, "horizontal spacing of the tie-backs").scale(DeckScale::Feet).range(0.0),
                     real("prestress", kForce, "prestress force of one tie-back").optional(0.0)})}),
      when([](const Values& v) { return at(v, "reductions") > 0; }, "when [[reduction.factor]] are given",
           {record("REDUCTION FACTOR FLAG", {integer("reduction.group", "group flag").optional(0.0)}),
            array("reduction.factor", "reductions", "a depth with its p and y factors",
                  {record("REDUCTION FACTOR RECORD",
                          {real("depth", kLength, "depth"), real("p_factor", kNone, "factor on p"),
                           real("y_factor", kNone, "factor on y")})})}),
      when([](const Values& v) { return at(v, "earth_pressure") == 1; }, "when earth_pressure.option is 1",
           {record("NUMBER OF PRESSURE POINTS", {count("pressure_points", "earth_pressure.point")}),
            array("earth_pressure.point", "pressure_points", "a point of the specified active pressure",
                  {record("SPECIFIED PRESSURE POINT",
                          {real("depth", kLength, "depth"),
                           real("pressure", kForcePerLength, "active pressure per length of wall")})})}),
      when([](const Values& v) { return at(v, "earth_pressure") >= 2 || at(v, "py_option") == 2; },
           "when earth_pressure.option is 2 or more or py_curves.option is 2", std::move(soil))});

  return moved<Node>({
      record("TITLE", {F("title", Kind::Title, kNone, "title of the analysis (70 characters are printed)")}),
      record("CONTROL RECORD",
             {F("units", Kind::Units, kNone, "unit system: \"si\" or \"english\""),
              count("points", "wall.specified"), count("sections", "wall.section"),
              count("cross_sections", "cross_section"), count("reductions", "reduction.factor"),
              integer("earth_pressure.option", "0 none, 1 specified ([[earth_pressure.point]]), 2 or more generated from the soil").range(0.0).id("earth_pressure"),
              integer("py_curves.option", "2: p-y curves generated from the soil; 0 or 1: none generated").range(0.0).id("py_option"),
              count("user_curves", "py_curves.user"),
              integer("stage_count", "number of construction stages; 1: a single analysis").hidden(1.0),
              count("ei_sets", "ei_set"), count("tiebacks", "tieback"),
              integer("wall.hinged", "1: zero moment at the tie-back stations except the first").hidden()}),
      record("WALL RECORD",
             {integer("wall.increments", "number of increments N; stations 0 to N").range(1.0).id("increments"),
              real("wall.increment_length", kLength, "increment length h").range(0.0).id("increment_length"),
              real("solution.max_deflection", kLength, "deflection above which the iteration stops").range(0.0),
              real("solution.tolerance", kLength, "deflection change that counts as converged").range(0.0),
              real("wall.excavation_depth", kLength, "depth of the excavation below the wall top").id("excavation"),
              real("wall.width", kLength, "width of wall the analysis represents").range(0.0),
              real("wall.height", kLength, "height of the wall").id("height"),
              integer("solution.max_iterations", "iteration limit; 0 prints no iteration block").range(0.0),
              integer("wall.spare_1", "kept and not used").hidden(),
              integer("wall.spare_2", "kept and not used").hidden()}),
      array("wall.specified", "points", "a station with a specified deflection or slope",
            {record("SPECIFIED DEFLECTION AND SLOPE",
                    {code("case", {{"deflection", 1}, {"slope", 2}, {"both", 3}}, "what is specified"),
                     integer("station", "station").range(-1.0),
                     real("deflection", kLength, "specified deflection").optional(0.0),
                     real("slope", kNone, "specified slope (radians)").optional(0.0)})}),
      when([](const Values& v) { return at(v, "sections") > 0; }, "when [[wall.section]] are given", std::move(wallParts)),
      when([](const Values& v) {
             const double py = at(v, "py_option");
             return at(v, "user_curves") > 0 && (py <= 1 || (py == 2 && at(v, "earth_pressure") != 4));
           },
           "when py_curves.option is 0 or 1, or 2 with earth_pressure.option other than 4",
           {array("py_curves.user", "user_curves", "a p-y curve given point by point",
                  {record("P-Y CURVE RECORD",
                          {integer("station", "station of the curve"), count("points", "point"),
                           real("p_multiplier", kNone, "factor on p").optional(1.0),
                           real("y_multiplier", kNone, "factor on y").optional(1.0)}),
                   array("point", "points", "a point of the curve",
                         {record("P-Y CURVE POINT",
                                 {real("y", kLength, "deflection"),
                                  real("p", kForcePerLength, "soil resistance per length of wall")})})})}),
      record("CONTINUATION RECORD",
             {integer("continuation", "continuation code (defaults to the stage number)").from("#problem")}),
  });
}

}  // namespace

const std::vector<Node>& problemSchema() {
  static const std::vector<Node> schema = build();
  return schema;
}

}  // namespace korven::project
