#include "textio/FieldFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <system_error>

namespace korven::textio::detail {
namespace {

void appendStars(std::string& out, int w) { out.append(static_cast<std::size_t>(w > 0 ? w : 0), '*'); }

// A numeric field: [-][0]pieces right-justified in w columns. The zero
// before the point is shown when `zero` is Always, or Optional and the
// field has room for it; asterisks when the field is too narrow.
enum class LeadingZero { Never, Optional, Always };
void appendNumberField(std::string& out, int w, bool minus, LeadingZero zero,
                       std::initializer_list<std::string_view> pieces) {
  int len = minus ? 1 : 0;
  for (std::string_view p : pieces) len += static_cast<int>(p.size());
  const bool showZero = zero == LeadingZero::Always || (zero == LeadingZero::Optional && len < w);
  if (showZero) ++len;
  if (len > w) {
    appendStars(out, w);
    return;
  }
  appendBlanks(out, w - len);
  if (minus) out.push_back('-');
  if (showZero) out.push_back('0');
  for (std::string_view p : pieces) out.append(p);
}

// Infinity and NaN as the Fortran run-time library shows them: the long
// word when it fits, else the short one, else asterisks.
void appendNonFinite(std::string& out, int w, double x) {
  if (std::isnan(x)) {
    appendNumberField(out, w, false, LeadingZero::Never, {"NaN"});
  } else if (x < 0) {
    appendNumberField(out, w, true, LeadingZero::Never, {w >= 9 ? "Infinity" : "Inf"});
  } else {
    appendNumberField(out, w, false, LeadingZero::Never, {w >= 8 ? "Infinity" : "Inf"});
  }
}

}  // namespace

DecimalText::DecimalText(double a, std::chars_format form, int precision) {
  auto r = std::to_chars(small_, small_ + sizeof small_, a, form, precision);
  if (r.ec == std::errc()) {
    text_ = std::string_view(small_, static_cast<std::size_t>(r.ptr - small_));
    return;
  }
  // 309 integer digits at most, the point, the decimals and an exponent.
  big_.resize(static_cast<std::size_t>(precision) + 400);
  r = std::to_chars(big_.data(), big_.data() + big_.size(), a, form, precision);
  text_ = std::string_view(big_.data(), static_cast<std::size_t>(r.ptr - big_.data()));
}

void appendBlanks(std::string& out, int n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}

void appendInteger(std::string& out, int w, int minDigits, std::int64_t n) {
  const std::uint64_t mag = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  char digits[24];
  int count = 0;
  if (!(minDigits == 0 && n == 0)) {
    count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, mag).ptr - digits);
  }
  const int zeros = minDigits > count ? minDigits - count : 0;
  const int len = (n < 0 ? 1 : 0) + zeros + count;
  if (len > w) {
    appendStars(out, w);
    return;
  }
  appendBlanks(out, w - len);
  if (n < 0) out.push_back('-');
  out.append(static_cast<std::size_t>(zeros), '0');
  out.append(digits, static_cast<std::size_t>(count));
}

void appendFixed(std::string& out, int w, int d, int scale, double x) {
  if (!std::isfinite(x)) {
    appendNonFinite(out, w, x);
    return;
  }
  // A minus sign is shown for every negative value, also -0.0 and values
  // that round to zero, as the Fortran run-time library does.
  const bool minus = std::signbit(x);
  const double a = std::fabs(x);
  const int p = d + scale;
  // Round the exact binary value to p decimals (ties to even on exactly
  // representable halves), then move the decimal point by the scale factor.
  const DecimalText printed = p >= 0 ? DecimalText(a, std::chars_format::fixed, p)
                                 : DecimalText(a * std::pow(10.0, scale), std::chars_format::fixed, d);
  const std::string_view s = printed.text();
  const std::size_t dot = s.find('.');
  const std::string_view intText = s.substr(0, dot);
  const std::string_view fracText = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  char local[420];
  std::vector<char> heap;
  const std::size_t need = intText.size() + fracText.size() + static_cast<std::size_t>(std::abs(scale)) + 2;
  char* digits = local;
  if (need > sizeof local) {
    heap.resize(need);
    digits = heap.data();
  }
  // digits[0..len) holds all digits; the point sits after `pos` of them.
  std::size_t len = 0;
  int pos = static_cast<int>(intText.size()) + (p >= 0 ? scale : 0);
  if (pos <= 0) {
    for (int i = pos; i <= 0; ++i) digits[len++] = '0';
    pos = 1;
  }
  for (char c : intText) digits[len++] = c;
  for (char c : fracText) digits[len++] = c;
  std::size_t lead = 0;
  while (lead < static_cast<std::size_t>(pos) && digits[lead] == '0') ++lead;
  const std::string_view intPart(digits + lead, static_cast<std::size_t>(pos) - lead);
  const std::string_view fracPart(digits + pos, len - static_cast<std::size_t>(pos));
  // "0." is needed when there are no decimals; otherwise the zero before the
  // point is shown only when the field has room for it.
  const LeadingZero zero =
      !intPart.empty() ? LeadingZero::Never : (d == 0 ? LeadingZero::Always : LeadingZero::Optional);
  appendNumberField(out, w, minus, zero, {intPart, ".", fracPart});
}

