// A VXI-11 instrument inside the test process: a portmapper and a core channel on 127.0.0.1,
// served by the RPC library on one thread, with the behaviours that the client must cope with
// (small maxRecvSize, partial writes, replies handed out in small pieces, time-outs, silence).
#pragma once

#include <rpc/rpc.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace trv3::io::testing {

struct Vxi11Behaviour {
  uint32_t maxRecvSize = 1024;
  // Bytes that one device_write takes at most; the client must send the rest again.
  size_t acceptPerWrite = std::numeric_limits<size_t>::max();
  // Bytes that one device_read gives at most, even when more were asked for.
  size_t givePerRead = std::numeric_limits<size_t>::max();
  // The device name that create_link accepts.
  std::string deviceName = "inst0";
  // What the portmapper answers for the core channel; false answers port 0.
  bool offersCoreChannel = true;
};

struct WrittenPiece {
  std::string data;
  bool end;
};

class FakeVxi11Instrument {
 public:
  // Takes each whole message (up to END) and returns the reply to queue, possibly empty.
  using Responder = std::function<std::string(const std::string& message)>;

  FakeVxi11Instrument(Responder responder, Vxi11Behaviour behaviour = {});
  ~FakeVxi11Instrument();
  FakeVxi11Instrument(const FakeVxi11Instrument&) = delete;
  FakeVxi11Instrument& operator=(const FakeVxi11Instrument&) = delete;

  uint16_t portmapperPort() const { return portmapperPort_; }

  // The next `count` reads answer with the instrument's I/O time-out error.
  void timeOutReads(int count);
  // Reads get no answer at all while set: the RPC itself must time out.
  void setSilent(bool silent);

  std::vector<WrittenPiece> writes() const;
  std::vector<std::string> messages() const;
  std::vector<uint32_t> readRequestSizes() const;
  int links() const;
  int clears() const;
  int destroyedLinks() const;

  // Called by the RPC dispatchers on the server thread.
  void dispatchCore(svc_req* request, SVCXPRT* transport);
  void dispatchPortmapper(svc_req* request, SVCXPRT* transport);

 private:
  void serve();

  Responder responder_;
  Vxi11Behaviour behaviour_;
  mutable std::mutex mutex_;
  std::string input_;
  std::string output_;
  int timeOutReads_ = 0;
  bool silent_ = false;
  std::vector<WrittenPiece> writes_;
  std::vector<std::string> messages_;
  std::vector<uint32_t> readRequestSizes_;
  int links_ = 0;
  int clears_ = 0;
  int destroyedLinks_ = 0;

  uint16_t portmapperPort_ = 0;
  uint16_t corePort_ = 0;
  SVCXPRT* portmapperListener_ = nullptr;
  SVCXPRT* coreListener_ = nullptr;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::thread thread_;
};

}  // namespace trv3::io::testing
