// An IoSession over any byte transport: commands go out with a newline, replies come back through
// the ReplyReader, every exchange is traced, and an exchange cut short by a failure, or a reply
// whose message goes on past it, leaves the link to be cleaned before the next command. On a byte
// stream, what arrived unasked is dropped before each command.
#pragma once

#include <memory>
#include <string>

#include "platform/io/byte_transport.h"
#include "platform/io/formatted_reply.h"
#include "platform/io/io_session.h"
#include "platform/io/io_trace.h"
#include "platform/io/reply_reader.h"

namespace trv3::io {

class MessageSession final : public IoSession {
 public:
  MessageSession(std::string address, std::unique_ptr<ByteTransport> transport, IoTrace trace);

  std::string ResourceAddress() const override { return address_; }
  void WriteCommand(std::string_view command) override;
  std::string QueryText(std::string_view command) override;
  void ReadFormatted(std::string& target, std::string_view format) override;
  void ReadFormatted(std::vector<std::string>& target, std::string_view format) override;
  void ReadFormatted(std::span<double> target, std::string_view format) override;
  void ReadFormatted(Int32ArrayTarget& target, std::string_view format) override;

 private:
  // Runs one exchange; a failure is traced and marks the link as interrupted.
  template <class Exchange>
  auto exchange(Exchange&& body) -> decltype(body(std::declval<const Deadline&>()));
  void send(std::string_view command, const Deadline& deadline);
  // Drops (and traces) what arrived unasked; false when a flood of it leaves the link to be cleared.
  bool dropUnaskedInput();
  std::string readText(const Deadline& deadline);
  // Reads a "K" list in one exchange, its first `capacity` fields handed to the sink.
  void readList(size_t capacity, const FieldSplitter::Sink& sink);
  void requireFormat(std::string_view format, std::string_view expected) const;

  std::string address_;
  std::unique_ptr<ByteTransport> transport_;
  ReplyReader reader_;
  IoTrace trace_;
  bool interrupted_ = false;
};

}  // namespace trv3::io
