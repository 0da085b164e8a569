#include "Project.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "Schema.h"
#include "textio/FreeFormat.h"

namespace korven::project {

std::string Diagnostic::text() const {
  std::string out = file;
  if (line > 0) out += ":" + std::to_string(line);
  out += ": ";
  if (warning) out += "warning: ";
  if (!key.empty()) out += key + ": ";
  return out + message;
}

namespace {

std::string joinMessages(const std::vector<Diagnostic>& errors) {
  std::string out;
  for (const Diagnostic& d : errors) {
    if (!out.empty()) out += '\n';
    out += d.text();
  }
  return out;
}

}  // namespace

ProjectError::ProjectError(std::vector<Diagnostic> errors)
    : std::runtime_error(joinMessages(errors)), errors_(std::move(errors)) {}

namespace {

// The parts of a dotted key, as views into the key's text (which must
// outlive them).
using Path = std::vector<std::string_view>;

Path split(std::string_view dotted) {
  Path out;
  for (std::size_t start = 0;;) {
    const std::size_t dot = dotted.find('.', start);
    out.push_back(dotted.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return out;
    start = dot + 1;
  }
}

std::string join(std::string_view prefix, std::string_view key) {
  std::string out;
  out.reserve(prefix.size() + 1 + key.size());
  if (!prefix.empty()) (out += prefix) += '.';
  return out += key;
}

// Factor between the project file's value and the input data file's.
double toDeck(double v, DeckScale s, System sys) {
  if (s == DeckScale::Milli && sys == System::SI) return scaleDecimal(v, 3);
  if (s == DeckScale::Inertia && sys == System::SI) return scaleDecimal(v, 12);
  if (s == DeckScale::Area && sys == System::SI) return scaleDecimal(v, 6);
  if (s == DeckScale::Feet && sys == System::English) return scaleRatio(v, 1, 12);
  return v;
}
double fromDeck(double v, DeckScale s, System sys) {
  if (s == DeckScale::Milli && sys == System::SI) return scaleDecimal(v, -3);
  if (s == DeckScale::Inertia && sys == System::SI) return scaleDecimal(v, -12);
  if (s == DeckScale::Area && sys == System::SI) return scaleDecimal(v, -6);
  if (s == DeckScale::Feet && sys == System::English) return scaleRatio(v, 12, 1);
  return v;
}

std::string unitOf(const Field& f, System sys) {
  return f.dim.angle || !(f.dim == Dimension{}) ? baseUnit(f.dim, sys) : "";
}

std::string expected(const Field& f, System sys) {
  switch (f.kind) {
    case Kind::Int: return "a whole number";
    case Kind::Text:
    case Kind::Title: return "a text";
    case Kind::Units: return "\"si\" or \"english\"";
    case Kind::Code: {
      std::string names;
      for (const CodeName& c : f.codes) names += (names.empty() ? "\"" : ", \"") + std::string(c.name) + "\"";
      return "one of " + names;
    }
    default: break;
  }
  const std::string unit = unitOf(f, sys);
  if (unit.empty()) return "a number";
  return "a number in " + unit + " or a text with its unit";
}

// A checked value: where it came from and what it is, in project units.
struct Fact {
  std::string id;
  double value = 0.0;
  int line = 0;
  std::string key;
  int problem = 0;
};

// Keys of the schema, by table path (elements of arrays written without
// index): the keys each table may hold, and the condition under which a
// key is read.
struct KeyIndex {
  std::map<std::string, std::vector<std::string>> keys;
  std::map<std::string, std::string> condition;
  std::vector<std::string> order;  // every path in file order
  std::vector<std::pair<std::string, const Field*>> fields;  // manual order
  std::unordered_map<std::string, int> position;  // of each path in `order`
  std::unordered_set<std::string> shownFields;    // the paths in `fields`

  void add(const std::string& table, const std::string& dotted, const std::string& when) {
    std::string at = table;
    for (const std::string_view part : split(dotted)) {
      auto& list = keys[at];
      if (std::find(list.begin(), list.end(), part) == list.end()) list.emplace_back(part);
      at = join(at, part);
      if (position.emplace(at, static_cast<int>(order.size())).second) order.push_back(at);
      if (!when.empty() && !condition.count(at)) condition[at] = when;
    }
  }
  void walk(const std::vector<Node>& nodes, const std::string& table, const std::string& when,
            const std::string& shown) {
    for (const Node& n : nodes) {
      if (n.type == Node::Record) {
        for (const Field& f : n.fields) {
          if (f.kind == Kind::Count || f.kind == Kind::Fixed) continue;
          add(table, f.path, when);
          std::string path = join(shown, f.path);
          if (shownFields.insert(path).second) fields.emplace_back(std::move(path), &f);
        }
      } else if (n.type == Node::Array) {
        add(table, n.name, when);
        walk(n.children, join(table, n.name), "", join(shown, n.name) + "[]");
      } else {
        walk(n.children, table, n.whenText, shown);
      }
    }
  }
  KeyIndex() { walk(problemSchema(), "", "", ""); }
  int rank(const std::string& path) const {
    // The top of a project, in the order an engineer describes a wall.
    static const char* top[] = {"title", "units", "stage_count", "continuation", "wall",
                                "cross_section", "soil", "water", "surcharge", "earth_pressure",
                                "tieback", "restraint", "load", "reduction", "py_curves",
                                "ei_set", "solution", "stage"};
    for (std::size_t i = 0; i < std::size(top); ++i) {
      if (path == top[i]) return static_cast<int>(i) - 100;
    }
    const auto it = position.find(path);
    return it == position.end() ? 1 << 20 : it->second;
  }
};

const KeyIndex& keyIndex() {
  static const KeyIndex index;
  return index;
}

const std::string& codeName(const Field& f, int value, bool& found) {
  static const std::string none;
  for (const CodeName& c : f.codes) {
    if (c.value == value) {
      found = true;
      static thread_local std::string name;
      name = c.name;
      return name;
    }
  }
  found = false;
  return none;
}

bool outOfRange(const Field& f, double v) { return v < f.min || v > f.max; }

std::string rangeText(const Field& f, System sys) {
  const std::string unit = unitOf(f, sys);
  auto num = [&](double v) {
    std::string t = realText(v);
    if (t.size() > 2 && t.compare(t.size() - 2, 2, ".0") == 0) t.resize(t.size() - 2);
    return t + (unit.empty() ? "" : " " + unit);
  };
  if (f.min == f.max) return "exactly " + num(f.min);
  if (f.max == kNoLimit) return num(f.min) + " or more";
  return "between " + num(f.min) + " and " + num(f.max);
}

// ---- consistency checks ------------------------------------------------

std::vector<Diagnostic> checkFacts(const std::vector<Fact>& facts, System sys, const std::string& file,
                                   bool allWarnings) {
  std::vector<Diagnostic> out;
  auto all = [&](const std::string& id) {
    std::vector<const Fact*> v;
    for (const Fact& f : facts) {
      if (f.id == id) v.push_back(&f);
    }
    return v;
  };
  auto one = [&](const std::string& id) -> const Fact* {
    auto v = all(id);
    return v.empty() ? nullptr : v.front();
  };
  auto report = [&](const Fact* at, std::string message, bool warning) {
    out.push_back({file, at->line, at->key, std::move(message), warning || allWarnings});
  };
  const std::string len = sys == System::SI ? " m" : " in";
  auto show = [&](double v) {
    std::string t = realText(v);
    if (t.size() > 2 && t.compare(t.size() - 2, 2, ".0") == 0) t.resize(t.size() - 2);
    return t;
  };
  const Fact* n = one("increments");
  const Fact* h = one("increment_length");
  const Fact* height = one("height");
  if (n == nullptr || h == nullptr) return out;
  const double length = n->value * h->value;
  if (height != nullptr && std::fabs(length - height->value) > 1e-9 * std::max(1.0, std::fabs(length))) {
    report(height,
           "the wall is " + show(n->value) + " increments of " + show(h->value) + len + " = " +
               show(length) + len + " long, but its height is " + show(height->value) + len +
               "; expected increments x increment_length = height",
           false);
  }
  auto onWall = [&](const std::string& id, const std::string& what) {
    for (const Fact* f : all(id)) {
      if (f->value < 0.0 || f->value > length * (1 + 1e-12)) {
        report(f,
               what + " at " + show(f->value) + len + " lies off the wall; expected a depth from 0 to " +
                   show(length) + len,
               false);
      }
    }
  };
  onWall("excavation", "the excavation");
  onWall("tieback_depth", "the tie-back");
  onWall("section_top", "the section's top");
  onWall("section_bottom", "the section's bottom");
  const auto bottoms = all("layer_bottom");
  for (std::size_t i = 1; i < bottoms.size(); ++i) {
    if (bottoms[i]->value <= bottoms[i - 1]->value) {
      report(bottoms[i],
             "the layer's bottom at " + show(bottoms[i]->value) + len +
                 " is not below the bottom of the layer above (" + show(bottoms[i - 1]->value) + len +
                 "); expected layers from the top down",
             false);
    }
  }
  if (!bottoms.empty() && bottoms.back()->value < length * (1 - 1e-12)) {
    report(bottoms.back(),
           "the soil ends at " + show(bottoms.back()->value) + len + ", above the wall tip at " +
               show(length) + len + "; expected the last layer to reach the tip",
           false);
  }
  for (const char* id : {"inertia", "modulus", "gamma"}) {
    for (const Fact* f : all(id)) {
      if (f->value <= 0.0) report(f, "expected a value above zero", false);
    }
  }
  // The strength each soil model rests on: cohesion for clays and rock,
  // the friction angle for sand, either for silt.
  const auto models = all("model"), cohesions = all("cohesion"), phis = all("phi");
  for (std::size_t i = 0; i < models.size() && i < cohesions.size() && i < phis.size(); ++i) {
    const int model = static_cast<int>(models[i]->value);
    const bool c = cohesions[i]->value > 0.0, phi = phis[i]->value > 0.0;
    if (model == 4 && !phi) {
      report(phis[i], "a sand layer needs a friction angle; expected phi above zero", false);
    } else if (model == 5 && !c && !phi) {
      report(cohesions[i], "a silt layer needs a cohesion or a friction angle; expected one above zero", false);
    } else if (model != 4 && model != 5 && !c) {
      report(cohesions[i], "a clay or rock layer needs a strength; expected cohesion above zero", false);
    }
  }
  for (const Fact* f : phis) {
    if (f->value > 50.0) {
      report(f, "a friction angle of " + show(f->value) + " deg is implausible; expected 50 deg or less",
             true);
    }
  }
  const double lo = sys == System::SI ? 10.0 : 10.0 / 1728.0;
  const double hi = sys == System::SI ? 28.0 : 180.0 / 1728.0;
  for (const Fact* f : all("gamma")) {
    if (f->value > 0.0 && (f->value < lo || f->value > hi)) {
      report(f,
             "a unit weight of " + show(f->value) + (sys == System::SI ? " kN/m3" : " lb/in3") +
                 " is implausible for soil or rock; expected " + show(lo) + " to " + show(hi),
             true);
    }
  }
  return out;
}

// ---- the input data file into the project's table ---------------------

class DeckIn {
 public:
  DeckIn(textio::RecordReader& reader, std::string file) : rr_(reader), file_(std::move(file)) {}

  void problem(toml::table& scope, int number, const std::string& prefix) {
    vals_.clear();
    vals_["#problem"] = number;
    prefix_ = prefix;
    problem_ = number;
    unread_.clear();
    walk(problemSchema(), scope, prefix);
    // A count whose records the options skip would be lost: the project
    // file holds the elements, not the count.
    for (const auto& [id, where] : unread_) {
      if (value(id) > 0) {
        fail(where.first, where.second,
             "counts " + std::to_string(static_cast<int>(value(id))) +
                 " elements that these options do not read; expected 0");
      }
    }
  }
  System system() const { return sys_; }
  double value(const std::string& id) const {
    auto it = vals_.find(id);
    return it == vals_.end() ? 0.0 : it->second;
  }
  std::vector<Fact> facts;
  std::vector<Diagnostic> errors;

 private:
  static toml::table& tableAt(toml::table& scope, const Path& path, std::size_t upto) {
    toml::table* t = &scope;
    for (std::size_t i = 0; i < upto; ++i) {
      auto* next = t->get_as<toml::table>(path[i]);
      if (next == nullptr) next = t->insert_or_assign(path[i], toml::table{}).first->second.as_table();
      t = next;
    }
    return *t;
  }
  template <class V>
  static void put(toml::table& scope, const std::string& dotted, V&& v) {
    const Path p = split(dotted);
    tableAt(scope, p, p.size() - 1).insert_or_assign(p.back(), std::forward<V>(v));
  }
  static std::optional<double> number(const toml::table& scope, const std::string& dotted) {
    const Path p = split(dotted);
    const toml::table* t = &scope;
    for (std::size_t i = 0; i + 1 < p.size() && t != nullptr; ++i) t = t->get_as<toml::table>(p[i]);
    if (t == nullptr) return std::nullopt;
    const toml::node* n = t->get(p.back());
    if (n == nullptr) return std::nullopt;
    return n->value<double>();
  }

  void fail(int line, const std::string& key, const std::string& message) {
    errors.push_back({file_, line, key, message, false});
    throw ProjectError(errors);
  }

  // A text as the project file holds it: UTF-8 (a TOML file is).
  std::string utf8(std::string text, int line, const std::string& key) {
    std::size_t i = 0;
    while (i < text.size()) {
      const auto c = static_cast<unsigned char>(text[i]);
      const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
      bool ok = length > 0 && i + length <= text.size();
      for (std::size_t k = 1; ok && k < length; ++k) ok = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
      if (!ok) fail(line, key, "expected a text in UTF-8, as a project file holds it");
      i += length;
    }
    return text;
  }

  void walk(const std::vector<Node>& nodes, toml::table& scope, const std::string& key) {
    for (const Node& n : nodes) {
      if (n.type == Node::Record) {
        if (n.fields.front().kind == Kind::Title) {
          put(scope, "title", utf8(rr_.wholeLine("TITLE"), rr_.lineNumber(), join(key, "title")));
          continue;
        }
        auto r = rr_.record(n.name);
        for (const Field& f : n.fields) field(r, f, scope, key);
      } else if (n.type == Node::Array) {
        const Path p = split(n.name);
        const toml::array* existing = nullptr;
        {
          const toml::table* t = &scope;
          for (std::size_t i = 0; i + 1 < p.size() && t != nullptr; ++i) t = t->get_as<toml::table>(p[i]);
          if (t != nullptr) existing = t->get_as<toml::array>(p.back());
        }
        const int count = n.countId.empty() ? (existing ? static_cast<int>(existing->size()) : 0)
                                            : static_cast<int>(value(n.countId));
        unread_.erase(n.countId);
        if (count <= 0) continue;
        toml::table& parent = tableAt(scope, p, p.size() - 1);
        toml::array* a = parent.get_as<toml::array>(p.back());
        if (a == nullptr) a = parent.insert_or_assign(p.back(), toml::array{}).first->second.as_array();
        for (int i = 0; i < count; ++i) {
          if (static_cast<int>(a->size()) <= i) a->push_back(toml::table{});
          walk(n.children, *a->get(static_cast<std::size_t>(i))->as_table(),
               join(key, n.name) + "[" + std::to_string(i + 1) + "]");
        }
      } else if (n.when(vals_)) {
        walk(n.children, scope, key);
      }
    }
  }

  void field(textio::RecordReader::Record& r, const Field& f, toml::table& scope, const std::string& key) {
    // The value's place in the project file, for messages and checks: made
    // only for the values that need it.
    const auto at = [&] { return join(key, f.path); };
    switch (f.kind) {
      case Kind::Units: {
        const int flag = r.integer();
        if (flag != 1 && flag != 2) {
          fail(r.lastLine(), "units",
               "unit flag " + std::to_string(flag) + "; expected 1 (English) or 2 (SI)");
        }
        if (problem_ > 1 && static_cast<int>(sys_) != flag) {
          fail(r.lastLine(), "units", "the stages are in different unit systems; expected one unit system");
        }
        sys_ = static_cast<System>(flag);
        return;
      }
      case Kind::Count: {
        const int c = r.integer();
        if (c < 0) fail(r.lastLine(), join(key, f.countOf), "a negative count; expected 0 or more");
        vals_[f.id] = c;
        unread_[f.id] = {r.lastLine(), join(key, f.countOf)};
        return;
      }
      case Kind::Fixed:
        if (r.integer() != f.def) fail(r.lastLine(), at(), "expected 0: only elastic cross sections are available in project files");
        return;
      case Kind::Text: {
        put(scope, f.path, utf8(r.text(80), rr_.lineNumber(), at()));
        return;
      }
      case Kind::Int:
      case Kind::Code: {
        const int v = r.integer();
        if (outOfRange(f, v)) {
          fail(r.lastLine(), at(),
               std::to_string(v) + " is out of range; expected " + rangeText(f, sys_) +
                   "");
        }
        if (!f.id.empty()) vals_[f.id] = v;
        if (!f.id.empty()) facts.push_back({f.id, double(v), r.lastLine(), at(), problem_});
        if (f.hidden && v == f.def) return;
        if (!f.defaultFrom.empty() && f.defaultFrom[0] == '#' && v == value(f.defaultFrom)) return;
        bool named = false;
        const std::string& name = codeName(f, v, named);
        if (named) {
          put(scope, f.path, name);
        } else {
          put(scope, f.path, static_cast<int64_t>(v));
        }
        return;
      }
      case Kind::Real: {
        const double deck = r.real();
        const double v = fromDeck(deck, f.scale, sys_);
        if (!f.id.empty()) {
          vals_[f.id] = v;
          facts.push_back({f.id, v, r.lastLine(), at(), problem_});
        }
        if (f.hidden && v == f.def) return;
        if (!f.defaultFrom.empty()) {
          const auto same = number(scope, f.defaultFrom);
          if (same && *same == v && !std::signbit(*same) == !std::signbit(v)) return;
        }
        put(scope, f.path, v);
        return;
      }
      case Kind::Title: return;
    }
  }

  textio::RecordReader& rr_;
  std::string file_;
  System sys_ = System::English;
  Values vals_;
  std::map<std::string, std::pair<int, std::string>> unread_;  // count id: line, key
  std::string prefix_;
  int problem_ = 0;
};

// ---- the project's table into the input data file ---------------------

class DeckOut {
 public:
  DeckOut(const toml::table& root, std::string file) : root_(root), file_(std::move(file)) {}

  std::string run() {
    used_.insert(&root_);
    unitsField();
    const toml::node* stages = root_.get("stage");
    if (stages != nullptr) {
      used_.insert(stages);
      const toml::array* a = stages->as_array();
      if (a == nullptr || a->empty() || !a->is_array_of_tables()) {
        error(stages, "stage", "expected [[stage]] tables, one per stage");
      } else {
        // A stage takes what it does not give from the stage before.
        std::vector<Scope> scopes;
        scopes.reserve(a->size());
        for (std::size_t i = 0; i < a->size(); ++i) {
          scopes.push_back({*a->get(i)->as_table(), i == 0 ? nullptr : &scopes[i - 1]});
          problem(scopes.back(), static_cast<int>(i + 1), "stage[" + std::to_string(i + 1) + "]");
        }
      }
    } else {
      problem({root_, nullptr}, 1, "");
    }
    // A misspelt key explains the missing one that follows from it: the
    // keys that nothing reads come first.
    std::vector<Diagnostic> found = std::move(errors);
    errors.clear();
    unknownKeys(root_, "", "", stages != nullptr);
    errors.insert(errors.end(), found.begin(), found.end());
    if (!errors.empty()) throw ProjectError(errors);
    return out_;
  }
  std::vector<Diagnostic> warnings;
  std::vector<Diagnostic> errors;

 private:
  void error(const toml::node* at, const std::string& key, const std::string& message) {
    errors.push_back({file_, at ? static_cast<int>(at->source().begin.line) : 0, key, message, false});
  }

  void unitsField() {
    const toml::node* u = root_.get("units");
    used_.insert(u);
    if (u == nullptr) {
      error(&root_, "units", "missing key; expected units = \"si\" or \"english\"");
      return;
    }
    const auto name = u->value<std::string>();
    for (const CodeName& c : kUnitNames) {
      if (name && *name == c.name) sys_ = static_cast<System>(c.value);
    }
    if (!name || (*name != "si" && *name != "english")) {
      error(u, "units", "expected \"si\" or \"english\"");
    }
  }

  // A table and, for a stage, the stage before it, whose keys it takes
  // when it does not give them (its continuation code excepted).
  struct Scope {
    const toml::table& table;
    const Scope* earlier = nullptr;
  };

  void problem(const Scope& scope, int number, const std::string& prefix) {
    used_.insert(&scope.table);
    vals_.clear();
    vals_["#problem"] = number;
    facts_.clear();
    walk(problemSchema(), scope, prefix);
    auto found = checkFacts(facts_, sys_, file_, false);
    for (Diagnostic& d : found) (d.warning ? warnings : errors).push_back(std::move(d));
  }

  // The node at `dotted` in `scope`, marking the tables on the way as used.
  const toml::node* find(const Scope& scope, const std::string& dotted, const std::string& key) {
    const toml::node* n = findIn(scope.table, dotted, key);
    if (n == nullptr && scope.earlier != nullptr && dotted != "continuation") {
      return find(*scope.earlier, dotted, key);
    }
    return n;
  }
  // The node at `dotted` without marking anything.
  static const toml::node* peek(const Scope& scope, const std::string& dotted) {
    const Path p = split(dotted);
    const toml::table* t = &scope.table;
    for (std::size_t i = 0; i + 1 < p.size() && t != nullptr; ++i) t = t->get_as<toml::table>(p[i]);
    const toml::node* n = t != nullptr ? t->get(p.back()) : nullptr;
    return n == nullptr && scope.earlier != nullptr ? peek(*scope.earlier, dotted) : n;
  }
  const toml::node* findIn(const toml::table& scope, const std::string& dotted, const std::string& key) {
    const Path p = split(dotted);
    std::string at = key;
    const toml::table* t = &scope;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
      const toml::node* n = t->get(p[i]);
      if (n == nullptr) return nullptr;
      used_.insert(n);
      at = join(at, p[i]);
      if (!n->is_table()) {
        if (notTables_.insert(n).second) error(n, at, "expected a table, not a value");
        return nullptr;
      }
      t = n->as_table();
    }
    const toml::node* n = t->get(p.back());
    if (n != nullptr) used_.insert(n);
    return n;
  }

  // The deepest table on the way to `dotted` that the file holds: where a
  // missing key belongs.
  static const toml::node* innermost(const toml::table& scope, const std::string& dotted) {
    const Path p = split(dotted);
    const toml::table* t = &scope;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
      const toml::table* next = t->get_as<toml::table>(p[i]);
      if (next == nullptr) break;
      t = next;
    }
    return t;
  }

