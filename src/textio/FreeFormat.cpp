// Free-format record reader: the list-directed input rules of the data file
// and of the intermediate point files.
//
// Field rules, as a Fortran list-directed read applies them:
// - blanks, tabs and the line end separate fields; a comma directly after a
//   value (blanks and line ends around it allowed) is that value's separator;
//   any further comma, or a comma before the first value of a record, stands
//   for a null field;
// - r*value repeats the value r times, r* gives r null fields; a repeat that
//   the record does not use up is dropped when the next record starts;
// - a slash ends the record: every field still to be read is null;
// - quoted text may continue on the next line (the line end adds nothing).
#include "textio/FreeFormat.h"

#include "textio/DecimalValue.h"
#include "textio/FileError.h"
#include "textio/Printable.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <string>
#include <system_error>

namespace korven::textio {

namespace {

constexpr const char* kEndOfFile = "UNEXPECTED END OF FILE";
constexpr const char* kExpectedNumber = "EXPECTED A NUMBER";
constexpr const char* kExpectedInteger = "EXPECTED AN INTEGER";

// Longest piece of offending text quoted in a message.
constexpr std::size_t kMaxQuoted = 60;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool endsUnquoted(char c) { return isBlank(c) || c == ',' || c == '/'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string formatMessage(const std::string& source, const std::string& record, int line,
                          const std::string& text, const std::string& problem) {
  std::string m = record + ", LINE " + std::to_string(line);
  if (source != kInputDataFile) m += " OF THE " + source;
  m += ": " + problem;
  if (!text.empty()) {
    m += ", FOUND '";
    m += printable(text.size() > kMaxQuoted ? text.substr(0, kMaxQuoted) + "..." : text);
    m += "'";
  }
  return m;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (x != b[i]) return false;
  }
  return true;
}

// NaN, Inf and Infinity with an optional sign (what a C or Fortran run-time
// would turn into a non-finite value).
bool isNonFiniteWord(std::string_view t) {
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
  if (t.size() >= 3 && equalsNoCase(t.substr(0, 3), "NAN")) return true;
  return equalsNoCase(t, "INF") || equalsNoCase(t, "INFINITY");
}

enum class NumberStatus { Ok, NotANumber, OutOfRange };

// A whole-token integer: optional sign and digits only.
NumberStatus parseInteger(std::string_view t, int& value) {
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  std::size_t digitsAt = (!t.empty() && t[0] == '-') ? 1 : 0;
  if (t.size() == digitsAt) return NumberStatus::NotANumber;
  for (std::size_t i = digitsAt; i < t.size(); ++i) {
    if (!isDigit(t[i])) return NumberStatus::NotANumber;
  }
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec == std::errc::result_out_of_range) return NumberStatus::OutOfRange;
  return (ec == std::errc() && end == t.data() + t.size()) ? NumberStatus::Ok
                                                            : NumberStatus::NotANumber;
}

unsigned digitValue(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// Eight characters as one 64-bit word, the first in the lowest byte.
std::uint64_t loadEight(const char* p) {
  std::uint64_t v = 0;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | ((v >> (8 * i)) & 0xFF);
    v = r;
  }
  return v;
}

// How many of the word's characters, from the first, are digits. A byte
// is a digit when neither adding 0x46 nor subtracting 0x30 sets its top
// bit and the top bit is clear to begin with; a carry or borrow only comes
// out of a byte that is not a digit, so it never hides the first of those.
int leadingDigits(std::uint64_t v) {
  const std::uint64_t other =
      (v | (v + 0x4646464646464646u) | (v - 0x3030303030303030u)) & 0x8080808080808080u;
  return other == 0 ? 8 : std::countr_zero(other) / 8;
}

// The value of a word of digit characters (bytes of zero bits before them
// count as leading zeros): neighbouring digits, pairs and fours joined by
// three multiply-and-shift steps.
std::uint64_t digitsValue(std::uint64_t v) {
  v = (v & 0x0F0F0F0F0F0F0F0Fu) * 2561 >> 8;
  v = (v & 0x00FF00FF00FF00FFu) * 6553601 >> 16;
  return (v & 0x0000FFFF0000FFFFu) * 42949672960001u >> 32;
}

// The form that E and D fields write: one digit, the point, one to seven
// decimals and a two-digit exponent with its letter and sign (0.12345E+01,
// 1.234D-05), read at p in one word of decimals; nullptr when the text at p
// has another form. [p, p + 16) must be readable.
const char* parseFieldForm(const char* p, bool negative, double& value) {
  const unsigned lead = digitValue(p[0]);
  if (lead >= 10 || p[1] != '.') return nullptr;
  const std::uint64_t word = loadEight(p + 2);
  const int k = leadingDigits(word);
  if (k == 0 || k == 8) return nullptr;
  const char* q = p + 2 + k;
  const char letter = q[0];
  if (!(letter == 'E' || letter == 'e' || letter == 'D' || letter == 'd') || (q[1] != '+' && q[1] != '-')) {
    return nullptr;
  }
  const unsigned e1 = digitValue(q[2]), e0 = digitValue(q[3]);
  if (e1 >= 10 || e0 >= 10 || digitValue(q[4]) < 10) return nullptr;
  const int e = static_cast<int>(e1 * 10 + e0);
  const int exponent = (q[1] == '-' ? -e : e) - k;
  if (exponent < -22 || exponent > 22) return nullptr;
  // The decimals moved to the top of the word, zeros below them.
  static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  const std::uint64_t digits = lead * kScale[k] + digitsValue(word << (8 * (8 - k)));
  value = exactDecimal(digits, exponent, negative);
  return q + 4;
}

// parseFieldForm after an optional sign, all of [p, readable) readable;
// where fewer than 16 characters of the number are, it is read from a copy
// with zeros after it.
const char* parseSignedFieldForm(const char* p, const char* readable, double& value) {
  const bool negative = *p == '-';
  const char* number = p + (negative || *p == '+' ? 1 : 0);
  if (readable - number >= 16) return parseFieldForm(number, negative, value);
  char padded[16] = {};
  std::memcpy(padded, number, static_cast<std::size_t>(readable - number));
  const char* after = parseFieldForm(padded, negative, value);
  return after == nullptr ? nullptr : number + (after - padded);
}

// The common case of parseReal without building a string, read from the
// front of a text that a character outside the number ends (a line's
// terminating NUL at the latest): at most
// 19 digits (leading zeros included) and a decimal exponent within 22 of
// them, where the digits and the power of ten are exact doubles and one
// multiplication or division rounds the value correctly (the same double
// from_chars gives). Returns the character after the number (the caller
// decides whether that may end it), or nullptr when the number is not of
// that kind (parseReal then decides).
const char* parseShortRealPrefix(const char* p, double& value) {
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  std::uint64_t digits = 0;
  const char* first = p;
  for (unsigned d; (d = digitValue(*p)) < 10; ++p) digits = digits * 10 + d;
  int count = static_cast<int>(p - first);
  int exponent = 0;
  if (*p == '.') {
    first = ++p;
    for (unsigned d; (d = digitValue(*p)) < 10; ++p) digits = digits * 10 + d;
    count += static_cast<int>(p - first);
    exponent = -static_cast<int>(p - first);
  }
  if (count == 0 || count > 19) return nullptr;
  const char c = *p;
  if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == '+' || c == '-') {
    if (c != '+' && c != '-') ++p;
    bool expNegative = false;
    if (*p == '+' || *p == '-') expNegative = *p++ == '-';
    first = p;
    int e = 0;
    for (unsigned d; p - first < 4 && (d = digitValue(*p)) < 10; ++p) e = e * 10 + static_cast<int>(d);
    if (p == first) return nullptr;
    exponent += expNegative ? -e : e;
  }
  if (digits != 0 && (digits > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22)) return nullptr;
  value = exactDecimal(digits, exponent, negative);
  return p;
}

