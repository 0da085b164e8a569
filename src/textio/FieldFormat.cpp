#include "textio/FieldFormat.h"

#include "textio/DecimalValue.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <system_error>
#include <utility>

// The few helpers of the common fields are built into their callers.
#if defined(__GNUC__)
#define KORVEN_HOT [[gnu::always_inline]] inline
#else
#define KORVEN_HOT inline
#endif

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
  // The field is laid out as blanks in one step, then its text is placed
  // at its right end.
  const std::size_t end = out.size() + static_cast<std::size_t>(w);
  out.append(static_cast<std::size_t>(w), ' ');
  char* p = out.data() + (end - static_cast<std::size_t>(len));
  if (minus) *p++ = '-';
  if (showZero) *p++ = '0';
  for (std::string_view piece : pieces) {
    std::memcpy(p, piece.data(), piece.size());
    p += piece.size();
  }
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

// The correctly rounded decimal digits of the common fields by one scaled
// product: r = a·10^q with 10^q exact (|q| <= 22) is a monotone rounding
// of the exact product, and while r < 2^52 every half-integer is itself a
// double. So r lies on the same side of each half-integer as the exact
// product, or on it: the nearest integer of r is that of the exact value
// unless r is a half-integer, and that case (a tie or a near-tie) goes to
// the exact conversion, as do long expansions and extreme exponents.
namespace {

constexpr int kMaxScaleExponent = 22;  // 10^22 = 2^22·5^22 is exact in a double
constexpr double kLimit15 = 1e15;      // below 2^52: the half-integers are doubles

double powerOfTen(int q) { return kExactPowersOfTen[q]; }

// Whether double arithmetic keeps at least its own 53 bits: where doubles
// are computed on the x87 unit (32-bit x86), a host program may have set it
// to single precision (some graphics libraries do), and then the exact
// conversion is used. Elsewhere double arithmetic is always exact to 53 bits.
bool doublePrecisionIntact() {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  return true;
#else
  static volatile double tiny = 0x1p-52;
  const double sum = 1.0 + tiny;
  return sum != 1.0;
#endif
}

// a·10^q for |q| <= 22, rounded once.
double scaled(double a, int q) { return q >= 0 ? a * powerOfTen(q) : a / powerOfTen(-q); }

// The nearest integer of r (0 <= r < 2^52), or false when r is a
// half-integer and the exact value must decide. The fraction r - floor(r)
// is exact (it holds a tail of r's own bits).
bool nearestInteger(double r, std::uint64_t& n) {
  const auto whole = static_cast<std::int64_t>(r);  // r >= 0: truncation is the floor
  const double fraction = r - static_cast<double>(whole);
  if (fraction == 0.5) return false;
  n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Exactly `count` decimal digits of n < 10^count (leading zeros included)
// at out[0..count), two at a time from the right; in 32-bit arithmetic
// once n fits it (the common fields have at most nine digits).
void placeDigits(char* out, std::uint64_t n, int count) {
  char* p = out + count;
  while (n > 0xFFFFFFFFu && p - out >= 2) {
    const std::size_t pair = static_cast<std::size_t>(n % 100) * 2;
    n /= 100;
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
  }
  auto m = static_cast<std::uint32_t>(n);
  while (p - out >= 2) {
    const std::size_t pair = static_cast<std::size_t>(m % 100) * 2;
    m /= 100;
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
  }
  if (p > out) *--p = static_cast<char>('0' + m % 10);
}

// Number of decimal digits of n (1 for zero).
int digitCount(std::uint64_t n) {
  int count = 1;
  while (n >= 10) {
    n /= 10;
    ++count;
  }
  return count;
}

// The decimal digits of n, with leading zeros up to minDigits (at most 40
// characters in all); returns their number.
int writeDigits(char* out, std::uint64_t n, int minDigits) {
  const int count = std::max(digitCount(n), std::min(minDigits, 40));
  placeDigits(out, n, count);
  return count;
}

// The first `sig` (1 to 15) significant digits of a > 0, correctly rounded,
// as the integer n (10^(sig-1) <= n < 10^sig) and the decimal exponent of
// the first digit; false when the product cannot decide (it lands on a
// half-integer) or the value lies beyond the exact powers of ten.
KORVEN_HOT bool fastSignificant(double a, int sig, std::uint64_t& n, int& e10) {
  if (sig < 1 || sig > 15 || !(a > 0.0) || !doublePrecisionIntact()) return false;
  // Binary exponent from the bits (subnormals, infinities and NaN are left
  // to the exact conversion), then the decimal one: floor(e2·log10 2),
  // possibly one too low, which the loop mends.
  const int e2 = static_cast<int>((std::bit_cast<std::uint64_t>(a) >> 52) & 0x7FF) - 1023;
  if (e2 == -1023 || e2 == 1024) return false;
  e10 = (e2 * 78913) >> 18;
  static constexpr std::uint64_t kIntegerPowers[] = {
      1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000,
      100000000000, 1000000000000, 10000000000000, 100000000000000};
  const std::uint64_t low = kIntegerPowers[sig - 1];
  const std::uint64_t high = low * 10;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int q = sig - 1 - e10;
    if (q > kMaxScaleExponent || q < -kMaxScaleExponent) return false;
    const double r = scaled(a, q);
    if (r >= kLimit15 * 10) {
      ++e10;
      continue;
    }
    if (!nearestInteger(r, n)) return false;
    if (n < low) {
      --e10;
    } else if (n > high) {
      ++e10;
    } else {
      if (n == high) {  // rounding carried into a new digit
        n = low;
        ++e10;
      }
      return true;
    }
  }
  return false;
}

// round(a·10^p) for a >= 0 when it is below 10^15.
bool fastScaledInteger(double a, int p, std::uint64_t& n) {
  if (p < 0 || p > kMaxScaleExponent || !(a >= 0.0) || !doublePrecisionIntact()) return false;
  const double r = scaled(a, p);
  return r < kLimit15 && nearestInteger(r, n);
}

// "%.*e" of a > 0 with at most 15 significant digits.
bool fastScientific(double a, int precision, char* out, std::size_t& length) {
  std::uint64_t n = 0;
  int e10 = 0;
  if (!fastSignificant(a, precision + 1, n, e10)) return false;
  char digits[40];
  writeDigits(digits, n, precision + 1);
  std::size_t k = 0;
  out[k++] = digits[0];
  if (precision > 0) {
    out[k++] = '.';
    std::memcpy(out + k, digits + 1, static_cast<std::size_t>(precision));
    k += static_cast<std::size_t>(precision);
  }
  out[k++] = 'e';
  out[k++] = e10 < 0 ? '-' : '+';
  k += static_cast<std::size_t>(writeDigits(out + k, static_cast<std::uint64_t>(e10 < 0 ? -e10 : e10), 2));
  length = k;
  return true;
}

// "%.*f" of a >= 0 when a·10^precision < 10^15.
bool fastFixed(double a, int precision, char* out, std::size_t& length) {
  std::uint64_t n = 0;
  if (!fastScaledInteger(a, precision, n)) return false;
  char digits[kMaxScaleExponent + 8];
  const int len = writeDigits(digits, n, precision + 1);
  const std::size_t whole = static_cast<std::size_t>(len - precision);
  std::memcpy(out, digits, whole);
  std::size_t k = whole;
  if (precision > 0) {
    out[k++] = '.';
    std::memcpy(out + k, digits + whole, static_cast<std::size_t>(precision));
    k += static_cast<std::size_t>(precision);
  }
  length = k;
  return true;
}

// Exactly Count digits of n < 10^Count at out[0..Count), Count fixed at
// compile time: fours split off by one division, pairs from a table.
template <int Count>
KORVEN_HOT void placeFixed(char* out, std::uint32_t n) {
  if constexpr (Count >= 5) {
    placeFixed<Count - 4>(out, n / 10000);
    const std::uint32_t low = n % 10000;
    std::memcpy(out + Count - 4, kDigitPairs + 2 * (low / 100), 2);
    std::memcpy(out + Count - 2, kDigitPairs + 2 * (low % 100), 2);
  } else if constexpr (Count >= 2) {
    placeFixed<Count - 2>(out, n / 100);
    std::memcpy(out + Count - 2, kDigitPairs + 2 * (n % 100), 2);
  } else if constexpr (Count == 1) {
    out[0] = static_cast<char>('0' + n);
  }
}

// What an E field's edit descriptor fixes, worked out once for a row of
// such fields.
struct ExponentShape {
  bool usable = false;  // the fast path applies to the descriptor at all
  int w = 0, d = 0, scale = 0, sig = 0;
  char letter = 'E';
};

KORVEN_HOT ExponentShape exponentShape(int w, int d, int scale, char letter) {
  ExponentShape s;
  s.w = w;
  s.d = d;
  s.scale = scale;
  s.sig = d + scale;  // 0P: .ddd (d digits); 1P: d.ddd (d+1 digits)
  s.letter = letter;
  s.usable = w >= 1 && w <= static_cast<int>(kFieldRoom) && d <= 15 && (scale == 0 || scale == 1) &&
             s.sig >= 1 && doublePrecisionIntact();
  return s;
}

// `held`, when given, receives the value the field's text reads back as.
// Sig, when not 0, is s.sig fixed at compile time (see withSignificant).
template <int Sig = 0>
KORVEN_HOT bool putExponentField(char* out, const ExponentShape& s, double x, double* held = nullptr) {
  const int sig = Sig > 0 ? Sig : s.sig;
  if (!std::isfinite(x)) return false;
  const bool minus = std::signbit(x);
  const double a = std::fabs(x);
  std::uint64_t n = 0;
  int exponent = 0;
  if (a != 0.0) {
    int e10 = 0;
    if (!fastSignificant(a, sig, n, e10)) return false;
    exponent = e10 + 1 - s.scale;
  }
  const int magnitude = exponent < 0 ? -exponent : exponent;
  int len = (minus ? 1 : 0) + sig + 1 + 4;
  if (magnitude > 99 || len > s.w) return false;
  const bool zero = s.scale == 0 && len < s.w;  // the optional zero before the point
  if (zero) ++len;
  layBlanks(out);  // the text goes over them
  char* p = out + (s.w - len);
  if (minus) *p++ = '-';
  if (zero) *p++ = '0';
  // The first digit's column: 0P puts the point there, 1P moves the first
  // digit there and the point after it.
  char* digits = p + 1;
  if constexpr (Sig > 0 && Sig <= 9) {
    placeFixed<Sig>(digits, static_cast<std::uint32_t>(n));
  } else {
    placeDigits(digits, n, sig);
  }
  if (s.scale == 0) {
    *p = '.';
    p += 1 + s.d;
  } else {
    p[0] = p[1];
    p[1] = '.';
    p += 2 + s.d;
  }
  p[0] = s.letter;
  p[1] = exponent < 0 ? '-' : '+';
  std::memcpy(p + 2, kDigitPairs + 2 * magnitude, 2);
  // The text shows n with d digits after the point, times 10^exponent;
  // fastSignificant kept |exponent - d| (its scale) within 22.
  if (held != nullptr) *held = exactDecimal(n, exponent - s.d, minus);
  return true;
}

KORVEN_HOT bool putFixedField(char* out, int w, int d, double x, double* held = nullptr) {
  if (w < 1 || w > static_cast<int>(kFieldRoom) || d < 0 || !std::isfinite(x)) return false;
  const bool minus = std::signbit(x);
  std::uint64_t n = 0;
  if (!fastScaledInteger(std::fabs(x), d, n)) return false;
  char digits[40];
  const int count = writeDigits(digits, n, d + 1);  // at least one digit before the point
  const int whole = count - d;
  // A whole part of "0" is the optional zero: shown when the field has
  // room for it, always when there are no decimals.
  const bool zeroWhole = whole == 1 && digits[0] == '0';
  int len = (minus ? 1 : 0) + (zeroWhole ? 0 : whole) + 1 + d;
  const bool showZero = zeroWhole && (d == 0 || len < w);
  if (showZero) ++len;
  if (len > w) return false;
  layBlanks(out);
  char* p = out + (w - len);
  if (minus) *p++ = '-';
  if (showZero) *p++ = '0';
  if (!zeroWhole) {
    std::memcpy(p, digits, static_cast<std::size_t>(whole));
    p += whole;
  }
  *p++ = '.';
  std::memcpy(p, digits + whole, static_cast<std::size_t>(d));
  if (held != nullptr) *held = exactDecimal(n, -d, minus);  // d <= 22: fastScaledInteger's bound
  return true;
}

// Calls f.template operator()<Sig>() with the number of significant digits
// fixed at compile time for the common E fields, with 0 for the others.
template <class F>
KORVEN_HOT auto withSignificant(int sig, F&& f) {
  switch (sig) {
    case 3: return f.template operator()<3>();
    case 4: return f.template operator()<4>();
    case 5: return f.template operator()<5>();
    case 6: return f.template operator()<6>();
    case 7: return f.template operator()<7>();
    default: return f.template operator()<0>();
  }
}

}  // namespace

