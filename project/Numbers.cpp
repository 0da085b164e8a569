#include "Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace korven::project {
namespace {

// The shortest decimal digits of |v| and the decimal exponent of the first.
struct Digits {
  bool negative = false;
  std::string digits;  // no leading zero; "0" for zero
  int exponent = 0;
};

Digits digitsOf(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  (void)ec;
  std::string s(buf, end);
  Digits d;
  std::size_t i = 0;
  if (s[i] == '-') {
    d.negative = true;
    ++i;
  }
  const std::size_t e = s.find('e');
  for (; i < e; ++i) {
    if (s[i] != '.') d.digits += s[i];
  }
  d.exponent = std::atoi(s.c_str() + e + 1);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

double readBack(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

std::string realText(double v, char exponentLetter) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
  const Digits d = digitsOf(v);
  std::string out = d.negative ? "-" : "";
  if (d.digits == "0") return out + "0.0";
  const int n = static_cast<int>(d.digits.size());
  if (d.exponent >= -4 && d.exponent <= 15) {
    if (d.exponent >= 0) {
      const int whole = d.exponent + 1;
      out += d.digits.substr(0, std::min(n, whole));
      if (whole > n) out += std::string(static_cast<std::size_t>(whole - n), '0');
      out += '.';
      out += whole < n ? d.digits.substr(static_cast<std::size_t>(whole)) : "0";
    } else {
      out += "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }
    return out;
  }
  out += d.digits.substr(0, 1) + "." + (n > 1 ? d.digits.substr(1) : "0");
  out += exponentLetter + std::to_string(d.exponent);
  return out;
}

double scaleDecimal(double v, int p) {
  if (!std::isfinite(v) || v == 0.0 || p == 0) return v;
  const Digits d = digitsOf(v);
  return readBack((d.negative ? "-0." : "0.") + d.digits + "e" +
                  std::to_string(d.exponent + 1 + p));
}

double scaleRatio(double v, long long num, long long den) {
  if (!std::isfinite(v) || v == 0.0) return v;
  const Digits d = digitsOf(v);
  // |v| = M·10^(exponent+1-n), M the digits as a whole number; M·num is
  // formed digit by digit, then divided by den to 40 decimals.
  std::string product = d.digits;
  long long carry = 0;
  for (auto it = product.rbegin(); it != product.rend(); ++it) {
    const long long x = (*it - '0') * num + carry;
    *it = static_cast<char>('0' + x % 10);
    carry = x / 10;
  }
  for (; carry > 0; carry /= 10) product.insert(product.begin(), static_cast<char>('0' + carry % 10));
  std::string text = d.negative ? "-" : "";
  long long r = 0;
  for (char c : product) {
    r = r * 10 + (c - '0');
    text += static_cast<char>('0' + r / den);
    r %= den;
  }
  text += '.';
  for (int k = 0; k < 40 && r != 0; ++k) {
    r *= 10;
    text += static_cast<char>('0' + r / den);
    r %= den;
  }
  text += '0';
  return readBack(text + "e" + std::to_string(d.exponent + 1 - static_cast<int>(d.digits.size())));
}

namespace {

// A unit: its dimension and its size in each system's base units, as a
// ratio (exact) in its own system and as a real in the other.
struct Unit {
  const char* name;
  Dimension dim;
  System home;
  long long num, den;  // size in the home system's base units
  double other;        // size in the other system's base units
};

constexpr double kInch = 0.0254;                  // m
constexpr double kPound = 4.4482216152605e-3;     // kN
const Unit kUnits[] = {
    {"m", {1, 0}, System::SI, 1, 1, 1.0 / kInch},
    {"mm", {1, 0}, System::SI, 1, 1000, 1.0 / kInch / 1000.0},
    {"cm", {1, 0}, System::SI, 1, 100, 1.0 / kInch / 100.0},
    {"in", {1, 0}, System::English, 1, 1, kInch},
    {"ft", {1, 0}, System::English, 12, 1, 12.0 * kInch},
    {"kN", {0, 1}, System::SI, 1, 1, 1.0 / kPound},
    {"N", {0, 1}, System::SI, 1, 1000, 1.0 / kPound / 1000.0},
    {"MN", {0, 1}, System::SI, 1000, 1, 1000.0 / kPound},
    {"lb", {0, 1}, System::English, 1, 1, kPound},
    {"lbs", {0, 1}, System::English, 1, 1, kPound},
    {"kip", {0, 1}, System::English, 1000, 1, 1000.0 * kPound},
    {"Pa", {-2, 1}, System::SI, 1, 1000, kInch * kInch / kPound / 1000.0},
    {"kPa", {-2, 1}, System::SI, 1, 1, kInch * kInch / kPound},
    {"MPa", {-2, 1}, System::SI, 1000, 1, kInch * kInch / kPound * 1e3},
    {"GPa", {-2, 1}, System::SI, 1000000, 1, kInch * kInch / kPound * 1e6},
    {"psi", {-2, 1}, System::English, 1, 1, kPound / (kInch * kInch)},
    {"ksi", {-2, 1}, System::English, 1000, 1, 1000.0 * kPound / (kInch * kInch)},
    {"psf", {-2, 1}, System::English, 1, 144, kPound / (144.0 * kInch * kInch)},
    {"pci", {-3, 1}, System::English, 1, 1, kPound / (kInch * kInch * kInch)},
    {"pcf", {-3, 1}, System::English, 1, 1728, kPound / (1728.0 * kInch * kInch * kInch)},
    {"deg", {0, 0, true}, System::SI, 1, 1, 1.0},
};

constexpr long long kExactLimit = 1000000000000LL;  // 10^12

const Unit* findUnit(std::string_view name) {
  for (const Unit& u : kUnits) {
    if (name == u.name) return &u;
  }
  return nullptr;
}

std::string dimensionText(Dimension d) {
  if (d.angle) return "an angle";
  if (d == Dimension{}) return "a plain number";
  if (d == Dimension{1, 0}) return "a length";
  if (d == Dimension{2, 0}) return "an area";
  if (d == Dimension{4, 0}) return "a second moment of area";
  if (d == Dimension{0, 1}) return "a force";
  if (d == Dimension{-2, 1}) return "a stress";
  if (d == Dimension{-3, 1}) return "a unit weight";
  if (d == Dimension{-1, 1}) return "a force per length";
  if (d == Dimension{1, 1}) return "a moment";
  if (d == Dimension{-1, 0}) return "a curvature";
  return "length^" + std::to_string(d.length) + " force^" + std::to_string(d.force);
}

}  // namespace

std::string baseUnit(Dimension d, System system) {
  if (d.angle) return "deg";
  const bool si = system == System::SI;
  if (d == Dimension{}) return "-";
  if (d == Dimension{-2, 1}) return si ? "kPa" : "psi";
  if (d == Dimension{-3, 1}) return si ? "kN/m3" : "lb/in3";
  const char* len = si ? "m" : "in";
  std::string out(d.force > 0 ? (si ? "kN" : "lb") : "");
  if (d.length > 0) {
    if (!out.empty()) out += '*';
    out += len;
    if (d.length > 1) out += std::to_string(d.length);
  } else if (d.length < 0) {
    out += out.empty() ? "1/" : "/";
    out += len;
    if (d.length < -1) out += std::to_string(-d.length);
  }
  return out;
}

std::optional<double> valueWithUnit(std::string_view text, Dimension want, System system,
                                    std::string& why) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::size_t start = i;
  while (i < text.size() && std::strchr("+-.0123456789eE", text[i]) != nullptr) {
    // An 'e' followed by a letter begins the unit, not an exponent.
    if ((text[i] == 'e' || text[i] == 'E') &&
        (i + 1 >= text.size() || std::strchr("+-0123456789", text[i + 1]) == nullptr)) {
      break;
    }
    ++i;
  }
  double value = 0.0;
  const std::string number(text.substr(start, i - start));
  auto [p, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || ec != std::errc() || p != number.data() + number.size()) {
    why = "a number followed by its unit (for example \"12 m\")";
    return std::nullopt;
  }
  // The unit: factors joined by '*', '.' or blanks, a '/' putting the rest
  // in the denominator; a factor may carry a power (m2, m^2).
  Dimension dim;
  long long num = 1, den = 1;
  double cross = 1.0;
  bool anyCross = false, denominator = false, anyUnit = false;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '*' || c == '.') {
      ++i;
      continue;
    }
    if (c == '/') {
      denominator = true;
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && std::isalpha(static_cast<unsigned char>(text[j]))) ++j;
    const std::string name(text.substr(i, j - i));
    if (j < text.size() && text[j] == '^') ++j;
    int power = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      power = power * 10 + (text[j] - '0');
      ++j;
    }
    if (power == 0) power = 1;
    const Unit* u = findUnit(name);
    if (name.empty() || u == nullptr || power > 4) {
      why = "a known unit (m, mm, in, ft, kN, N, lb, kip, kPa, MPa, psi, psf, pcf, deg, "
            "with powers such as m2 or mm4 and '/'), not \"" + std::string(text.substr(i)) + "\"";
      return std::nullopt;
    }
    anyUnit = true;
    const int sign = denominator ? -1 : 1;
    dim.length += sign * power * u->dim.length;
    dim.force += sign * power * u->dim.force;
    dim.angle = dim.angle || u->dim.angle;
    for (int k = 0; k < power; ++k) {
      // Exact ratios stay small enough for scaleRatio; a unit beyond them
      // (GPa^4 ...) is converted as a real.
      const long long up = denominator ? u->den : u->num;
      const long long down = denominator ? u->num : u->den;
      if ((u->home == system || u->dim.angle) && num <= kExactLimit / up && den <= kExactLimit / down) {
        num *= up;
        den *= down;
      } else if (u->home == system || u->dim.angle) {
        anyCross = true;
        cross = cross * static_cast<double>(up) / static_cast<double>(down);
      } else {
        anyCross = true;
        cross = denominator ? cross / u->other : cross * u->other;
      }
    }
    i = j;
  }
  if (!anyUnit) {
    why = "a unit after the number";
    return std::nullopt;
  }
  if (!(dim == want)) {
    why = dimensionText(want) + " (" + baseUnit(want, system) + "), but the unit measures " +
          dimensionText(dim);
    return std::nullopt;
  }
  double out = scaleRatio(value, num, den);
  if (anyCross) out *= cross;
  return out;
}

}  // namespace korven::project