// The field form, else parseShortRealPrefix, over a whole token.
bool parseShortReal(std::string_view t, double& value) {
  char text[64] = {};  // the token with a terminator after it
  if (t.size() >= sizeof text) return false;
  std::memcpy(text, t.data(), t.size());
  const char* stop = parseSignedFieldForm(text, text + sizeof text, value);
  if (stop == nullptr) stop = parseShortRealPrefix(text, value);
  return stop == text + t.size();
}

// A whole-token real in the forms of Fortran input:
//   [sign] digits[.[digits]] | [sign] .digits
// followed by an optional exponent: E, D (either case) with an optional sign,
// or a bare sign, then digits. Too small a value reads as zero; too large a
// one is out of range.
NumberStatus parseReal(std::string_view t, double& value) {
  if (parseShortReal(t, value)) return NumberStatus::Ok;
  std::string s;  // rebuilt as "mantissa" or "mantissa e exponent"
  s.reserve(t.size() + 1);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    negative = t[i] == '-';
    if (negative) s += '-';
    ++i;
  }
  int intDigits = 0;       // significant digits before the point
  int leadingZeros = 0;    // zeros right after the point before any other digit
  bool anyDigit = false;
  bool nonZeroSeen = false;
  for (; i < t.size() && isDigit(t[i]); ++i) {
    s += t[i];
    anyDigit = true;
    if (t[i] != '0') nonZeroSeen = true;
    if (nonZeroSeen) ++intDigits;
  }
  if (i < t.size() && t[i] == '.') {
    s += '.';
    ++i;
    for (; i < t.size() && isDigit(t[i]); ++i) {
      s += t[i];
      anyDigit = true;
      if (t[i] != '0') nonZeroSeen = true;
      if (!nonZeroSeen) ++leadingZeros;
    }
  }
  if (!anyDigit) return NumberStatus::NotANumber;
  long exponent = 0;
  if (i < t.size()) {
    char c = t[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') ++i;
    else if (c != '+' && c != '-') return NumberStatus::NotANumber;
    bool expNegative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
      expNegative = t[i] == '-';
      ++i;
    }
    if (i == t.size()) return NumberStatus::NotANumber;
    for (; i < t.size(); ++i) {
      if (!isDigit(t[i])) return NumberStatus::NotANumber;
      if (exponent < 100000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (expNegative) exponent = -exponent;
    s += 'e';
    s += std::to_string(exponent);
  }
  double v = 0.0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // Decimal magnitude of the leading significant digit decides between
    // underflow (reads as zero) and overflow.
    long magnitude = (intDigits > 0 ? intDigits : -leadingZeros) + exponent;
    if (magnitude > 0) return NumberStatus::OutOfRange;
    value = negative ? -0.0 : 0.0;
    return NumberStatus::Ok;
  }
  if (ec != std::errc() || end != s.data() + s.size()) return NumberStatus::NotANumber;
  if (!std::isfinite(v)) return NumberStatus::OutOfRange;
  value = v;
  return NumberStatus::Ok;
}

}  // namespace

