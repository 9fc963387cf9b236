// VXI-11 (TCP/IP instrument protocol) over the core channel: a link to one device of the
// instrument, writes split at the link's maxRecvSize with END on the last piece, reads that carry
// the END mark of the message, and device_clear to recover from an interrupted exchange. Each
// call ends by the operation's deadline plus a short grace, and a write that the instrument keeps
// refusing fails after a few rounds. A call
// that failed in the RPC layer leaves the connection's record stream out of step (the next reply
// would be taken for the lost one), so recovery then starts on a new connection and link.
#pragma once

#include <rpc/xdr.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/io/byte_transport.h"

namespace trv3::io {

class RpcConnection;

// The longest reply of a call other than device_read, and what a device_read reply may hold beyond
// the data asked for (RPC header, verifier, error, reason, length, padding); longer ones are
// refused from their record marks.
inline constexpr size_t kVxi11SmallReply = 1024;
inline constexpr size_t kVxi11ReadReplySlack = 512;

class Vxi11Transport final : public ByteTransport {
 public:
  // Finds the core channel through the host's portmapper, connects and creates the link.
  static std::unique_ptr<Vxi11Transport> open(const std::string& host,
                                              const std::string& deviceName,
                                              uint16_t portmapperPort, const Deadline& deadline,
                                              const std::string& address);
  // Destroys the link, then closes the connection.
  ~Vxi11Transport() override;
  Vxi11Transport(const Vxi11Transport&) = delete;
  Vxi11Transport& operator=(const Vxi11Transport&) = delete;

  void send(std::string_view message, const Deadline& deadline) override;
  // Each device_read asks for what the reader wants (at most kMaxReadRequest) and its data is
  // handed over in pieces of the buffer's size, received straight into it.
  ReceivedPiece receive(std::span<char> buffer, size_t wanted, const Deadline& deadline) override;
  bool marksMessageEnd() const override { return true; }
  void clearPendingInput(const Deadline& deadline) override;
  size_t preferredReceiveSize() const override { return size_t{256} << 10; }

 private:
  struct Link {
    std::unique_ptr<RpcConnection> connection;
    long id = 0;
    uint32_t maxRecvSize = 0;
  };
  struct Endpoint {
    std::string host;
    uint16_t corePort = 0;
    std::string deviceName;
  };

  Vxi11Transport(Endpoint endpoint, std::string address, const Deadline& deadline);
  // Connects to the core channel and creates a link to the device.
  void createLink(const Deadline& deadline);
  // Runs one call on the link's connection within the operation's deadline and the RPC grace; a
  // failure in the RPC layer marks the link as broken.
  void call(uint32_t procedure, const char* name, xdrproc_t encodeArguments, const void* arguments,
            xdrproc_t decodeResult, void* result, size_t maxReplySize, const Deadline& deadline);
  // Runs a step of the RPC layer; its failure marks the link as broken.
  template <class Step>
  void onLink(const Step& step);
  // Sends device_read and reads its reply up to the data.
  void startRead(size_t requestSize, const Deadline& deadline);
  // Drops the rest of a device_read reply that the reader left, so that the next call's reply is
  // read in step.
  void finishPendingRead(const Deadline& deadline);
  // Refuses to work on a broken link: only recovery may use it.
  void requireLink() const;
  // Raises the run-time error for an error code that the instrument returned.
  [[noreturn]] void raiseDeviceError(long code, const std::string& procedure);
  // The time left, or a time-out error when none is.
  uint32_t remainingMilliseconds(const Deadline& deadline) const;

  Endpoint endpoint_;
  std::string address_;
  std::chrono::milliseconds closeWait_;  // how long closing waits for destroy_link's answer
  Link link_;
  bool linkBroken_ = false;
  // The data of the current device_read reply not yet handed over, and whether it ends a message.
  size_t readDataLeft_ = 0;
  bool readEndsMessage_ = false;
};

}  // namespace trv3::io
