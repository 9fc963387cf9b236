// Runs pyvisa_client.py (Debian's python3 with pyvisa-py) on an address and returns its report:
// {"reply": ..., "block_hex": ..., "seconds": [...]}, or a discarded value when it failed.
#pragma once

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace trv3::io::testing {

inline nlohmann::json runPyvisaClient(const std::string& address, int repeat = 1) {
  const std::string command = "/usr/bin/python3 " TRV3_PYVISA_CLIENT " '" + address + "' --repeat " +
                              std::to_string(repeat) + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return nlohmann::json::value_t::discarded;
  std::string output;
  std::array<char, 1 << 16> chunk;
  while (const size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), got);
  if (::pclose(pipe) != 0) return nlohmann::json::value_t::discarded;
  return nlohmann::json::parse(output, nullptr, false);
}

// The codes as pyvisa_client.py prints a block: two lower-case hex digits per byte.
inline std::string hexOfCodes(const std::vector<int32_t>& codes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * codes.size());
  for (const int32_t code : codes) {
    hex += digits[(code >> 4) & 0xF];
    hex += digits[code & 0xF];
  }
  return hex;
}

}  // namespace trv3::io::testing