InputError::InputError(std::string record, int line, std::string text, std::string problem,
                       std::string source)
    : std::runtime_error(formatMessage(source, record, line, text, problem)),
      source_(std::move(source)),
      record_(std::move(record)),
      line_(line),
      text_(std::move(text)),
      problem_(std::move(problem)) {}

RecordReader::RecordReader(std::istream& in, std::string fileName, std::string role,
                           std::size_t maxFileBytes)
    : in_(&in), fileName_(std::move(fileName)), role_(std::move(role)), maxFileBytes_(maxFileBytes) {}

InputError RecordReader::error(const std::string& recordName, int line, std::string text,
                               std::string problem) const {
  return InputError(recordName, line, std::move(text), std::move(problem), role_);
}

// The bytes held in a stream buffer's get area, read in place.
struct BufferAccess : std::streambuf {
  static std::string_view held(std::streambuf& b) {
    const char* next = (b.*&BufferAccess::gptr)();
    const char* end = (b.*&BufferAccess::egptr)();
    return std::string_view(next, static_cast<std::size_t>(end - next));
  }
  static void consume(std::streambuf& b, std::size_t n) {
    (b.*&BufferAccess::gbump)(static_cast<int>(n));
  }
};

// Reads the next line into line_, piece by piece from the stream's buffer, so
// that a line or a file beyond its ceiling is stopped before it is stored,
// and a read error is told apart from the end of the file.
bool RecordReader::nextLine(const std::string& recordName) {
  line_.clear();
  pos_ = 0;
  std::streambuf* buffer = in_->rdbuf();
  bool any = false;
  try {
    errno = 0;
    for (;;) {
      // The bytes the stream's buffer holds are taken in one piece up to
      // the line end; an empty buffer is refilled by sgetc.
      if (buffer->sgetc() == std::char_traits<char>::eof()) break;
      any = true;
      const std::string_view held = BufferAccess::held(*buffer);
      const std::size_t end = held.find('\n');
      const std::size_t take = end == std::string_view::npos ? held.size() : end + 1;
      const std::size_t text = end == std::string_view::npos ? take : end;
      // The ceiling reached first within the piece stops the read (the
      // file's on a tie).
      const std::size_t fileRoom = maxFileBytes_ - bytesRead_;
      const std::size_t lineRoom = kMaxLineLength - line_.size();
      const bool lineOver = text > lineRoom;
      if (take > fileRoom && (!lineOver || fileRoom <= lineRoom)) {
        throw error(recordName, lineNumber_ + 1, "",
                    "FILE LONGER THAN " + std::to_string(maxFileBytes_) + " BYTES");
      }
      if (lineOver) {
        line_.append(held.substr(0, kMaxLineLength - line_.size()));
        throw error(recordName, lineNumber_ + 1, line_.substr(0, 20),
                    "LINE LONGER THAN " + std::to_string(kMaxLineLength) + " CHARACTERS");
      }
      line_.append(held.substr(0, text));
      bytesRead_ += take;
      BufferAccess::consume(*buffer, take);
      if (end != std::string_view::npos) break;
    }
  } catch (const InputError&) {
    throw;
  } catch (const std::exception&) {
    // The file buffer reports a failed read by throwing.
    throw FileError(fileName_.empty() ? role_ : fileName_, "read",
                    systemReason(errno, "read error"));
  }
  if (!any) return false;
  ++lineNumber_;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  // A byte-order mark written by some Windows editors is not data.
  if (lineNumber_ == 1 && line_.compare(0, 3, "\xEF\xBB\xBF") == 0) line_.erase(0, 3);
  pos_ = 0;
  return true;
}

