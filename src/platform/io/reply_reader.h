// Reads replies from a transport: text up to its ending newline, and IEEE 488.2 blocks by the
// length in their header, so that data bytes equal to the newline never cut a block short. The
// one place that knows about terminators and block headers.
#pragma once

#include <cstddef>
#include <optional>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io/byte_transport.h"
#include "platform/io/io_session.h"

namespace trv3::io {

class ReplyReader {
 public:
  ReplyReader(ByteTransport& transport, std::string address);

  // Hands one reply to `consume` in pieces as they arrive, up to its ending newline (consumed,
  // not handed on) or the transport's end of message; at most `longest` bytes.
  void readReply(const std::function<void(std::string_view)>& consume, const Deadline& deadline,
                 size_t longest = kMaxTextReply);

  // One reply without its ending "\n" or "\r\n".
  std::string readText(const Deadline& deadline, size_t longest = kMaxTextReply);

  // A "#<n><length><bytes>" or "#0<bytes>\n" block, one unsigned byte per element of the target.
  // The target's size on entry is the count expected; it ends up holding the block's length. A
  // definite block returns as soon as its bytes are in; the newline after it, if the instrument
  // sends one, is dropped when it arrives. Returns the number of points.
  size_t readBlock(Int32ArrayTarget& target, const Deadline& deadline);

  // Forgets input read ahead, after an interrupted exchange.
  void discard();
  // Before a command goes out on a link that receives unasked: drops what is left of the input
  // beyond the last reply and what has arrived since, without waiting; a block's ending newline
  // still to come stays expected. False when more than a bound keeps arriving: the link is then to
  // be cleared. Otherwise how many bytes were dropped.
  std::optional<size_t> dropUnaskedInput();
  // A new command has gone out: with message marks, the rest of a message that has ended answered
  // an earlier command, and is dropped.
  void commandSent();
  // With message marks: the last reply was complete before its message ended, so the rest of that
  // message is still to come, and nothing read next can be told apart from it.
  bool messageUnfinished() const {
    return replyTaken_ && transport_.marksMessageEnd() && !messageEnded_;
  }

 private:
  class BlockStorage;

  size_t unreadSize() const { return end_ - begin_; }
  const char* unread() const { return buffer_.data() + begin_; }
  // A new reply begins: an end of message marked behind input already used belongs to the last one.
  void startReply();
  // Refills the buffer once everything in it has been used; `wanted` is how much of the reply the
  // reader can use yet, where it knows. A transport that keeps handing over neither data nor an
  // end of message is not answering: that fails after a few tries.
  void receiveMore(const Deadline& deadline, size_t wanted = 0);
  // Drops as much of a block's ending "\r\n" as has arrived (with message marks: the rest of its
  // message).
  void dropBlockTerminator();
  char nextByte(const Deadline& deadline, size_t wanted);
  size_t readDefiniteBlock(int digitCount, Int32ArrayTarget& target, const Deadline& deadline,
                           size_t expectedReply);
  size_t readIndefiniteBlock(Int32ArrayTarget& target, const Deadline& deadline);
  [[noreturn]] void malformed(const std::string& what);

  ByteTransport& transport_;
  std::string address_;
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  // The transport marked the end of a message at end_.
  bool messageEnded_ = false;
  // A definite block has been read and the end of its reply has not come yet.
  bool terminatorPending_ = false;
  // A whole reply has been handed over since the last discard.
  bool replyTaken_ = false;
};

}  // namespace trv3::io
