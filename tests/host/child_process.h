// Runs a program to its end for an end-to-end test: changed environment, captured stdout and
// stderr, exit status, and a bound on its run time after which it is killed.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trv3::host::test {

struct ChildResult {
  int exitStatus = -1;  // -1 when it ended by a signal or was killed at the bound
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Variables to set; an empty optional removes the variable.
using Environment = std::map<std::string, std::optional<std::string>>;

ChildResult runChild(const std::vector<std::string>& command, const Environment& changes,
                     std::chrono::seconds bound = std::chrono::seconds(60));

}  // namespace trv3::host::test
