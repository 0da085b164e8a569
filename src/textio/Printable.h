// Text from files and command lines shown in one-line messages: control
// characters and bytes that are not valid UTF-8 are shown escaped (\n, \t,
// \xNN), so that a message is one line of readable text whatever the input
// held.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace korven::textio {

// Length of the valid UTF-8 sequence starting at s[i] (1 to 4), or 0 when
// the bytes there are not one.
inline std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  unsigned lowest = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, lowest = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, lowest = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, lowest = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  unsigned code = c & (0x7Fu >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond the last code point.
  if (code < lowest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return n;
}

inline std::string printable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (c >= 0x80) {
      if (const std::size_t n = utf8SequenceLength(s, i); n > 0) {
        out.append(s.substr(i, n));
        i += n;
        continue;
      }
    }
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        char buf[5];
        std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
        out += buf;
      }
    }
    ++i;
  }
  return out;
}

// True when the text holds a control character (a name with one cannot be
// written as one line of a run-control file).
inline bool hasControlCharacter(std::string_view s) {
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace korven::textio
