// The record of every message received, one per line as received, written at once so that a test
// can read it while the simulator runs.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace trv3::sim {

class CommandLog {
 public:
  // An empty path keeps no log. Throws std::runtime_error when the file cannot be opened.
  explicit CommandLog(const std::string& path);
  ~CommandLog();
  CommandLog(const CommandLog&) = delete;
  CommandLog& operator=(const CommandLog&) = delete;

  void record(std::string_view message);

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace trv3::sim
