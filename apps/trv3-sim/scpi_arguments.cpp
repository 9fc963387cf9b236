#include "scpi_arguments.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "scpi_errors.h"

namespace trv3::sim {

void requireArgumentCount(const std::vector<std::string>& arguments, std::size_t count) {
  if (arguments.size() < count) throw kMissingParameter;
  if (arguments.size() > count) throw kParameterNotAllowed;
}

int64_t parseInteger(std::string_view argument) {
  // strtod alone would also take "nan", "inf" and hexadecimal forms, which SCPI numbers never are.
  const bool numericStart =
      !argument.empty() && (std::isdigit(static_cast<unsigned char>(argument[0])) ||
                            argument[0] == '+' || argument[0] == '-' || argument[0] == '.');
  if (!numericStart || argument.find_first_of("xXnNiI") != std::string_view::npos) {
    throw kDataTypeError;
  }
  const std::string text(argument);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) throw kDataTypeError;
  if (!std::isfinite(value) || std::fabs(value) > 9.0e18) throw kDataOutOfRange;
  return std::llround(value);
}

bool parseBoolean(std::string_view argument) {
  if (!argument.empty() && std::isalpha(static_cast<unsigned char>(argument[0]))) {
    return parseKeyword(argument, {"OFF", "ON"}) == 1;
  }
  return parseInteger(argument) != 0;
}

std::size_t parseKeyword(std::string_view argument,
                         std::initializer_list<std::string_view> keywords) {
  std::size_t position = 0;
  for (std::string_view keyword : keywords) {
    if (Mnemonic(keyword).match(argument).matched) return position;
    ++position;
  }
  throw kIllegalParameterValue;
}

std::optional<int> parseSuffixedKeyword(std::string_view argument, const Mnemonic& keyword) {
  const Mnemonic::Match match = keyword.match(argument);
  if (!match.matched) return std::nullopt;
  return match.suffix.value_or(1);
}

}  // namespace trv3::sim
