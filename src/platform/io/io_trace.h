// The I/O trace: when the environment variable "TRV3_IO_TRACE" names a file, every exchange is
// appended to it as one line: UTC time, address, direction ("->" sent, "<-" received, "!!"
// failed, "xx" dropped unasked) and the text, with control characters escaped, or the size of a
// block or of the input dropped.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace trv3::io {

class IoTrace {
 public:
  // The trace that the environment asks for when the session opens; inactive without one.
  static IoTrace fromEnvironment();

  void sent(const std::string& address, std::string_view text) const;
  void received(const std::string& address, std::string_view text) const;
  void receivedBlock(const std::string& address, size_t points) const;
  void failed(const std::string& address, std::string_view description) const;
  // Input that arrived unasked and was dropped before a command: its size, or none for a flood
  // that made the link be cleared.
  void droppedUnasked(const std::string& address, std::optional<size_t> bytes) const;

 private:
  void append(const std::string& address, std::string_view direction, std::string_view text) const;

  std::string path_;
};

}  // namespace trv3::io
