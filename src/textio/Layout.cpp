#include "textio/Layout.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "textio/FieldFormat.h"
#include "textio/FileError.h"

namespace korven::textio {

namespace detail {
// Where a write puts what its numbers read back as (HeldReals and
// HeldNumbers): a value for each value written, and, when `lineEnds` is
// given, for each record it ends, how many values counted from `base` end
// on or before it.
struct ReadBack {
  double* values = nullptr;
  std::vector<std::uint32_t>* lineEnds = nullptr;
  std::size_t base = 0;
};
}  // namespace detail

using detail::ReadBack;

// ---------------------------------------------------------------------------
// Parsed form

namespace {

enum class Op : std::uint8_t {
  Literal,  // 'text'
  Skip,     // nX
  Slash,    // /
  Dollar,   // $ : leave the record open
  Colon,    // : : stop here when no value is left
  Scale,    // kP
  Integer,  // Iw, Iw.m
  Fixed,    // Fw.d
  Exponent, // Ew.d, Ew.dEe, Dw.d
  Text,     // A, An
  Logical,  // Lw
  Group,    // n(...)
  GroupEnd, // end of a group in the flat program: back to its start or on
};

// Flat program: the layout as one sequence of instructions, each group
// opened by its Group instruction (repeat count) and closed by a GroupEnd
// (index of its Group), so that a write runs one loop without recursion.
struct Instr {
  Op op = Op::Literal;
  int repeat = 1;
  int w = 0;       // width; Skip: count; Scale: k; Text: -1 for plain A
  int d = 0;       // decimals; Integer: minimum digits (-1: none)
  int e = 0;       // exponent digits (0: default)
  char letter = 'E';
  std::size_t jump = 0;  // GroupEnd: index of its Group
  std::string text;

  bool takesValue() const {
    return op == Op::Integer || op == Op::Fixed || op == Op::Exponent || op == Op::Text ||
           op == Op::Logical;
  }
};

// Deepest nesting of groups a layout may have.
constexpr int kMaxGroupDepth = 16;

// Reads a layout straight into its flat program, in one pass over its text.
class Parser {
 public:
  explicit Parser(std::string_view source) : source_(source) {
    // Blanks outside quoted literals carry no meaning.
    text_.resize(source.size());
    char* out = text_.data();
    char quote = 0;
    for (char c : source) {
      if (quote != 0) {
        *out++ = c;
        if (c == quote) quote = 0;  // a doubled quote reopens at once below
      } else if (c == '\'' || c == '"') {
        quote = c;
        *out++ = c;
      } else if (c != ' ' && c != '\t') {
        *out++ = c;
      }
    }
    text_.resize(static_cast<std::size_t>(out - text_.data()));
  }

  // The program, and where reversion restarts it: at the last top-level
  // group, or at the top when there is none or nothing after it takes a
  // value (it would repeat forever).
  void parse(std::vector<Instr>& program, std::size_t& restart) {
    if (text_.empty() || text_.front() != '(') fail("layout must start with '('");
    pos_ = 1;
    program.reserve(text_.size() / 2 + 1);
    std::size_t lastGroup = 0;
    parseList(program, 0, lastGroup);
    if (pos_ != text_.size()) fail("text after the closing ')'");
    // The room taken for the longest program the text could hold goes back:
    // a run parses some ninety layouts, which then lie close together
    // instead of each on a page of its own.
    program.shrink_to_fit();
    restart = lastGroup;
    if (std::none_of(program.begin() + static_cast<std::ptrdiff_t>(restart), program.end(),
                     [](const Instr& n) { return n.takesValue(); })) {
      restart = 0;
    }
  }

