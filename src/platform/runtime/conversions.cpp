#include "platform/runtime/conversions.h"

#include <locale.h>

#include <cctype>
#include <cmath>
#include <cstdio>
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

// Numbers from instruments and the run-time's texts of numbers use "." whatever locale the host
// process set: a Qt application sets the user's, whose decimal separator may be ",".
locale_t cNumbers() {
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

double convertScanned(std::string_view number) {
  std::string copy(number);
  for (char& c : copy)
    if (c == 'd' || c == 'D') c = 'E';
  // Without memory for a locale of its own, the process's is better than none.
  const locale_t c = cNumbers();
  return c != locale_t{} ? ::strtod_l(copy.c_str(), nullptr, c) : std::strtod(copy.c_str(), nullptr);
}

}  // namespace

// Whatever rounding mode the host set: floor and the halves are exact.
double roundHalfEven(double value) {
  const double below = std::floor(value);
  const double rest = value - below;
  if (rest != 0.5) return rest < 0.5 ? below : below + 1.0;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::string formatSignificant(double value, int digits) {
  char text[48];
  const locale_t previous = ::uselocale(cNumbers());
  std::snprintf(text, sizeof text, "%.*G", digits, value);
  ::uselocale(previous);
  return text;
}

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

// Only A to Z: the host's locale (a Turkish one maps "i" otherwise) has no say.
std::string toLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string toUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
  return contains(toLowerAscii(haystack), toLowerAscii(needle));
}

}  // namespace trv3
