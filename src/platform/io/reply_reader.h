// Reads replies from a transport: text up to its ending newline, and IEEE 488.2 blocks by the
// length in their header, so that data bytes equal to the newline never cut a block short. The
// one place that knows about terminators and block headers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/io/byte_transport.h"
#include "platform/io/io_session.h"

namespace trv3::io {

// Longest text reply we collect; an instrument that sends more without a newline is faulty.
constexpr size_t kMaxTextReply = size_t{16} << 20;

class ReplyReader {
 public:
  ReplyReader(ByteTransport& transport, std::string address);

  // One reply without its ending "\n" or "\r\n".
  std::string readText(const Deadline& deadline);

  // A "#<n><length><bytes>" or "#0<bytes>\n" block, one unsigned byte per element of the target,
  // which is resized to the block's length; the terminator after the block is consumed. Returns
  // the number of points.
  size_t readBlock(Int32ArrayTarget& target, const Deadline& deadline);

  // Forgets input read ahead, after an interrupted exchange.
  void discard();

 private:
  size_t unreadSize() const { return end_ - begin_; }
  const char* unread() const { return buffer_.data() + begin_; }
  // A new reply begins: an end of message marked behind input already used belongs to the last one.
  void startReply();
  // Refills the buffer once everything in it has been used.
  void receiveMore(const Deadline& deadline);
  char nextByte(const Deadline& deadline);
  // Appends input to `out` up to the transport's end of message and, when stopAtNewline, up to the
  // first newline (consumed, not appended). False when `out` would grow beyond `limit`.
  bool collect(std::string& out, size_t limit, bool stopAtNewline, const Deadline& deadline);
  size_t readDefiniteBlock(int digitCount, Int32ArrayTarget& target, const Deadline& deadline);
  size_t readIndefiniteBlock(Int32ArrayTarget& target, const Deadline& deadline);
  [[noreturn]] void malformed(const std::string& what);

  ByteTransport& transport_;
  std::string address_;
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  // The transport marked the end of a message at end_.
  bool messageEnded_ = false;
};

}  // namespace trv3::io
