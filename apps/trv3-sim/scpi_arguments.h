// Conversions of SCPI arguments; each throws the ScpiError an instrument would queue.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "scpi_parser.h"

namespace trv3::sim {

// Exactly `count` arguments, or "Missing parameter" / "Parameter not allowed".
void requireArgumentCount(const std::vector<std::string>& arguments, std::size_t count);

// A decimal number in any of the SCPI forms ("1000", "+1E3", "999.6"), rounded to the nearest
// integer; "Data type error" for anything else.
int64_t parseInteger(std::string_view argument);

// "1", "0", "ON", "OFF" in any letter case, or any number (non-zero is true).
bool parseBoolean(std::string_view argument);

// The position of the first keyword that matches, e.g. "aver" among {NORMal, AVERage};
// "Illegal parameter value" when none does.
std::size_t parseKeyword(std::string_view argument, std::initializer_list<std::string_view> keywords);

// The suffix of a suffixed keyword such as "Channel1" for "CHANnel<n>"; nullopt when the
// argument is another word. A missing suffix counts as 1.
std::optional<int> parseSuffixedKeyword(std::string_view argument, const Mnemonic& keyword);

}  // namespace trv3::sim
