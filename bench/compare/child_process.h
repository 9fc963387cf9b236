// Peers and probes run as programs of their own; their output is JSON on stdout.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace trv3::bench {

// Runs the command through the shell and parses its standard output; raises when it fails.
nlohmann::json runForJson(const std::string& command);

// A word quoted for the shell.
std::string quoted(const std::string& word);

}  // namespace trv3::bench
