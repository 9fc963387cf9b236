// ONC RPC calls over a TCP connection of our own, framed and timed here: every call ends by the
// deadline it is given, however the reply's bytes are spaced, and a reply longer than the caller
// allows is refused from its record marks, before it is read or decoded. The generated XDR
// routines encode the arguments and decode small results; a large result is read by the caller
// in pieces, straight into its own memory.
#pragma once

#include <rpc/rpc.h>

#include <cstddef>
#include <cstdint>
#include <memory>
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

  // Sends the call and reads its reply up to the result, which the caller then reads with
  // readResult; finishReply drops what is left of the reply. No other call may start before.
  void startCall(uint32_t procedure, const char* name, xdrproc_t encodeArguments,
                 const void* arguments, size_t maxReplySize, const Deadline& deadline);
  // Exactly `size` bytes of the result; `into` may be null to skip them.
  void readResult(char* into, size_t size, const Deadline& deadline);
  uint32_t readResultWord(const Deadline& deadline);
  void finishReply(const Deadline& deadline);
  bool replyPending() const { return replyPending_; }

 private:
  void sendAll(const std::string& bytes, const Deadline& deadline);
  // One receive of at most `size` bytes, waiting for them within the deadline.
  size_t receiveSome(char* into, size_t size, const Deadline& deadline);
  // Exactly `size` bytes of the stream, regardless of record marks; null `into` skips them.
  void readStream(char* into, size_t size, const Deadline& deadline);
  // Reads the next fragment's mark of the reply record.
  void nextFragment(const Deadline& deadline);
  bool recordEnded() const { return lastFragment_ && fragmentLeft_ == 0; }
  void waitFor(short events, const Deadline& deadline);
  [[noreturn]] void raiseFailure(const std::string& what) const;

  UniqueFd socket_;
  uint32_t program_;
  uint32_t version_;
  uint32_t nextXid_;
  std::string address_;
  // The call under way, for messages.
  const char* name_ = "";
  // Input read ahead of the record's consumer: a short reply takes one receive.
  std::unique_ptr<char[]> staged_;
  size_t stagedBegin_ = 0;
  size_t stagedEnd_ = 0;
  // The reply record being read: its limit, what its marks still allow, its current fragment.
  size_t maxReplySize_ = 0;
  size_t recordAllowance_ = 0;
  size_t fragmentLeft_ = 0;
  bool lastFragment_ = false;
  bool replyPending_ = false;
};

}  // namespace trv3::io
