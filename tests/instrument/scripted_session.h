// A fake instrument session for the dialog's procedures: replies scripted per command, failures on
// demand, and every command recorded in the order it was sent.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/io/io_session.h"
#include "platform/io/io_status.h"

namespace trv3::testing {

class ScriptedSession : public io::IoSession {
 public:
  explicit ScriptedSession(std::string address = "FAKE::1") : address_(std::move(address)) {}

  // The reply to a query, or to the read that follows the written command. A command without a
  // reply times out.
  ScriptedSession& reply(const std::string& command, std::string answer);
  // The command itself fails with this status.
  ScriptedSession& fail(const std::string& command, int32_t status = io::status::IoFailure);

  // Every command, queried or written, in order.
  std::vector<std::string> commands;

  std::string ResourceAddress() const override { return address_; }
  void WriteCommand(std::string_view command) override;
  std::string QueryText(std::string_view command) override;
  void ReadFormatted(std::string& target, std::string_view format) override;
  void ReadFormatted(std::vector<std::string>& target, std::string_view format) override;
  void ReadFormatted(std::span<double> target, std::string_view format) override;
  void ReadFormatted(io::Int32ArrayTarget& target, std::string_view format) override;

 private:
  void send(std::string_view command);
  std::string answerTo(const std::string& command) const;

  std::string address_;
  std::map<std::string, std::string> replies_;
  std::map<std::string, int32_t> failing_;
  std::string lastWritten_;
};

// Opens scripted sessions by address while it lives; every other address fails to open, as an
// instrument that is not there, unless it was let through to the real transports (a simulator on
// the loopback address), so that no test ever reaches out to another machine.
class ScriptedInstruments {
 public:
  ScriptedInstruments();

  std::shared_ptr<ScriptedSession> add(const std::string& address);
  void letThrough(const std::string& address) { real_.insert(address); }
  // How many times each address was opened.
  std::map<std::string, int> opened;

 private:
  std::map<std::string, std::shared_ptr<ScriptedSession>> sessions_;
  std::set<std::string> real_;
  io::ScopedSessionOpener opener_;
};

}  // namespace trv3::testing
