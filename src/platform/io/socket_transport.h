// Raw SCPI over a TCP socket: a byte stream without message marks, so the newline alone ends a
// reply.
#pragma once

#include <string>

#include "platform/io/byte_transport.h"
#include "platform/io/unique_fd.h"

namespace trv3::io {

class SocketTransport final : public ByteTransport {
 public:
  SocketTransport(UniqueFd socket, std::string address);

  void send(std::string_view message, const Deadline& deadline) override;
  ReceivedPiece receive(std::span<char> buffer, const Deadline& deadline) override;
  bool marksMessageEnd() const override { return false; }
  void clearPendingInput(const Deadline& deadline) override;
  size_t preferredReceiveSize() const override { return size_t{256} << 10; }

 private:
  // Waits until the socket is ready for the given poll events; raises on time-out.
  void waitFor(short events, const Deadline& deadline);
  [[noreturn]] void raiseLost(int error);

  UniqueFd socket_;
  std::string address_;
};

}  // namespace trv3::io
