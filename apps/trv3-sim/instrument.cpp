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

// A message's answers are held until all of its units have run; room for one whole record and
// plenty besides, but not for a line of thousands of data queries, which would exhaust memory.
constexpr std::size_t kAnswerRoomBesidesARecord = 4 << 20;

// Collects the answers of one message and what its faults ask of the transport.
class AnswerBuilder {
 public:
  explicit AnswerBuilder(std::size_t limit) : limit_(limit) {}

  // True when this answer would outgrow the limit: then every answer of the message is dropped,
  // the ones still to come too, as an instrument with a full output queue does (IEEE 488.2
  // deadlock); only this call reports it.
  bool add(std::string text) {
    if (deadlocked_) return false;
    if (answer_.size() + text.size() + 1 > limit_) {
      deadlocked_ = true;
      answered_ = false;
      std::string().swap(answer_);
      return true;
    }
    if (answered_) {
      answer_ += ';';
      answer_ += text;
    } else {
      answer_ = std::move(text);  // the usual single answer, a block among them, is not copied
    }
    answered_ = true;
    return false;
  }

  bool deadlocked() const { return deadlocked_; }

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
  std::size_t limit_;
  std::string answer_;
  bool answered_ = false;
  bool deadlocked_ = false;
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
  AnswerBuilder answers(static_cast<std::size_t>(state_.profile.recordLength) +
                        kAnswerRoomBesidesARecord);
  HeaderPath path;
  for (std::string_view text : splitProgramUnits(message)) {
    if (isBlankUnit(text)) continue;
    try {
      const ProgramUnit unit = parseProgramUnit(text);
      const std::vector<std::string> nodes = path.resolve(unit);
      path.advance(unit, nodes);
      const std::optional<ResolvedCommand> command = findCommand(nodes, unit.query);
      if (!command) throw kUndefinedHeader;
      // Their answers would be dropped; running them would only hold the instrument for long.
      if (unit.query && answers.deadlocked()) continue;

      const FaultSpec* fault = faults_.strike(*command);
      const std::vector<int> suffixes = command->suffixes();
      CommandContext context{state_, errors, suffixes, unit.arguments, fault, {}};
      if (fault) answers.applyTransportFault(*fault);
      command->entry->handler(context);

      bool deadlocked = false;
      if (fault && fault->kind == FaultKind::Garbage) {
        deadlocked = answers.add(fault->text);
      } else if (unit.query && !(fault && fault->kind == FaultKind::Silent)) {
        deadlocked = answers.add(std::move(context.reply));
      }
      if (deadlocked) errors.push(kQueryDeadlocked);
    } catch (const ScpiError& error) {
      errors.push(error);
    }
  }
  return answers.finish();
}

}  // namespace trv3::sim