bool putExponent(char* out, int w, int d, int scale, char letter, double x, double* held) {
  const ExponentShape shape = exponentShape(w, d, scale, letter);
  return shape.usable &&
         withSignificant(shape.sig, [&]<int Sig>() { return putExponentField<Sig>(out, shape, x, held); });
}

bool putFixed(char* out, int w, int d, double x, double* held) { return putFixedField(out, w, d, x, held); }

namespace {

// putRow with or without the values read back (Held): one loop each.
template <bool Held>
KORVEN_HOT std::size_t putRowFields(char* out, std::span<const double> values, const RowField& row,
                                    double* held) {
  const auto lead = static_cast<std::size_t>(row.lead);
  const auto step = lead + static_cast<std::size_t>(row.w);
  std::size_t i = 0;
  if (row.fixed) {
    const int w = row.w, d = row.d;
    for (; i < values.size(); ++i, out += step) {
      std::memset(out, ' ', kMaxRowLead);  // a fixed-size store: the blanks before the field
      if (!putFixedField(out + lead, w, d, values[i], Held ? held + i : nullptr)) break;
    }
  } else {
    const ExponentShape shape = exponentShape(row.w, row.d, row.scale, row.letter);
    if (!shape.usable) return 0;
    return withSignificant(shape.sig, [&]<int Sig>() {
      for (; i < values.size(); ++i, out += step) {
        std::memset(out, ' ', kMaxRowLead);
        if (!putExponentField<Sig>(out + lead, shape, values[i], Held ? held + i : nullptr)) break;
      }
      return i;
    });
  }
  return i;
}

}  // namespace

