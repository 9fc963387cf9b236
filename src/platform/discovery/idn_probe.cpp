#include "platform/discovery/idn_probe.h"

#include <algorithm>

#include "platform/io/io_session.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {

std::optional<std::string> probeIdn(const std::string& address, const SearchLimits& limits) {
  std::optional<std::string> reply;
  // An address that does not answer is simply not listed.
  leaveQuietly([&] {
    const io::IoSessionRef session = io::IoResourceManager().Open(address);
    const auto timeout = std::min(limits.remaining(), MaxProbeTime);
    if (!session || limits.expired() || timeout.count() <= 0) return;
    session->SetTimeout(timeout);
    reply = session->QueryText("*IDN?");
  });
  return reply;
}

}  // namespace trv3::discovery
