// Field formatters shared by the layout writer and the number writers. Each
// appends exactly one field to `out`; a value that does not fit is shown as
// asterisks filling the field.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korven::textio::detail {

// The correctly rounded decimal text of a finite a >= 0 with `precision`
// digits after the point, in fixed or scientific form: the exact binary
// value rounded once, ties to even, as printf's %.*f and %.*e show it
// ("123.450", "1.2345e+02"). Held in a stack buffer, or on the heap for very
// long expansions (fixed-point text of huge values with many decimals).
class DecimalText {
 public:
  DecimalText(double a, std::chars_format form, int precision);
  DecimalText(const DecimalText&) = delete;
  DecimalText& operator=(const DecimalText&) = delete;
  std::string_view text() const { return text_; }

 private:
  char small_[400];
  std::vector<char> big_;
  std::string_view text_;
};

// The shortest text that reads back as the finite x, in the form
// std::to_chars(double) gives it but with an upper-case exponent letter
// ("0.125", "1.5E-05"), at out[0..kShortestRoom); returns its length.
inline constexpr std::size_t kShortestRoom = 32;
std::size_t putShortest(char* out, double x);

// Iw or Iw.m (minDigits < 0: no minimum). Iw.0 of zero prints blanks only.
void appendInteger(std::string& out, int w, int minDigits, std::int64_t n);

// Fw.d with scale factor kP: the decimal value times 10^k, with d decimals.
// The shift is done on the exact decimal expansion, so no extra rounding
// error is introduced by the scale factor.
void appendFixed(std::string& out, int w, int d, int scale, double x);

// Ew.d / Dw.d (letter 'E' or 'D'), with exponent width e (0: default, two
// digits, and three digits without the letter beyond 99) and scale factor kP.
void appendExponent(std::string& out, int w, int d, int e, int scale, char letter, double x);

// The common Ew.d / Dw.d fields (default exponent, scale factor 0 or 1,
// at most kFieldRoom columns) and Fw.d fields (no scale factor), written at
// out[0..w) exactly as appendExponent and appendFixed append them; false,
// with out[0..w) undefined, where those must decide (a rounding that one
// product cannot settle, a field too narrow, a value beyond the exact
// powers of ten). `out` must have room for kFieldRoom characters: the
// field is laid on a fixed-size run of blanks, of which only the first w
// belong to it.
inline constexpr std::size_t kFieldRoom = 64;
// kFieldRoom blanks at out, as eight-byte stores: a plain fill of that size
// may be compiled into a string instruction, slow for so few bytes.
inline void layBlanks(char* out) {
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020u;
  for (std::size_t i = 0; i < kFieldRoom; i += 8) std::memcpy(out + i, &kEightBlanks, 8);
}
// `held`, when given, receives the value the field's text reads back as.
bool putExponent(char* out, int w, int d, int scale, char letter, double x, double* held = nullptr);
// Iw / Iw.m at out[0..w) as appendInteger appends it; false for a field
// beyond kFieldRoom columns.
bool putInteger(char* out, int w, int minDigits, std::int64_t n);
bool putFixed(char* out, int w, int d, double x, double* held = nullptr);

// One field written over and over, each after `lead` blanks: E (default
// exponent, scale 0 or 1) or F (no scale).
inline constexpr int kMaxRowLead = 8;
struct RowField {
  bool fixed = false;
  int lead = 0;  // at most kMaxRowLead
  int w = 0, d = 0, scale = 0;
  char letter = 'E';
};
// Writes the values as consecutive fields from out, as putExponent or
// putFixed write each, and returns how many it wrote: all of them, or up to
// the first that the general formatters must write. `out` must have room
// for values.size()·(lead + w) + kFieldRoom characters. `held`, when given,
// receives for each field written the value its text reads back as (what
// a reader of the file gets, exactly as converting the text gives it).
std::size_t putRow(char* out, std::span<const double> values, const RowField& f,
                   double* held = nullptr);

}  // namespace korven::textio::detail