  void walk(const std::vector<Node>& nodes, const Scope& scope, const std::string& key) {
    for (const Node& n : nodes) {
      if (n.type == Node::Record) {
        std::string line;
        for (const Field& f : n.fields) {
          std::string v = field(f, scope, key);
          if (f.kind == Kind::Title) {
            out_ += v + "\n";
            continue;
          }
          line += (line.empty() ? "" : " ") + v;
        }
        if (n.fields.front().kind != Kind::Title) out_ += line + "\n";
      } else if (n.type == Node::Array) {
        const toml::node* node = find(scope, n.name, key);
        const toml::array* a = node ? node->as_array() : nullptr;
        // An empty array stands for none (a stage that drops its tie-backs).
        if (node != nullptr && (a == nullptr || !(a->empty() || a->is_array_of_tables()))) {
          error(node, join(key, n.name), "expected [[" + n.name + "]] tables");
          continue;
        }
        if (a == nullptr) continue;
        for (std::size_t i = 0; i < a->size(); ++i) {
          used_.insert(a->get(i));
          walk(n.children, Scope{*a->get(i)->as_table()}, join(key, n.name) + "[" + std::to_string(i + 1) + "]");
        }
      } else if (n.when(vals_)) {
        walk(n.children, scope, key);
      }
    }
  }

