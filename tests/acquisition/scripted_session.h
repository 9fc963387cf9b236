// An instrument session that answers from a script and logs every command, read and pause in one
// sequence, so that tests can check the exact dialogue of a transfer.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "platform/io/io_session.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::testing {

class ScriptedSession : public io::IoSession {
 public:
  // The number of the run-time error of a read or write that times out.
  static constexpr int32_t TimeoutError = static_cast<int32_t>(0xBFFF0015u);

  // The text answer to a query, by the query's text; a query without one times out on its read.
  std::map<std::string, std::string> replies;
  // The codes of the "waveform:data?" block.
  std::vector<int32_t> block;
  // Writing this command fails with a time-out.
  std::string failingCommand;
  // Commands as "<text>", reads as "read <format>", pauses as "pause <ms>".
  std::vector<std::string> log;

  std::string ResourceAddress() const override { return "TCPIP::127.0.0.1::INSTR"; }

  void WriteCommand(std::string_view command) override {
    if (command == failingCommand) timeOut();
    log.emplace_back(command);
    lastCommand_ = command;
  }

  std::string QueryText(std::string_view command) override {
    WriteCommand(command);
    std::string reply;
    ReadFormatted(reply, "K");
    return reply;
  }

  void ReadFormatted(std::string& target, std::string_view format) override {
    target = reply(format);
  }

  void ReadFormatted(std::vector<std::string>& target, std::string_view format) override {
    target = fields(reply(format));
  }

  void ReadFormatted(std::span<double> target, std::string_view format) override {
    const auto values = fields(reply(format));
    for (size_t i = 0; i < std::min(values.size(), target.size()); ++i)
      target[i] = parseNumeric(values[i]).value_or(std::nan(""));
  }

  void ReadFormatted(io::Int32ArrayTarget& target, std::string_view format) override {
    logRead(format);
    if (lastCommand_ != "waveform:data?") timeOut();
    std::copy(block.begin(), block.end(), target.resize(block.size()));
  }

  bool wasSent(std::string_view command) const {
    return std::find(log.begin(), log.end(), command) != log.end();
  }

 private:
  [[noreturn]] static void timeOut() {
    raise(TimeoutError, "Timeout expired", "VelmoraIOUtilsLib");
  }

  void logRead(std::string_view format) { log.push_back("read " + std::string(format)); }

  std::string reply(std::string_view format) {
    logRead(format);
    const auto found = replies.find(lastCommand_);
    if (found == replies.end()) timeOut();
    return found->second;
  }

  static std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> result(1);
    for (const char c : text) {
      if (c == ',') result.emplace_back();
      else result.back() += c;
    }
    return result;
  }

  std::string lastCommand_;
};

// A clock that logs each pause into the session's log, between the commands around it.
class SessionLogClock : public Clock {
 public:
  explicit SessionLogClock(ScriptedSession& session) : session_(session) {}
  void sleep(int32_t milliseconds) override {
    session_.log.push_back("pause " + std::to_string(milliseconds));
  }

 private:
  ScriptedSession& session_;
};

}  // namespace trv3::testing
