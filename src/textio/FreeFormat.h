// Reader of the input data file and of the intermediate files: a sequence of
// free-format (list-directed) records. Every record starts on a new line;
// fields are separated by blanks or commas and may continue over several
// lines; what is left on the last line used is ignored. Text fields are
// enclosed in apostrophes (a doubled apostrophe stands for one). Numbers are
// accepted as a Fortran list-directed read accepts them: a sign, E or D
// exponents, repeat counts r*value, null values (r*, adjacent commas) and
// the slash that ends a record.
#pragma once

#include <istream>
#include <optional>
#include <span>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace korven::textio {

// The file role that messages name unless a reader is told otherwise.
inline constexpr const char* kInputDataFile = "INPUT DATA FILE";

// Raised for malformed input: which record was being read, the line of the
// file, the offending text and the file's role ("INPUT DATA FILE",
// "P-Y SCRATCH FILE").
class InputError : public std::runtime_error {
 public:
  InputError(std::string record, int line, std::string text, std::string problem,
             std::string source = kInputDataFile);
  const std::string& source() const { return source_; }
  const std::string& record() const { return record_; }
  int line() const { return line_; }
  const std::string& text() const { return text_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string source_;
  std::string record_;
  int line_;
  std::string text_;
  std::string problem_;
};

// Ceilings far above any real record or file, so that a file that never
// ends (a device, a runaway scratch file) is stopped in bounded memory and
// time.
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

// An input stream over text held in memory, read in place (no copy).
class TextStream : public std::istream {
 public:
  explicit TextStream(std::string_view text) : std::istream(nullptr), buffer_(text) { init(&buffer_); }

 private:
  struct Buffer : std::streambuf {
    explicit Buffer(std::string_view text) {
      char* begin = const_cast<char*>(text.data());  // only ever read
      setg(begin, begin, begin + text.size());
    }
  };
  Buffer buffer_;
};

class RecordReader {
 public:
  // `in` must outlive the reader. `fileName` names the file in the message
  // of a read error; `role` names it in the messages of malformed content.
  explicit RecordReader(std::istream& in, std::string fileName = {},
                        std::string role = kInputDataFile,
                        std::size_t maxFileBytes = kMaxFileBytes);

  // One free-format record. Obtained from RecordReader::record; reading a
  // field may take further lines. A null field (adjacent commas, r*, or
  // any field after a slash) leaves the value given as `current`.
  class Record {
   public:
    int integer(int current = 0);
    double real(double current = 0.0);
    // As many reals as `out` holds, each read as real() reads it (a null
    // field gives 0). A row of plain numbers on one line is read in one
    // loop.
    void reals(std::span<double> out);
    // A text field: quoted, or unquoted up to the next blank or comma.
    // Cut to `width` characters (not padded).
    std::string text(int width, std::string_view current = {});

    // The record's name, and the line and text of the number last read
    // (empty text for a null field), for messages about a value that reads
    // well but cannot be used.
    const std::string& name() const { return name_; }
    int lastLine() const { return lastLine_; }
    const std::string& lastText() const { return lastText_; }

   private:
    friend class RecordReader;
    Record(RecordReader& reader, std::string_view name) : reader_(&reader), name_(name) {}
    void remember(bool null, int line, std::string_view text);
    RecordReader* reader_;
    std::string name_;
    int lastLine_ = 0;
    std::string lastText_;
  };

  // Starts a new record named for error messages ("CONTROL RECORD").
  Record record(std::string_view name);

  // A fixed-width text record: the whole next line, cut to `width`
  // characters and padded with blanks to `width`.
  std::string fixedLine(int width, std::string_view name);

  // The whole next line as it stands (without its line end).
  std::string wholeLine(std::string_view name);

  // Whether the lines not yet read begin with `text` (whole lines, as
  // compared byte for byte with what the stream's buffer holds at once);
  // when they do, the reader moves past them, as if it had read them as
  // records, and true is returned. False, with nothing read, otherwise.
  // Lets a caller that knows what those lines hold skip converting them.
  bool skipLines(std::string_view text);

  // True when no further line can be read.
  bool atEnd();

  // Line number (1-based) of the line last read, 0 before the first.
  int lineNumber() const { return lineNumber_; }

 private:
  friend class Record;
  // One field of a record: a value (its text as read) or a null. The text
  // is a view into the current line, or into the reader's copy of quoted or
  // repeated text; it stays valid until the next field is read.
  struct Token {
    bool null = true;
    bool quoted = false;
    std::string_view text;
    int line = 0;
  };
  Token nextToken(const std::string& recordName);
  // A plain number, or integer (no repeat, quote or slash), as the next
  // field of the current line, read at once and remembered by the record:
  // false, with nothing consumed, otherwise.
  bool plainReal(double& value, Record& r);
  bool plainInteger(int& value, Record& r);
  // Moves past a plain field read at [start, stop) and lets the record
  // remember it.
  void takePlain(const char* start, const char* stop, Record& r);
  Token scanValue(const std::string& recordName);
  void scanQuoted(const std::string& recordName);
  bool nextLine(const std::string& recordName);
  [[noreturn]] void endOfFile(const std::string& recordName) const;
  InputError error(const std::string& recordName, int line, std::string text,
                   std::string problem) const;

  std::istream* in_;
  std::string fileName_;
  std::string role_;
  std::size_t maxFileBytes_;
  std::size_t bytesRead_ = 0;
  std::string line_;
  std::size_t pos_ = 0;
  int lineNumber_ = 0;
  bool afterValue_ = false;   // a value was read and its comma not yet seen
  bool slashSeen_ = false;    // the current record was ended by '/'
  int pendingRepeat_ = 0;     // values left of an r*value repeat
  Token pendingToken_;        // the repeated value (null for r*)
  std::string pendingText_;   // its text, kept over the following lines
  std::string quotedText_;    // the text of the last quoted field
};

}  // namespace korven::textio