void RecordReader::endOfFile(const std::string& recordName) const {
  throw error(recordName, lineNumber_, "", kEndOfFile);
}

RecordReader::Record RecordReader::record(std::string_view name) {
  Record r(*this, name);
  afterValue_ = false;
  slashSeen_ = false;
  pendingRepeat_ = 0;
  if (!nextLine(r.name_)) endOfFile(r.name_);
  return r;
}

std::string RecordReader::wholeLine(std::string_view name) {
  const std::string recordName(name);
  if (!nextLine(recordName)) endOfFile(recordName);
  pos_ = line_.size();
  afterValue_ = false;
  slashSeen_ = false;
  pendingRepeat_ = 0;
  return line_;
}

std::string RecordReader::fixedLine(int width, std::string_view name) {
  const std::string recordName(name);
  if (!nextLine(recordName)) endOfFile(recordName);
  std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  std::string result = line_.substr(0, w);
  result.resize(w, ' ');
  pos_ = line_.size();
  afterValue_ = false;
  slashSeen_ = false;
  pendingRepeat_ = 0;
  return result;
}

bool RecordReader::skipLines(std::string_view text) {
  if (text.empty()) return true;
  if (text.back() != '\n' || text.size() > maxFileBytes_ - bytesRead_ ||
      text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  std::streambuf* buffer = in_->rdbuf();
  try {
    errno = 0;
    if (buffer->sgetc() == std::char_traits<char>::eof()) return false;  // fills an empty buffer
  } catch (const std::exception&) {
    throw FileError(fileName_.empty() ? role_ : fileName_, "read", systemReason(errno, "read error"));
  }
  const std::string_view buffered = BufferAccess::held(*buffer);
  if (buffered.substr(0, text.size()) != text) return false;
  BufferAccess::consume(*buffer, text.size());
  bytesRead_ += text.size();
  const char* end = text.data() + text.size();
  for (const char* p = text.data(); p != end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    ++lineNumber_;  // text ends with a line end: every search finds one
  }
  line_.clear();
  pos_ = 0;
  afterValue_ = false;
  slashSeen_ = false;
  pendingRepeat_ = 0;
  return true;
}

bool RecordReader::atEnd() {
  return in_->peek() == std::char_traits<char>::eof();
}

// Text between quotes; pos_ is at the opening quote. A doubled quote stands
// for one; the text may go on over the line end.
void RecordReader::scanQuoted(const std::string& recordName) {
  const char quote = line_[pos_++];
  std::string& text = quotedText_;
  text.clear();
  for (;;) {
    if (pos_ >= line_.size()) {
      if (!nextLine(recordName)) endOfFile(recordName);
      continue;
    }
    if (text.size() >= kMaxLineLength) {
      throw error(recordName, lineNumber_, text.substr(0, 20),
                  "TEXT LONGER THAN " + std::to_string(kMaxLineLength) + " CHARACTERS");
    }
    char c = line_[pos_++];
    if (c != quote) {
      text += c;
    } else if (pos_ < line_.size() && line_[pos_] == quote) {
      text += quote;
      ++pos_;
    } else {
      break;
    }
  }
  if (pos_ < line_.size() && !endsUnquoted(line_[pos_])) {
    std::size_t end = pos_;
    while (end < line_.size() && !endsUnquoted(line_[end])) ++end;
    throw error(recordName, lineNumber_, quote + text + quote + line_.substr(pos_, end - pos_),
                     "INVALID TEXT");
  }
}

// A value starting at pos_ (not a separator): quoted text, an unquoted item,
// or r*item / r* (a repeat, of which the first copy is returned).
RecordReader::Token RecordReader::scanValue(const std::string& recordName) {
  Token tok;
  tok.line = lineNumber_;
  std::size_t digitsEnd = pos_;
  while (digitsEnd < line_.size() && isDigit(line_[digitsEnd])) ++digitsEnd;
  int repeat = 1;
  if (digitsEnd > pos_ && digitsEnd < line_.size() && line_[digitsEnd] == '*') {
    std::string_view count(line_.data() + pos_, digitsEnd - pos_);
    if (parseInteger(count, repeat) != NumberStatus::Ok || repeat < 1) {
      throw error(recordName, lineNumber_, std::string(count) + "*", "INVALID REPEAT COUNT");
    }
    pos_ = digitsEnd + 1;
  }
  if (pos_ < line_.size() && (line_[pos_] == '\'' || line_[pos_] == '"')) {
    tok.null = false;
    tok.quoted = true;
    scanQuoted(recordName);
    tok.text = quotedText_;
  } else {
    std::size_t end = pos_;
    while (end < line_.size() && !endsUnquoted(line_[end])) ++end;
    // Nothing after the star: r null fields.
    tok.null = end == pos_;
    tok.text = std::string_view(line_).substr(pos_, end - pos_);
    pos_ = end;
  }
  if (repeat > 1) {
    // The copies may be read after the line has moved on.
    pendingRepeat_ = repeat - 1;
    pendingText_.assign(tok.text);
    pendingToken_ = tok;
    pendingToken_.text = pendingText_;
    tok.text = pendingText_;
  }
  return tok;
}

RecordReader::Token RecordReader::nextToken(const std::string& recordName) {
  if (slashSeen_) return Token{};
  if (pendingRepeat_ > 0) {
    --pendingRepeat_;
    return pendingToken_;
  }
  for (;;) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) {
      if (!nextLine(recordName)) endOfFile(recordName);
      continue;
    }
    const char c = line_[pos_];
    if (c == ',') {
      ++pos_;
      if (afterValue_) {
        afterValue_ = false;  // the separator of the value before
        continue;
      }
      return Token{};
    }
    if (c == '/') {
      ++pos_;
      slashSeen_ = true;
      return Token{};
    }
    afterValue_ = true;
    return scanValue(recordName);
  }
}

