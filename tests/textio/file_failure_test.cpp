// Files that fail rather than content that is wrong: a read error told apart
// from the end of a file, lines and files without end, a device that
// refuses writes, and values that no output may show.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>

#include "textio/FileError.h"
#include "textio/FreeFormat.h"
#include "textio/Layout.h"
#include "textio/NumberWriters.h"
#include "textio/Printable.h"

namespace korven::textio {
namespace {

// A file whose first line reads and whose next read fails, as a file buffer
// reports an I/O error: by throwing from underflow.
class FailingBuffer : public std::streambuf {
 public:
  FailingBuffer() { setg(text_, text_, text_ + 4); }

 protected:
  int_type underflow() override { throw std::ios_base::failure("read error"); }

 private:
  char text_[5] = "1 2\n";
};

// Endless bytes: a device such as /dev/zero, or a scratch file that never ends.
class EndlessBuffer : public std::streambuf {
 public:
  explicit EndlessBuffer(char c) { buffer_.assign(4096, c), setg(buf(), buf(), buf() + 4096); }

 protected:
  int_type underflow() override {
    setg(buf(), buf(), buf() + 4096);
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  char* buf() { return buffer_.data(); }
  std::string buffer_;
};

TEST(ReadFailure, AReadErrorIsNotTheEndOfTheFile) {
  FailingBuffer buffer;
  std::istream in(&buffer);
  RecordReader reader(in, "wall.dat");
  EXPECT_EQ(reader.record("FIRST").integer(), 1);
  try {
    reader.record("SECOND").integer();
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.file(), "wall.dat");
    EXPECT_EQ(std::string(e.what()).rfind("cannot read wall.dat: ", 0), 0u) << e.what();
  } catch (const InputError& e) {
    ADD_FAILURE() << "read error reported as malformed input: " << e.what();
  }
}

TEST(ReadFailure, LinesAndFilesWithoutEndStopAtTheirCeilings) {
  {
    EndlessBuffer zeros('\0');
    std::istream in(&zeros);
    RecordReader reader(in, "/dev/zero", "P-Y SCRATCH FILE");
    try {
      reader.record("P-Y CURVE COUNT").integer();
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_EQ(e.problem(), "LINE LONGER THAN 1048576 CHARACTERS");
      EXPECT_EQ(e.source(), "P-Y SCRATCH FILE");
      EXPECT_EQ(std::string(e.what()).find('\0'), std::string::npos);
      EXPECT_NE(std::string(e.what()).find("LINE 1 OF THE P-Y SCRATCH FILE"), std::string::npos);
    }
  }
  {
    // Blank lines for ever: the file ceiling (here a small one) ends the
    // search for a value.
    EndlessBuffer newlines('\n');
    std::istream in(&newlines);
    RecordReader reader(in, "endless.dat", kInputDataFile, 1 << 20);
    try {
      reader.record("CONTROL RECORD").integer();
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_EQ(e.problem(), "FILE LONGER THAN 1048576 BYTES");
    }
  }
  {
    // Quoted text that never closes.
    std::string text = "'";
    text.append(kMaxLineLength, 'x');
    std::istringstream in(text + "\n" + text + "\n" + text + "\n");
    RecordReader reader(in);
    EXPECT_THROW(reader.record("TITLE").text(80), InputError);
  }
}

TEST(WriteFailure, ADeviceThatRefusesWritesThrowsWithTheSystemReason) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  OutputChannel out;
  ASSERT_TRUE(out.open("/dev/full"));
  // The buffer takes the first lines; the failure shows at the latest on close.
  try {
    for (int i = 0; i < 100000; ++i) out.write(KLAYOUT("(I8)"), i);
    out.close();
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write /dev/full: No space left on device");
  }
  EXPECT_FALSE(out.isOpen());
  out.close();  // nothing left to fail

  std::string why;
  EXPECT_FALSE(out.open("/nonexistent-folder/x.out", &why));
  EXPECT_EQ(why, "No such file or directory");
}

// A file written again is written over in place: what it held beyond the
// new text must go, also when the new text went out in several pieces.
TEST(WriteFailure, AFileWrittenAgainHoldsOnlyItsNewText) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("korven_rewrite_" + std::to_string(std::random_device{}()) + ".out");
  const auto fill = [&](std::size_t bytes) {
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
  };
  const auto text = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  OutputChannel out;
  fill(5000);  // longer than the new text
  ASSERT_TRUE(out.open(path.string()));
  out.write(KLAYOUT("(I4,F8.2)"), 7, 1.25);
  out.close();
  EXPECT_EQ(text(), "   7    1.25\n");
  fill(3);  // shorter
  ASSERT_TRUE(out.open(path.string()));
  out.write(KLAYOUT("(I4,F8.2)"), 8, 2.5);
  out.write(KLAYOUT("(A)"), "end");
  out.close();
  EXPECT_EQ(text(), "   8    2.50\nend\n");
  // Some megabytes, written out in pieces while the text grows, over a
  // longer file.
  fill(std::size_t{12} << 20);
  ASSERT_TRUE(out.open(path.string()));
  const std::string line(99, 'y');
  constexpr int kLines = 100000;  // 10 MB
  for (int i = 0; i < kLines; ++i) out.write(KLAYOUT("(A)"), line);
  out.close();
  EXPECT_EQ(std::filesystem::file_size(path), std::uintmax_t{kLines} * 100);
  std::filesystem::remove(path);
}

TEST(WriteFailure, NonFiniteValuesAreNeverWritten) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  EXPECT_THROW(out.write(KLAYOUT("(F8.2)"), nan), NonFiniteValue);
  EXPECT_THROW(out.write(KLAYOUT("(I4,E12.4)"), 3, -inf), NonFiniteValue);
  EXPECT_THROW(out.writeFree(1, inf), NonFiniteValue);
  EXPECT_THROW(writeNumber(out, 10, 3, nan), NonFiniteValue);
  out.write(KLAYOUT("(F8.2)"), 1.5);
  out.close();
  EXPECT_EQ(text.str(), "    1.50\n");
}

TEST(Printable, ControlCharactersAndInvalidUtf8AreEscaped) {
  EXPECT_EQ(printable("wall\n1.dat"), "wall\\n1.dat");
  EXPECT_EQ(printable(std::string("a\0b\t\x7f", 5)), "a\\x00b\\t\\x7F");
  EXPECT_EQ(printable("Stützwand φ"), "Stützwand φ");         // valid UTF-8 kept
  EXPECT_EQ(printable("\xE9t\xC3"), "\\xE9t\\xC3");            // Latin-1, cut sequence
  EXPECT_EQ(printable("\xC0\xAF \xED\xA0\x80"), "\\xC0\\xAF \\xED\\xA0\\x80");  // overlong, surrogate
  EXPECT_TRUE(hasControlCharacter("a\rb"));
  EXPECT_FALSE(hasControlCharacter("C:\\work\\wall 1.dat"));
}

}  // namespace
}  // namespace korven::textio
