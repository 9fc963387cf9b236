#include "platform/io/io_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace trv3::io {
namespace {

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c == '\\') out += "\\\\";
    else if (code < 0x20 || code == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", code);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string utcTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[40];
  const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

}  // namespace

IoTrace IoTrace::fromEnvironment() {
  IoTrace trace;
  if (const char* path = std::getenv("TRV3_IO_TRACE")) trace.path_ = path;
  return trace;
}

void IoTrace::append(const std::string& address, std::string_view direction,
                     std::string_view text) const {
  if (path_.empty()) return;
  // Opened without waiting: a named pipe with no reader in the file's place must not hold the
  // exchange; a line that cannot be written is lost, not waited for.
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return;
  std::string line = utcTimestamp() + ' ' + address + ' ';
  line.append(direction).append(" ").append(text).append("\n");
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

void IoTrace::sent(const std::string& address, std::string_view text) const {
  if (!path_.empty()) append(address, "->", escaped(text));
}

void IoTrace::received(const std::string& address, std::string_view text) const {
  if (!path_.empty()) append(address, "<-", escaped(text));
}

void IoTrace::receivedBlock(const std::string& address, size_t points) const {
  append(address, "<-", "block of " + std::to_string(points) + " bytes");
}

void IoTrace::droppedUnasked(const std::string& address, std::optional<size_t> bytes) const {
  append(address, "xx",
         bytes ? std::to_string(*bytes) + " bytes that arrived unasked"
               : "a flood of input that arrived unasked; the link is cleared");
}

void IoTrace::failed(const std::string& address, std::string_view description) const {
  if (!path_.empty()) append(address, "!!", escaped(description));
}

}  // namespace trv3::io
