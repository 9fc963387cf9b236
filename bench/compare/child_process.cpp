#include "child_process.h"

#include <cstdio>
#include <stdexcept>

namespace trv3::bench {

nlohmann::json runForJson(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char chunk[4096];
  while (const size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, got);
  if (::pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  return nlohmann::json::parse(output);
}

std::string quoted(const std::string& word) {
  std::string text = "'";
  for (const char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

}  // namespace trv3::bench
