// Formatted output in the report layout notation: a layout is a parenthesised
// list of edit descriptors with Fortran formatted-WRITE semantics
// ('text', nX, /, In, In.m, Fw.d, Ew.d, Dw.d, kP, An, A, L1, n(...), $).
// A layout is parsed once into a Layout and then applied to values any
// number of times through an OutputChannel.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korven::textio {

namespace detail {
struct ReadBack;  // Layout.cpp
}  // namespace detail

// One value handed to a layout: integer, real, text or logical.
struct FieldValue {
  enum class Kind : std::uint8_t { Integer, Real, Text, Logical };
  Kind kind;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;
  bool logical = false;

  FieldValue(bool b) : kind(Kind::Logical), logical(b) {}
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  FieldValue(T v) : kind(Kind::Integer), integer(static_cast<std::int64_t>(v)) {}
  template <std::floating_point T>
  FieldValue(T v) : kind(Kind::Real), real(static_cast<double>(v)) {}
  FieldValue(std::string_view s) : kind(Kind::Text), text(s) {}
  FieldValue(const std::string& s) : kind(Kind::Text), text(s) {}
  FieldValue(const char* s) : kind(Kind::Text), text(s) {}
};

// A parsed layout. Construction throws std::invalid_argument on a layout
// that cannot be parsed (a programming error, never an input error).
class Layout {
 public:
  explicit Layout(std::string_view text);
  ~Layout();
  Layout(Layout&&) noexcept;
  Layout& operator=(Layout&&) noexcept;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  // Formats the values; every completed record (line) is passed to
  // `line`, and the text of a record left open by '$' is returned in
  // `open` (empty otherwise). `open` holds on entry the text of a record
  // left open by the previous write, which this write continues.
  void format(std::span<const FieldValue> values, std::string& open,
              std::vector<std::string>& lines, bool& leftOpen) const;

  struct Impl;

 private:
  friend class OutputChannel;  // runs the layout straight into its record
  std::unique_ptr<Impl> impl_;
};

// Rows of real numbers written by OutputChannel::writeRows: their text, the
// value each of their numbers reads back as, and what they were written
// from. Whoever reads the same text back can take the values without
// converting it again, and the same values written again through the same
// layout give the same text without formatting them again.
struct HeldReals {
  std::string text;            // the rows' records exactly as written, line ends included
  std::vector<double> values;  // every number of `text` in order, as converting it gives it
  std::size_t perLine = 0;     // numbers on every line of `text`
  bool complete = false;       // `values` are all the numbers of `text`, perLine holds
  std::uint64_t layout = 0;      // which layout they were written through
  std::vector<double> source;    // the values they were written from
};

// The numbers of a file written through an output channel, each as its
// text reads back (integers exactly; reals as converting their text gives
// them), in the order written, with the file's text: whoever reads that
// very text back can take the numbers without converting it again.
struct HeldNumbers {
  std::string text;                      // the file's whole text, line ends included
  std::vector<double> values;            // every number of `text` in order
  std::vector<std::uint32_t> lineEnds;   // for each line, how many of `values` end on or before it
  bool complete = false;                 // all of `text` and all of its numbers are here
};

// A text output file (report, plot-data file, iteration-monitoring file,
// intermediate files). Each write starts a new line unless the previous
// write ended with '$'.
//
// The text of a file the channel opened is assembled in memory and written
// in one piece on close (or on flush). Every write and close of such a file
// is checked: a failure (disk full, device error) closes the file and throws
// FileError naming it with the system's reason. A real value that is NaN or infinite
// throws NonFiniteValue before anything of the write is stored.
class OutputChannel {
 public:
  OutputChannel();
  ~OutputChannel();
  OutputChannel(const OutputChannel&) = delete;
  OutputChannel& operator=(const OutputChannel&) = delete;

  // Opens (creates or truncates) a file. Returns false when it cannot, with
  // the system's reason in `why` when given.
  bool open(const std::string& path, std::string* why = nullptr);
  // Writes to a caller-owned stream instead of a file (tests, stderr), each
  // record as it is completed. The caller's stream is not checked.
  void attach(std::ostream& stream);
  // Appends to a caller-owned text instead of a file (files kept in memory).
  void attach(std::string& text);
  // Ends an open record, flushes and closes the file (or detaches); throws
  // FileError when what was written did not reach the file completely.
  void close();
  // Closes without checking or throwing: for a run that has already failed,
  // and for the destructor.
  void abandon() noexcept;
  bool isOpen() const;
  void flush();
  // Ends a record that number writers left open, so that the next write
  // starts on a line of its own.
  void finishRecord() {
    if (recordOpen_) endRecord();
  }

