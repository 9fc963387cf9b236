#include "socket_util.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace trv3::sim {
namespace {

sockaddr_in resolve(const Endpoint& endpoint) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(endpoint.host.c_str(), nullptr, &hints, &found);
  if (status != 0 || !found) {
    throw std::runtime_error("cannot resolve " + endpoint.host + ": " + gai_strerror(status));
  }
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  address.sin_port = htons(endpoint.port);
  return address;
}

}  // namespace

UniqueFd bindSocket(const Endpoint& endpoint, int type) {
  const sockaddr_in address = resolve(endpoint);
  UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  const int yes = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  const std::string where = endpoint.host + ":" + std::to_string(endpoint.port);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot bind " + where + ": " + std::strerror(errno));
  }
  if (type == SOCK_STREAM && ::listen(fd.get(), SOMAXCONN) != 0) {
    throw std::runtime_error("cannot listen on " + where + ": " + std::strerror(errno));
  }
  return fd;
}

uint16_t boundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace trv3::sim