  std::string field(const Field& f, const Scope& scope, const std::string& key) {
    const std::string at = join(key, f.path);
    current_ = &scope.table;
    if (f.kind == Kind::Units) return std::to_string(static_cast<int>(sys_));
    if (f.kind == Kind::Fixed) return std::to_string(static_cast<int>(f.def));
    if (f.kind == Kind::Count) {
      const toml::node* n = peek(scope, f.countOf);
      const int c = n && n->is_array() ? static_cast<int>(n->as_array()->size()) : 0;
      vals_[f.id] = c;
      return std::to_string(c);
    }
    const toml::node* n = find(scope, f.path, key);
    if (n == nullptr) {
      if (f.required) {
        error(innermost(scope.table, f.path), at, "missing key; expected " + expected(f, sys_) + " (" + f.meaning + ")");
        return "0";
      }
      double v = f.def;
      if (!f.defaultFrom.empty()) {
        v = f.defaultFrom[0] == '#' ? vals_[f.defaultFrom] : local(scope.table, f.defaultFrom);
      }
      return deckText(f, v, at, nullptr);
    }
    switch (f.kind) {
      case Kind::Title:
      case Kind::Text: {
        const auto s = n->value<std::string>();
        if (!n->is_string()) {
          error(n, at, "expected a text in quotes");
          return "''";
        }
        if (s->find_first_of("\r\n") != std::string::npos) {
          error(n, at, "expected a text on one line");
        }
        if (f.kind == Kind::Title) return *s;
        if (s->size() > 80) error(n, at, "expected a text of at most 80 characters");
        std::string q = "'";
        for (char c : *s) q += c == '\'' ? std::string("''") : std::string(1, c);
        return q + "'";
      }
      case Kind::Code:
        if (n->is_string()) {
          for (const CodeName& c : f.codes) {
            if (*n->value<std::string>() == c.name) return deckText(f, c.value, at, n);
          }
          error(n, at, "\"" + *n->value<std::string>() + "\" is not known; expected " + expected(f, sys_));
          return "0";
        }
        [[fallthrough]];
      case Kind::Int:
        if (!n->is_integer()) {
          error(n, at, "expected " + expected(f, sys_));
          return "0";
        }
        return deckText(f, static_cast<double>(*n->value<int64_t>()), at, n);
      case Kind::Real: {
        double v = 0.0;
        if (n->is_number()) {
          v = *n->value<double>();
        } else if (n->is_string() && !(f.dim == Dimension{})) {
          std::string why;
          const auto converted = valueWithUnit(*n->value<std::string>(), f.dim, sys_, why);
          if (!converted) {
            error(n, at, "expected " + why);
            return "0.0";
          }
          v = *converted;
        } else {
          error(n, at, "expected " + expected(f, sys_));
          return "0.0";
        }
        return deckText(f, v, at, n);
      }
      default: return "";
    }
  }

