#include "platform/discovery/configured_address_source.h"

#include "platform/discovery/idn_probe.h"

namespace trv3::discovery {

ConfiguredAddressSource::ConfiguredAddressSource(std::vector<std::string> addresses)
    : addresses_(std::move(addresses)) {}

void ConfiguredAddressSource::discover(const SearchLimits& limits, const ReportFinding& report) {
  probeSideBySide(addresses_.size(), limits, [&](size_t index) {
    const std::optional<std::string> reply = probeIdn(addresses_[index], limits);
    if (reply && !limits.expired()) report({addresses_[index], *reply, static_cast<int>(index)});
  });
}

}  // namespace trv3::discovery
