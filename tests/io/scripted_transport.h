// A transport that plays back scripted pieces of input and records what is sent to it; when the
// script runs out the instrument is silent, which the transport reports as a time-out. As a byte
// stream that receives unasked, everything queued so far counts as arrived.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/io/byte_transport.h"
#include "platform/io/io_status.h"

namespace trv3::io::testing {

class ScriptedTransport : public ByteTransport {
 public:
  explicit ScriptedTransport(bool marksEnd = false, size_t receiveSize = 64,
                             bool receivesUnasked = false)
      : marksEnd_(marksEnd), receivesUnasked_(receivesUnasked), receiveSize_(receiveSize) {}

  // Queues input; `end` marks the end of the message with its last byte.
  void feed(std::string bytes, bool end = false) { pieces_.push_back({std::move(bytes), end}); }
  // Queues input cut into pieces of the given size.
  void feedInPieces(const std::string& bytes, size_t pieceSize) {
    for (size_t at = 0; at < bytes.size(); at += pieceSize) feed(bytes.substr(at, pieceSize));
  }

  void send(std::string_view message, const Deadline&) override { sent.emplace_back(message); }
  ReceivedPiece receive(std::span<char> buffer, size_t, const Deadline&) override {
    if (pieces_.empty()) raiseIoError(status::Timeout, "Timeout expired before operation completed", "");
    return take(buffer);
  }
  bool marksMessageEnd() const override { return marksEnd_; }
  bool receivesUnasked() const override { return receivesUnasked_; }
  size_t receiveArrived(std::span<char> buffer) override {
    return pieces_.empty() ? 0 : take(buffer).size;
  }
  void clearPendingInput(const Deadline&) override {
    pieces_.clear();
    ++clears;
  }
  size_t preferredReceiveSize() const override { return receiveSize_; }

  size_t piecesLeft() const { return pieces_.size(); }

  std::vector<std::string> sent;
  int clears = 0;

 private:
  ReceivedPiece take(std::span<char> buffer) {
    Piece& piece = pieces_.front();
    const size_t size = std::min(buffer.size(), piece.bytes.size());
    std::copy_n(piece.bytes.begin(), size, buffer.begin());
    piece.bytes.erase(0, size);
    const bool end = piece.bytes.empty() && piece.end;
    if (piece.bytes.empty()) pieces_.pop_front();
    return {size, end};
  }

  struct Piece {
    std::string bytes;
    bool end;
  };
  std::deque<Piece> pieces_;
  bool marksEnd_;
  bool receivesUnasked_;
  size_t receiveSize_;
};

}  // namespace trv3::io::testing
