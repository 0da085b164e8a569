// Number writers: layout chosen by magnitude, and the piecewise line writers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "textio/NumberWriters.h"

namespace korven::textio {
namespace {

TEST(NumberWriters, MagnitudeSelectsTheLayout) {
  EXPECT_EQ(formatNumber(14, 5, 123.456), "       123.456");     // F14.03
  EXPECT_EQ(formatNumber(14, 5, 0.05), "     0.0500000");       // F14.07
  EXPECT_EQ(formatNumber(14, 5, 0.0005), "   5.00000E-04");     // 1P,E14.5
  EXPECT_EQ(formatNumber(14, 5, 0.0), "       0.00000");
  EXPECT_EQ(formatNumber(14, 5, -0.0), "       0.00000");
  EXPECT_EQ(formatNumber(14, 5, 1e-51), "       0.00000");
  EXPECT_EQ(formatNumber(14, 5, -1e-51), "       0.00000");
  EXPECT_EQ(formatNumber(14, 5, 1.23456e5), "   1.23456E+05");
  EXPECT_EQ(formatNumber(13, 5, 2.0e8), "  2.00000E+08");
  EXPECT_EQ(formatNumber(14, 5, 99999.9), "       99999.9");     // F14.01
  EXPECT_EQ(formatNumber(14, 5, -1.5), "      -1.50000");       // F14.05
  EXPECT_EQ(formatNumber(14, 5, 0.1), "     0.1000000");        // k = -2: F14.07
  EXPECT_EQ(formatNumber(14, 5, 0.01), "   1.00000E-02");       // k = -3: d - k > d + 2
  EXPECT_EQ(formatNumber(14, 5, 1e-60), "       0.00000");
  EXPECT_EQ(formatNumber(14, 5, 1e300), "   1.00000+300");
}

TEST(NumberWriters, BoundsAreSinglePrecisionPowersOfTen) {
  // 1e-4 lies just above the single-precision 1e-4 (9.99999974737875e-05):
  // not caught by the lower bound, but 9 decimals exceed d + 2.
  EXPECT_EQ(formatNumber(14, 5, 1e-4), "   1.00000E-04");
  // float(1e-4) itself is caught by the lower bound.
  EXPECT_EQ(formatNumber(14, 5, static_cast<double>(1e-4f)), "   1.00000E-04");
  // 1e5 reaches the upper bound; just below it stays fixed-point.
  EXPECT_EQ(formatNumber(14, 5, 1e5), "   1.00000E+05");
  EXPECT_EQ(formatNumber(14, 5, 99999.94), "       99999.9");
  // d = 8: float(1e8) is exact, float(1e-7) is 1.0000000116860974e-07.
  EXPECT_EQ(formatNumber(16, 8, 1.00000001e-7), "  1.00000001E-07");
}

TEST(NumberWriters, NonFiniteValuesUseTheExponentForm) {
  EXPECT_EQ(formatNumber(14, 5, std::numeric_limits<double>::quiet_NaN()), "           NaN");
  EXPECT_EQ(formatNumber(14, 5, std::numeric_limits<double>::infinity()), "      Infinity");
  EXPECT_EQ(formatNumber(14, 5, -std::numeric_limits<double>::infinity()), "     -Infinity");
}

TEST(NumberWriters, LinePieces) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  writeBlanks(out, 5);
  writeInteger(out, 5, 12);
  writeBlanks(out, 0);
  writeBlanks(out, -3);
  writeNumber(out, 14, 5, 3.25);
  writeBlanks(out, 1);
  writeText3(out, "LBS");
  writeText1(out, "/");
  writeText2(out, "IN");
  writeText2(out, "**");
  writeText1(out, "2");
  endLine(out);
  writeInteger(out, 3, -1234);
  writeText3(out, "ABCDE");
  writeText2(out, "X");
  writeText1(out, "");
  writeBlanks(out, 40);
  endLine(out);
  endLine(out);
  out.close();
  EXPECT_EQ(text.str(),
            "        12       3.25000 LBS/IN**2 \n"
            "***ABCX  " + std::string(40, ' ') + " \n"
            " \n");
}

}  // namespace
}  // namespace korven::textio
