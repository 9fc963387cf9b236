// Raw SCPI over a TCP socket: a byte stream without message marks, so the newline alone ends a
// reply, and whatever an instrument sends beyond its replies arrives unasked, to be dropped before
// the next command. After an interrupted exchange it starts on a new connection: only that
// guarantees that the rest of an old reply, however late it comes, never answers the next command.
#pragma once

#include <cstdint>
#include <string>

#include "platform/io/byte_transport.h"
#include "platform/io/unique_fd.h"

namespace trv3::io {

class SocketTransport final : public ByteTransport {
 public:
  // Connects within the deadline.
  SocketTransport(std::string host, uint16_t port, const Deadline& deadline, std::string address);

  void send(std::string_view message, const Deadline& deadline) override;
  ReceivedPiece receive(std::span<char> buffer, size_t wanted, const Deadline& deadline) override;
  bool marksMessageEnd() const override { return false; }
  bool receivesUnasked() const override { return true; }
  size_t receiveArrived(std::span<char> buffer) override;
  void clearPendingInput(const Deadline& deadline) override;
  size_t preferredReceiveSize() const override { return size_t{256} << 10; }

 private:
  // Waits until the socket is ready for the given poll events; raises on time-out.
  void waitFor(short events, const Deadline& deadline);
  [[noreturn]] void raiseLost(int error);
  // The open socket; without one (a reconnection failed) the connection counts as lost.
  int openSocket();

  std::string host_;
  uint16_t port_;
  std::string address_;
  UniqueFd socket_;
};

}  // namespace trv3::io
