// The native part of the Python module `korven`: a project (TOML text, or a
// Python dict written as TOML with toml++) converted and analysed with the
// interpreter lock released, and the results handed back as plain Python
// values and numpy arrays, which the package's Python code wraps.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <toml++/toml.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Project.h"
#include "Summary.h"
#include "korven.h"
#include "korven/analysis.h"
#include "textio/Printable.h"

#ifndef KORVEN_VERSION_TEXT
#define KORVEN_VERSION_TEXT "1.0.0"
#endif

namespace py = pybind11;

namespace {

using korven::project::Diagnostic;
using korven::project::ProjectError;

// ---- a Python dict as TOML ----------------------------------------------

// Deeper than any project goes; a table that holds itself ends here
// instead of overflowing the stack.
constexpr int kMaxNesting = 64;

std::string member(const std::string& key, const std::string& name) {
  return key.empty() ? name : key + "." + name;
}

// Keys as the project's messages name them: 1-based element numbers.
std::string element(const std::string& key, std::size_t index) {
  return key + "[" + std::to_string(index + 1) + "]";
}

[[noreturn]] void refuse(const std::string& key, const std::string& what) {
  throw py::type_error((key.empty() ? std::string("the project") : key) + ": " + what);
}

std::string utf8(py::handle text, const std::string& key) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (data == nullptr) {
    PyErr_Clear();
    throw py::value_error(key + ": the text cannot be written in UTF-8");
  }
  return std::string(data, static_cast<std::size_t>(size));
}

bool isNumber(py::handle v) {
  const PyNumberMethods* n = Py_TYPE(v.ptr())->tp_as_number;
  return n != nullptr && n->nb_float != nullptr;
}

bool isSequence(py::handle v) {
  return PySequence_Check(v.ptr()) && !PyUnicode_Check(v.ptr()) && !PyBytes_Check(v.ptr()) &&
         !PyByteArray_Check(v.ptr()) && !PyDict_Check(v.ptr());
}

toml::table tableOf(py::handle dict, const std::string& key, int depth);
toml::array arrayOf(py::handle sequence, const std::string& key, int depth);

// Hands `put` the TOML value of `v`: a bool, a whole number (Python or
// numpy integer), a number (anything with a float value), a text, a table
// (dict) or an array (any other sequence).
template <class Put>
void convert(py::handle v, const std::string& key, int depth, Put&& put) {
  if (depth > kMaxNesting) {
    throw py::value_error(key + ": nested more than " + std::to_string(kMaxNesting) +
                          " deep (does a table or list hold itself?)");
  }
  PyObject* o = v.ptr();
  if (PyBool_Check(o)) {
    put(o == Py_True);
  } else if (PyUnicode_Check(o)) {
    put(utf8(v, key));
  } else if (PyIndex_Check(o)) {
    const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(o));
    if (!whole) throw py::error_already_set();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
    if (overflow != 0) throw py::value_error(key + ": the whole number does not fit in 64 bits");
    if (n == -1 && PyErr_Occurred()) throw py::error_already_set();
    put(static_cast<int64_t>(n));
  } else if (PyDict_Check(o)) {
    put(tableOf(v, key, depth + 1));
  } else if (isSequence(v)) {
    put(arrayOf(v, key, depth + 1));
  } else if (isNumber(v)) {
    const double x = PyFloat_AsDouble(o);
    if (x == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    put(x);
  } else {
    refuse(key, std::string("a value of type ") + Py_TYPE(o)->tp_name +
                    " has no place in a project; expected a number, a text, a list or a dict");
  }
}

toml::table tableOf(py::handle dict, const std::string& key, int depth) {
  toml::table t;
  for (const auto& [name, value] : py::reinterpret_borrow<py::dict>(dict)) {
    if (!PyUnicode_Check(name.ptr())) {
      refuse(key, "the key " + py::repr(name).cast<std::string>() + " is not a text");
    }
    const std::string text = utf8(name, member(key, "<key>"));
    // No value: the key is left out, and its default applies.
    if (value.is_none()) continue;
    const std::string at = member(key, text);
    convert(value, at, depth, [&](auto&& x) { t.insert_or_assign(text, std::forward<decltype(x)>(x)); });
  }
  return t;
}