std::size_t putRow(char* out, std::span<const double> values, const RowField& row, double* held) {
  return held == nullptr ? putRowFields<false>(out, values, row, nullptr)
                         : putRowFields<true>(out, values, row, held);
}

// The shortest text that reads back as x, as std::to_chars(double) writes
// it. If some decimal of k <= 15 significant digits reads back as x, it
// lies within x·2^-53 of x, far closer than half the spacing of the
// 15-digit decimals (more than x·5·10^-16): so x rounded to 15 digits is
// that decimal followed by zeros, and dropping the zeros gives it. When
// the digits so found read back as x they are therefore the shortest, and
// the nearest to x of that length, which is the one to_chars chooses. That
// holds where the doubles next to x lie at equal distances on both sides
// (not at a power of two, nor a subnormal) and one product gives the
// digits and the value back; to_chars writes everything else. Fixed or
// scientific form, whichever is shorter (fixed on a tie).
std::size_t putShortest(char* out, double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const bool notPowerOfTwo = (bits & ((std::uint64_t{1} << 52) - 1)) != 0;
  std::uint64_t n = 0;
  int e = 0;
  if (biased != 0 && biased != 0x7FF && notPowerOfTwo && fastSignificant(std::fabs(x), 15, n, e)) {
    const bool minus = x < 0.0;
    int k = 15;
    // At most 14 trailing zeros (n has 15 digits): dropped 8, 4, 2 and 1
    // at a time.
    for (const auto& [power, count] : {std::pair<std::uint64_t, int>{100000000, 8}, {10000, 4}, {100, 2}, {10, 1}}) {
      if (n % power == 0) {
        n /= power;
        k -= count;
      }
    }
    // (fastSignificant kept e >= -8, so the scale is at least -22.) Below
    // 10^15 a whole number written in fixed form is the double's own
    // value; to_chars writes larger ones digit for digit, not as these
    // digits followed by zeros.
    const int scale = e - k + 1;
    if (e < 15 && scale >= -22 && exactDecimal(n, scale, false) == std::fabs(x)) {
      // The digits are placed where they go, over fixed-size runs of zeros
      // or moved by a fixed-size copy: k <= 15 and -8 <= e < 15.
      const int scientific = k + (k > 1 ? 1 : 0) + 4;
      const int fixed = e >= k - 1 ? e + 1 : e >= 0 ? k + 1 : k + 1 - e;
      char* p = out;
      if (minus) *p++ = '-';
      if (fixed <= scientific) {
        std::memset(p, '0', 16);
        if (e >= k - 1) {  // a whole number: the digits, then zeros
          placeDigits(p, n, k);
        } else if (e >= 0) {  // the point after e + 1 digits: the rest moved on
          placeDigits(p, n, k);
          std::memmove(p + e + 2, p + e + 1, 16);
          p[e + 1] = '.';
        } else {  // 0. and -e - 1 zeros before the digits
          p[1] = '.';
          placeDigits(p + 1 - e, n, k);
        }
        p += fixed;
      } else {
        placeDigits(p + 1, n, k);
        p[0] = p[1];
        p[1] = '.';
        p += k > 1 ? k + 1 : 1;
        p[0] = 'E';
        p[1] = e < 0 ? '-' : '+';
        std::memcpy(p + 2, kDigitPairs + 2 * (e < 0 ? -e : e), 2);
        p += 4;
      }
      return static_cast<std::size_t>(p - out);
    }
  }
  char* end = std::to_chars(out, out + kShortestRoom, x).ptr;
  for (char* p = out; p != end; ++p) {
    if (*p == 'e') *p = 'E';
  }
  return static_cast<std::size_t>(end - out);
}

