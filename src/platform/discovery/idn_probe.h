// Asks one instrument address for its identification through the I/O library.
#pragma once

#include <optional>
#include <string>

namespace trv3::discovery {

// Opens the address, sends "*IDN?" and returns the reply; nothing when the address cannot be
// opened or does not answer.
std::optional<std::string> probeIdn(const std::string& address);

}  // namespace trv3::discovery
