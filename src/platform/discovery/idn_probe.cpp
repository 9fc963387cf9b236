#include "platform/discovery/idn_probe.h"

#include "platform/io/io_session.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {

std::optional<std::string> probeIdn(const std::string& address) {
  std::optional<std::string> reply;
  // An address that does not answer is simply not listed.
  leaveQuietly([&] {
    const io::IoSessionRef session = io::IoResourceManager().Open(address);
    if (session) reply = session->QueryText("*IDN?");
  });
  return reply;
}

}  // namespace trv3::discovery
