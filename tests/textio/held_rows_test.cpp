// Rows of reals kept while they are written (OutputChannel::holdReals) and
// skipped when read back (RecordReader::skipLines): the kept values must be
// exactly what reading the text gives, and anything the keeping cannot
// vouch for must leave it incomplete so that the text is read instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "textio/FreeFormat.h"
#include "textio/Layout.h"

namespace korven::textio {
namespace {

// Values of every size a table holds, with the awkward ones among them:
// zeros of both signs, values that round up into a new digit, whole
// numbers, and the smallest and largest the fields write by one product.
std::vector<double> awkwardValues(std::size_t count) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> exponent(-14.0, 16.0);
  std::vector<double> v{0.0, -0.0, 9.999996, -9.999996e-15, 1.0, 0.1, 0.99999e17, -1.23456e-15};
  while (v.size() < count) {
    const double x = std::pow(10.0, exponent(rng)) * ((rng() & 1) != 0 ? -1.0 : 1.0);
    // Whole numbers of up to five digits: longer ones may be ties, which
    // the writers leave to the exact conversion.
    v.push_back(rng() % 5 == 0 ? std::round(std::fmod(x, 1e5)) : x);
  }
  return v;
}

// Every value of the text, read back as the intermediate files are read:
// one record of `perLine` reals per line.
std::vector<double> readBack(const std::string& text, std::size_t perLine) {
  std::istringstream in(text);
  RecordReader reader(in, "rows", "ROWS");
  std::vector<double> values;
  std::vector<double> row(perLine);
  while (!reader.atEnd()) {
    reader.record("ROW").reals(row);
    values.insert(values.end(), row.begin(), row.end());
  }
  return values;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
  }
  return true;
}

// The rows' text as the channel writes it after a count record, and what
// it kept of them.
struct Written {
  std::string text;
  HeldReals held;
};
Written writeRows(const Layout& layout, std::span<const double> values, HeldReals held = {}) {
  Written w;
  w.held = std::move(held);
  OutputChannel out;
  out.attach(w.text);
  out.writeFree(static_cast<int>(values.size()));
  out.writeRows(layout, values, w.held);
  out.close();
  return w;
}

TEST(HeldRows, KeptValuesAreWhatReadingTheTextGives) {
  const std::vector<double> values = awkwardValues(6000);
  // E and D fields with 0P and 1P, and F fields.
  const char* layouts[] = {"(12(1X,E12.5))", "(1P,6E14.6)", "(4(2X,1P,D13.4))", "(5(1X,F12.3))"};
  const std::size_t perLine[] = {12, 6, 4, 5};
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(layouts[k]);
    const Layout layout(layouts[k]);
    // F fields show large values as asterisks: they get values that fit,
    // each with all its bits (a large value cut down would keep only a few
    // bits of fraction, and its ties go to the exact conversion).
    std::vector<double> shown = values;
    if (k == 3) {
      for (double& x : shown) x = std::fabs(x) < 1e5 ? x : x / 1e12;
    }
    shown.resize(shown.size() - shown.size() % perLine[k]);
    const Written w = writeRows(layout, shown);
    ASSERT_TRUE(w.held.complete);
    EXPECT_EQ(w.held.perLine, perLine[k]);
    ASSERT_EQ(w.text.substr(w.text.size() - w.held.text.size()), w.held.text);
    EXPECT_TRUE(sameBits(w.held.values, readBack(w.held.text, perLine[k])));
    // The rows as separate writes give the same text.
    std::string separate;
    OutputChannel out;
    out.attach(separate);
    for (std::size_t i = 0; i < shown.size(); i += perLine[k]) {
      out.writeReals(layout, std::span<const double>(shown).subspan(i, perLine[k]));
    }
    out.close();
    EXPECT_EQ(separate, w.held.text);
  }
}

TEST(HeldRows, WhatCannotBeVouchedForIsLeftIncomplete) {
  const Layout row("(3(1X,E12.5))");
  const double three[] = {1.0, 2.0, 3.0};
  EXPECT_TRUE(writeRows(row, three).held.complete);
  // A tie that one product cannot settle, a value beyond the exact powers
  // of ten and a field too narrow go to the exact conversion.
  const double tie[] = {1.0, 10000.5, 2.0};
  EXPECT_FALSE(writeRows(row, tie).held.complete);
  const double tiny[] = {1.0, 1e-90, 2.0};
  EXPECT_FALSE(writeRows(row, tiny).held.complete);
  EXPECT_FALSE(writeRows(Layout("(3(1X,E8.5))"), three).held.complete);
  // A layout of several kinds of field, and a last line shorter than the
  // others.
  EXPECT_FALSE(writeRows(Layout("(1X,E12.5,1X,F8.2)"), three).held.complete);
  const double five[] = {1.0, 2.0, 3.0, 4.0, 5.0};
  EXPECT_FALSE(writeRows(row, five).held.complete);
}

TEST(HeldRows, TheSameValuesAreWrittenAgainAsTheirText) {
  const Layout row("(3(1X,E12.5))"), other("(3(1X,E12.4))");
  const std::vector<double> first{0.0, 2.0, 3.0, 4.0, 5.0, 6.0};
  const Written w = writeRows(row, first);
  // The kept text is written as it stands: a kept text that could not come
  // from these values shows that it was not formatted again.
  HeldReals planted = w.held;
  planted.text = "  kept\n";
  EXPECT_EQ(writeRows(row, first, planted).text, " 6\n  kept\n");
  // A value changed in its last bit, zero turned into minus zero (equal as
  // numbers, not as text), another layout, or kept rows that are not
  // complete: formatted anew.
  const std::pair<std::size_t, double> changes[] = {{3, std::nextafter(4.0, 5.0)}, {0, -0.0}};
  for (const auto& [at, value] : changes) {
    std::vector<double> second = first;
    second[at] = value;
    EXPECT_EQ(writeRows(row, second, planted).held.text, writeRows(row, second).held.text);
  }
  EXPECT_EQ(writeRows(other, first, planted).held.text, writeRows(other, first).held.text);
  planted.complete = false;
  EXPECT_EQ(writeRows(row, first, planted).held.text, w.held.text);
}

