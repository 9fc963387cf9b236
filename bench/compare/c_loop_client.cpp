#include "c_loop_client.h"

#include <unistd.h>

#include <stdexcept>

#include "c_loop.h"

namespace trv3::bench {

CLoopClient CLoopClient::overSocket(const std::string& host, uint16_t port) {
  CLoopClient client;
  client.fd_ = cloop_socket_open(host.c_str(), port);
  if (client.fd_ < 0) throw std::runtime_error("the C loop cannot connect to " + host);
  return client;
}

CLoopClient CLoopClient::overVxi11(const std::string& host) {
  CLoopClient client;
  client.link_ = cloop_vxi11_open(host.c_str());
  if (client.link_ == nullptr) throw std::runtime_error("the C loop cannot link to " + host);
  return client;
}

CLoopClient::CLoopClient(CLoopClient&& other) noexcept : fd_(other.fd_), link_(other.link_) {
  other.fd_ = -1;
  other.link_ = nullptr;
}

CLoopClient::~CLoopClient() {
  if (fd_ >= 0) ::close(fd_);
  if (link_) cloop_vxi11_close(link_);
}

void CLoopClient::write(const std::string& message) {
  const int outcome = link_ ? cloop_vxi11_write(link_, message.c_str())
                            : cloop_socket_write(fd_, message.c_str());
  if (outcome != 0) throw std::runtime_error("the C loop could not send " + message);
}

size_t CLoopClient::read(std::vector<char>& buffer) {
  const long length = link_ ? cloop_vxi11_read(link_, buffer.data(), buffer.size())
                            : cloop_socket_read(fd_, buffer.data(), buffer.size());
  if (length < 0) throw std::runtime_error("the C loop could not read a reply");
  return static_cast<size_t>(length);
}

}  // namespace trv3::bench
