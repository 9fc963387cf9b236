#include "platform/io/message_session.h"

#include <algorithm>
#include <vector>

#include "platform/io/formatted_reply.h"
#include "platform/io/io_status.h"
#include "platform/runtime/errors.h"

namespace trv3::io {
namespace {

// How much of a list reply the trace shows.
constexpr size_t kTraceExcerpt = 4096;

}  // namespace

MessageSession::MessageSession(std::string address, std::unique_ptr<ByteTransport> transport,
                               IoTrace trace)
    : address_(std::move(address)), transport_(std::move(transport)),
      reader_(*transport_, address_), trace_(std::move(trace)) {}

template <class Exchange>
auto MessageSession::exchange(Exchange&& body) -> decltype(body(std::declval<const Deadline&>())) {
  const Deadline deadline(Timeout());
  try {
    return body(deadline);
  } catch (const RuntimeError& error) {
    interrupted_ = true;
    trace_.failed(address_, error.description());
    throw;
  }
}

void MessageSession::send(std::string_view command, const Deadline& deadline) {
  // The rest of an unfinished message may come before the next reply or, where the instrument drops
  // it on a new command, never: only clearing the link keeps it from answering this command. On a
  // byte stream, what has arrived unasked by now answers none of ours either (a new command drops
  // an unread reply, as it does on the instrument); a flood of it clears the link.
  if (interrupted_ || reader_.messageUnfinished() || !dropUnaskedInput()) {
    reader_.discard();
    transport_->clearPendingInput(deadline);
    interrupted_ = false;
  }
  std::string message(command);
  if (message.empty() || message.back() != '\n') message += '\n';
  trace_.sent(address_, command);
  transport_->send(message, deadline);
  reader_.commandSent();
}

bool MessageSession::dropUnaskedInput() {
  const std::optional<size_t> dropped = reader_.dropUnaskedInput();
  // A lying instrument is otherwise invisible in the trace.
  if (!dropped) trace_.droppedUnasked(address_, std::nullopt);
  else if (*dropped > 0) trace_.droppedUnasked(address_, *dropped);
  return dropped.has_value();
}

std::string MessageSession::readText(const Deadline& deadline) {
  std::string reply = reader_.readText(deadline, LongestTextReply());
  trace_.received(address_, reply);
  return reply;
}

void MessageSession::requireFormat(std::string_view format, std::string_view expected) const {
  if (!isFormat(format, expected))
    raiseIoError(status::UnsupportedFormat,
                 "format \"" + std::string(format) + "\" cannot be read into this target; it takes \"" +
                     std::string(expected) + "\"",
                 address_);
}

void MessageSession::WriteCommand(std::string_view command) {
  exchange([&](const Deadline& deadline) { send(command, deadline); });
}

std::string MessageSession::QueryText(std::string_view command) {
  return exchange([&](const Deadline& deadline) {
    send(command, deadline);
    return readText(deadline);
  });
}

void MessageSession::ReadFormatted(std::string& target, std::string_view format) {
  requireFormat(format, "K");
  target = exchange([&](const Deadline& deadline) { return readText(deadline); });
}

void MessageSession::readList(size_t capacity, const FieldSplitter::Sink& sink) {
  exchange([&](const Deadline& deadline) {
    FieldSplitter splitter(capacity, sink);
    std::string excerpt;
    reader_.readReply(
        [&](std::string_view piece) {
          if (excerpt.size() <= kTraceExcerpt)
            excerpt.append(piece.substr(0, kTraceExcerpt + 1 - excerpt.size()));
          splitter.feed(piece);
        },
        deadline, LongestTextReply());
    splitter.finish();
    if (!excerpt.empty() && excerpt.back() == '\r') excerpt.pop_back();
    if (excerpt.size() > kTraceExcerpt) excerpt.replace(kTraceExcerpt, std::string::npos, "...");
    trace_.received(address_, excerpt);
  });
}

void MessageSession::ReadFormatted(std::vector<std::string>& target, std::string_view format) {
  requireFormat(format, "K");
  std::vector<std::string> fields;
  readList(kMaxListFields, [&](size_t, std::string_view field) { fields.emplace_back(field); });
  target = std::move(fields);
}

void MessageSession::ReadFormatted(std::span<double> target, std::string_view format) {
  requireFormat(format, "K");
  std::vector<double> values(target.begin(), target.end());
  readList(values.size(),
           [&](size_t index, std::string_view field) { values[index] = fieldNumber(field); });
  std::copy(values.begin(), values.end(), target.begin());
}

void MessageSession::ReadFormatted(Int32ArrayTarget& target, std::string_view format) {
  requireFormat(format, "I1");
  exchange([&](const Deadline& deadline) {
    trace_.receivedBlock(address_, reader_.readBlock(target, deadline));
  });
}

}  // namespace trv3::io
