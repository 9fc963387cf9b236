// Asks one instrument address for its identification through the I/O library.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery {

// A probe never waits longer than this for the connection, nor for the reply, so that a search
// can ask an address that does not answer and still list the others in time.
constexpr std::chrono::milliseconds MaxProbeTime{1500};
// An identification far longer than any instrument's is a faulty one, refused before it costs
// the host memory.
constexpr size_t LongestIdnReply = size_t{64} << 10;

// Opens the address, sends "*IDN?" and returns the reply; nothing when the address cannot be
// opened, does not answer within the search's remaining time (at most MaxProbeTime), or the
// search is over.
std::optional<std::string> probeIdn(const std::string& address, const SearchLimits& limits);

// Runs probe(0) .. probe(count - 1) side by side, each on a thread of its own, and returns when all
// have: one instrument that does not answer must not use up the others' time. Each probe ends by
// its session's own time-out at the latest; none starts once the search has ended. A probe that
// throws finds nothing; a thread that cannot be had ends the launching with std::system_error
// once the probes already out have returned.
void probeSideBySide(size_t count, const SearchLimits& limits, const std::function<void(size_t index)>& probe);

}  // namespace trv3::discovery
