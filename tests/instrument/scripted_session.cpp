#include "scripted_session.h"

#include "platform/io/io_status.h"

namespace trv3::testing {

ScriptedSession& ScriptedSession::reply(const std::string& command, std::string answer) {
  replies_[command] = std::move(answer);
  return *this;
}

ScriptedSession& ScriptedSession::fail(const std::string& command, int32_t status) {
  failing_[command] = status;
  return *this;
}

void ScriptedSession::send(std::string_view command) {
  commands.emplace_back(command);
  if (const auto found = failing_.find(std::string(command)); found != failing_.end())
    io::raiseIoError(found->second, "I/O failure", address_);
}

std::string ScriptedSession::answerTo(const std::string& command) const {
  const auto found = replies_.find(command);
  if (found == replies_.end()) io::raiseIoError(io::status::Timeout, "Timeout", address_);
  return found->second;
}

void ScriptedSession::WriteCommand(std::string_view command) {
  send(command);
  lastWritten_ = std::string(command);
}

std::string ScriptedSession::QueryText(std::string_view command) {
  send(command);
  return answerTo(std::string(command));
}

void ScriptedSession::ReadFormatted(std::string& target, std::string_view) { target = answerTo(lastWritten_); }

void ScriptedSession::ReadFormatted(std::vector<std::string>&, std::string_view) {
  io::raiseIoError(io::status::UnsupportedFormat, "not scripted", address_);
}

void ScriptedSession::ReadFormatted(std::span<double>, std::string_view) {
  io::raiseIoError(io::status::UnsupportedFormat, "not scripted", address_);
}

void ScriptedSession::ReadFormatted(io::Int32ArrayTarget&, std::string_view) {
  io::raiseIoError(io::status::UnsupportedFormat, "not scripted", address_);
}

ScriptedInstruments::ScriptedInstruments()
    : opener_([this](std::string_view address) -> io::IoSessionRef {
        ++opened[std::string(address)];
        if (real_.count(std::string(address))) return nullptr;
        const auto found = sessions_.find(std::string(address));
        if (found == sessions_.end()) io::raiseIoError(io::status::ResourceNotFound, "Resource not found", std::string(address));
        return found->second;
      }) {}

std::shared_ptr<ScriptedSession> ScriptedInstruments::add(const std::string& address) {
  auto session = std::make_shared<ScriptedSession>(address);
  sessions_[address] = session;
  return session;
}

}  // namespace trv3::testing
