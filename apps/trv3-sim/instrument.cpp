#include "instrument.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "scpi_parser.h"

namespace trv3::sim {
namespace {

bool isBlankUnit(std::string_view unit) {
  return unit.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Collects the answers of one message and what its faults ask of the transport.
class AnswerBuilder {
 public:
  void add(std::string text) {
    if (answered_) {
      answer_ += ';';
      answer_ += text;
    } else {
      answer_ = std::move(text);  // the usual single answer, a block among them, is not copied
    }
    answered_ = true;
  }

  void applyTransportFault(const FaultSpec& fault) {
    if (fault.kind == FaultKind::Delay) {
      delayMs_ += static_cast<int32_t>(std::min<int64_t>(fault.value, INT32_MAX - delayMs_));
    } else if (fault.kind == FaultKind::CloseAfter) {
      closeAfter_ = std::min<int64_t>(closeAfter_.value_or(fault.value), fault.value);
    } else if (fault.kind == FaultKind::Trickle) {
      trickleMs_ = static_cast<int32_t>(std::min<int64_t>(fault.value, INT32_MAX));
    } else if (fault.kind == FaultKind::NoNewline) {
      withoutNewline_ = true;
    }
  }

  Response finish() {
    Response response;
    if (answered_) {
      if (!withoutNewline_) answer_ += '\n';
      response.bytes = std::move(answer_);
    }
    response.delayMs = delayMs_;
    response.trickleMs = trickleMs_;
    if (closeAfter_) {
      response.bytes.resize(std::min<std::size_t>(response.bytes.size(), *closeAfter_));
      response.closeConnection = true;
    }
    return response;
  }

 private:
  std::string answer_;
  bool answered_ = false;
  int32_t delayMs_ = 0;
  int32_t trickleMs_ = 0;
  bool withoutNewline_ = false;
  std::optional<int64_t> closeAfter_;
};

}  // namespace

Instrument::Instrument(InstrumentState initial, FaultBook faults, CommandLog& log)
    : state_(std::move(initial)), faults_(std::move(faults)), log_(log) {}

Response Instrument::execute(std::string_view message, ErrorQueue& errors) {
  std::lock_guard lock(mutex_);
  log_.record(message);
  AnswerBuilder answers;
  HeaderPath path;
  for (std::string_view text : splitProgramUnits(message)) {
    if (isBlankUnit(text)) continue;
    try {
      const ProgramUnit unit = parseProgramUnit(text);
      const std::vector<std::string> nodes = path.resolve(unit);
      path.advance(unit, nodes);
      const std::optional<ResolvedCommand> command = findCommand(nodes, unit.query);
      if (!command) throw kUndefinedHeader;

      const FaultSpec* fault = faults_.strike(*command);
      const std::vector<int> suffixes = command->suffixes();
      CommandContext context{state_, errors, suffixes, unit.arguments, fault, {}};
      if (fault) answers.applyTransportFault(*fault);
      command->entry->handler(context);

      if (fault && fault->kind == FaultKind::Garbage) {
        answers.add(fault->text);
      } else if (unit.query && !(fault && fault->kind == FaultKind::Silent)) {
        answers.add(std::move(context.reply));
      }
    } catch (const ScpiError& error) {
      errors.push(error);
    }
  }
  return answers.finish();
}

}  // namespace trv3::sim
