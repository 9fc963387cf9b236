// A deliberately faulty instrument on 127.0.0.1 for the tests, speaking raw socket or VXI-11 (a
// portmapper and a core channel on one port, RPC records framed by hand so that every byte of a
// reply can be delayed, cut off or made to lie about its size).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "loopback_server.h"

namespace trv3::io::testing {

// One reply as it goes on the wire: head, then fillCount copies of fill (streamed, never held),
// then tail.
struct HostileReply {
  std::string head;
  char fill = ' ';
  size_t fillCount = 0;
  std::string tail;
  // Pause before each byte of the reply (for VXI-11: of the whole RPC record that carries it).
  std::chrono::milliseconds byteGap{0};
  // The connection is dropped once this many bytes of the reply (record) have gone out.
  size_t closeAfter = SIZE_MAX;

  size_t size() const { return head.size() + fillCount + tail.size(); }
};

struct HostileFaults {
  // device_write answers that it took no byte.
  bool writesTakeNothing = false;
  // device_read answers with no data and no END, for ever.
  bool readsGiveNothing = false;
  // device_read answers with the whole reply, however little was asked for.
  bool readsIgnoreRequestSize = false;
  // destroy_link gets no answer.
  bool tearDownUnanswered = false;
};

class HostileInstrument {
 public:
  enum class Protocol { RawSocket, Vxi11 };
  // The reply to a message (without its newline); an empty head, fill and tail send nothing.
  using Responder = std::function<HostileReply(const std::string& message)>;

  HostileInstrument(Protocol protocol, Responder responder, HostileFaults faults = {});

  Protocol protocol() const { return protocol_; }
  uint16_t port() const { return server_.port(); }
  int writeCalls() const { return writeCalls_; }
  int readCalls() const { return readCalls_; }

 private:
  void serveRaw(ServerConnection& connection);
  void serveVxi11(ServerConnection& connection);

  Protocol protocol_;
  Responder responder_;
  HostileFaults faults_;
  std::atomic<int> writeCalls_{0};
  std::atomic<int> readCalls_{0};
  // Last, and whole rather than a pointer set afterwards: its threads start in its constructor and
  // may read everything above, its port included, without further hand-over.
  LoopbackServer server_;
};

}  // namespace trv3::io::testing