  // A real already given in this scope (for defaults taken from it).
  double local(const toml::table& scope, const std::string& path) {
    auto it = locals_.find(&scope);
    if (it != locals_.end()) {
      auto jt = it->second.find(path);
      if (jt != it->second.end()) return jt->second;
    }
    return 0.0;
  }

  std::string deckText(const Field& f, double v, const std::string& at, const toml::node* n) {
    if (n != nullptr && outOfRange(f, v)) {
      error(n, at, "out of range; expected " + rangeText(f, sys_));
    }
    if (!f.id.empty()) {
      vals_[f.id] = v;
      facts_.push_back({f.id, v, n ? static_cast<int>(n->source().begin.line) : 0, at, 0});
    }
    if (f.kind == Kind::Real) {
      if (!std::isfinite(v) && n != nullptr) error(n, at, "expected a finite number");
      locals_[current_][f.path] = v;
      return realText(toDeck(v, f.scale, sys_));
    }
    if (n != nullptr && (v < -2147483647.0 || v > 2147483647.0)) {
      error(n, at, "expected a whole number of at most 10 digits");
      return "0";
    }
    return std::to_string(static_cast<long long>(v));
  }

  // Keys that no record reads: unknown, or not read with these options.
  void unknownKeys(const toml::table& t, const std::string& schemaPath, const std::string& key, bool staged) {
    const KeyIndex& index = keyIndex();
    for (const auto& [k, node] : t) {
      const std::string name(k.str());
      const std::string shown = join(key, name);
      const bool rootLevel = key.empty();
      if (rootLevel && (name == "units" || (staged && name == "stage"))) {
        if (name == "stage") {
          const toml::array* a = node.as_array();
          for (std::size_t i = 0; a && i < a->size(); ++i) {
            if (const auto* e = a->get(i)->as_table()) unknownKeys(*e, "", "stage[" + std::to_string(i + 1) + "]", false);
          }
        }
        continue;
      }
      if (staged && rootLevel) {
        error(&node, shown, "unknown key at the top of a staged project; expected units and [[stage]] tables");
        continue;
      }
      const std::string path = join(schemaPath, name);
      const auto known = index.keys.find(schemaPath);
      const bool isKnown = known != index.keys.end() &&
                           std::find(known->second.begin(), known->second.end(), name) != known->second.end();
      if (!used_.count(&node)) {
        if (isKnown) {
          auto c = index.condition.find(path);
          error(&node, shown,
                "is not read " + (c != index.condition.end() ? c->second : std::string("with these values")) +
                    "; remove it or change the options");
        } else {
          std::string best;
          std::size_t bestDistance = 3;
          if (known != index.keys.end()) {
            for (const std::string& candidate : known->second) {
              const std::size_t d = distance(name, candidate);
              if (d < bestDistance) {
                bestDistance = d;
                best = candidate;
              }
            }
          }
          error(&node, shown, "unknown key" + (best.empty() ? std::string() : "; did you mean '" + best + "'?"));
        }
        continue;
      }
      if (const auto* sub = node.as_table()) {
        unknownKeys(*sub, path, shown, false);
      } else if (const auto* a = node.as_array(); a && a->is_array_of_tables()) {
        for (std::size_t i = 0; i < a->size(); ++i) {
          unknownKeys(*a->get(i)->as_table(), path, shown + "[" + std::to_string(i + 1) + "]", false);
        }
      }
    }
  }

