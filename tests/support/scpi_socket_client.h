// A plain raw-socket SCPI client for tests: newline-terminated messages out, answers, blocks
// and raw bytes in, each read bounded by a time-out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trv3::test {

class ScpiSocketClient {
 public:
  // Throws std::runtime_error when the connection fails.
  ScpiSocketClient(const std::string& host, uint16_t port, int timeoutMs = 5000);
  ~ScpiSocketClient();
  ScpiSocketClient(const ScpiSocketClient&) = delete;
  ScpiSocketClient& operator=(const ScpiSocketClient&) = delete;

  // Sends the message with "\n" appended.
  void send(std::string_view message);
  // The next line without its "\n"; throws std::runtime_error on time-out or a closed connection.
  std::string readLine();
  std::string query(std::string_view message);
  // Exactly `count` bytes; throws like readLine.
  std::string readBytes(std::size_t count);
  // A definite-length block "#<n><length><bytes>" and the newline after it; the bytes.
  std::string readBlock();
  // Every byte until the peer closes the connection; throws on time-out.
  std::string readUntilClosed();

 private:
  bool fill(int timeoutMs);  // false when the peer closed

  int fd_ = -1;
  int timeoutMs_;
  std::string buffer_;
};

}  // namespace trv3::test