DecimalText::DecimalText(double a, std::chars_format form, int precision) {
  std::size_t length = 0;
  if (form == std::chars_format::scientific ? fastScientific(a, precision, small_, length)
                                            : fastFixed(a, precision, small_, length)) {
    text_ = std::string_view(small_, length);
    return;
  }
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

namespace {

// Iw / Iw.m laid at out[0..w) over `fill` (>= w) characters of room.
KORVEN_HOT void layInteger(char* out, std::size_t fill, int w, int minDigits, std::int64_t n) {
  const std::uint64_t mag = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  char digits[24];
  int count = 0;
  if (!(minDigits == 0 && n == 0)) {
    count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, mag).ptr - digits);
  }
  const int zeros = minDigits > count ? minDigits - count : 0;
  const int len = (n < 0 ? 1 : 0) + zeros + count;
  if (len > w) {
    std::memset(out, '*', fill);
    return;
  }
  std::memset(out, ' ', fill);
  char* p = out + (w - len);
  if (n < 0) *p++ = '-';
  std::memset(p, '0', static_cast<std::size_t>(zeros));
  std::memcpy(p + zeros, digits, static_cast<std::size_t>(count));
}

}  // namespace

bool putInteger(char* out, int w, int minDigits, std::int64_t n) {
  if (w < 1 || w > static_cast<int>(kFieldRoom)) return false;
  layInteger(out, kFieldRoom, w, minDigits, n);
  return true;
}