  static std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      std::size_t diag = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        const std::size_t up = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
        diag = up;
      }
    }
    return row[b.size()];
  }

  const toml::table& root_;
  std::string file_;
  System sys_ = System::SI;
  Values vals_;
  std::vector<Fact> facts_;
  std::set<const toml::node*> used_;
  std::set<const toml::node*> notTables_;
  std::map<const toml::table*, std::map<std::string, double>> locals_;
  const toml::table* current_ = nullptr;
  std::string out_;
};

// ---- TOML text --------------------------------------------------------

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string scalarText(const toml::node& n) {
  if (n.is_array()) return "[]";  // only an empty array is written as a value
  if (n.is_string()) return quoted(*n.value<std::string>());
  if (n.is_integer()) return std::to_string(*n.value<int64_t>());
  if (n.is_floating_point()) return realText(*n.value<double>(), 'e');
  if (n.is_boolean()) return *n.value<bool>() ? "true" : "false";
  return "\"\"";
}

void emit(const toml::table& t, const std::string& schemaPath, const std::string& header, std::string& out) {
  const KeyIndex& index = keyIndex();
  std::vector<std::pair<int, std::string>> keys;
  for (const auto& [k, node] : t) keys.emplace_back(index.rank(join(schemaPath, std::string(k.str()))), std::string(k.str()));
  std::sort(keys.begin(), keys.end());
  for (const auto& [rank, k] : keys) {
    const toml::node& n = *t.get(k);
    if (!n.is_table() && !(n.is_array() && n.as_array()->is_array_of_tables())) out += k + " = " + scalarText(n) + "\n";
  }
  for (const auto& [rank, k] : keys) {
    if (const auto* sub = t.get(k)->as_table()) {
      const bool scalars = std::any_of(sub->begin(), sub->end(), [](const auto& kv) {
        return !kv.second.is_table() && !(kv.second.is_array() && kv.second.as_array()->is_array_of_tables());
      });
      if (scalars) out += "\n[" + join(header, k) + "]\n";
      emit(*sub, join(schemaPath, k), join(header, k), out);
    }
  }
  for (const auto& [rank, k] : keys) {
    const toml::array* a = t.get(k)->as_array();
    if (a == nullptr || !a->is_array_of_tables() || a->empty()) continue;
    for (const toml::node& e : *a) {
      out += "\n[[" + join(header, k) + "]]\n";
      // A stage holds a whole problem: its keys are those of the top.
      const bool stage = header.empty() && k == "stage";
      emit(*e.as_table(), stage ? "" : join(schemaPath, k), join(header, k), out);
    }
  }
}

