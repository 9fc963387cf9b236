// Instruments that the connect dialog's discovery finds in a test, in place of the user's real
// connections: each is reported with its address and "*IDN?" reply, without any traffic.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/discovery/discovery_source.h"

namespace trv3::testing {

class DiscoveredInstruments {
 public:
  DiscoveredInstruments();

  void add(const std::string& address, const std::string& idnReply);

 private:
  std::shared_ptr<std::vector<discovery::Finding>> findings_;
  discovery::ScopedDiscoverySources sources_;
};

}  // namespace trv3::testing