TEST(HeldRows, SkippedLinesMustMatchTheTextByteForByte) {
  const std::string rows = "  0.10000E+01  0.20000E+01\n  0.30000E+01  0.40000E+01\n";
  // The same text: skipped, the line count moves on, and a later error
  // names the right line.
  {
    std::istringstream in(" 2\n" + rows + " oops\n");
    RecordReader reader(in, "f", "POINT FILE");
    EXPECT_EQ(reader.record("COUNT").integer(), 2);
    EXPECT_TRUE(reader.skipLines(rows));
    EXPECT_EQ(reader.lineNumber(), 3);
    try {
      reader.record("NEXT").real();
      FAIL() << "no error for a word";
    } catch (const InputError& e) {
      EXPECT_EQ(e.line(), 4);
    }
  }
  // One character changed, or the text cut short: nothing is consumed and
  // the rows are read as usual.
  for (const std::string& file : {" 2\n" + rows.substr(0, 20) + "5" + rows.substr(21), " 2\n" + rows.substr(0, 40)}) {
    std::istringstream in(file);
    RecordReader reader(in, "f", "POINT FILE");
    reader.record("COUNT").integer();
    EXPECT_FALSE(reader.skipLines(rows));
    EXPECT_EQ(reader.lineNumber(), 1);
    EXPECT_EQ(reader.record("ROW").real(), 1.0);
  }
  // Only whole lines are skipped.
  std::istringstream in(rows);
  RecordReader reader(in, "f", "POINT FILE");
  EXPECT_FALSE(reader.skipLines(rows.substr(0, 10)));
  EXPECT_TRUE(reader.skipLines(""));
  EXPECT_EQ(reader.record("ROW").real(), 1.0);
}

// The numbers of a whole file kept as it is written (holdNumbers): free-
// format records and records through layouts, with what reading the text
// back line by line gives.
TEST(HeldNumbers, KeptNumbersAreWhatReadingTheTextGives) {
  const std::vector<double> v = awkwardValues(3000);
  std::string text;
  HeldNumbers held;
  OutputChannel out;
  out.attach(text);
  out.holdNumbers(&held);
  out.writeFree(static_cast<int>(v.size()));
  out.writeFree(144.10000000149012, 34, -0.0);
  // The p-y scratch file's records; four digits would make ties of some
  // whole numbers, which the general formatter writes.
  for (std::size_t j = 0; j + 1 < v.size(); j += 2) {
    out.write(KLAYOUT("(I5,2(1X,1P,E10.3))"), j, v[j] * 1.0000000007, v[j + 1] * 1.0000000007);
  }
  out.writeReals(KLAYOUT("(3(1X,E12.5))"), std::vector<double>(v.begin(), v.begin() + 100));  // records by reversion
  out.writeReals(KLAYOUT("(1P,6E14.6)"), std::vector<double>(v.begin(), v.begin() + 60));
  out.write(KLAYOUT("(I4,$)"), 7);  // records left open, continued and ended by the close
  out.writeFree(8);
  out.write(KLAYOUT("(1X,I3,$)"), 9);
  out.close();
  ASSERT_TRUE(held.complete);
  EXPECT_EQ(held.text, text);
  ASSERT_EQ(held.lineEnds.size(), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
  std::istringstream in(text);
  RecordReader reader(in, "numbers", "NUMBERS");
  std::vector<double> read;
  for (std::size_t line = 0; line < held.lineEnds.size(); ++line) {
    std::vector<double> row(held.lineEnds[line] - (line == 0 ? 0 : held.lineEnds[line - 1]));
    reader.record("LINE").reals(row);
    read.insert(read.end(), row.begin(), row.end());
  }
  EXPECT_TRUE(reader.atEnd());
  EXPECT_TRUE(sameBits(read, held.values));
}

TEST(HeldNumbers, WhatReadsBackOtherwiseIsLeftIncomplete) {
  const auto held = [](auto&& write) {
    std::string text;
    HeldNumbers h;
    OutputChannel out;
    out.attach(text);
    out.holdNumbers(&h);
    out.writeFree(1, 2.5);
    write(out);
    out.close();
    return h.complete;
  };
  EXPECT_TRUE(held([](OutputChannel& o) { o.write(KLAYOUT("(I3,1X,I3)"), 123, 456); }));
  EXPECT_FALSE(held([](OutputChannel& o) { o.writeFree("word", 1); }));             // not a number
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(I3,'X')"), 5); }));     // "  5X"
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(I2)"), 123); }));       // asterisks
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(I3.0)"), 0); }));       // blanks only
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(I3,I3)"), 123, 456); }));  // "123456": one word
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(2E9.3)"), -1.0, 2.0); }));  // "-.100E+01" fills it
  EXPECT_FALSE(held([](OutputChannel& o) { o.write(KLAYOUT("(E7.3)"), 1e120); }));   // written by the general formatter
  EXPECT_FALSE(held([](OutputChannel& o) { o.append("7"); }));                       // a record built step by step
  // A file handed on as it is written (a stream) does not keep its text.
  std::ostringstream stream;
  HeldNumbers h;
  OutputChannel out;
  out.attach(stream);
  out.holdNumbers(&h);
  out.writeFree(1);
  out.close();
  EXPECT_FALSE(h.complete);
}

}  // namespace
}  // namespace korven::textio