void RecordReader::Record::remember(bool null, int line, std::string_view text) {
  lastLine_ = null ? reader_->lineNumber_ : line;
  if (null) {
    lastText_.clear();
  } else {
    lastText_.assign(text);
  }
}

int RecordReader::Record::integer(int current) {
  // The common field, a plain integer on the current line, is read in one
  // pass; everything else takes the general path.
  if (int fast = 0; reader_->plainInteger(fast, *this)) return fast;
  Token tok = reader_->nextToken(name_);
  remember(tok.null, tok.line, tok.text);
  if (tok.null) return current;
  int value = 0;
  NumberStatus st = tok.quoted ? NumberStatus::NotANumber : parseInteger(tok.text, value);
  if (st == NumberStatus::Ok) return value;
  double real = 0.0;
  const char* problem = st == NumberStatus::OutOfRange ? "INTEGER OUT OF RANGE"
                        : !tok.quoted && parseReal(tok.text, real) != NumberStatus::NotANumber
                            ? kExpectedInteger
                            : kExpectedNumber;
  const std::string shown(tok.text);
  throw reader_->error(name_, tok.line, tok.quoted ? "'" + shown + "'" : shown, problem);
}

namespace {

// The next field of [p, end) when it is a plain number that ends the field
// (not a repeat count r*, a quote or anything else the general path must
// see): p is moved to its first character and the character after it is
// returned; nullptr otherwise. *end must be the text's terminator.
const char* plainNumber(const char*& p, const char* end, double& value) {
  while (isBlank(*p)) ++p;  // the terminator is no blank
  if (p >= end) return nullptr;
  const char c = *p;
  if (!(isDigit(c) || c == '-' || c == '+' || c == '.')) return nullptr;
  // The NUL is readable too. The form of the point files is tried first.
  const char* stop = parseSignedFieldForm(p, end + 1, value);
  if (stop == nullptr) stop = parseShortRealPrefix(p, value);
  if (stop == nullptr || (stop != end && !endsUnquoted(*stop))) return nullptr;
  return stop;
}

}  // namespace