toml::array arrayOf(py::handle sequence, const std::string& key, int depth) {
  toml::array a;
  const py::sequence items = py::reinterpret_borrow<py::sequence>(sequence);
  const std::size_t size = items.size();
  for (std::size_t i = 0; i < size; ++i) {
    const py::object value = items[i];
    const std::string at = element(key, i);
    if (value.is_none()) refuse(at, "None in a list; a list holds values only");
    convert(value, at, depth, [&](auto&& x) { a.push_back(std::forward<decltype(x)>(x)); });
  }
  return a;
}

std::string tomlText(const py::dict& project) {
  const toml::table t = tableOf(project, "", 0);
  std::ostringstream out;
  out << toml::toml_formatter(t);
  return out.str();
}

// ---- TOML as a Python dict ----------------------------------------------

py::object pythonOf(const toml::node& n) {
  if (const auto* t = n.as_table()) {
    py::dict d;
    for (const auto& [k, v] : *t) d[py::str(std::string(k.str()))] = pythonOf(v);
    return d;
  }
  if (const auto* a = n.as_array()) {
    py::list l;
    for (const toml::node& v : *a) l.append(pythonOf(v));
    return l;
  }
  if (const auto* s = n.as_string()) return py::str(s->get());
  if (const auto* i = n.as_integer()) return py::int_(i->get());
  if (const auto* x = n.as_floating_point()) return py::float_(x->get());
  if (const auto* b = n.as_boolean()) return py::bool_(b->get());
  // Dates and times, which no project key takes: their TOML text, so that
  // the check of the key names it.
  std::ostringstream out;
  n.visit([&](const auto& v) { out << v; });
  return py::str(out.str());
}

py::dict load(const std::string& text, const std::string& fileName) {
  toml::table root;
  try {
    root = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    throw ProjectError({{fileName, static_cast<int>(e.source().begin.line), "",
                         std::string(e.description()), false}});
  }
  return pythonOf(root).cast<py::dict>();
}

// ---- the analysis -------------------------------------------------------

// Text for Python: UTF-8 as it is, and a byte that is not UTF-8 (a title
// of an input data file written in a Windows code page, the Latin-1 accent
// of a report column head) read as Latin-1: nothing is refused or lost.
py::str asText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : korven::textio::utf8SequenceLength(s, i);
    if (n > 0) {
      out.append(s.substr(i, n));
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      n = 1;
    }
    i += n;
  }
  return py::str(out);
}

py::list texts(const std::vector<std::string>& lines) {
  py::list out;
  for (const std::string& line : lines) out.append(asText(line));
  return out;
}

py::tuple diagnostic(const Diagnostic& d) {
  return py::make_tuple(asText(d.file), d.line, asText(d.key), asText(d.message), d.warning,
                        asText(d.text()));
}

template <class Row, class Get>
py::array_t<double> column(const std::vector<Row>& rows, Get get) {
  py::array_t<double> out(static_cast<py::ssize_t>(rows.size()));
  double* data = out.mutable_data();
  for (std::size_t i = 0; i < rows.size(); ++i) data[i] = get(rows[i]);
  return out;
}

