// Probes the addresses the user configured (and the one used last), all at once, each in a thread
// of its own, so that one silent address does not delay the others.
#pragma once

#include <string>
#include <vector>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery {

class ConfiguredAddressSource : public DiscoverySource {
 public:
  // The list is bounded by the configuration (MaxConfiguredAddresses).
  explicit ConfiguredAddressSource(std::vector<std::string> addresses);
  void discover(const SearchLimits& limits, const ReportFinding& report) override;

 private:
  std::vector<std::string> addresses_;
};

}  // namespace trv3::discovery
