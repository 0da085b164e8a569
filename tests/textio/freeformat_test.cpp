#include "textio/FreeFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace korven::textio {
namespace {

// A reader over an in-memory file.
struct File {
  explicit File(std::string text) : in(std::move(text)), reader(in) {}
  std::istringstream in;
  RecordReader reader;
};

// Expects `action` to throw InputError with the given line, text and problem.
template <class F>
void expectInputError(F action, int line, const std::string& text, const std::string& problem) {
  try {
    action();
    ADD_FAILURE() << "no InputError for " << problem;
  } catch (const InputError& e) {
    EXPECT_EQ(e.line(), line) << e.what();
    EXPECT_EQ(e.text(), text) << e.what();
    EXPECT_EQ(e.problem(), problem) << e.what();
  }
}

TEST(FreeFormat, SeparatorsAndContinuationOverLines) {
  File f("1,2 3\t4\n\n   \n5,\n6\n7 8 9\n10\n");
  auto r = f.reader.record("CONTROL RECORD");
  for (int expected = 1; expected <= 6; ++expected) EXPECT_EQ(r.integer(), expected);
  EXPECT_EQ(f.reader.lineNumber(), 5);
  // The next record starts on a fresh line; 8 and 9 of line 6 are ignored.
  auto r2 = f.reader.record("WALL RECORD");
  EXPECT_EQ(r2.integer(), 7);
  EXPECT_EQ(f.reader.record("NEXT").integer(), 10);
  EXPECT_EQ(f.reader.lineNumber(), 7);
  EXPECT_TRUE(f.reader.atEnd());
}

TEST(FreeFormat, CommasMakeNullsOnlyWhenNotSeparatingAValue) {
  // Cases checked against a Fortran list-directed read of three integers.
  File f("1,\n,3 4\n1 2\n,3\n,5,6\n,,\n1 2 3 ,\n2*,5\n1 /\n4 5 6\n");
  auto read3 = [&](int a, int b, int c) {
    auto r = f.reader.record("R");
    EXPECT_EQ(r.integer(-1), a);
    EXPECT_EQ(r.integer(-1), b);
    EXPECT_EQ(r.integer(-1), c);
  };
  read3(1, -1, 3);
  read3(1, 2, 3);
  read3(-1, 5, 6);
  read3(-1, -1, 1);
  read3(-1, -1, 5);
  read3(1, -1, -1);  // the slash nulls the rest; the 4 5 6 line is not touched
  read3(4, 5, 6);
  EXPECT_TRUE(f.reader.atEnd());
}

TEST(FreeFormat, RepeatCountsAndSlash) {
  File f("3*0 2*1.5 4\n2* 7\n5*9\n1 2\n3*'AB' x/\n");
  auto r = f.reader.record("R");
  EXPECT_EQ(r.integer(5), 0);
  EXPECT_EQ(r.integer(5), 0);
  EXPECT_EQ(r.real(5), 0.0);
  EXPECT_EQ(r.real(), 1.5);
  EXPECT_EQ(r.real(), 1.5);
  EXPECT_EQ(r.integer(), 4);
  auto r2 = f.reader.record("R");
  EXPECT_EQ(r2.real(8.0), 8.0);
  EXPECT_EQ(r2.real(8.0), 8.0);
  EXPECT_EQ(r2.integer(), 7);
  // A repeat not used up is dropped when the next record starts.
  auto r3 = f.reader.record("R");
  EXPECT_EQ(r3.integer(), 9);
  EXPECT_EQ(f.reader.record("R").integer(), 1);
  auto r5 = f.reader.record("R");
  EXPECT_EQ(r5.text(8), "AB");
  EXPECT_EQ(r5.text(8), "AB");
  EXPECT_EQ(r5.text(8), "AB");
  EXPECT_EQ(r5.text(8), "x");
  // After the slash every field keeps its current value, without reading on.
  EXPECT_EQ(r5.text(8, "OLD"), "OLD");
  EXPECT_EQ(r5.integer(42), 42);
  EXPECT_TRUE(f.reader.atEnd());
}

TEST(FreeFormat, RealForms) {
  File f("1 1. .5 -2.5E+03 1.5D+03 1.5d3 1E5 +3 1.5+3 1.5-3 +.5e-2 1e-400 -7\n");
  auto r = f.reader.record("R");
  for (double expected : {1.0, 1.0, 0.5, -2500.0, 1500.0, 1500.0, 1e5, 3.0, 1500.0, 1.5e-3,
                          0.005, 0.0, -7.0}) {
    EXPECT_DOUBLE_EQ(r.real(), expected);
  }
}

TEST(FreeFormat, IntegersWithSignAndLimits) {
  File f("+5 -12 2147483647 -2147483648\n");
  auto r = f.reader.record("R");
  EXPECT_EQ(r.integer(), 5);
  EXPECT_EQ(r.integer(), -12);
  EXPECT_EQ(r.integer(), 2147483647);
  EXPECT_EQ(r.integer(), -2147483647 - 1);
  // Integers the one-pass read must leave to the general rules: repeat
  // counts, separators right after the digits, leading zeros, values just
  // beyond the range and longer digit strings, reals and words; what is
  // read afterwards and the messages are as if no shortcut existed.
  File g("+0012,2*7 -0/ 99\n 3 4,\n 2147483648\n -2147483649\n 000000000012\n 3.0\n 12x\n");
  auto a = g.reader.record("A");
  EXPECT_EQ(a.integer(), 12);
  EXPECT_EQ(a.lastText(), "+0012");
  EXPECT_EQ(a.integer(), 7);
  EXPECT_EQ(a.integer(), 7);
  EXPECT_EQ(a.integer(), 0);
  EXPECT_EQ(a.integer(9), 9);  // after the slash: null
  auto b = g.reader.record("B");
  EXPECT_EQ(b.integer(), 3);
  EXPECT_EQ(b.integer(), 4);  // the comma after it separates it from the next line's
  expectInputError([&] { g.reader.record("C").integer(); }, 3, "2147483648", "INTEGER OUT OF RANGE");
  expectInputError([&] { g.reader.record("D").integer(); }, 4, "-2147483649", "INTEGER OUT OF RANGE");
  EXPECT_EQ(g.reader.record("E").integer(), 12);
  expectInputError([&] { g.reader.record("F").integer(); }, 6, "3.0", "EXPECTED AN INTEGER");
  expectInputError([&] { g.reader.record("G").integer(); }, 7, "12x", "EXPECTED A NUMBER");
}

TEST(FreeFormat, QuotedAndUnquotedText) {
  File f("'it''s' \"a\"\"b\" 'x, y/z' plain,next/ 'ABCDEFGHIJ'\n'two\nlines' 3\n");
  auto r = f.reader.record("R");
  EXPECT_EQ(r.text(20), "it's");
  EXPECT_EQ(r.text(20), "a\"b");
  EXPECT_EQ(r.text(20), "x, y/z");
  EXPECT_EQ(r.text(20), "plain");
  EXPECT_EQ(r.text(20), "next");
  EXPECT_EQ(r.text(20, "KEEP"), "KEEP");  // after the slash
  auto r2 = f.reader.record("R");
  EXPECT_EQ(r2.text(20), "twolines");  // the line end adds nothing
  EXPECT_EQ(r2.integer(), 3);
  File cut("'ABCDEFGHIJ'\n");
  EXPECT_EQ(cut.reader.record("R").text(4), "ABCD");
}

TEST(FreeFormat, CarriageReturnsAreIgnored) {
  File f("TITLE LINE\r\n1,2\r\n\r\n3 'T'\r\n4\r\n");
  EXPECT_EQ(f.reader.fixedLine(12, "TITLE"), "TITLE LINE  ");
  auto r = f.reader.record("R");
  EXPECT_EQ(r.integer(), 1);
  EXPECT_EQ(r.integer(), 2);
  EXPECT_EQ(r.integer(), 3);
  EXPECT_EQ(r.text(5), "T");
  EXPECT_EQ(f.reader.record("R").integer(), 4);
  EXPECT_TRUE(f.reader.atEnd());
}

TEST(FreeFormat, FixedLinePadsCutsAndKeepsBlankLines) {
  File f("ABCDEFGHIJ\n\n  X  \nLAST");
  EXPECT_EQ(f.reader.fixedLine(4, "T"), "ABCD");
  EXPECT_EQ(f.reader.fixedLine(3, "T"), "   ");
  EXPECT_EQ(f.reader.fixedLine(7, "T"), "  X    ");
  EXPECT_FALSE(f.reader.atEnd());
  EXPECT_EQ(f.reader.fixedLine(4, "T"), "LAST");  // no line end after the last line
  EXPECT_TRUE(f.reader.atEnd());
  expectInputError([&] { f.reader.fixedLine(4, "TITLE"); }, 4, "", "UNEXPECTED END OF FILE");
}

TEST(FreeFormat, AtEndDoesNotConsumeAndLineNumbersCount) {
  File f("1 2\n3\n");
  EXPECT_EQ(f.reader.lineNumber(), 0);
  EXPECT_FALSE(f.reader.atEnd());
  EXPECT_FALSE(f.reader.atEnd());
  EXPECT_EQ(f.reader.record("R").integer(), 1);
  EXPECT_EQ(f.reader.lineNumber(), 1);
  EXPECT_FALSE(f.reader.atEnd());
  EXPECT_EQ(f.reader.record("R").integer(), 3);
  EXPECT_TRUE(f.reader.atEnd());
}

TEST(FreeFormat, NumberErrorsNameTheLineAndText) {
  {
    File f("1 2\n\n2.5\n");
    auto r = f.reader.record("CONTROL RECORD");
    r.integer();
    r.integer();
    try {
      r.integer();
      ADD_FAILURE();
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(), "CONTROL RECORD, LINE 3: EXPECTED AN INTEGER, FOUND '2.5'");
      EXPECT_EQ(e.record(), "CONTROL RECORD");
    }
  }
  auto one = [](const std::string& text, bool integer) {
    return [text, integer] {
      File f("\n" + text + "\n");
      f.reader.fixedLine(1, "T");
      auto r = f.reader.record("R");
      if (integer) r.integer(); else r.real();
    };
  };
  expectInputError(one("1E5", true), 2, "1E5", "EXPECTED AN INTEGER");
  expectInputError(one("1.5D3", true), 2, "1.5D3", "EXPECTED AN INTEGER");
  expectInputError(one("ABC", true), 2, "ABC", "EXPECTED A NUMBER");
  expectInputError(one("12abc", true), 2, "12abc", "EXPECTED A NUMBER");
  expectInputError(one("2147483648", true), 2, "2147483648", "INTEGER OUT OF RANGE");
  expectInputError(one("'7'", true), 2, "'7'", "EXPECTED A NUMBER");
  expectInputError(one("12abc", false), 2, "12abc", "EXPECTED A NUMBER");
  for (const char* bad : {"-", "+", ".", "E5", "1.e", "1.5e", "0x10", "1..2", "1.5E+"}) {
    expectInputError(one(bad, false), 2, bad, "EXPECTED A NUMBER");
  }
  expectInputError(one("NaN", false), 2, "NaN", "NON-FINITE NUMBER NOT ALLOWED");
  expectInputError(one("-Infinity", false), 2, "-Infinity", "NON-FINITE NUMBER NOT ALLOWED");
  expectInputError(one("1e400", false), 2, "1e400", "NUMBER OUT OF RANGE");
  expectInputError(one("0*5", true), 2, "0*", "INVALID REPEAT COUNT");
  expectInputError(one("'ab'cd", false), 2, "'ab'cd", "INVALID TEXT");
}

