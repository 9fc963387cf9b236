// An in-process simulator instrument with one client session, for tests of what it answers.
#pragma once

#include <string>
#include <string_view>

#include "command_log.h"
#include "config.h"
#include "instrument.h"

namespace trv3::sim {

class SimulatedScope {
 public:
  explicit SimulatedScope(const SimulatorConfig& config = {})
      : log_(""),
        instrument_(buildInstrumentState(config), FaultBook(config.faults), log_),
        session_(instrument_) {}

  Response send(std::string_view message) { return session_.handleMessage(message); }

  // The answer without its newline; "" when there is none.
  std::string ask(std::string_view message) {
    std::string answer = send(message).bytes;
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
  }

  // The bytes of the block that ":WAVeform:DATA?" answers, after checking its header.
  std::string data();

  Instrument& instrument() { return instrument_; }

 private:
  CommandLog log_;
  Instrument instrument_;
  Session session_;
};

}  // namespace trv3::sim
