#include "platform/discovery/configured_address_source.h"

#include <thread>

#include "platform/discovery/idn_probe.h"

namespace trv3::discovery {

ConfiguredAddressSource::ConfiguredAddressSource(std::vector<std::string> addresses)
    : addresses_(std::move(addresses)) {}

void ConfiguredAddressSource::discover(const SearchLimits& limits, const ReportFinding& report) {
  std::vector<std::jthread> probes;
  probes.reserve(addresses_.size());
  for (size_t index = 0; index < addresses_.size() && !limits.expired(); ++index) {
    probes.emplace_back([&, index] {
      const std::optional<std::string> reply = probeIdn(addresses_[index], limits);
      if (reply && !limits.expired()) report({addresses_[index], *reply, static_cast<int>(index)});
    });
  }
  // The jthreads join here; each probe ends by its session's own time-out at the latest.
}

}  // namespace trv3::discovery