py::array_t<double> array(const std::vector<double>& values) {
  return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::dict problemDict(const korven::ProblemResult& p) {
  using korven::StationResult;
  py::dict d;
  d["number"] = p.number;
  d["title"] = asText(p.title);
  d["si"] = p.si;
  d["converged"] = p.converged;
  d["iterations"] = p.iterations;
  d["excavation_depth"] = p.excavationDepth;
  py::array_t<int> station(static_cast<py::ssize_t>(p.stations.size()));
  for (std::size_t i = 0; i < p.stations.size(); ++i) station.mutable_data()[i] = p.stations[i].station;
  d["station"] = station;
  d["depth"] = column(p.stations, [](const StationResult& s) { return s.depth; });
  d["deflection"] = column(p.stations, [](const StationResult& s) { return s.deflection; });
  d["slope"] = column(p.stations, [](const StationResult& s) { return s.slope; });
  d["moment"] = column(p.stations, [](const StationResult& s) { return s.moment; });
  d["shear"] = column(p.stations, [](const StationResult& s) { return s.shear; });
  d["soil_reaction"] = column(p.stations, [](const StationResult& s) { return s.soilReaction; });
  d["net_force"] = column(p.stations, [](const StationResult& s) { return s.netForce; });
  d["ei"] = column(p.stations, [](const StationResult& s) { return s.flexuralRigidity; });
  py::list tieBacks, restraints, curves, history;
  for (const auto& t : p.tieBacks) {
    tieBacks.append(py::dict(py::arg("number") = t.number, py::arg("station") = t.station,
                             py::arg("depth") = t.depth, py::arg("horizontal_force") = t.horizontalForce,
                             py::arg("axial_force") = t.axialForce,
                             py::arg("force_per_tie_back") = t.forcePerTieBack));
  }
  for (const auto& r : p.restraints) {
    restraints.append(py::dict(py::arg("station") = r.station, py::arg("depth") = r.depth,
                               py::arg("force") = r.force, py::arg("moment") = r.moment));
  }
  for (const auto& c : p.pyCurves) {
    curves.append(py::dict(py::arg("station") = c.station, py::arg("depth") = c.depth,
                           py::arg("y") = array(c.y), py::arg("p") = array(c.p)));
  }
  for (const auto& it : p.iterationHistory) {
    history.append(py::dict(py::arg("iteration") = it.iteration, py::arg("not_closed") = it.notClosed,
                            py::arg("max_change") = it.maxChange));
  }
  d["tie_backs"] = tieBacks;
  d["restraints"] = restraints;
  d["py_curves"] = curves;
  d["iteration_history"] = history;
  d["earth_pressure_depth"] =
      column(p.earthPressure, [](const korven::EarthPressurePoint& e) { return e.depth; });
  d["earth_pressure"] =
      column(p.earthPressure, [](const korven::EarthPressurePoint& e) { return e.pressure; });
  return d;
}

// What a run needs besides its text: the names its messages and report
// show, and the report time (local time when not given).
struct Request {
  bool project = true;     // a project file's text; else an input data file's
  bool fromDict = false;   // the text was written from a dict: its lines mean nothing
  std::string fileName;    // as messages name the input
  std::string inputName;   // as the report header names it
  std::string reportName, plotName;
  bool keepReport = false;
  std::optional<korven::DateTime> time;
};

// The project's conversion with the lines of a text written from a dict
// left out (they would point into a file nobody has).
void dropLines(std::vector<Diagnostic>& messages) {
  for (Diagnostic& d : messages) d.line = 0;
}

korven::project::Converted converted(const std::string& text, const Request& q) {
  try {
    korven::project::Converted c = korven::project::tomlToDeck(text, q.fileName);
    if (q.fromDict) dropLines(c.warnings);
    return c;
  } catch (const ProjectError& e) {
    if (!q.fromDict) throw;
    std::vector<Diagnostic> errors = e.errors();
    dropLines(errors);
    throw ProjectError(std::move(errors));
  }
}

py::dict run(const std::string& text, const Request& q) {
  korven::AnalysisResult r;
  std::vector<Diagnostic> inputWarnings;
  std::vector<std::string> warnings;
  std::string summary;
  {
    py::gil_scoped_release released;
    std::string deck;
    if (q.project) {
      korven::project::Converted c = converted(text, q);
      deck = std::move(c.text);
      inputWarnings = std::move(c.warnings);
    } else {
      inputWarnings = korven::project::checkDeck(text, q.fileName);
    }
    korven::AnalysisOptions options;
    options.inputName = q.inputName;
    options.reportName = q.reportName;
    options.plotName = q.plotName;
    options.version = KORVEN_VERSION_TEXT;
    options.time = q.time;
    r = korven::analyse(q.project ? std::string_view(deck) : std::string_view(text), options);
    warnings = korven::present::runWarnings(r, r.report);
    const korven::present::RunInfo info{std::filesystem::path(q.inputName).filename().string(),
                                        KORVEN_VERSION_TEXT};
    summary = korven::present::summaryJson(r, warnings, info);
    if (!q.keepReport) std::string().swap(r.report);
  }
  py::dict out;
  out["status"] = r.status;
  out["message"] = asText(r.message);
  py::list problems, diagnostics;
  for (const auto& p : r.problems) problems.append(problemDict(p));
  for (const auto& d : inputWarnings) diagnostics.append(diagnostic(d));
  out["problems"] = problems;
  out["input_warnings"] = diagnostics;
  out["warnings"] = texts(warnings);
  out["summary"] = asText(summary);
  out["report"] = q.keepReport ? py::object(asText(r.report)) : py::object(py::none());
  return out;
}

}  // namespace

