#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "support/loopback_listener.h"

namespace trv3::io::testing {

ServerConnection::~ServerConnection() { close(); }

void ServerConnection::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ServerConnection::receiveMore() {
  char chunk[4096];
  const ssize_t got = fd_ < 0 ? 0 : ::recv(fd_, chunk, sizeof chunk, 0);
  if (got <= 0) return false;
  pending_.append(chunk, static_cast<size_t>(got));
  return true;
}

std::optional<std::string> ServerConnection::readCommand() {
  for (;;) {
    const size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string command = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return command;
    }
    if (!receiveMore()) return std::nullopt;
  }
}

std::optional<std::string> ServerConnection::readBytes(size_t count) {
  while (pending_.size() < count)
    if (!receiveMore()) return std::nullopt;
  std::string bytes = pending_.substr(0, count);
  pending_.erase(0, count);
  return bytes;
}

bool ServerConnection::send(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return fd_ >= 0;
}

void ServerConnection::sendInPieces(std::string_view bytes, size_t pieceSize) {
  for (size_t at = 0; at < bytes.size(); at += pieceSize) send(bytes.substr(at, pieceSize));
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
  const trv3::testing::LoopbackListener listener = trv3::testing::listenOnLoopback(8);
  listener_ = listener.fd;
  port_ = listener.port;
  thread_ = std::thread([this] {
    started_ = true;
    started_.notify_one();
    serve();
  });
  // A test may fork next, and a child forked while this thread was still starting (which
  // allocates) would inherit the allocator's locks held.
  started_.wait(false);
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  ::shutdown(listener_, SHUT_RDWR);  // wakes the accept
  thread_.join();
  for (std::thread& connection : connections_) connection.join();
  ::close(listener_);
}

std::string LoopbackServer::socketAddress() const {
  return "TCPIP::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
}

void LoopbackServer::serve() {
  while (!stopping_) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // A test that goes wrong must not leave the server waiting for ever.
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connections_.emplace_back([this, fd] {
      ServerConnection connection(fd);
      handler_(connection);
    });
  }
}

}  // namespace trv3::io::testing