  // Formatted write of one or more records.
  void writeValues(const Layout& layout, std::span<const FieldValue> values);
  // The same for real values only (rows of numbers: no conversion on the way).
  void writeReals(const Layout& layout, std::span<const double> values);
  // Rows of reals through a layout of one repeated E or F field, a record
  // per repetition, kept in `held` (see HeldReals). Values bit for bit
  // those `held` was written from through the same layout are written as
  // its text, which is what formatting them gives. `held` is left
  // incomplete where some field was not written by the row writer (a
  // rounding tie, a field too narrow) or the lines hold different counts.
  void writeRows(const Layout& layout, std::span<const double> values, HeldReals& held);
  template <class... Args>
  void write(const Layout& layout, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
      writeValues(layout, {});
    } else if constexpr ((std::floating_point<Args> && ...)) {
      const double values[] = {static_cast<double>(args)...};
      writeReals(layout, std::span<const double>(values, sizeof...(Args)));
    } else {
      const FieldValue values[] = {FieldValue(args)...};
      writeValues(layout, std::span<const FieldValue>(values, sizeof...(Args)));
    }
  }

  // A free-format (list-directed) record: the values separated by one
  // blank, with a leading blank, on one line. Reals are written with the
  // shortest text that reads back to the same value.
  void writeFreeValues(std::span<const FieldValue> values);
  template <class... Args>
  void writeFree(const Args&... args) {
    const FieldValue values[] = {FieldValue(args)...};
    writeFreeValues(std::span<const FieldValue>(values, sizeof...(Args)));
  }

  // Keeps the numbers of the file or text opened last, and on close its
  // text, in `held` (see HeldNumbers), which is left incomplete when a
  // write holds a value that is not a number, a field is written by the
  // general formatters (a rounding tie, a field too narrow), a record is
  // built step by step, or text was handed on before the close.
  void holdNumbers(HeldNumbers* held);

  // Pieces of a record built step by step (number writers): text is
  // appended to the open record; endRecord() ends it.
  void append(std::string_view text);
  void endRecord();

 private:
  // Passes completed records on: at once to an attached stream, to a file
  // only when its text has grown very large.
  void deliver();
  // Hands the first `count` bytes of the buffer to the file or stream.
  void writeOut(std::size_t count);
  // Abandons the file and throws FileError naming it with the system's
  // reason (errno) or `fallback`.
  [[noreturn]] void fail(const char* fallback);
  // Cuts an opened file that held a longer text before to `length` bytes;
  // false, with errno set, when it cannot.
  bool cutOldText(std::uintmax_t length);
  // Room in held_ for what `count` values read back as (nowhere when no
  // numbers are kept).
  detail::ReadBack heldRoom(std::size_t count);
  // Takes the text into held_ on close, and checks it against the numbers.
  void finishHeld();
  HeldNumbers* held_ = nullptr;        // where the numbers written are kept, when anywhere
  std::size_t heldFrom_ = 0;           // where in text_ the text they are in starts
  std::FILE* file_ = nullptr;          // an opened file
  std::ostream* stream_ = nullptr;     // an attached stream
  std::string* text_ = nullptr;        // where records go: buffer_ or a caller's text
  std::string buffer_;                 // text not yet handed to the file or stream
  std::string path_;                   // name of the opened file
  std::uintmax_t previousSize_ = 0;    // its length before it was opened
  std::uintmax_t written_ = 0;         // bytes handed to it since
  bool recordOpen_ = false;            // the text ends in a record left open
};

}  // namespace korven::textio

// A layout parsed once, at first use, where it is written:
//   report.write(KLAYOUT("(6X,'N = ',I5)"), n);
#define KLAYOUT(text)                                              \
  ([]() -> const ::korven::textio::Layout& {                      \
    static const ::korven::textio::Layout parsedLayout{text};     \
    return parsedLayout;                                          \
  }())
