// The I/O trace: when the environment variable "TRV3_IO_TRACE" names a file, every exchange is
// appended to it as one line: UTC time, address, direction ("->" sent, "<-" received, "!!"
// failed) and the text, with control characters escaped, or the size of a block.
#pragma once

#include <cstddef>
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

 private:
  void append(const std::string& address, std::string_view direction, std::string_view text) const;

  std::string path_;
};

}  // namespace trv3::io
