#include "platform/io/socket_transport.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/io/fd_wait.h"
#include "platform/io/io_status.h"
#include "platform/io/tcp_connect.h"

namespace trv3::io {

SocketTransport::SocketTransport(std::string host, uint16_t port, const Deadline& deadline,
                                 std::string address)
    : host_(std::move(host)), port_(port), address_(std::move(address)),
      socket_(connectTcp(host_, port_, deadline, address_)) {}

int SocketTransport::openSocket() {
  if (!socket_.valid()) raiseLost(0);
  return socket_.get();
}

void SocketTransport::waitFor(short events, const Deadline& deadline) {
  const int error = waitUntilReady(socket_.get(), events, deadline);
  if (error == ETIMEDOUT)
    raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
  if (error != 0) raiseLost(error);
}

void SocketTransport::raiseLost(int error) {
  raiseIoError(status::ConnectionLost,
               error == 0 ? std::string("connection closed by the instrument")
                          : std::string("connection to the instrument lost: ") + std::strerror(error),
               address_);
}

void SocketTransport::send(std::string_view message, const Deadline& deadline) {
  while (!message.empty()) {
    const ssize_t sent = ::send(openSocket(), message.data(), message.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      message.remove_prefix(static_cast<size_t>(sent));
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      waitFor(POLLOUT, deadline);
    } else if (sent < 0 && errno != EINTR) {
      raiseLost(errno);
    }
  }
}

ReceivedPiece SocketTransport::receive(std::span<char> buffer, size_t /*wanted*/,
                                       const Deadline& deadline) {
  for (;;) {
    const ssize_t got = ::recv(openSocket(), buffer.data(), buffer.size(), 0);
    if (got > 0) return {static_cast<size_t>(got), false};
    if (got == 0) raiseLost(0);
    if (errno == EAGAIN || errno == EWOULDBLOCK)
      waitFor(POLLIN, deadline);
    else if (errno != EINTR)
      raiseLost(errno);
  }
}

size_t SocketTransport::receiveArrived(std::span<char> buffer) {
  for (;;) {
    const ssize_t got = ::recv(openSocket(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    if (errno != EINTR) raiseLost(errno);
  }
}

void SocketTransport::clearPendingInput(const Deadline& deadline) {
  socket_.reset();
  socket_ = connectTcp(host_, port_, deadline, address_);
}

}  // namespace trv3::io