 private:
  [[noreturn]] void fail(const char* why) const {
    throw std::invalid_argument("bad layout " + std::string(source_) + ": " + why);
  }
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }
  char upper() const {
    const char c = peek();
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  bool digit() const { return peek() >= '0' && peek() <= '9'; }

  int number() {
    if (!digit()) fail("number expected");
    int v = 0;
    while (digit()) {
      v = v * 10 + (peek() - '0');
      if (v > 100000) fail("number too large");
      ++pos_;
    }
    return v;
  }

  // Items up to and including the matching ')'; `lastGroup` receives where
  // the last group of the top level starts.
  void parseList(std::vector<Instr>& program, int depth, std::size_t& lastGroup) {
    for (;;) {
      while (peek() == ',') ++pos_;
      if (atEnd()) fail("missing ')'");
      if (peek() == ')') {
        ++pos_;
        return;
      }
      parseItem(program, depth, lastGroup);
    }
  }

  void parseItem(std::vector<Instr>& program, int depth, std::size_t& lastGroup) {
    Instr& n = program.emplace_back();
    const char c = peek();
    if (c == '\'' || c == '"') {
      n.op = Op::Literal;
      quoted(c, n.text);
      return;
    }
    int sign = 1;
    if (c == '-' || c == '+') {
      sign = c == '-' ? -1 : 1;
      ++pos_;
      if (!digit()) fail("digits expected after sign");
    }
    const bool counted = digit();
    const int count = counted ? number() : 1;
    if (sign < 0 && upper() != 'P') fail("sign allowed only before P");
    if (counted && count == 0 && upper() != 'P') fail("zero repeat count");
    const char k = upper();
    ++pos_;
    switch (k) {
      case 'X': n.op = Op::Skip; n.w = count; return;
      case 'P':
        if (!counted) fail("P needs a scale factor");
        n.op = Op::Scale;
        n.w = sign * count;
        return;
      case '/': n.op = Op::Slash; n.repeat = count; return;
      case '$':
      case '\\': n.op = Op::Dollar; return;
      case ':': n.op = Op::Colon; return;
      case 'H': {  // nH Hollerith literal: the next n characters as they stand
        if (!counted || pos_ + static_cast<std::size_t>(count) > text_.size()) fail("bad H literal");
        n.op = Op::Literal;
        n.text = text_.substr(pos_, static_cast<std::size_t>(count));
        pos_ += static_cast<std::size_t>(count);
        return;
      }
      case '(': {
        if (depth + 1 > kMaxGroupDepth) {
          throw std::invalid_argument("bad layout: groups nested deeper than " +
                                      std::to_string(kMaxGroupDepth));
        }
        n.op = Op::Group;
        n.repeat = count;
        const std::size_t start = program.size() - 1;  // `n` may move as the program grows
        if (depth == 0) lastGroup = start;
        parseList(program, depth + 1, lastGroup);
        Instr& end = program.emplace_back();
        end.op = Op::GroupEnd;
        end.jump = start;
        return;
      }
      case 'I':
        n.op = Op::Integer;
        n.repeat = count;
        n.w = number();
        n.d = -1;
        if (peek() == '.') {
          ++pos_;
          n.d = number();
        }
        break;
      case 'F':
      case 'E':
      case 'D':
        n.op = k == 'F' ? Op::Fixed : Op::Exponent;
        n.letter = k;
        n.repeat = count;
        n.w = number();
        if (peek() != '.') fail("w.d expected");
        ++pos_;
        n.d = number();
        if (k == 'E' && upper() == 'E' && pos_ + 1 < text_.size() && text_[pos_ + 1] >= '0' &&
            text_[pos_ + 1] <= '9') {
          ++pos_;
          n.e = number();
          if (n.e == 0) fail("zero exponent width");
        }
        break;
      case 'A':
        n.op = Op::Text;
        n.repeat = count;
        n.w = digit() ? number() : -1;
        break;
      case 'L':
        n.op = Op::Logical;
        n.repeat = count;
        n.w = digit() ? number() : 1;
        break;
      default: fail("unknown edit descriptor");
    }
    if (n.w == 0) fail("zero field width");
  }

  void quoted(char q, std::string& out) {
    ++pos_;
    for (;;) {
      const std::size_t close = text_.find(q, pos_);
      if (close == std::string::npos) fail("unterminated literal");
      out.append(text_, pos_, close - pos_);
      pos_ = close + 1;
      if (peek() != q) return;
      out.push_back(q);  // doubled quote stands for one
      ++pos_;
    }
  }

  std::string_view source_;
  std::string text_;
  std::size_t pos_ = 0;
};

// ---------------------------------------------------------------------------
// Execution

// Text shown for a value given to an A edit that is not text, and for a
// free-format record: integers as integers, reals as the shortest text that
// reads back to the same double (upper-case E), logicals as T/F.
void appendFree(std::string& out, const FieldValue& v) {
  switch (v.kind) {
    case FieldValue::Kind::Text: out.append(v.text); return;
    case FieldValue::Kind::Logical: out.push_back(v.logical ? 'T' : 'F'); return;
    case FieldValue::Kind::Integer: {
      char buf[24];
      out.append(buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v.integer).ptr - buf));
      return;
    }
    case FieldValue::Kind::Real: {
      if (std::isnan(v.real)) {
        out.append("NaN");
        return;
      }
      if (std::isinf(v.real)) {
        out.append(v.real < 0 ? "-Infinity" : "Infinity");
        return;
      }
      char buf[detail::kShortestRoom];
      out.append(buf, detail::putShortest(buf, v.real));
      return;
    }
  }
}

