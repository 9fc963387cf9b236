#include "fault_book.h"

#include <stdexcept>

#include "scpi_errors.h"
#include "scpi_parser.h"

namespace trv3::sim {
namespace {

ResolvedCommand resolveFaultCommand(const std::string& command) {
  try {
    const ProgramUnit unit = parseProgramUnit(command);
    if (auto resolved = findCommand(unit.nodes, unit.query)) return *resolved;
  } catch (const ScpiError&) {
    // reported below like an unknown command
  }
  throw std::invalid_argument("fault names a command the simulator does not know: " + command);
}

bool suffixesApply(const ResolvedCommand& target, const ResolvedCommand& command) {
  for (std::size_t i = 0; i < target.writtenSuffixes.size(); ++i) {
    const auto& wanted = target.writtenSuffixes[i];
    if (wanted && *wanted != command.writtenSuffixes[i].value_or(1)) return false;
  }
  return true;
}

}  // namespace

FaultBook::FaultBook(std::vector<FaultSpec> faults) {
  for (FaultSpec& spec : faults) {
    ResolvedCommand target = resolveFaultCommand(spec.command);
    const int strikes = spec.times > 0 ? spec.times : -1;
    const int passes = spec.after;
    faults_.push_back({std::move(spec), std::move(target), strikes, passes});
  }
}

const FaultSpec* FaultBook::strike(const ResolvedCommand& command) {
  const FaultSpec* struck = nullptr;
  for (Armed& fault : faults_) {
    if (fault.target.entry != command.entry || !suffixesApply(fault.target, command)) continue;
    // Every fault on the command counts the occurrences it lets pass, whichever fault strikes.
    if (fault.passesLeft > 0) {
      --fault.passesLeft;
      continue;
    }
    if (struck || fault.strikesLeft == 0) continue;
    if (fault.strikesLeft > 0) --fault.strikesLeft;
    struck = &fault.spec;
  }
  return struck;
}

}  // namespace trv3::sim
