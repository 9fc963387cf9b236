// A USB instrument through the Linux usbtmc driver's device node: each write() goes out as one
// message, each read() returns (part of) a reply, and the newline ends a reply. The driver itself
// blocks in read() and write() for at most its own time-out, which is set from the deadline before
// every call; a node that does not block (a stand-in, opened non-blocking) is waited on with poll().
// After an interrupted exchange the driver's device clear empties the instrument's buffers.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/io/byte_transport.h"
#include "platform/io/unique_fd.h"
#include "platform/io/usbtmc_devices.h"

namespace trv3::io {

class UsbtmcTransport final : public ByteTransport {
 public:
  // Opens the node of the attached device that the identity names; "resource not found" naming
  // the address when none is attached.
  static std::unique_ptr<UsbtmcTransport> open(const UsbInstrumentId& id,
                                               const UsbtmcFolders& folders,
                                               const std::string& address);
  // Opens the node itself.
  UsbtmcTransport(const std::filesystem::path& node, std::string address);

  void send(std::string_view message, const Deadline& deadline) override;
  ReceivedPiece receive(std::span<char> buffer, size_t wanted, const Deadline& deadline) override;
  bool marksMessageEnd() const override { return false; }
  void clearPendingInput(const Deadline& deadline) override;
  size_t preferredReceiveSize() const override { return size_t{1} << 20; }

 private:
  // Bounds the driver's next transfer by what is left of the deadline; raises once none is.
  void limitDriverWait(const Deadline& deadline);
  // Waits until the node is ready for the given poll events; raises on time-out.
  void waitFor(short events, const Deadline& deadline);
  [[noreturn]] void raiseTimeout();
  [[noreturn]] void raiseLost(int error);

  std::string address_;
  UniqueFd node_;
};

}  // namespace trv3::io
