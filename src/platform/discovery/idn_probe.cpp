#include "platform/discovery/idn_probe.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/io/io_session.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {

std::optional<std::string> probeIdn(const std::string& address, const SearchLimits& limits) {
  std::optional<std::string> reply;
  // An address that does not answer is simply not listed.
  leaveQuietly([&] {
    // The connection too is bounded by the search, not by the library's default time-out.
    const auto connectTime = std::min(limits.remaining(), MaxProbeTime);
    if (limits.expired() || connectTime.count() <= 0) return;
    const io::IoSessionRef session = io::IoResourceManager().Open(address, connectTime);
    const auto replyTime = std::min(limits.remaining(), MaxProbeTime);
    if (!session || limits.expired() || replyTime.count() <= 0) return;
    session->SetTimeout(replyTime);
    session->SetLongestTextReply(LongestIdnReply);
    reply = session->QueryText("*IDN?");
  });
  return reply;
}

void probeSideBySide(size_t count, const SearchLimits& limits, const std::function<void(size_t index)>& probe) {
  std::vector<std::jthread> probes;
  probes.reserve(count);
  for (size_t index = 0; index < count && !limits.expired(); ++index) {
    probes.emplace_back([&probe, index] {
      // Whatever escaped a probe's thread would end the host: such a probe finds nothing.
      try {
        probe(index);
      } catch (...) {
      }
    });
  }
}

}  // namespace trv3::discovery
