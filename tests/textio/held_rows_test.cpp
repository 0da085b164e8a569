// Rows of reals kept while they are written (OutputChannel::holdReals) and
// skipped when read back (RecordReader::skipLines): the kept values must be
// exactly what reading the text gives, and anything the keeping cannot
// vouch for must leave it incomplete so that the text is read instead.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
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

TEST(HeldRows, KeptValuesAreWhatReadingTheTextGives) {
  const std::vector<double> values = awkwardValues(6000);
  // E and D fields with 0P and 1P, and F fields; one row per write or many.
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
    std::string text;
    HeldReals held;
    OutputChannel out;
    out.attach(text);
    out.writeFree(static_cast<int>(shown.size()));
    out.holdReals(held);
    for (std::size_t i = 0; i < shown.size(); i += 2 * perLine[k]) {
      const std::size_t n = std::min<std::size_t>(2 * perLine[k], shown.size() - i);
      out.writeReals(layout, std::span<const double>(shown).subspan(i, n));
    }
    out.close();
    ASSERT_TRUE(held.complete);
    EXPECT_EQ(held.perLine, perLine[k]);
    ASSERT_EQ(text.substr(text.size() - held.text.size()), held.text);
    EXPECT_TRUE(sameBits(held.values, readBack(held.text, perLine[k])));
  }
}

TEST(HeldRows, WhatCannotBeVouchedForLeavesTheKeepingIncomplete) {
  const Layout row("(3(1X,E12.5))");
  auto keep = [&](auto&& writes) {
    std::string text;
    HeldReals held;
    OutputChannel out;
    out.attach(text);
    out.holdReals(held);
    writes(out);
    out.close();
    return held;
  };
  const double three[] = {1.0, 2.0, 3.0};
  EXPECT_TRUE(keep([&](OutputChannel& o) { o.writeReals(row, three); }).complete);
  // A tie that one product cannot settle, a value beyond the exact powers
  // of ten and a field too narrow go to the exact conversion.
  const double tie[] = {1.0, 10000.5, 2.0};
  EXPECT_FALSE(keep([&](OutputChannel& o) { o.writeReals(row, tie); }).complete);
  const double tiny[] = {1.0, 1e-90, 2.0};
  EXPECT_FALSE(keep([&](OutputChannel& o) { o.writeReals(row, tiny); }).complete);
  const HeldReals narrow = keep([&](OutputChannel& o) { o.writeReals(Layout("(3(1X,E8.5))"), three); });
  EXPECT_FALSE(narrow.complete);
  // Writes of another kind, and rows whose lines hold different counts.
  EXPECT_FALSE(keep([&](OutputChannel& o) {
                 o.writeReals(row, three);
                 o.write(Layout("(1X,I5)"), 4);
               }).complete);
  EXPECT_FALSE(keep([&](OutputChannel& o) {
                 o.writeReals(row, three);
                 o.writeFree(1.5);
               }).complete);
  EXPECT_FALSE(keep([&](OutputChannel& o) { o.writeReals(Layout("(1X,E12.5,1X,F8.2)"), three); }).complete);
  EXPECT_FALSE(keep([&](OutputChannel& o) {
                 o.writeReals(row, three);
                 o.writeReals(row, std::span<const double>(three, 2));
               }).complete);
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

}  // namespace
}  // namespace korven::textio
