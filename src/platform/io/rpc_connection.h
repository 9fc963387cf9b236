// An ONC RPC client over a TCP connection that we opened ourselves, so that connecting obeys our
// time-out. The client owns the socket. Calls run with SIGPIPE blocked: an instrument that went
// away is an error to report, never the end of the host process.
#pragma once

#include <rpc/rpc.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/io/unique_fd.h"

namespace trv3::io {

class RpcConnection {
 public:
  RpcConnection(UniqueFd socket, uint32_t program, uint32_t version, std::string address);
  ~RpcConnection();
  RpcConnection(const RpcConnection&) = delete;
  RpcConnection& operator=(const RpcConnection&) = delete;

  // Runs one call (a generated stub applied to the client) with the given RPC time-out.
  template <class Call>
  clnt_stat call(std::chrono::milliseconds rpcTimeout, Call&& stub) {
    setTimeout(rpcTimeout);
    const SigpipeBlocked blocked;
    return stub(client_);
  }

  // Raises the run-time error for a failed call: time-out, lost connection or protocol failure.
  [[noreturn]] void raiseCallFailure(clnt_stat outcome, const std::string& procedure) const;

 private:
  class SigpipeBlocked {
   public:
    SigpipeBlocked();
    ~SigpipeBlocked();
    SigpipeBlocked(const SigpipeBlocked&) = delete;
    SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

   private:
    sigset_t previousMask_;
    bool wasPending_;
  };

  void setTimeout(std::chrono::milliseconds timeout);

  CLIENT* client_ = nullptr;
  std::string address_;
};

}  // namespace trv3::io
