// The command line: every setting of the configuration file as an option, options winning.
#pragma once

#include <optional>

#include "config.h"

namespace trv3::sim {

struct CommandLine {
  std::optional<SimulatorConfig> config;  // empty when the program should end at once
  int exitCode = 0;                       // then with this code: 0 after --help, 2 when refused
};

// Reports help and errors on stdout/stderr itself.
CommandLine parseCommandLine(int argc, const char* const* argv);

// "N=SHAPE[:FREQUENCY[:AMPLITUDE[:OFFSET[:PHASE[:NOISE[:SEED]]]]]]", e.g. "2=square:500:0.1";
// throws std::invalid_argument.
std::pair<int, SignalSpec> parseSignalOption(const std::string& text);

}  // namespace trv3::sim
