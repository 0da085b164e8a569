// Small writers that build a report line piece by piece. None of them ends
// the line except endLine.
#pragma once

#include <string_view>

#include "textio/Layout.h"

namespace korven::textio {

// x in w columns: fixed-point with d significant decimals for moderate
// magnitudes, one-digit-mantissa exponent form otherwise.
void writeNumber(OutputChannel& out, int w, int d, double x);
// n right-justified in w columns.
void writeInteger(OutputChannel& out, int w, long long n);
// n blanks; nothing when n < 1.
void writeBlanks(OutputChannel& out, int n);
// The first 1, 2 or 3 characters of the text (blank-padded when shorter).
void writeText1(OutputChannel& out, std::string_view text);
void writeText2(OutputChannel& out, std::string_view text);
void writeText3(OutputChannel& out, std::string_view text);
// One blank, then the line is ended.
void endLine(OutputChannel& out);

// The text writeNumber prints, for tests and for callers that compose lines.
std::string formatNumber(int w, int d, double x);

}  // namespace korven::textio