// Whether an integer reads back from its text as the very same double.
bool exactAsDouble(std::int64_t n) {
  constexpr std::int64_t kExact = std::int64_t{1} << 53;
  return n > -kExact && n < kExact;
}

// A layout that writes one field over and over: kP (0 or 1) at most, then
// either r of an E (default exponent) or F field, or r(nX, field) with at
// most kMaxRowLead blanks; reversion repeats the same record. The plot-data
// file's rows and the intermediate point files have this shape; a write of
// real values through it runs one loop instead of the program.
struct RowShape {
  detail::RowField field;
  std::size_t perRecord = 0;
  int prefix = 0;  // blanks at the start of every record: (21X,2F20.3)
};

std::optional<RowShape> rowShape(const std::vector<Instr>& program, std::size_t restart) {
  std::size_t i = 0;
  RowShape shape;
  detail::RowField& f = shape.field;
  // Blanks before r fields with none between them, the whole layout
  // repeated for every record: (21X,2F20.3), (1X,20X,2D20.3).
  for (; i < program.size() && program[i].op == Op::Skip; ++i) shape.prefix += program[i].w;
  if (shape.prefix > 0 && !(restart == 0 && program.size() == i + 1)) return std::nullopt;
  if (i < program.size() && program[i].op == Op::Scale) {
    f.scale = program[i].w;
    ++i;
  }
  // Reversion must start where the fields start (or at the very top).
  if (restart != 0 && restart != i) return std::nullopt;
  const Instr* field = nullptr;
  if (program.size() == i + 1) {
    field = &program[i];
    shape.perRecord = static_cast<std::size_t>(field->repeat);
  } else if (program.size() >= i + 4 && program[i].op == Op::Group && program[i + 1].op == Op::Skip &&
             program.back().op == Op::GroupEnd) {
    // r(nX,field) or r(nX,kP,field): a scale factor inside the group is
    // set again before every field, to the same value.
    std::size_t at = i + 2;
    if (program.size() == i + 5 && program[at].op == Op::Scale && i == 0) {
      f.scale = program[at].w;
      ++at;
    }
    if (program.size() != at + 2 || program[at].repeat != 1) return std::nullopt;
    field = &program[at];
    f.lead = program[i + 1].w;
    shape.perRecord = static_cast<std::size_t>(program[i].repeat);
  } else {
    return std::nullopt;
  }
  if (!(field->op == Op::Fixed || (field->op == Op::Exponent && field->e == 0))) return std::nullopt;
  if (f.scale != 0 && f.scale != 1) return std::nullopt;
  f.fixed = field->op == Op::Fixed;
  if (f.fixed && f.scale != 0) return std::nullopt;
  if (f.lead < 0 || f.lead > detail::kMaxRowLead || shape.perRecord < 1) return std::nullopt;
  if (field->w < 1 || field->w > static_cast<int>(detail::kFieldRoom)) return std::nullopt;
  f.w = field->w;
  f.d = field->d;
  f.letter = field->letter;
  return shape;
}

// Value conversions when the item and the value differ in kind (the calling
// code is expected to match them; these keep the output sensible):
// a real given to I is truncated towards zero (NaN or out of range: the
// field shows asterisks); an integer or logical given to F/E/D is converted
// to double; a logical given to I is 1 or 0; text given to a numeric item
// shows asterisks; any non-text value given to A shows its free-format text;
// L shows T for a nonzero number or non-empty text.
// The records go to the end of `record`, each completed one ended by a line
// end; a record left open by '$' stays as the text's tail. The common fields
// are written into a buffer on the stack that goes to `record` in one piece
// (when full, before a field written by the general formatters, and at the
// end of the write).
struct Run {
  Run(std::span<const FieldValue> v, std::string& r) : values(v), record(r) {}

  std::span<const FieldValue> values;
  std::string& record;
  std::size_t next = 0;
  int scale = 0;
  int pendingBlanks = 0;  // nX: blanks appear only when text follows them
  bool dollar = false;
  ReadBack readBack;        // where what the numbers read back as goes, when anywhere
  bool allReadBack = true;  // every value so far has it there
  std::size_t used = 0;
  char buffer[1024];  // not zero-filled: only buffer[0..used) is ever read

