#include "platform/com/guid.h"

#include <cctype>
#include <cstdio>
#include <cstring>

bool operator==(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

namespace trv3::com {

std::string guidToString(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::optional<GUID> parseGuid(std::string_view text) {
  // Hex digit positions inside the braces; the dashes sit at 9, 14, 19 and 24.
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  for (size_t i : {9u, 14u, 19u, 24u})
    if (text[i] != '-') return std::nullopt;
  std::string hex;
  for (size_t i = 1; i < 37; ++i) {
    if (text[i] == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    hex += text[i];
  }
  if (hex.size() != 32) return std::nullopt;
  auto field = [&](size_t offset, size_t digits) {
    return static_cast<uint32_t>(std::stoul(hex.substr(offset, digits), nullptr, 16));
  };
  GUID guid{};
  guid.Data1 = field(0, 8);
  guid.Data2 = static_cast<uint16_t>(field(8, 4));
  guid.Data3 = static_cast<uint16_t>(field(12, 4));
  for (size_t i = 0; i < 8; ++i) guid.Data4[i] = static_cast<uint8_t>(field(16 + 2 * i, 2));
  return guid;
}

}  // namespace trv3::com
