// A TCP socket that listens on 127.0.0.1, at a port that the kernel picks unless one is given, for
// the tests' servers.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace trv3::testing {

struct LoopbackListener {
  int fd = -1;
  uint16_t port = 0;
};

// Throws std::runtime_error when the socket cannot listen.
inline LoopbackListener listenOnLoopback(int backlog, uint16_t port = 0) {
  LoopbackListener listener;
  listener.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t length = sizeof address;
  if (::bind(listener.fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener.fd, backlog) != 0 ||
      ::getsockname(listener.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener.fd);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  listener.port = ntohs(address.sin_port);
  return listener;
}

}  // namespace trv3::testing
