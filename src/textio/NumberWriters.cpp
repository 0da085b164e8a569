#include "textio/NumberWriters.h"

#include <cmath>
#include <string>

#include "textio/FieldFormat.h"
#include "textio/FileError.h"

namespace korven::textio {
namespace {

// 10^n as a single-precision value widened to double (the magnitude bounds
// of writeNumber are single-precision constants).
double singlePowerOfTen(int n) { return static_cast<double>(static_cast<float>(std::pow(10.0, n))); }

void writeFirst(OutputChannel& out, std::string_view text, std::size_t n) {
  char buf[3] = {' ', ' ', ' '};
  for (std::size_t i = 0; i < n && i < text.size(); ++i) buf[i] = text[i];
  out.append(std::string_view(buf, n));
}

}  // namespace

std::string formatNumber(int w, int d, double x) {
  std::string s;
  // Zero and vanishing magnitudes: 0 in Fw.d (a negative zero prints as 0).
  if (x == 0.0 || std::fabs(x) < 1e-50) {
    detail::appendFixed(s, w, d, 0, 0.0);
    return s;
  }
  const double a = std::fabs(x);
  // NaN goes to the exponent form, which shows it as NaN; its logarithm
  // has no integer part to choose decimals from.
  if (std::isnan(x) || a <= singlePowerOfTen(1 - d) || a >= singlePowerOfTen(d)) {
    detail::appendExponent(s, w, d, 0, 1, 'E', x);
    return s;
  }
  // Decimals from the order of magnitude: k = int(log10 a), one less when
  // the logarithm is negative; d - k decimals keep d significant digits.
  const double lg = std::log10(a);
  int k = static_cast<int>(lg);
  if (lg < 0) k -= 1;
  const int decimals = d - k;
  if (decimals > d + 2) {
    detail::appendExponent(s, w, d, 0, 1, 'E', x);
  } else {
    detail::appendFixed(s, w, decimals, 0, x);
  }
  return s;
}

void writeNumber(OutputChannel& out, int w, int d, double x) {
  if (!std::isfinite(x)) throw NonFiniteValue();
  out.append(formatNumber(w, d, x));
}

void writeInteger(OutputChannel& out, int w, long long n) {
  std::string s;
  detail::appendInteger(s, w, -1, n);
  out.append(s);
}

void writeBlanks(OutputChannel& out, int n) {
  static constexpr std::string_view kBlanks = "                                ";
  while (n > 0) {
    const int chunk = n < static_cast<int>(kBlanks.size()) ? n : static_cast<int>(kBlanks.size());
    out.append(kBlanks.substr(0, static_cast<std::size_t>(chunk)));
    n -= chunk;
  }
}

void writeText1(OutputChannel& out, std::string_view text) { writeFirst(out, text, 1); }
void writeText2(OutputChannel& out, std::string_view text) { writeFirst(out, text, 2); }
void writeText3(OutputChannel& out, std::string_view text) { writeFirst(out, text, 3); }

void endLine(OutputChannel& out) {
  out.append(" ");
  out.endRecord();
}

}  // namespace korven::textio