  void flush() {
    record.append(buffer, used);
    used = 0;
  }
  // Where the next n characters go in the buffer; null when n exceeds the
  // buffer (the caller then appends to `record` after flush()).
  char* room(std::size_t n) {
    if (used + n > sizeof buffer) {
      flush();
      if (n > sizeof buffer) return nullptr;
    }
    return buffer + used;
  }
  void put(std::string_view text) {
    if (char* p = room(text.size())) {
      std::memcpy(p, text.data(), text.size());
      used += text.size();
    } else {
      record.append(text);
    }
  }
  void place() {
    if (pendingBlanks > 0) {
      const auto n = static_cast<std::size_t>(pendingBlanks);
      if (n <= detail::kFieldRoom) {
        detail::layBlanks(room(detail::kFieldRoom));
        used += n;
      } else {
        flush();
        record.append(n, ' ');
      }
      pendingBlanks = 0;
    }
  }
  void endRecord() {
    if (used == sizeof buffer) flush();
    buffer[used++] = '\n';
    pendingBlanks = 0;
    if (readBack.lineEnds != nullptr) readBack.lineEnds->push_back(static_cast<std::uint32_t>(readBack.base + next));
  }
  // Whether a number laid at `at` in the buffer stands apart from the text
  // before it, so that a reader takes it as a word of its own.
  bool apart(const char* at) const {
    if (*at == ' ') return true;
    const char before = at > buffer ? at[-1] : record.empty() ? '\n' : record.back();
    return before == ' ' || before == '\n';
  }
  void stars(int w) {
    const auto n = static_cast<std::size_t>(w > 0 ? w : 0);
    if (char* p = room(n)) {
      std::memset(p, '*', n);
      used += n;
    } else {
      record.append(n, '*');
    }
  }

  void field(const Instr& n, const FieldValue& v, std::size_t index) {
    place();
    using K = FieldValue::Kind;
    double* const keep = readBack.values == nullptr ? nullptr : readBack.values + index;
    if (keep != nullptr && !(n.op == Op::Integer || n.op == Op::Fixed || n.op == Op::Exponent)) allReadBack = false;
    switch (n.op) {
      case Op::Integer: {
        std::int64_t i = 0;
        if (v.kind == K::Integer) {
          i = v.integer;
        } else if (v.kind == K::Logical) {
          i = v.logical ? 1 : 0;
        } else if (v.kind == K::Real && std::isfinite(v.real) && std::fabs(v.real) < 9.2e18) {
          i = static_cast<std::int64_t>(v.real);
        } else {
          stars(n.w);
          allReadBack = false;
          return;
        }
        const auto w = static_cast<std::size_t>(n.w > 0 ? n.w : 0);
        if (char* p = room(std::max(w, detail::kFieldRoom)); p && detail::putInteger(p, n.w, n.d, i)) {
          // The integer reads back as itself unless the field shows
          // asterisks or nothing (Iw.0 of zero).
          if (keep != nullptr) {
            if (p[0] != '*' && !(n.d == 0 && i == 0) && exactAsDouble(i) && apart(p)) {
              *keep = static_cast<double>(i);
            } else {
              allReadBack = false;
            }
          }
          used += w;
          return;
        }
        flush();
        detail::appendInteger(record, n.w, n.d, i);
        allReadBack = false;
        return;
      }
      case Op::Fixed:
      case Op::Exponent: {
        double x = 0.0;
        if (v.kind == K::Real) {
          x = v.real;
        } else if (v.kind == K::Integer) {
          x = static_cast<double>(v.integer);
        } else if (v.kind == K::Logical) {
          x = v.logical ? 1.0 : 0.0;
        } else {
          stars(n.w);
          allReadBack = false;
          return;
        }
        const auto w = static_cast<std::size_t>(n.w > 0 ? n.w : 0);
        if (char* p = room(std::max(w, detail::kFieldRoom))) {
          const bool done = n.op == Op::Fixed
                                ? scale == 0 && detail::putFixed(p, n.w, n.d, x, keep)
                                : n.e == 0 && detail::putExponent(p, n.w, n.d, scale, n.letter, x, keep);
          if (done) {
            if (keep != nullptr && !apart(p)) allReadBack = false;
            used += w;
            return;
          }
        }
        allReadBack = false;
        flush();
        if (n.op == Op::Fixed) {
          detail::appendFixed(record, n.w, n.d, scale, x);
        } else {
          detail::appendExponent(record, n.w, n.d, n.e, scale, n.letter, x);
        }
        return;
      }
      case Op::Text: {
        // An (w >= 0): the leftmost w characters, or right-justified when
        // shorter; plain A: the text as it is. A value that is not text
        // shows its free-format text.
        std::string shownValue;
        std::string_view text = v.text;
        if (v.kind != K::Text) {
          appendFree(shownValue, v);
          text = shownValue;
        }
        if (n.w >= 0 && text.size() >= static_cast<std::size_t>(n.w)) {
          text = text.substr(0, static_cast<std::size_t>(n.w));
        } else if (n.w >= 0) {
          pendingBlanks = n.w - static_cast<int>(text.size());
          place();
        }
        put(text);
        return;
      }
      case Op::Logical: {
        bool b = false;
        switch (v.kind) {
          case K::Logical: b = v.logical; break;
          case K::Integer: b = v.integer != 0; break;
          case K::Real: b = v.real != 0.0; break;
          case K::Text: b = !v.text.empty(); break;
        }
        pendingBlanks = n.w - 1;
        place();
        put(b ? "T" : "F");
        return;
      }
      default: return;
    }
  }

