#include "platform/io/tcp_connect.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/io/fd_wait.h"
#include "platform/io/host_lookup.h"
#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

std::string endpoint(const std::string& host, uint16_t port) {
  return host + ":" + std::to_string(port);
}

// Waits for a non-blocking connect; returns 0 or the errno it ended with (ETIMEDOUT on time-out).
int finishConnect(int fd, const Deadline& deadline) {
  if (const int waited = waitUntilReady(fd, POLLOUT, deadline); waited != 0) return waited;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

}  // namespace

UniqueFd connectTcp(const std::string& host, uint16_t port, const Deadline& deadline,
                    const std::string& address) {
  const AddrInfoList list = lookUpHost(host, port, deadline, address);
  int lastError = 0;
  for (const addrinfo* candidate = list.get(); candidate != nullptr; candidate = candidate->ai_next) {
    UniqueFd fd(::socket(candidate->ai_family, candidate->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                         candidate->ai_protocol));
    if (!fd.valid()) {
      lastError = errno;
      continue;
    }
    int error = 0;
    if (::connect(fd.get(), candidate->ai_addr, candidate->ai_addrlen) != 0)
      error = errno == EINPROGRESS ? finishConnect(fd.get(), deadline) : errno;
    if (error == 0) {
      const int on = 1;
      ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return fd;
    }
    if (error == ETIMEDOUT)
      raiseIoError(status::Timeout,
                   "Timeout expired before operation completed: no connection to " +
                       endpoint(host, port),
                   address);
    lastError = error;
  }
  if (lastError == ECONNREFUSED)
    raiseIoError(status::ResourceNotFound,
                 "connection refused by " + endpoint(host, port) +
                     ": the instrument is not listening on that port",
                 address);
  raiseIoError(status::ResourceNotFound,
               "cannot connect to " + endpoint(host, port) + ": " + std::strerror(lastError), address);
}

}  // namespace trv3::io
