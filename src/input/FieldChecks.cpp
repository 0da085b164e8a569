#include "input/FieldChecks.h"

#include <charconv>
#include <string>

namespace korven::input {

namespace {

// Shortest text of a number, exponent in upper case (1000, 1E+09).
std::string numberText(double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

}  // namespace

void requireField(const Record& r, double value, bool ok, std::string_view problem) {
  if (ok) return;
  const std::string text = r.lastText().empty() ? numberText(value) : r.lastText();
  throw textio::InputError(r.name(), r.lastLine(), text, std::string(problem));
}

double readNonNegative(Record& r, std::string_view quantity, double high) {
  const double value = r.real();
  requireField(r, value, value >= 0.0, std::string(quantity) + " MUST NOT BE NEGATIVE");
  requireField(r, value, value <= high,
               std::string(quantity) + " MUST NOT EXCEED " + numberText(high));
  return value;
}

double readWithin(Record& r, double low, double high, std::string_view problem) {
  const double value = r.real();
  requireField(r, value, value >= low && value <= high, problem);
  return value;
}

double readBelow(Record& r, double low, double high, std::string_view problem) {
  const double value = r.real();
  requireField(r, value, value >= low && value < high, problem);
  return value;
}

int readCode(Record& r, int low, int high, std::string_view problem) {
  const int value = r.integer();
  requireField(r, value, value >= low && value <= high, problem);
  return value;
}

}  // namespace korven::input