TEST(FreeFormat, EndOfFileInsideARecord) {
  File f("1 2\n3\n\n");
  auto r = f.reader.record("WALL RECORD");
  r.integer();
  r.integer();
  r.integer();
  // Blank lines are skipped looking for the fourth field; the message names
  // the last line of the file.
  expectInputError([&] { r.real(); }, 3, "", "UNEXPECTED END OF FILE");
  File g("1\n");
  g.reader.record("R").integer();
  expectInputError([&] { g.reader.record("NEXT"); }, 1, "", "UNEXPECTED END OF FILE");
  File h("'open quote\n");
  expectInputError([&] { h.reader.record("R").text(10); }, 1, "", "UNEXPECTED END OF FILE");
}

// Numbers as the intermediate files and data files write them read back to
// the double that the C library's strtod makes of the same text: short
// significands, the longest ones, exponents at the edges of exact powers of
// ten, Fortran's D and bare-sign exponents.
TEST(FreeFormat, RealsReadBackAsStrtodReadsThem) {
  std::mt19937_64 rng(77);
  std::vector<std::string> texts{"0.53340E+00", "-0.12345E-03", "1.5D3", "2.5-3", "+7.", ".5",
                                 "-0.0", "0E99999", "9007199254740993", "12345678901234567890",
                                 "1e22", "1e23", "1e-22", "3e-23", "123.456e20", "4.9E-324"};
  char buf[64];
  for (int i = 0; i < 20000; ++i) {
    std::uint64_t bits = rng() & ~(std::uint64_t{1} << 63);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    const int digits = static_cast<int>(rng() % 20);
    std::snprintf(buf, sizeof buf, "%.*E", digits, (i % 2 == 0 ? 1 : -1) * x);
    texts.push_back(buf);
    std::snprintf(buf, sizeof buf, "%.*f", digits % 8, static_cast<double>(rng() % 100000000) / 997.0);
    texts.push_back(buf);
  }
  std::string file;
  for (const std::string& t : texts) file += t + "\n";
  std::istringstream in(file);
  RecordReader reader(in);
  for (const std::string& t : texts) {
    std::string c = t;
    for (char& ch : c) {
      if (ch == 'D') ch = 'E';
    }
    if (c == "2.5-3") c = "2.5E-3";
    const double expected = std::strtod(c.c_str(), nullptr);
    const double got = reader.record("VALUE").real();
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << t;
  }
}

