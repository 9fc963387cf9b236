#include "platform/discovery/idn_probe.h"

#include <algorithm>

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

}  // namespace trv3::discovery
