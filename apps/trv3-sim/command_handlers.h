// What each command does to the instrument state and what each query answers. Handlers throw
// ScpiError for bad arguments; the caller queues it.
#pragma once

#include <string>
#include <vector>

#include "faults.h"
#include "instrument_state.h"
#include "scpi_errors.h"

namespace trv3::sim {

struct CommandContext {
  InstrumentState& state;
  ErrorQueue& errors;
  const std::vector<int>& suffixes;  // one per header node; 1 where none was written
  const std::vector<std::string>& arguments;
  const FaultSpec* fault;  // the fault striking this command, or nullptr
  std::string reply;       // a query's answer, without terminator
};

using CommandHandler = void (*)(CommandContext&);

namespace handlers {
void identify(CommandContext& c);
void reset(CommandContext& c);
void clearStatus(CommandContext& c);
void operationComplete(CommandContext& c);
void run(CommandContext& c);
void stop(CommandContext& c);
void single(CommandContext& c);
void setAcquireType(CommandContext& c);
void queryAcquireType(CommandContext& c);
void setAcquireCount(CommandContext& c);
void queryAcquireCount(CommandContext& c);
void setChannelDisplay(CommandContext& c);
void queryChannelDisplay(CommandContext& c);
void setPodDisplay(CommandContext& c);
void queryPodDisplay(CommandContext& c);
void queryDigitalLine(CommandContext& c);
void setPointsMode(CommandContext& c);
void queryPointsMode(CommandContext& c);
void setPoints(CommandContext& c);
void queryPoints(CommandContext& c);
void setSource(CommandContext& c);
void querySource(CommandContext& c);
void setFormat(CommandContext& c);
void queryFormat(CommandContext& c);
void queryPreamble(CommandContext& c);
void queryData(CommandContext& c);
void queryError(CommandContext& c);
}  // namespace handlers

}  // namespace trv3::sim