  // Real values written through a row layout (see RowShape): the same
  // field, each after its blanks, a record per `perRecord` values; the
  // fields go into the buffer in runs, and one that the general formatters
  // must write is written by them.
  // What each field reads back as goes to `readBack`, where it could be
  // found (see allReadBack).
  void row(const RowShape& shape, std::span<const double> reals) {
    const detail::RowField& f = shape.field;
    double* const held = readBack.values;
    scale = f.scale;
    const auto step = static_cast<std::size_t>(f.lead + f.w);
    const std::size_t fit = (sizeof buffer - detail::kFieldRoom) / step;
    for (std::size_t start = 0; start < reals.size(); start += shape.perRecord) {
      next = start;  // the values before this record, for the record ends
      if (start > 0) endRecord();
      pendingBlanks = shape.prefix;
      place();
      std::size_t i = start;
      const std::size_t end = std::min(reals.size(), start + shape.perRecord);
      while (i < end) {
        const std::size_t n = std::min(end - i, fit);
        char* const at = room(n * step + detail::kFieldRoom);
        const std::size_t k = detail::putRow(at, reals.subspan(i, n), f, held == nullptr ? nullptr : held + i);
        if (f.lead == 0) {
          // A field that fills its width runs into the one before it: the
          // two read back as one word.
          for (std::size_t j = 0; j < k; ++j) allReadBack = allReadBack && (i + j == start || at[j * step] == ' ');
        }
        used += k * step;
        i += k;
        if (k < n) {
          pendingBlanks = f.lead;
          place();
          flush();
          if (f.fixed) {
            detail::appendFixed(record, f.w, f.d, scale, reals[i]);
          } else {
            detail::appendExponent(record, f.w, f.d, 0, scale, f.letter, reals[i]);
          }
          allReadBack = false;
          ++i;
        }
      }
    }
  }

  // Runs the program from `from` to its end; false when the write ends at
  // an item that needs a value and none is left.
  bool exec(const std::vector<Instr>& program, std::size_t from) {
    int remaining[kMaxGroupDepth];  // repetitions left of each open group
    int depth = 0;
    for (std::size_t pc = from; pc < program.size(); ++pc) {
      const Instr& n = program[pc];
      switch (n.op) {
        case Op::Literal:
          place();
          put(n.text);
          if (readBack.values != nullptr) allReadBack = false;  // it may run into a number
          break;
        case Op::Skip: pendingBlanks += n.w; break;
        case Op::Slash:
          for (int r = 0; r < n.repeat; ++r) endRecord();
          break;
        case Op::Dollar: dollar = true; break;
        case Op::Colon:
          if (next >= values.size()) return false;
          break;
        case Op::Scale: scale = n.w; break;
        case Op::Group: remaining[depth++] = n.repeat; break;
        case Op::GroupEnd:
          if (--remaining[depth - 1] > 0) {
            pc = n.jump;  // the group's first item comes next
          } else {
            --depth;
          }
          break;
        default:
          for (int r = 0; r < n.repeat; ++r) {
            if (next >= values.size()) return false;
            field(n, values[next], next);
            ++next;
          }
          break;
      }
    }
    return true;
  }
};

}  // namespace

struct Layout::Impl {
  // Told apart from every other layout of the process, also one parsed
  // later where an earlier one was.
  std::uint64_t id = nextId();
  std::vector<Instr> program;
  std::size_t restart = 0;  // where the last top-level group starts in the program
  std::optional<RowShape> row;  // when the layout writes one field over and over

