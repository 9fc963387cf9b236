// The byte-level link under a session: one transport per file (raw socket, VXI-11). Message
// terminators, replies and blocks are the business of the layer above (ReplyReader).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "platform/io/deadline.h"

namespace trv3::io {

struct ReceivedPiece {
  size_t size = 0;
  // The transport itself marked the end of the message with the last byte of this piece.
  bool endOfMessage = false;
};

class ByteTransport {
 public:
  virtual ~ByteTransport() = default;

  // Sends the bytes as one message.
  virtual void send(std::string_view message, const Deadline& deadline) = 0;

  // Waits for input and returns what arrived, at most buffer.size() bytes. `wanted` (at least
  // buffer.size() when it matters) is how much of the reply the reader can use yet, e.g. the rest
  // of a block: a transport that asks the instrument for data may ask that much at once.
  virtual ReceivedPiece receive(std::span<char> buffer, size_t wanted, const Deadline& deadline) = 0;

  // Whether receive marks the ends of messages; where it does not, only a newline ends a reply.
  virtual bool marksMessageEnd() const = 0;

  // Whether the instrument's bytes come whether or not a read asks for them, as on a raw byte
  // stream: then whatever is there when a command goes out answers none of ours. Elsewhere input
  // comes only in answer to a read.
  virtual bool receivesUnasked() const { return false; }
  // With receivesUnasked: what has arrived, taken without waiting; at most buffer.size() bytes, 0
  // when nothing has (a closed link is left to the exchange that follows).
  virtual size_t receiveArrived(std::span<char> /*buffer*/) { return 0; }

  // Brings the link back to a clean state after an interrupted exchange, so that the remains of
  // an old reply never answer the next command.
  virtual void clearPendingInput(const Deadline& deadline) = 0;

  // A receive size that suits the transport.
  virtual size_t preferredReceiveSize() const = 0;
};

}  // namespace trv3::io
