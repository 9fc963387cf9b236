#include "socket_server.h"

#include <poll.h>
#include <sys/socket.h>

#include <sys/time.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace trv3::sim {
namespace {

// A line longer than this is not a command of this instrument; it is dropped, not buffered.
constexpr std::size_t kLongestMessage = 1 << 20;
// How often a full server looks for a client that left.
constexpr int kFreeSlotCheckMs = 5;

// A client that stops reading cannot hold its thread in a send for longer than this.
constexpr timeval kLongestSend{30, 0};
// A trickled answer goes a byte at a time for at most this long; then the rest goes at once.
constexpr auto kLongestTrickle = std::chrono::seconds(30);

bool sendResponse(int fd, const Response& response, StopSignal& stop) {
  std::string_view rest = response.bytes;
  if (response.trickleMs > 0) {
    const auto giveUp = std::chrono::steady_clock::now() + kLongestTrickle;
    while (!rest.empty() && std::chrono::steady_clock::now() < giveUp) {
      if (!sendAll(fd, rest.substr(0, 1))) return false;
      rest.remove_prefix(1);
      if (stop.waitFor(response.trickleMs)) return false;
    }
  }
  return sendAll(fd, rest);
}

// Splits the byte stream into messages.
class LineReader {
 public:
  // Appends received bytes; false when this starts an overlong line, which is then dropped up to
  // its newline.
  bool append(const char* data, std::size_t size) {
    pending_.append(data, size);
    if (pending_.size() <= kLongestMessage || pending_.find('\n') != std::string::npos) return true;
    const bool alreadyDropping = discarding_;
    pending_.clear();
    discarding_ = true;
    return alreadyDropping;
  }

  // The next complete message without its terminator; false when there is none yet.
  bool next(std::string& message) {
    for (;;) {
      const std::size_t end = pending_.find('\n');
      if (end == std::string::npos) return false;
      message.assign(pending_, 0, end);
      pending_.erase(0, end + 1);
      if (discarding_) {
        discarding_ = false;
        continue;
      }
      if (!message.empty() && message.back() == '\r') message.pop_back();
      if (!message.empty()) return true;
    }
  }

 private:
  std::string pending_;
  bool discarding_ = false;
};

}  // namespace

SocketServer::SocketServer(Instrument& instrument, const Endpoint& endpoint, int clients)
    : instrument_(instrument),
      mostClients_(static_cast<std::size_t>(clients)),
      listener_(bindSocket(endpoint, SOCK_STREAM)),
      port_(boundPort(listener_.get())) {}

SocketServer::~SocketServer() { stop(); }

void SocketServer::start() { acceptThread_ = std::thread([this] { acceptLoop(); }); }

void SocketServer::stop() {
  stop_.raise();
  if (acceptThread_.joinable()) acceptThread_.join();
  std::lock_guard lock(connectionsMutex_);
  for (Connection& connection : connections_) ::shutdown(connection.fd.get(), SHUT_RDWR);
  for (Connection& connection : connections_) {
    if (connection.thread.joinable()) connection.thread.join();
  }
  connections_.clear();
}

void SocketServer::acceptLoop() {
  pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {stop_.pollFd(), POLLIN, 0}};
  while (!stop_.raised()) {
    const bool full = joinFinished() >= mostClients_;
    fds[0].events = full ? 0 : POLLIN;
    if (::poll(fds, 2, full ? kFreeSlotCheckMs : -1) < 0 && errno != EINTR) return;
    if (!(fds[0].revents & POLLIN)) continue;
    UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (client.get() < 0) continue;
    std::lock_guard lock(connectionsMutex_);
    ::setsockopt(client.get(), SOL_SOCKET, SO_SNDTIMEO, &kLongestSend, sizeof kLongestSend);
    Connection& connection = connections_.emplace_back();
    connection.fd = std::move(client);
    connection.thread = std::thread([this, &connection] {
      serve(connection);
      connection.finished = true;
    });
  }
}

std::size_t SocketServer::joinFinished() {
  std::lock_guard lock(connectionsMutex_);
  connections_.remove_if([](Connection& connection) {
    if (!connection.finished) return false;
    connection.thread.join();
    return true;
  });
  return connections_.size();
}

void SocketServer::serve(Connection& connection) {
  const int fd = connection.fd.get();
  Session session(instrument_);
  LineReader reader;
  char buffer[65536];
  for (;;) {
    const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return;
    if (!reader.append(buffer, static_cast<std::size_t>(received))) {
      session.reportError(kTooMuchData);
    }
    std::string message;
    while (reader.next(message)) {
      const Response response = session.handleMessage(message);
      if (response.delayMs > 0 && stop_.waitFor(response.delayMs)) return;
      if (!sendResponse(fd, response, stop_)) return;
      if (response.closeConnection) {
        ::shutdown(fd, SHUT_RDWR);
        return;
      }
    }
  }
}

}  // namespace trv3::sim