PYBIND11_MODULE(_korven, m) {
  m.doc() = "KORVEN's analysis calls; use the package korven rather than this module.";
  m.attr("version") = KORVEN_VERSION_TEXT;
  m.attr("STATUS_NORMAL") = KORVEN_STATUS_NORMAL;
  m.attr("STATUS_INPUT_ERROR") = KORVEN_STATUS_INPUT_ERROR;
  m.attr("STATUS_DATA_STOP") = KORVEN_STATUS_DATA_STOP;
  m.attr("STATUS_HARD_STOP") = KORVEN_STATUS_HARD_STOP;

  // A project that cannot be converted: korven.InputError with every
  // message (file, line, key, text) the command line shows.
  // The class is held for the life of the process (a static object would
  // be released after the interpreter has gone).
  static const py::handle inputError =
      py::object(py::module_::import("korven.errors").attr("InputError")).release();
  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const ProjectError& e) {
      py::list errors;
      for (const Diagnostic& d : e.errors()) errors.append(diagnostic(d));
      PyErr_SetObject(inputError.ptr(), inputError.attr("from_diagnostics")(errors).ptr());
    }
  });

  m.def("to_toml", [](const py::dict& project) { return tomlText(project); }, py::arg("project"),
        "The project dict as TOML text.");
  m.def("load", [](const py::bytes& text, const std::string& fileName) {
          return load(std::string(text), fileName);
        },
        py::arg("text"), py::arg("file_name"), "A project file's text as a dict.");
  m.def(
      "run",
      [](const py::object& input, bool project, const std::string& fileName,
         const std::string& inputName, const std::string& reportName, const std::string& plotName,
         bool report, std::optional<std::vector<int>> time) {
        Request q;
        q.project = project;
        q.fileName = fileName;
        q.inputName = inputName;
        q.reportName = reportName;
        q.plotName = plotName;
        q.keepReport = report;
        if (time) {
          if (time->size() != 6) throw py::value_error("the report time needs six numbers");
          const std::vector<int>& t = *time;
          q.time = korven::DateTime{t[0], t[1], t[2], t[3], t[4], t[5]};
        }
        std::string text;
        if (PyDict_Check(input.ptr())) {
          q.fromDict = true;
          text = tomlText(input.cast<py::dict>());
        } else {
          text = input.cast<std::string>();
        }
        return run(text, q);
      },
      py::arg("input"), py::arg("project"), py::arg("file_name"), py::arg("input_name"),
      py::arg("report_name"), py::arg("plot_name"), py::arg("report"), py::arg("time"),
      "Analyses a project (dict, or TOML text as bytes) or an input data file's text.");
}
