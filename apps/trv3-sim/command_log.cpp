#include "command_log.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace trv3::sim {

CommandLog::CommandLog(const std::string& path) {
  if (path.empty()) return;
  file_ = std::fopen(path.c_str(), "w");
  if (!file_) {
    throw std::runtime_error("cannot open log " + path + ": " + std::strerror(errno));
  }
}

CommandLog::~CommandLog() {
  if (file_) std::fclose(file_);
}

void CommandLog::record(std::string_view message) {
  if (!file_) return;
  std::lock_guard lock(mutex_);
  std::fwrite(message.data(), 1, message.size(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

}  // namespace trv3::sim
