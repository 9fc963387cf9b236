// Raw SCPI over TCP: one thread per client; a message is a line ended by "\n" (a "\r" before it
// belongs to the terminator), and every answer is sent as the instrument formats it.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "config.h"
#include "instrument.h"
#include "socket_util.h"
#include "stop_signal.h"

namespace trv3::sim {

class SocketServer {
 public:
  // Listens at once (throws std::runtime_error); serves after start(), at most `clients` (1 to
  // kMostRawClients, as checkConfig ensures) at once.
  SocketServer(Instrument& instrument, const Endpoint& endpoint, int clients);
  ~SocketServer();
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  uint16_t port() const { return port_; }
  void start();
  // Ends every connection and joins every thread.
  void stop();

 private:
  struct Connection {
    UniqueFd fd;
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  void acceptLoop();
  void serve(Connection& connection);
  // Joins the clients that left; the number still served.
  std::size_t joinFinished();

  Instrument& instrument_;
  std::size_t mostClients_;
  UniqueFd listener_;
  uint16_t port_;
  StopSignal stop_;
  std::thread acceptThread_;
  std::mutex connectionsMutex_;
  std::list<Connection> connections_;
};

}  // namespace trv3::sim
