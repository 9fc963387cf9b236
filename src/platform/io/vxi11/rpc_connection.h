// ONC RPC calls over a TCP connection of our own, framed and timed here: every call ends by the
// deadline it is given, however the reply's bytes are spaced, and a reply longer than the caller
// allows is refused from its record marks, before it is read or decoded. The generated XDR
// routines encode the arguments and decode the results.
#pragma once

#include <rpc/rpc.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/io/deadline.h"
#include "platform/io/unique_fd.h"

namespace trv3::io {

class RpcConnection {
 public:
  RpcConnection(UniqueFd socket, uint32_t program, uint32_t version, std::string address);

  // Calls the procedure and decodes its result; raises Timeout, ConnectionLost or IoFailure
  // (among them a reply longer than maxReplySize). After a failure the connection is out of step
  // and must be dropped.
  void call(uint32_t procedure, const char* name, xdrproc_t encodeArguments, const void* arguments,
            xdrproc_t decodeResult, void* result, size_t maxReplySize, const Deadline& deadline);

 private:
  void sendAll(const std::string& bytes, const Deadline& deadline, const char* name);
  void receiveExactly(char* into, size_t size, const Deadline& deadline, const char* name);
  // The reply record, its fragments joined.
  std::string receiveRecord(size_t maxReplySize, const Deadline& deadline, const char* name);
  void waitFor(short events, const Deadline& deadline, const char* name);
  [[noreturn]] void raiseFailure(const std::string& what, const char* name) const;

  UniqueFd socket_;
  uint32_t program_;
  uint32_t version_;
  uint32_t nextXid_;
  std::string address_;
};

}  // namespace trv3::io
