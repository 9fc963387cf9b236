#include "platform/io/reply_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

// Storage set aside beyond the count the caller expects before any byte has arrived.
constexpr size_t kSizingMargin = size_t{64} << 10;
// Receives in a row that bring neither data nor an end of message before the instrument counts as
// not answering.
constexpr int kMaxEmptyReceives = 4;
// "#9" and nine digits, and the "\r\n" that may follow a block: what a block's reply holds
// beyond its data.
constexpr size_t kLongestBlockHeader = 11;
constexpr size_t kBlockTerminator = 2;
// Unasked input dropped before one command beyond which the instrument counts as flooding the link.
constexpr size_t kMostUnaskedInput = size_t{4} << 20;

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

// Codes beyond this many no longer fit the caches along with the receive buffer: a long block's
// rest is written past the caches, which spares reading each line of the target in before writing
// it (a 16,000,000-point block widens in two thirds of the time).
constexpr size_t kCachedCodes = size_t{4} << 20;

#if defined(__SSE2__)
void widenCodesPastCaches(const char* __restrict bytes, size_t count, int32_t* __restrict out) {
  const auto* codes = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  for (; i < count && reinterpret_cast<uintptr_t>(out + i) % 16 != 0; ++i) out[i] = codes[i];
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + i));
    const __m128i low = _mm_unpacklo_epi8(group, zero);
    const __m128i high = _mm_unpackhi_epi8(group, zero);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi16(low, zero));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi16(low, zero));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpacklo_epi16(high, zero));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 12), _mm_unpackhi_epi16(high, zero));
  }
  _mm_sfence();  // the streamed codes are in place before anyone reads the target
  for (; i < count; ++i) out[i] = codes[i];
}
#else
void widenCodesPastCaches(const char* bytes, size_t count, int32_t* out) { widenCodes(bytes, count, out); }
#endif

std::string describeByte(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= 0x20 && code < 0x7F) return std::string("\"") + c + "\"";
  return "code " + std::to_string(code);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// The target's elements as a block fills them: sized up front to no more than the count the
// caller expects plus a margin, grown only as bytes arrive, so that a header's claim alone never
// costs memory.
class ReplyReader::BlockStorage {
 public:
  BlockStorage(Int32ArrayTarget& target, size_t limit)
      : target_(target), limit_(limit),
        capacity_(std::min(limit, target.size() + kSizingMargin)),
        data_(target.resize(capacity_)) {}

  size_t filled() const { return filled_; }

  // False when the bytes would take the block beyond its limit.
  bool append(const char* bytes, size_t count) {
    if (count > limit_ - filled_) return false;
    if (count > capacity_ - filled_) {
      capacity_ = std::min(limit_, std::max(filled_ + count, capacity_ * 2));
      data_ = target_.resize(capacity_);
    }
    if (filled_ + count > kCachedCodes)
      widenCodesPastCaches(bytes, count, data_ + filled_);
    else
      widenCodes(bytes, count, data_ + filled_);
    filled_ += count;
    return true;
  }

  // Drops the last element.
  void dropLast() { --filled_; }

  // Leaves the target holding exactly the elements filled.
  size_t finish() {
    if (filled_ != capacity_) target_.resize(filled_);
    return filled_;
  }

 private:
  Int32ArrayTarget& target_;
  size_t limit_;
  size_t capacity_;
  int32_t* data_;
  size_t filled_ = 0;
};

ReplyReader::ReplyReader(ByteTransport& transport, std::string address)
    : transport_(transport), address_(std::move(address)), buffer_(transport.preferredReceiveSize()) {}

void ReplyReader::discard() {
  begin_ = end_ = 0;
  messageEnded_ = false;
  terminatorPending_ = false;
  replyTaken_ = false;
}

std::optional<size_t> ReplyReader::dropUnaskedInput() {
  if (!transport_.receivesUnasked()) return 0;
  for (size_t dropped = 0;;) {
    dropBlockTerminator();
    dropped += unreadSize();
    begin_ = end_ = 0;
    if (dropped > kMostUnaskedInput) return std::nullopt;
    end_ = transport_.receiveArrived(std::span<char>(buffer_));
    if (end_ == 0) return dropped;
  }
}

void ReplyReader::commandSent() {
  if (transport_.marksMessageEnd() && messageEnded_) discard();
}

void ReplyReader::malformed(const std::string& what) {
  raiseIoError(status::IoFailure, "malformed block header: " + what, address_);
}

void ReplyReader::startReply() {
  dropBlockTerminator();
  if (unreadSize() == 0) {
    begin_ = end_ = 0;
    messageEnded_ = false;
  }
}

void ReplyReader::dropBlockTerminator() {
  // With message marks, everything up to the end of the block's message belongs to it.
  if (terminatorPending_ && transport_.marksMessageEnd()) begin_ = end_;
  while (terminatorPending_ && unreadSize() > 0) {
    const char c = buffer_[begin_];
    if (c == '\n' || c == '\r') ++begin_;
    terminatorPending_ = c == '\r';
  }
  if (unreadSize() == 0 && messageEnded_) terminatorPending_ = false;
}