  static std::uint64_t nextId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
  }

  // Real values through a row layout. What their text reads back as goes
  // to `readBack`; the result tells whether every value has it there.
  bool runReals(std::span<const double> reals, std::string& text, bool& leftOpen,
                const ReadBack& readBack = {}) const {
    Run r{{}, text};
    r.readBack = readBack;
    r.row(*row, reals);
    leftOpen = false;
    r.next = reals.size();
    r.endRecord();
    r.flush();
    return r.allReadBack;
  }

  // Applies the layout to the values, appending the records to `text`;
  // the open record (when the write ended with '$') is left as its tail.
  // What the values' fields read back as goes to `readBack`; the result
  // tells whether every value has it there.
  bool run(std::span<const FieldValue> values, std::string& text, bool& leftOpen,
           const ReadBack& readBack = {}) const {
    if (row && !values.empty() &&
        std::all_of(values.begin(), values.end(),
                    [](const FieldValue& v) { return v.kind == FieldValue::Kind::Real; })) {
      std::vector<double> reals(values.size());
      for (std::size_t i = 0; i < values.size(); ++i) reals[i] = values[i].real;
      return runReals(reals, text, leftOpen, readBack);
    }
    Run r{values, text};
    r.readBack = readBack;
    std::size_t from = 0;
    for (;;) {
      const std::size_t before = r.next;
      if (!r.exec(program, from)) break;
      // End of the layout: done when no value is left, or when a pass took
      // none (the remaining values could never be written).
      if (r.next >= values.size() || r.next == before) break;
      // Reversion: the record ends and the layout restarts from its last
      // top-level group; the scale factor stays in force.
      r.endRecord();
      from = restart;
    }
    leftOpen = r.dollar;
    if (!leftOpen) r.endRecord();
    r.flush();
    return r.allReadBack && r.next == values.size();
  }
};

Layout::Layout(std::string_view text) : impl_(std::make_unique<Impl>()) {
  Parser(text).parse(impl_->program, impl_->restart);
  impl_->row = rowShape(impl_->program, impl_->restart);
}

Layout::~Layout() = default;
Layout::Layout(Layout&&) noexcept = default;
Layout& Layout::operator=(Layout&&) noexcept = default;

void Layout::format(std::span<const FieldValue> values, std::string& open,
                    std::vector<std::string>& lines, bool& leftOpen) const {
  impl_->run(values, open, leftOpen);
  std::size_t start = 0;
  for (std::size_t end = open.find('\n'); end != std::string::npos; end = open.find('\n', start)) {
    lines.emplace_back(open, start, end - start);
    start = end + 1;
  }
  open.erase(0, start);
}

// ---------------------------------------------------------------------------
// OutputChannel

namespace {
// Text of an opened file kept in memory up to this size before it is
// written out; below it a file is written once, on close.
constexpr std::size_t kWriteThreshold = std::size_t{8} << 20;

void requireFinite(std::span<const FieldValue> values) {
  for (const FieldValue& v : values) {
    if (v.kind == FieldValue::Kind::Real && !std::isfinite(v.real)) throw NonFiniteValue();
  }
}
void requireFinite(std::span<const double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) throw NonFiniteValue();
  }
}
}  // namespace

OutputChannel::OutputChannel() = default;

OutputChannel::~OutputChannel() { abandon(); }

bool OutputChannel::open(const std::string& path, std::string* why) {
  close();
  // An existing file is written over in place and cut to its new length on
  // close, not truncated here: truncating a file that holds data waits for
  // the file system's journal, milliseconds each time a run repeats.
  // One look at the file: file_size succeeds for a regular file only
  // (symbolic links followed).
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  const bool existing = !ec;
  errno = 0;
  std::FILE* file = existing && size > 0 ? std::fopen(path.c_str(), "r+") : nullptr;
  if (file == nullptr) {
    errno = 0;
    file = std::fopen(path.c_str(), "w");
  }
  if (file == nullptr) {
    if (why != nullptr) *why = systemReason(errno, "cannot be created");
    return false;
  }
  previousSize_ = existing ? size : 0;
  written_ = 0;
  // The text is assembled here and handed over in one piece: no second
  // buffer in between. A run repeated on the same input writes texts of
  // about the length the file has: room for that is taken at once, so the
  // text is not copied from one doubling of its buffer to the next.
  std::setvbuf(file, nullptr, _IONBF, 0);
  file_ = file;
  path_ = path;
  buffer_.clear();
  buffer_.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(previousSize_, kWriteThreshold)));
  text_ = &buffer_;
  return true;
}

