#include "platform/io/reply_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

// The bytes and the target never overlap, and whole groups have a fixed size: both let the
// compiler widen with vector instructions.
void widenCodes(const char* __restrict bytes, size_t count, int32_t* __restrict out) {
  const auto* codes = reinterpret_cast<const unsigned char*>(bytes);
  constexpr size_t kGroup = 16;
  size_t i = 0;
  for (; i + kGroup <= count; i += kGroup)
    for (size_t j = 0; j < kGroup; ++j) out[i + j] = codes[i + j];
  for (; i < count; ++i) out[i] = codes[i];
}

std::string describeByte(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= 0x20 && code < 0x7F) return std::string("\"") + c + "\"";
  return "code " + std::to_string(code);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

ReplyReader::ReplyReader(ByteTransport& transport, std::string address)
    : transport_(transport), address_(std::move(address)), buffer_(transport.preferredReceiveSize()) {}

void ReplyReader::discard() {
  begin_ = end_ = 0;
  messageEnded_ = false;
}

void ReplyReader::malformed(const std::string& what) {
  raiseIoError(status::IoFailure, "malformed block: " + what, address_);
}

void ReplyReader::startReply() {
  if (unreadSize() == 0) discard();
}

void ReplyReader::receiveMore(const Deadline& deadline) {
  const ReceivedPiece piece = transport_.receive(std::span<char>(buffer_), deadline);
  begin_ = 0;
  end_ = piece.size;
  messageEnded_ = piece.endOfMessage;
}

char ReplyReader::nextByte(const Deadline& deadline) {
  while (unreadSize() == 0) {
    if (messageEnded_) malformed("the reply ended inside the block header");
    receiveMore(deadline);
  }
  return buffer_[begin_++];
}

bool ReplyReader::collect(std::string& out, size_t limit, bool stopAtNewline,
                          const Deadline& deadline) {
  for (;;) {
    const size_t available = unreadSize();
    const void* newline = stopAtNewline ? std::memchr(unread(), '\n', available) : nullptr;
    const size_t take = newline ? static_cast<const char*>(newline) - unread() : available;
    if (out.size() + take > limit) return false;
    out.append(unread(), take);
    if (newline) {
      begin_ += take + 1;
      return true;
    }
    begin_ = end_;
    if (messageEnded_) return true;
    receiveMore(deadline);
  }
}

std::string ReplyReader::readText(const Deadline& deadline) {
  startReply();
  std::string reply;
  if (!collect(reply, kMaxTextReply, true, deadline))
    raiseIoError(status::IoFailure,
                 "reply longer than " + std::to_string(kMaxTextReply) + " bytes without an ending newline",
                 address_);
  if (!reply.empty() && reply.back() == '\r') reply.pop_back();
  return reply;
}

size_t ReplyReader::readBlock(Int32ArrayTarget& target, const Deadline& deadline) {
  startReply();
  const char hash = nextByte(deadline);
  if (hash != '#') malformed("a block starts with \"#\", the reply with " + describeByte(hash));
  const char digits = nextByte(deadline);
  if (!isDigit(digits)) malformed("the block header has no digit count but " + describeByte(digits));
  if (digits == '0') return readIndefiniteBlock(target, deadline);
  return readDefiniteBlock(digits - '0', target, deadline);
}

size_t ReplyReader::readDefiniteBlock(int digitCount, Int32ArrayTarget& target,
                                      const Deadline& deadline) {
  uint64_t length = 0;
  for (int i = 0; i < digitCount; ++i) {
    const char digit = nextByte(deadline);
    if (!isDigit(digit)) malformed("the block length holds " + describeByte(digit));
    length = length * 10 + static_cast<uint64_t>(digit - '0');
  }
  if (length > kMaxBlockPoints)
    raiseIoError(status::OutOfResources,
                 "block header announces " + std::to_string(length) + " bytes, more than the limit of " +
                     std::to_string(kMaxBlockPoints) + " points",
                 address_);

  int32_t* out = target.resize(static_cast<size_t>(length));
  size_t filled = 0;
  while (filled < length) {
    if (unreadSize() == 0) {
      if (messageEnded_)
        malformed("the reply ended after " + std::to_string(filled) + " of the " +
                  std::to_string(length) + " bytes that its header announces");
      receiveMore(deadline);
      continue;
    }
    const size_t take = std::min<size_t>(unreadSize(), length - filled);
    widenCodes(unread(), take, out + filled);
    begin_ += take;
    filled += take;
  }
  // The terminator after the block belongs to this reply; an instrument that puts anything before
  // it is tolerated, within the limit of a text reply.
  if (!(unreadSize() == 0 && messageEnded_)) {
    std::string rest;
    if (!collect(rest, kMaxTextReply, true, deadline)) malformed("no newline after the block");
  }
  return filled;
}

size_t ReplyReader::readIndefiniteBlock(Int32ArrayTarget& target, const Deadline& deadline) {
  // Without a length the block runs to the end of the message; a stream without message marks
  // can only end it at the first newline.
  const bool byMessageEnd = transport_.marksMessageEnd();
  std::string bytes;
  const bool fits = collect(bytes, kMaxBlockPoints + 1, !byMessageEnd, deadline);
  if (byMessageEnd && !bytes.empty() && bytes.back() == '\n') bytes.pop_back();
  if (!fits || bytes.size() > kMaxBlockPoints)
    raiseIoError(status::OutOfResources,
                 "block longer than the limit of " + std::to_string(kMaxBlockPoints) + " points",
                 address_);
  widenCodes(bytes.data(), bytes.size(), target.resize(bytes.size()));
  return bytes.size();
}

}  // namespace trv3::io
