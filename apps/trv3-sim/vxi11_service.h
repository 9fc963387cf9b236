// VXI-11 over ONC RPC (libtirpc, rpcgen skeleton): the core and abort channels on free ports of
// the listening host, and the portmapper that names them. One thread serves every client; RPC
// requests are handled one at a time.
#pragma once

#include <cstdint>
#include <thread>

#include <rpc/rpc.h>

#include "config.h"
#include "instrument.h"
#include "stop_signal.h"
#include "vxi11_links.h"

namespace trv3::sim {

class Vxi11Service {
 public:
  // Binds every socket at once (throws std::runtime_error, e.g. when the portmapper port is taken
  // or needs privileges); serves after start(). One service per process.
  Vxi11Service(Instrument& instrument, const std::string& host, uint16_t portmapPort);
  ~Vxi11Service();
  Vxi11Service(const Vxi11Service&) = delete;
  Vxi11Service& operator=(const Vxi11Service&) = delete;

  void start();
  void stop();

  // For the RPC procedures, which the skeleton calls without context.
  static Vxi11Service& active();
  vxi11::LinkTable& links() { return links_; }
  uint16_t abortPort() const { return asyncPort_; }

 private:
  void serve();

  StopSignal stop_;
  vxi11::LinkTable links_;
  SVCXPRT* core_ = nullptr;
  SVCXPRT* async_ = nullptr;
  SVCXPRT* portmapTcp_ = nullptr;
  SVCXPRT* portmapUdp_ = nullptr;
  uint16_t asyncPort_ = 0;
  std::thread thread_;
};

}  // namespace trv3::sim