// A value's text, for comparing values of any kind.
std::string textOf(const toml::node& n) {
  std::string out;
  if (const auto* t = n.as_table()) {
    emit(*t, "", "", out);
  } else if (const auto* a = n.as_array(); a && a->is_array_of_tables()) {
    for (const toml::node& e : *a) {
      out += "[[]]\n";
      emit(*e.as_table(), "", "", out);
    }
  } else {
    out = scalarText(n);
  }
  return out;
}

// The value a key takes when a stage does not give it.
void insertDefault(toml::table& out, const std::string& key, const std::string& path,
                   const toml::table& problem) {
  for (const auto& [shown, f] : keyIndex().fields) {
    if (shown != path) continue;
    if (!f->defaultFrom.empty() && f->defaultFrom[0] != '#') {
      // A default taken from another key of the stage: that key's value.
      if (const auto v = toml::node_view<const toml::node>(problem).at_path(f->defaultFrom).value<double>()) {
        out.insert(key, *v);
      }
    } else if (f->kind == Kind::Code) {
      bool found = false;
      out.insert(key, codeName(*f, static_cast<int>(f->def), found));
    } else if (f->kind == Kind::Real) {
      out.insert(key, f->def);
    } else {
      out.insert(key, static_cast<int64_t>(f->def));
    }
    return;
  }
}