// Rows of E and D fields as the writers lay them out (0.12345E+01,
// -1.234D-05, lower-case letters, signs, exponents of three digits, zero
// and minus zero), read a row at a time: every value is the one strtod
// reads from its text, and a row that stops being plain numbers halfway
// (a repeat count, a null field) goes on by the general rules.
TEST(FreeFormat, RowsOfFieldFormsReadAsStrtodReadsThem) {
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::string file;
  std::vector<std::vector<std::string>> rows;
  const char* letters[] = {"E", "D", "e", "d"};
  char buf[64];
  for (int r = 0; r < 3000; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < 6; ++c) {
      const double x = mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 60) - 30);
      const int decimals = 1 + static_cast<int>(rng() % 9);
      const int exp10 = x == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
      const double m = x / std::pow(10.0, exp10);
      std::snprintf(buf, sizeof buf, "%.*f%s%+03d", decimals, m, letters[rng() % 4], exp10);
      std::string t = buf;
      if (rng() % 5 == 0) t.erase(t.find('.') - 1, 1);  // ".12345E+01": no digit before the point
      if (r % 97 == 0 && c == 0) t = "-0.00000E+00";
      row.push_back(t);
      file += (rng() % 3 == 0 ? "  " : " ") + t;
    }
    file += "\n";
    rows.push_back(row);
  }
  file += " 1.5E+00 2*0.25E+01 ,, 3.0E+00\n";  // a repeat and a null field
  std::istringstream in(file);
  RecordReader reader(in);
  for (const auto& row : rows) {
    std::vector<double> got(row.size());
    reader.record("ROW").reals(got);
    for (std::size_t i = 0; i < row.size(); ++i) {
      std::string c = row[i];
      for (char& ch : c) {
        if (ch == 'D' || ch == 'd') ch = 'E';
      }
      const double expected = std::strtod(c.c_str(), nullptr);
      EXPECT_EQ(std::memcmp(&got[i], &expected, sizeof expected), 0) << row[i];
    }
  }
  std::vector<double> tail(5, -1.0);
  auto last = reader.record("TAIL");
  last.reals(tail);
  EXPECT_EQ(tail, (std::vector<double>{1.5, 2.5, 2.5, 0.0, 3.0}));
  EXPECT_EQ(last.lastText(), "3.0E+00");
}

// Lines longer than a file buffer are read whole, across its refills.
TEST(FreeFormat, LinesSpanningBufferRefillsReadWhole) {
  const auto path = std::filesystem::temp_directory_path() / "korven_long_lines.dat";
  std::string first(20000, ' '), second;
  for (int i = 0; i < 3000; ++i) second += std::to_string(i) + " ";
  first.back() = '7';
  {
    std::ofstream out(path, std::ios::binary);
    out << first << "\r\n" << second << "\n" << "'tail'";
  }
  std::ifstream in(path, std::ios::binary);
  RecordReader reader(in, path.string());
  EXPECT_EQ(reader.record("FIRST").integer(), 7);
  auto r = reader.record("SECOND");
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(r.integer(), i);
  EXPECT_EQ(reader.record("THIRD").text(10), "tail");
  EXPECT_TRUE(reader.atEnd());
  EXPECT_EQ(reader.lineNumber(), 3);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace korven::textio