void OutputChannel::attach(std::ostream& stream) {
  close();
  stream_ = &stream;
  buffer_.clear();
  text_ = &buffer_;
}

void OutputChannel::attach(std::string& text) {
  close();
  text_ = &text;
}

void OutputChannel::fail(const char* fallback) {
  const std::string reason = systemReason(errno, fallback);
  const std::string path = path_;
  buffer_.clear();  // what the file refused is not offered again
  abandon();
  throw FileError(path, "write", reason);
}

void OutputChannel::writeOut(std::size_t count) {
  if (count == 0) return;
  if (file_ != nullptr) {
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, count, file_) != count) fail("write error");
    written_ += count;
  } else if (stream_ != nullptr) {
    stream_->write(buffer_.data(), static_cast<std::streamsize>(count));
  }
  buffer_.erase(0, count);
}

void OutputChannel::deliver() {
  // An attached stream receives every completed record at once (messages
  // keep their place among other writes to it); a file receives its text
  // on close, or in pieces when it grows very large.
  if (stream_ != nullptr || (file_ != nullptr && buffer_.size() >= kWriteThreshold)) {
    writeOut(buffer_.rfind('\n') + 1);
  }
}

bool OutputChannel::cutOldText(std::uintmax_t length) {
  // What is left of the file's earlier text beyond the new one goes.
  const std::uintmax_t previous = previousSize_;
  previousSize_ = 0;
  if (length >= previous) return true;
  std::error_code ec;
  std::filesystem::resize_file(path_, length, ec);
  errno = ec.value();
  return !ec;
}

void OutputChannel::holdNumbers(HeldNumbers* held) {
  held_ = held;
  if (held == nullptr) return;
  held->text.clear();
  held->values.clear();
  held->lineEnds.clear();
  held->complete = text_ != nullptr;
  heldFrom_ = text_ == nullptr ? 0 : text_->size();
}

void OutputChannel::finishHeld() {
  HeldNumbers& held = *held_;
  held_ = nullptr;
  // The whole text must still be here, nothing of it handed on yet, and
  // every record of it ended.
  const std::string_view text = std::string_view(*text_).substr(heldFrom_);
  held.complete = held.complete && written_ == 0 && stream_ == nullptr && (text.empty() || text.back() == '\n') &&
                  held.values.size() < std::numeric_limits<std::uint32_t>::max();
  if (held.complete) held.text.assign(text);
}

