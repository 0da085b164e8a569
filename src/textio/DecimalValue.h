// The double that a short decimal number digits·10^exponent reads as: the
// nearest one, ties to even, as strtod and from_chars give it. Shared by
// the readers of numbers and by the writers that tell what a field they
// wrote reads back as.
#pragma once

#include <cstdint>

namespace korven::textio {

inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// digits·10^exponent rounded once, for digits <= 2^53 and |exponent| <= 22:
// both factors are exact doubles, so one multiplication or division gives
// the correctly rounded value. A zero keeps its sign.
inline double exactDecimal(std::uint64_t digits, int exponent, bool negative) {
  if (digits == 0) return negative ? -0.0 : 0.0;
  const double v = static_cast<double>(digits);
  const double magnitude = exponent < 0 ? v / kExactPowersOfTen[-exponent] : v * kExactPowersOfTen[exponent];
  return negative ? -magnitude : magnitude;
}

}  // namespace korven::textio