// What a stage gives that differs from the stage before: its changed keys,
// the defaults of keys it no longer gives, and empty arrays for arrays it
// drops (the continuation code is never taken from the stage before).
toml::table differences(const toml::table& prev, const toml::table& cur, const std::string& path,
                        const toml::table& problem) {
  toml::table out;
  for (const auto& [k, node] : cur) {
    const std::string key(k.str());
    const toml::node* before = prev.get(key);
    if (before != nullptr && before->is_table() && node.is_table()) {
      toml::table d = differences(*before->as_table(), *node.as_table(), join(path, key), problem);
      if (!d.empty()) out.insert(key, std::move(d));
    } else if (before == nullptr || key == "continuation" || textOf(*before) != textOf(node)) {
      node.visit([&](const auto& v) { out.insert(key, v); });
    }
  }
  for (const auto& [k, node] : prev) {
    const std::string key(k.str());
    if (cur.get(key) != nullptr || key == "continuation") continue;
    if (const auto* t = node.as_table()) {
      toml::table d = differences(*t, toml::table{}, join(path, key), problem);
      if (!d.empty()) out.insert(key, std::move(d));
    } else if (node.is_array()) {
      out.insert(key, toml::array{});
    } else {
      insertDefault(out, key, join(path, key), problem);
    }
  }
  return out;
}

