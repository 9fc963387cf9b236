// A listener on 127.0.0.1 whose accept queue is full: the kernel drops every further connection
// request in silence, as an address behind a dropping firewall does. A client keeps retrying
// (after 1 s, then 3 s, ...) and gets through once the queue has been served.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/loopback_listener.h"

namespace trv3::testing {

class FullBacklogListener {
 public:
  // On a free port, or on the one given (the portmapper's, in a private network namespace).
  explicit FullBacklogListener(uint16_t port = 0) {
    const LoopbackListener listener = listenOnLoopback(0, port);
    listener_ = listener.fd;
    port_ = listener.port;
    // One waiting connection fills a queue of length 0.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      throw std::runtime_error("cannot fill the accept queue");
  }
  ~FullBacklogListener() {
    ::close(filler_);
    ::close(listener_);
  }
  FullBacklogListener(const FullBacklogListener&) = delete;
  FullBacklogListener& operator=(const FullBacklogListener&) = delete;

  uint16_t port() const { return port_; }
  std::string socketAddress() const {
    return "TCPIP::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
  }

  // Waits up to five seconds until a client's connection request to this port hangs unanswered.
  bool awaitDroppedClient() const {
    char remote[16];
    std::snprintf(remote, sizeof remote, "0100007F:%04X", port_);
    for (int attempt = 0; attempt < 500; ++attempt) {
      std::ifstream table("/proc/net/tcp");
      std::string local, peer, state, line;
      std::getline(table, line);  // heading
      while (table >> line >> local >> peer >> state) {
        if (peer == remote && state == "02") return true;  // SYN_SENT
        std::getline(table, line);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Takes the oldest waiting connection within ten seconds; -1 when none came.
  int acceptOne() {
    pollfd entry{listener_, POLLIN, 0};
    if (::poll(&entry, 1, 10000) != 1) return -1;
    return ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  }

 private:
  int listener_ = -1;
  int filler_ = -1;
  uint16_t port_ = 0;
};

}  // namespace trv3::testing
