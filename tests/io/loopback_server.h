// A small TCP server on 127.0.0.1 for the tests: it accepts clients and runs the test's handler on
// each connection in a thread of its own, playing the instrument.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace trv3::io::testing {

class ServerConnection {
 public:
  explicit ServerConnection(int fd) : fd_(fd) {}
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // The next command without its newline; nothing once the client has gone.
  std::optional<std::string> readCommand();
  // Exactly `count` bytes; nothing once the client has gone.
  std::optional<std::string> readBytes(size_t count);
  // False once the client has gone.
  bool send(std::string_view bytes);
  // Sends in separate writes of at most pieceSize bytes each.
  void sendInPieces(std::string_view bytes, size_t pieceSize);
  // Drops the connection at once.
  void close();

 private:
  bool receiveMore();

  int fd_;
  std::string pending_;
};

class LoopbackServer {
 public:
  using Handler = std::function<void(ServerConnection&)>;
  explicit LoopbackServer(Handler handler);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t port() const { return port_; }
  // "TCPIP::127.0.0.1::<port>::SOCKET"
  std::string socketAddress() const;

 private:
  void serve();

  Handler handler_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> started_{false};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  std::vector<std::thread> connections_;
};

}  // namespace trv3::io::testing
