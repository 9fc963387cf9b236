// Figures of this process from /proc/self/status, for tests that bound what an operation costs.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace trv3::testing {

// The field's value in KiB ("VmRSS:", "VmHWM:"), or 0 when there is none.
inline int64_t statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
  return 0;
}

}  // namespace trv3::testing