void appendInteger(std::string& out, int w, int minDigits, std::int64_t n) {
  if (w < 1) return;  // no columns: nothing to show
  const std::size_t at = out.size();
  const std::size_t fill = std::max(static_cast<std::size_t>(w), kFieldRoom);
  out.resize(at + fill);
  layInteger(out.data() + at, fill, w, minDigits, n);
  out.resize(at + static_cast<std::size_t>(w));
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
  std::uint64_t scaledValue = 0;
  char fast[kMaxScaleExponent + 8];
  std::string_view intText, fracText;
  std::optional<DecimalText> printed;
  if (p >= 0 && fastScaledInteger(a, p, scaledValue)) {
    const std::size_t len = static_cast<std::size_t>(writeDigits(fast, scaledValue, p + 1));
    const std::size_t whole = len - static_cast<std::size_t>(p);
    intText = std::string_view(fast, whole);
    fracText = std::string_view(fast + whole, len - whole);
  } else {
    printed.emplace(p >= 0 ? a : a * std::pow(10.0, scale), std::chars_format::fixed, p >= 0 ? p : d);
    const std::string_view s = printed->text();
    const std::size_t dot = s.find('.');
    intText = s.substr(0, dot);
    fracText = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  }
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
  if (e == 0) {
    char field[kFieldRoom];
    if (putExponent(field, w, d, scale, letter, x)) {
      out.append(field, static_cast<std::size_t>(w));
      return;
    }
  }
  char digits[400];
  int exponent = 0;
  std::uint64_t rounded = 0;
  int e10 = 0;
  if (a == 0.0) {
    for (int i = 0; i < sig; ++i) digits[i] = '0';
  } else if (fastSignificant(a, sig, rounded, e10)) {
    writeDigits(digits, rounded, sig);
    exponent = e10 + 1 - scale;
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

}  // namespace korven::textio::detail
