// The legacy run-time's conversions and text tests that the add-in's procedures lean on, each in one
// place: banker's rounding, numeric tests, "the number at the start of the text", text to Boolean,
// overflow-checked narrowing and the two kinds of substring test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trv3 {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// printf's "%.<digits>G" of the value, with "." as the decimal point in any locale.
std::string formatSignificant(double value, int digits);

// Rounds half-to-even and narrows; out of range raises Overflow, not-a-number raises FloatingPoint.
int32_t toInt32(double value);
int16_t toInt16(double value);

// The value of a text that is wholly a number: blanks around it, a sign, digits with an optional
// decimal point "." and an optional exponent ("1.7E+01", " 3 "), in any locale. Anything else, the
// empty text included, is not numeric.
std::optional<double> parseNumeric(std::string_view text);
inline bool isNumeric(std::string_view text) { return parseNumeric(text).has_value(); }

// Converts a text that must be a number to a double; any other text raises TypeMismatch.
double textToDouble(std::string_view text);

// Converts a numeric text to a 32-bit integer (rounding half-to-even); a non-numeric text raises
// TypeMismatch, an out-of-range one Overflow.
int32_t textToInt32(std::string_view text);

// The number at the start of a text: leading blanks skipped, reading stops at the first character
// that cannot continue a number; a text that starts with no number gives 0.
double leadingNumber(std::string_view text);

// "0" is False, any other number True, and the words True and False convert as such; any other
// text raises TypeMismatch.
bool textToBool(std::string_view text);

// The text without the given blanks at either end.
std::string_view trimBlanks(std::string_view text, std::string_view blanks = " \t\r\n");

std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);

// Substring tests: case-sensitive, and ignoring letter case.
inline bool contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}
bool containsNoCase(std::string_view haystack, std::string_view needle);

// Text of a Boolean-like 16-bit value as the host sees it: True = -1, False = 0.
constexpr int16_t VariantTrue = -1;
constexpr int16_t VariantFalse = 0;
constexpr int16_t toVariantBool(bool value) { return value ? VariantTrue : VariantFalse; }

}  // namespace trv3