void OutputChannel::close() {
  if (text_ == nullptr) return;
  if (recordOpen_) endRecord();
  if (held_ != nullptr) finishHeld();
  writeOut(buffer_.size());
  if (file_ != nullptr) {
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    // The file was written from its start, unbuffered, every byte checked:
    // its length is what was written. On Windows a text file takes two
    // bytes for each line end, and its position tells its length.
#if defined(_WIN32)
    const long position = std::ftell(file);
    const bool known = position >= 0;
    const auto length = static_cast<std::uintmax_t>(known ? position : 0);
#else
    const bool known = true;
    const std::uintmax_t length = written_;
#endif
    if (std::fclose(file) != 0) fail("error on closing the file");
    if (known && !cutOldText(length)) fail("write error");
  } else if (stream_ != nullptr) {
    stream_->flush();
  }
  stream_ = nullptr;
  text_ = nullptr;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

void OutputChannel::abandon() noexcept {
  if (held_ != nullptr) {
    held_->complete = false;
    held_ = nullptr;
  }
  // What was written so far is kept where the file still takes it (a run
  // that failed on another file leaves its report up to the failure);
  // failures here are not reported again.
  try {
    if (text_ != nullptr && recordOpen_) text_->push_back('\n');
    if (file_ != nullptr) {
      std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
      const long length = std::ftell(file_);
      std::fclose(file_);
      file_ = nullptr;
      if (length >= 0) cutOldText(static_cast<std::uintmax_t>(length));
    } else if (stream_ != nullptr) {
      stream_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
      stream_->flush();
    }
  } catch (...) {
  }
  file_ = nullptr;
  stream_ = nullptr;
  text_ = nullptr;
  buffer_.clear();
  recordOpen_ = false;
}

bool OutputChannel::isOpen() const { return text_ != nullptr; }

void OutputChannel::flush() {
  if (file_ == nullptr && stream_ == nullptr) return;
  writeOut(buffer_.rfind('\n') + 1);
  if (stream_ != nullptr) stream_->flush();
}

ReadBack OutputChannel::heldRoom(std::size_t count) {
  if (held_ == nullptr) return {};
  const std::size_t base = held_->values.size();
  held_->values.resize(base + count);
  return {held_->values.data() + base, &held_->lineEnds, base};
}

void OutputChannel::writeValues(const Layout& layout, std::span<const FieldValue> values) {
  if (text_ == nullptr) return;
  requireFinite(values);
  const ReadBack held = heldRoom(values.size());
  if (!layout.impl_->run(values, *text_, recordOpen_, held) && held_ != nullptr) held_->complete = false;
  deliver();
}

void OutputChannel::writeReals(const Layout& layout, std::span<const double> values) {
  if (text_ == nullptr) return;
  requireFinite(values);
  const ReadBack held = heldRoom(values.size());
  bool all = true;
  if (layout.impl_->row && !values.empty()) {
    all = layout.impl_->runReals(values, *text_, recordOpen_, held);
  } else {
    // Most such writes hold a few values: converted on the stack.
    constexpr std::size_t kOnStack = 32;
    if (values.size() <= kOnStack) {
      alignas(FieldValue) unsigned char storage[kOnStack * sizeof(FieldValue)];
      auto* fields = reinterpret_cast<FieldValue*>(storage);
      for (std::size_t i = 0; i < values.size(); ++i) std::construct_at(fields + i, values[i]);
      all = layout.impl_->run(std::span<const FieldValue>(fields, values.size()), *text_, recordOpen_, held);
    } else {
      const std::vector<FieldValue> fields(values.begin(), values.end());
      all = layout.impl_->run(fields, *text_, recordOpen_, held);
    }
  }
  if (!all && held_ != nullptr) held_->complete = false;
  deliver();
}

void OutputChannel::writeRows(const Layout& layout, std::span<const double> values, HeldReals& held) {
  if (text_ == nullptr) return;
  if (held_ != nullptr) held_->complete = false;  // its numbers are kept in `held`
  finishRecord();
  const bool again = held.complete && held.layout == layout.impl_->id && held.source.size() == values.size() &&
                     std::memcmp(held.source.data(), values.data(), values.size() * sizeof(double)) == 0;
  if (again) {
    text_->append(held.text);
    deliver();
    return;
  }
  const auto& row = layout.impl_->row;
  held.complete = false;
  held.text.clear();
  held.values.clear();
  held.perLine = 0;
  held.layout = layout.impl_->id;
  held.source.assign(values.begin(), values.end());
  if (!row || values.empty()) {
    writeReals(layout, values);
    return;
  }
  requireFinite(values);
  const std::size_t before = text_->size();
  held.values.resize(values.size());
  const bool all = layout.impl_->runReals(values, *text_, recordOpen_, {held.values.data()});
  held.text.assign(*text_, before);
  // Every line holds perRecord numbers, or there is one line.
  const std::size_t perRecord = row->perRecord;
  held.perLine = values.size() <= perRecord ? values.size() : perRecord;
  held.complete = all && values.size() % held.perLine == 0;
  deliver();
}

void OutputChannel::writeFreeValues(std::span<const FieldValue> values) {
  if (text_ == nullptr) return;
  requireFinite(values);
  if (held_ != nullptr) {
    // Integers read back as themselves, reals written in their shortest
    // text as the very same double; texts and logicals are no numbers.
    for (const FieldValue& v : values) {
      if (v.kind == FieldValue::Kind::Real) {
        held_->values.push_back(v.real);
      } else if (v.kind == FieldValue::Kind::Integer && exactAsDouble(v.integer)) {
        held_->values.push_back(static_cast<double>(v.integer));
      } else {
        held_->complete = false;
      }
    }
  }
  for (const FieldValue& v : values) {
    text_->push_back(' ');
    appendFree(*text_, v);
  }
  if (values.empty()) text_->push_back(' ');
  endRecord();
}

void OutputChannel::append(std::string_view text) {
  if (text_ == nullptr) return;
  if (held_ != nullptr) held_->complete = false;
  text_->append(text);
  recordOpen_ = true;
}

void OutputChannel::endRecord() {
  if (text_ == nullptr) return;
  if (held_ != nullptr) held_->lineEnds.push_back(static_cast<std::uint32_t>(held_->values.size()));
  text_->push_back('\n');
  recordOpen_ = false;
  deliver();
}

std::string systemReason(int errorNumber, const char* fallback) {
  if (errorNumber == 0) return fallback;
  return std::generic_category().message(errorNumber);
}

}  // namespace korven::textio
