// The instrument I/O library as the add-in sees it: IoResourceManager opens an IoSession by its
// instrument address; the session writes commands, queries text and reads formatted replies.
// Every failure is a RuntimeError carrying the library's status number and a description a user can
// act on. A session closes when its last reference goes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::io {

// A growable array of 32-bit integers that a block read fills in place: the array handed to the
// host, or a vector in tests. No second copy of the block is made.
class Int32ArrayTarget {
 public:
  virtual ~Int32ArrayTarget() = default;
  virtual size_t size() const = 0;
  // Makes the array hold exactly `count` elements, the leading ones kept, and returns its storage.
  virtual int32_t* resize(size_t count) = 0;
};

// Most fields that format "K" keeps in an array of texts; a longer list is not an answer we use.
constexpr size_t kMaxListFields = 1024;

// Longest text reply collected unless a session sets less; an instrument that sends more without
// a newline is faulty.
constexpr size_t kMaxTextReply = size_t{16} << 20;

// Largest block that format "I1" accepts: 16 Mi points, the longest record a transfer takes. A
// longer header is taken for a lying one.
constexpr size_t kMaxBlockPoints = size_t{16} << 20;

// Time limit of one operation unless a session is given another: the number of milliseconds in the
// environment variable "TRV3_IO_TIMEOUT_MS" when it holds a positive number, else 5000.
std::chrono::milliseconds defaultIoTimeout();

class IoSession {
 public:
  virtual ~IoSession() = default;

  // Time limit of each operation: a connect, a write, or the read of one whole reply.
  std::chrono::milliseconds Timeout() const { return timeout_; }
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  // Longest text reply taken (kMaxTextReply unless set); a longer one is an I/O failure. A caller
  // that expects a short answer (an identification) sets less, so a faulty instrument costs little.
  size_t LongestTextReply() const { return longestTextReply_; }
  void SetLongestTextReply(size_t bytes) { longestTextReply_ = bytes; }

  virtual std::string ResourceAddress() const = 0;

  // Sends the text as one message.
  virtual void WriteCommand(std::string_view command) = 0;

  // Sends the text and returns the reply without its ending newline ("\n" or "\r\n").
  virtual std::string QueryText(std::string_view command) = 0;

  // Format "K", read into a text: the whole reply, without its ending newline.
  virtual void ReadFormatted(std::string& target, std::string_view format) = 0;
  // Format "K", read into an array of texts: one comma-separated field per element, from 0; the
  // array is resized to the number of fields, at most kMaxListFields (further ones are skipped).
  virtual void ReadFormatted(std::vector<std::string>& target, std::string_view format) = 0;
  // Format "K", read into a fixed array of doubles, filled from position 0; fields beyond its end
  // are dropped, missing ones leave the element as it was, and a field that is not a number gives
  // not-a-number (the caller's arithmetic then raises the floating-point error).
  virtual void ReadFormatted(std::span<double> target, std::string_view format) = 0;
  // Format "I1": an IEEE 488.2 block of one-byte codes (0..255), one per point, widened straight
  // into the target, which is resized to the block's length (at most kMaxBlockPoints). The
  // target's size on entry is the count expected: storage beyond it grows only as bytes arrive.
  virtual void ReadFormatted(Int32ArrayTarget& target, std::string_view format) = 0;

 private:
  std::chrono::milliseconds timeout_ = defaultIoTimeout();
  size_t longestTextReply_ = kMaxTextReply;
};

using IoSessionRef = std::shared_ptr<IoSession>;

class IoResourceManager {
 public:
  // Parses the instrument address and opens a session over the matching transport, connecting
  // within the default time-out.
  IoSessionRef Open(std::string_view address);
  // The same within the given time-out, which the session then keeps for its operations. A
  // stand-in's session (see ScopedSessionOpener) is handed back as the opener made it.
  IoSessionRef Open(std::string_view address, std::chrono::milliseconds timeout);
};

// Tests may stand in for the transports: while the guard lives, Open on this thread asks the opener
// first; an opener that returns nullptr lets the real transports handle the address.
using SessionOpener = std::function<IoSessionRef(std::string_view address)>;
class ScopedSessionOpener {
 public:
  explicit ScopedSessionOpener(SessionOpener opener);
  ~ScopedSessionOpener();
  ScopedSessionOpener(const ScopedSessionOpener&) = delete;
  ScopedSessionOpener& operator=(const ScopedSessionOpener&) = delete;

 private:
  SessionOpener previous_;
};

}  // namespace trv3::io
