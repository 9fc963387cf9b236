#include "platform/runtime/conversions.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/runtime/errors.h"

namespace trv3 {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Scans the longest number at the start of text (after the caller skipped blanks). Returns the
// number of characters that form it, 0 when there is none.
size_t scanNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j, ++expDigits;
    if (expDigits > 0) i = j;
  }
  return i;
}

double convertScanned(std::string_view number) {
  std::string copy(number);
  for (char& c : copy)
    if (c == 'd' || c == 'D') c = 'E';
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

double roundHalfEven(double value) { return std::nearbyint(value); }  // default mode: to even

int32_t toInt32(double value) {
  if (std::isnan(value)) raise(rt::FloatingPoint);
  const double r = roundHalfEven(value);
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
    raise(rt::Overflow);
  return static_cast<int32_t>(r);
}

int16_t toInt16(double value) {
  if (std::isnan(value)) raise(rt::FloatingPoint);
  const double r = roundHalfEven(value);
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
    raise(rt::Overflow);
  return static_cast<int16_t>(r);
}

std::optional<double> parseNumeric(std::string_view text) {
  const std::string_view core = trimBlanks(text);
  if (core.empty()) return std::nullopt;
  const size_t length = scanNumber(core);
  if (length != core.size()) return std::nullopt;
  return convertScanned(core);
}

double textToDouble(std::string_view text) {
  const auto value = parseNumeric(text);
  if (!value) raise(rt::TypeMismatch);
  return *value;
}

int32_t textToInt32(std::string_view text) { return toInt32(textToDouble(text)); }

double leadingNumber(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && isBlank(text[begin])) ++begin;
  const std::string_view rest = text.substr(begin);
  const size_t length = scanNumber(rest);
  return length == 0 ? 0.0 : convertScanned(rest.substr(0, length));
}

bool textToBool(std::string_view text) {
  if (const auto value = parseNumeric(text)) return *value != 0.0;
  const std::string word = toLowerAscii(trimBlanks(text));
  if (word == "true") return true;
  if (word == "false") return false;
  raise(rt::TypeMismatch);
}

std::string_view trimBlanks(std::string_view text, std::string_view blanks) {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string toLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string toUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
  return contains(toLowerAscii(haystack), toLowerAscii(needle));
}

}  // namespace trv3