void appendExponent(std::string& out, int w, int d, int e, int scale, char letter, double x) {
  if (!std::isfinite(x)) {
    appendNonFinite(out, w, x);
    return;
  }
  // Significant digits: d+k for k <= 0 (0.00ddd), d+1 for k > 0 (ddd.ddd).
  const int sig = scale <= 0 ? d + scale : d + 1;
  if (sig <= 0 || scale >= d + 2 || d > 380) {
    appendStars(out, w);
    return;
  }
  const bool minus = std::signbit(x);
  const double a = std::fabs(x);
  char digits[400];
  int exponent = 0;
  if (a == 0.0) {
    for (int i = 0; i < sig; ++i) digits[i] = '0';
  } else {
    const DecimalText printed(a, std::chars_format::scientific, sig - 1);
    const std::string_view s = printed.text();  // d.ddde+XX
    int n = 0;
    std::size_t i = 0;
    for (; i < s.size() && s[i] != 'e'; ++i) {
      if (s[i] != '.') digits[n++] = s[i];
    }
    const bool negativeExponent = i + 1 < s.size() && s[i + 1] == '-';
    int decimalExponent = 0;
    for (i += 2; i < s.size(); ++i) decimalExponent = decimalExponent * 10 + (s[i] - '0');
    exponent = (negativeExponent ? -decimalExponent : decimalExponent) + 1 - scale;
  }
  // Mantissa.
  char mant[420];
  int m = 0;
  bool optionalZero = false;
  if (scale <= 0) {
    optionalZero = true;
    mant[m++] = '.';
    for (int i = 0; i < -scale; ++i) mant[m++] = '0';
    for (int i = 0; i < sig; ++i) mant[m++] = digits[i];
  } else {
    for (int i = 0; i < scale; ++i) mant[m++] = digits[i];
    mant[m++] = '.';
    for (int i = scale; i < sig; ++i) mant[m++] = digits[i];
  }
  // Exponent: Ew.d uses two digits, three (without the letter) beyond 99;
  // Ew.dEe always uses the letter and e digits.
  char expo[16];
  int x0 = 0;
  const int mag = std::abs(exponent);
  int expDigits = e;
  if (e <= 0) {
    if (mag <= 99) {
      expo[x0++] = letter;
      expDigits = 2;
    } else if (mag <= 999) {
      expDigits = 3;
    } else {
      appendStars(out, w);
      return;
    }
  } else {
    expDigits = e > 9 ? 9 : e;
    long long limit = 1;
    for (int i = 0; i < expDigits; ++i) limit *= 10;
    if (mag >= limit) {
      appendStars(out, w);
      return;
    }
    expo[x0++] = letter;
  }
  expo[x0++] = exponent < 0 ? '-' : '+';
  char num[12];
  const int nd = static_cast<int>(std::to_chars(num, num + sizeof num, mag).ptr - num);
  for (int i = nd; i < expDigits; ++i) expo[x0++] = '0';
  for (int i = 0; i < nd; ++i) expo[x0++] = num[i];

  appendNumberField(out, w, minus, optionalZero ? LeadingZero::Optional : LeadingZero::Never,
                    {std::string_view(mant, static_cast<std::size_t>(m)),
                     std::string_view(expo, static_cast<std::size_t>(x0))});
}

void appendText(std::string& out, int w, std::string_view text) {
  if (w < 0) {
    out.append(text);
  } else if (text.size() >= static_cast<std::size_t>(w)) {
    out.append(text.substr(0, static_cast<std::size_t>(w)));
  } else {
    appendBlanks(out, w - static_cast<int>(text.size()));
    out.append(text);
  }
}

}  // namespace korven::textio::detail
