// Program messages as clients send them to the simulator: the parser alone, then the whole
// instrument answering them.
#include <string>

#include "command_log.h"
#include "config.h"
#include "fuzz_target.h"
#include "instrument.h"
#include "scpi_errors.h"
#include "scpi_parser.h"

TRV3_FUZZ_TARGET(scpi_parser) {
  const std::string_view message = trv3::fuzz::asText(input);
  trv3::sim::HeaderPath path;
  for (const std::string_view unit : trv3::sim::splitProgramUnits(message)) {
    try {
      const auto parsed = trv3::sim::parseProgramUnit(unit);
      path.advance(parsed, path.resolve(parsed));
    } catch (const trv3::sim::ScpiError&) {
    }
  }
  static trv3::sim::CommandLog log("");
  static trv3::sim::Instrument instrument(
      trv3::sim::buildInstrumentState(trv3::sim::SimulatorConfig{}), trv3::sim::FaultBook({}), log);
  trv3::sim::Session session(instrument);
  const auto response = session.handleMessage(message);
  // An answer is always one line.
  if (!response.bytes.empty() && response.bytes.back() != '\n') __builtin_trap();
}
