// The one simulated oscilloscope that every client talks to, and a client's session with it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "command_log.h"
#include "fault_book.h"
#include "instrument_state.h"
#include "scpi_errors.h"

namespace trv3::sim {

// What a transport does with the answer to one message.
struct Response {
  std::string bytes;             // the answer with its newline; empty when there is none
  int32_t delayMs = 0;           // wait this long before answering
  bool closeConnection = false;  // drop the connection once `bytes` are sent
  int32_t trickleMs = 0;         // when positive, send `bytes` one at a time this far apart
};

class Instrument {
 public:
  Instrument(InstrumentState initial, FaultBook faults, CommandLog& log);

  // Logs and runs one message: its units in order, each query's answer joined by ";" into one
  // answer. Errors go to the client's own queue. Messages of all clients run one at a time.
  Response execute(std::string_view message, ErrorQueue& errors);

 private:
  std::mutex mutex_;
  InstrumentState state_;
  FaultBook faults_;
  CommandLog& log_;
};

// One client connection (raw socket) or link (VXI-11): its own error queue on the shared
// instrument.
class Session {
 public:
  explicit Session(Instrument& instrument) : instrument_(instrument) {}

  Response handleMessage(std::string_view message) { return instrument_.execute(message, errors_); }
  void reportError(const ScpiError& error) { errors_.push(error); }

 private:
  Instrument& instrument_;
  ErrorQueue errors_;
};

}  // namespace trv3::sim