bool RecordReader::plainInteger(int& value, Record& r) {
  if (slashSeen_ || pendingRepeat_ > 0) return false;
  // A sign and at most ten digits that end the field; the line's text
  // ends with the string's terminating NUL.
  const char* p = line_.data() + pos_;
  while (isBlank(*p)) ++p;
  const char* start = p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  std::int64_t magnitude = 0;
  for (; isDigit(*p) && p - digits < 10; ++p) magnitude = magnitude * 10 + (*p - '0');
  const char* end = line_.data() + line_.size();
  if (p == digits || isDigit(*p) || (p != end && !endsUnquoted(*p))) return false;
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < std::numeric_limits<int>::min() || signedValue > std::numeric_limits<int>::max()) {
    return false;  // the general path says it is out of range
  }
  value = static_cast<int>(signedValue);
  takePlain(start, p, r);
  return true;
}

void RecordReader::takePlain(const char* start, const char* stop, Record& r) {
  pos_ = static_cast<std::size_t>(stop - line_.data());
  afterValue_ = true;
  r.remember(false, lineNumber_, std::string_view(start, static_cast<std::size_t>(stop - start)));
}

bool RecordReader::plainReal(double& value, Record& r) {
  if (slashSeen_ || pendingRepeat_ > 0) return false;
  // The line's text ends with the string's terminating NUL.
  const char* start = line_.data() + pos_;
  const char* stop = plainNumber(start, line_.data() + line_.size(), value);
  if (stop == nullptr) return false;
  takePlain(start, stop, r);
  return true;
}

double RecordReader::Record::real(double current) {
  // The common field, a plain number on the current line, is read in one
  // pass; everything else takes the general path.
  if (double fast = 0.0; reader_->plainReal(fast, *this)) return fast;
  Token tok = reader_->nextToken(name_);
  remember(tok.null, tok.line, tok.text);
  if (tok.null) return current;
  double value = 0.0;
  NumberStatus st = tok.quoted ? NumberStatus::NotANumber : parseReal(tok.text, value);
  if (st == NumberStatus::Ok) return value;
  const char* problem = st == NumberStatus::OutOfRange         ? "NUMBER OUT OF RANGE"
                        : !tok.quoted && isNonFiniteWord(tok.text) ? "NON-FINITE NUMBER NOT ALLOWED"
                                                                   : kExpectedNumber;
  const std::string shown(tok.text);
  throw reader_->error(name_, tok.line, tok.quoted ? "'" + shown + "'" : shown, problem);
}

void RecordReader::Record::reals(std::span<double> out) {
  RecordReader& r = *reader_;
  std::size_t i = 0;
  if (!r.slashSeen_ && r.pendingRepeat_ == 0) {
    // The plain numbers of the current line in one loop; the line's text
    // ends with the string's terminating NUL.
    const char* const line = r.line_.data();
    const char* const end = line + r.line_.size();
    const char* start = line + r.pos_;
    const char* last = nullptr;
    const char* stop = nullptr;
    for (; i < out.size(); ++i) {
      const char* at = start;
      const char* after = plainNumber(at, end, out[i]);
      if (after == nullptr) break;
      last = at;
      stop = start = after;
    }
    if (last != nullptr) r.takePlain(last, stop, *this);  // only the last value read is remembered
  }
  for (; i < out.size(); ++i) out[i] = real();
}

std::string RecordReader::Record::text(int width, std::string_view current) {
  Token tok = reader_->nextToken(name_);
  if (tok.null) return std::string(current);
  if (width >= 0 && tok.text.size() > static_cast<std::size_t>(width)) {
    tok.text = tok.text.substr(0, static_cast<std::size_t>(width));
  }
  return std::string(tok.text);
}

}  // namespace korven::textio
