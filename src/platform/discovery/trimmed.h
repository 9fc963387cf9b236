// Blanks around a text, as users type them into address lists and instruments pad their fields.
#pragma once

#include <string_view>

namespace trv3::discovery {

inline std::string_view trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace trv3::discovery