struct DeckRead {
  toml::table root;
  std::vector<Diagnostic> warnings;
};

// Reads the problems of an input data file and checks their values; with
// `assemble`, also builds the project's tables (a second stage on holds
// only what differs from the stage before).
DeckRead readDeck(std::string_view deckText, const std::string& fileName, bool assemble) {
  std::istringstream in{std::string(deckText)};
  textio::RecordReader reader(in, fileName);
  DeckIn deck(reader, fileName);
  std::vector<toml::table> problems;
  try {
    for (int number = 1;; ++number) {
      toml::table t;
      deck.problem(t, number, "");
      problems.push_back(std::move(t));
      const int continuation = static_cast<int>(
          problems.back().get("continuation") ? *problems.back().get("continuation")->value<int64_t>() : number);
      const int stages = static_cast<int>(
          problems.back().get("stage_count") ? *problems.back().get("stage_count")->value<int64_t>() : 1);
      if (continuation == 0 || continuation == stages || reader.atEnd()) break;
    }
  } catch (const textio::InputError& e) {
    throw ProjectError({{fileName, e.line(), e.record(), e.problem() + (e.text().empty() ? "" : " (\"" + e.text() + "\")"), false}});
  }
  DeckRead out;
  out.root.insert("units", deck.system() == System::SI ? "si" : "english");
  std::vector<Fact> facts = std::move(deck.facts);
  for (int p = 1; p <= static_cast<int>(problems.size()); ++p) {
    std::vector<Fact> mine;
    for (const Fact& f : facts) {
      if (f.problem == p) mine.push_back(f);
    }
    auto found = checkFacts(mine, deck.system(), fileName, true);
    out.warnings.insert(out.warnings.end(), found.begin(), found.end());
  }
  if (!assemble) return out;
  if (problems.size() == 1) {
    for (auto&& [k, v] : problems.front()) out.root.insert(k, std::move(v));
  } else {
    toml::array stages;
    for (std::size_t i = 0; i < problems.size(); ++i) {
      stages.push_back(i == 0 ? problems[0] : differences(problems[i - 1], problems[i], "", problems[i]));
    }
    out.root.insert("stage", std::move(stages));
  }
  return out;
}

}  // namespace

Converted tomlToDeck(std::string_view tomlText, const std::string& fileName) {
  toml::table root;
  try {
    root = toml::parse(tomlText, fileName);
  } catch (const toml::parse_error& e) {
    throw ProjectError({{fileName, static_cast<int>(e.source().begin.line), "",
                         std::string(e.description()), false}});
  }
  DeckOut out(root, fileName);
  Converted c;
  c.text = out.run();
  c.warnings = out.warnings;
  return c;
}

Converted deckToToml(std::string_view deckText, const std::string& fileName) {
  DeckRead read = readDeck(deckText, fileName, true);
  Converted c;
  emit(read.root, "", "", c.text);
  c.warnings = std::move(read.warnings);
  return c;
}

std::vector<Diagnostic> checkDeck(std::string_view deckText, const std::string& fileName) {
  try {
    return readDeck(deckText, fileName, false).warnings;
  } catch (const ProjectError&) {
    return {};
  }
}

std::vector<KeyInfo> projectKeys() {
  std::vector<KeyInfo> out;
  out.push_back({"units", "-", "-", "", "unit system of the whole project: \"si\" or \"english\""});
  for (const auto& [path, f] : keyIndex().fields) {
    if (f->kind == Kind::Units) continue;
    KeyInfo k;
    k.key = path;
    k.unitSI = unitOf(*f, System::SI);
    k.unitEnglish = unitOf(*f, System::English);
    if (k.unitSI.empty()) k.unitSI = k.unitEnglish = "-";
    if (!f->required) {
      if (!f->defaultFrom.empty()) {
        k.defaultText = f->defaultFrom[0] == '#'                             ? "stage number"
                        : f->defaultFrom.find('.') != std::string::npos ? f->defaultFrom
                                                                        : "top value";
      } else if (f->kind == Kind::Code) {
        bool found = false;
        k.defaultText = "\"" + codeName(*f, static_cast<int>(f->def), found) + "\"";
      } else {
        k.defaultText = f->kind == Kind::Real ? realText(f->def) : std::to_string(static_cast<int>(f->def));
      }
    }
    k.meaning = f->meaning;
    out.push_back(std::move(k));
  }
  out.push_back({"stage[]", "-", "-", "", "one table per construction stage, each a whole analysis"});
  return out;
}

}  // namespace korven::project