void ReplyReader::receiveMore(const Deadline& deadline, size_t wanted) {
  for (int empty = 0;;) {
    const ReceivedPiece piece = transport_.receive(std::span<char>(buffer_), wanted, deadline);
    begin_ = 0;
    end_ = piece.size;
    messageEnded_ = piece.endOfMessage;
    const bool afterBlock = terminatorPending_;
    dropBlockTerminator();
    if (afterBlock && unreadSize() == 0 && (piece.size > 0 || piece.endOfMessage)) {
      messageEnded_ = false;  // that was the rest of the block's message
      continue;
    }
    if (piece.size > 0 || piece.endOfMessage) return;
    if (++empty == kMaxEmptyReceives)
      raiseIoError(status::IoFailure,
                   "the instrument is not answering: its reads bring neither data nor an end of "
                   "message",
                   address_);
  }
}

char ReplyReader::nextByte(const Deadline& deadline, size_t wanted) {
  while (unreadSize() == 0) {
    if (messageEnded_) malformed("the reply ended inside it");
    receiveMore(deadline, wanted);
  }
  return buffer_[begin_++];
}

void ReplyReader::readReply(const std::function<void(std::string_view)>& consume,
                            const Deadline& deadline, size_t longest) {
  startReply();
  size_t length = 0;
  for (;;) {
    const size_t available = unreadSize();
    const void* newline = std::memchr(unread(), '\n', available);
    const size_t take = newline ? static_cast<const char*>(newline) - unread() : available;
    length += take;
    if (length > longest)
      raiseIoError(status::IoFailure,
                   "reply longer than " + std::to_string(longest) + " bytes without an ending newline",
                   address_);
    if (take > 0) consume(std::string_view(unread(), take));
    if (newline) {
      begin_ += take + 1;
      replyTaken_ = true;
      return;
    }
    begin_ = end_;
    if (messageEnded_) {
      replyTaken_ = true;
      return;
    }
    receiveMore(deadline);
  }
}

std::string ReplyReader::readText(const Deadline& deadline, size_t longest) {
  std::string reply;
  readReply([&](std::string_view piece) { reply.append(piece); }, deadline, longest);
  if (!reply.empty() && reply.back() == '\r') reply.pop_back();
  return reply;
}

size_t ReplyReader::readBlock(Int32ArrayTarget& target, const Deadline& deadline) {
  startReply();
  // Until the header tells the length, the count the caller expects says how much to ask for.
  const size_t expectedReply = kLongestBlockHeader + target.size() + kBlockTerminator;
  const char hash = nextByte(deadline, expectedReply);
  if (hash != '#') malformed("a block starts with \"#\", the reply with " + describeByte(hash));
  const char digits = nextByte(deadline, expectedReply);
  if (!isDigit(digits)) malformed("no digit count but " + describeByte(digits));
  const size_t points = digits == '0' ? readIndefiniteBlock(target, deadline)
                                      : readDefiniteBlock(digits - '0', target, deadline, expectedReply);
  replyTaken_ = true;
  return points;
}

size_t ReplyReader::readDefiniteBlock(int digitCount, Int32ArrayTarget& target,
                                      const Deadline& deadline, size_t expectedReply) {
  uint64_t length = 0;
  for (int i = 0; i < digitCount; ++i) {
    const char digit = nextByte(deadline, expectedReply);
    if (!isDigit(digit)) malformed("its length holds " + describeByte(digit));
    length = length * 10 + static_cast<uint64_t>(digit - '0');
  }
  if (length > kMaxBlockPoints)
    raiseIoError(status::OutOfResources,
                 "block longer than the limit of " + std::to_string(kMaxBlockPoints) +
                     " points: its header announces " + std::to_string(length) + " bytes",
                 address_);

  BlockStorage storage(target, static_cast<size_t>(length));
  while (storage.filled() < length) {
    if (unreadSize() == 0) {
      if (messageEnded_)
        raiseIoError(status::IoFailure,
                     "block shorter than its header: the reply ended after " +
                         std::to_string(storage.filled()) + " of the " + std::to_string(length) +
                         " bytes that it announces",
                     address_);
      receiveMore(deadline, length - storage.filled() + kBlockTerminator);
      continue;
    }
    const size_t take = std::min<size_t>(unreadSize(), length - storage.filled());
    storage.append(unread(), take);
    begin_ += take;
  }
  // Whether a newline follows, and when, is the instrument's affair: the block is complete. What
  // came with it up to a newline is its reply's rest, since no other command has gone out yet.
  if (const void* newline = std::memchr(unread(), '\n', unreadSize()))
    begin_ = static_cast<const char*>(newline) - buffer_.data() + 1;
  else
    terminatorPending_ = true;
  dropBlockTerminator();
  return storage.finish();
}

size_t ReplyReader::readIndefiniteBlock(Int32ArrayTarget& target, const Deadline& deadline) {
  // Without a length the block runs to the end of the message; a stream without message marks
  // can only end it at the first newline.
  const bool byMessageEnd = transport_.marksMessageEnd();
  BlockStorage storage(target, kMaxBlockPoints);
  for (;;) {
    const size_t available = unreadSize();
    const void* newline = byMessageEnd ? nullptr : std::memchr(unread(), '\n', available);
    const size_t take = newline ? static_cast<const char*>(newline) - unread() : available;
    if (!storage.append(unread(), take))
      raiseIoError(status::OutOfResources,
                   "block longer than the limit of " + std::to_string(kMaxBlockPoints) + " points",
                   address_);
    if (newline) {
      begin_ += take + 1;
      break;
    }
    begin_ = end_;
    if (messageEnded_) {
      // The block's own end is a newline with the message's end; a carriage return before it is a
      // code like any other.
      if (take > 0 && unread()[-1] == '\n') storage.dropLast();
      break;
    }
    receiveMore(deadline);
  }
  return storage.finish();
}

}  // namespace trv3::io
