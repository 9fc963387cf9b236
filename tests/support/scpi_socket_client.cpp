#include "support/scpi_socket_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace trv3::test {

ScpiSocketClient::ScpiSocketClient(const std::string& host, uint16_t port, int timeoutMs)
    : timeoutMs_(timeoutMs) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
    throw std::runtime_error("not an IPv4 address: " + host);
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port));
  }
}

ScpiSocketClient::~ScpiSocketClient() { ::close(fd_); }

void ScpiSocketClient::send(std::string_view message) {
  std::string line(message);
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t sent = ::send(fd_, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (sent <= 0) throw std::runtime_error("send failed");
    rest.remove_prefix(static_cast<std::size_t>(sent));
  }
}

bool ScpiSocketClient::fill(int timeoutMs) {
  pollfd fd{fd_, POLLIN, 0};
  if (::poll(&fd, 1, timeoutMs) <= 0) throw std::runtime_error("timed out waiting for data");
  char chunk[65536];
  const ssize_t received = ::recv(fd_, chunk, sizeof chunk, 0);
  if (received <= 0) return false;
  buffer_.append(chunk, static_cast<std::size_t>(received));
  return true;
}

std::string ScpiSocketClient::readLine() {
  std::size_t end;
  while ((end = buffer_.find('\n')) == std::string::npos) {
    if (!fill(timeoutMs_)) throw std::runtime_error("connection closed");
  }
  std::string line = buffer_.substr(0, end);
  buffer_.erase(0, end + 1);
  return line;
}

std::string ScpiSocketClient::query(std::string_view message) {
  send(message);
  return readLine();
}

std::string ScpiSocketClient::readBytes(std::size_t count) {
  while (buffer_.size() < count) {
    if (!fill(timeoutMs_)) throw std::runtime_error("connection closed");
  }
  std::string bytes = buffer_.substr(0, count);
  buffer_.erase(0, count);
  return bytes;
}

std::string ScpiSocketClient::readBlock() {
  const std::string start = readBytes(2);
  if (start[0] != '#' || start[1] < '1' || start[1] > '9') {
    throw std::runtime_error("not a definite-length block: " + start);
  }
  const std::size_t length = std::stoul(readBytes(static_cast<std::size_t>(start[1] - '0')));
  std::string bytes = readBytes(length);
  if (readBytes(1) != "\n") throw std::runtime_error("block without its newline");
  return bytes;
}

std::string ScpiSocketClient::readUntilClosed() {
  while (fill(timeoutMs_)) {
  }
  std::string bytes;
  bytes.swap(buffer_);
  return bytes;
}

}  // namespace trv3::test
