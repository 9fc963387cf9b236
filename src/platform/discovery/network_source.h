// Instruments on the local networks, found with liblxi: a VXI-11 broadcast (whose answers carry
// the "*IDN?" reply already) and an mDNS browse (whose services are then asked "*IDN?" through the
// I/O library). This sends traffic beyond the machine, so it runs only when the user turns it on.
#pragma once

#include <optional>
#include <string>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery {

// mDNS services beyond this many are not probed.
constexpr size_t MaxNetworkServices = 16;

class NetworkSource : public DiscoverySource {
 public:
  void discover(const SearchLimits& limits, const ReportFinding& report) override;
};

// The address under which an mDNS service is opened: "vxi-11" and "lxi" as VXI-11
// ("TCPIP::host::INSTR"), "scpi-raw" as a raw socket ("TCPIP::host::port::SOCKET"); nothing for
// services the I/O library does not speak.
std::optional<std::string> addressForService(const std::string& host, const std::string& service,
                                             int port);

}  // namespace trv3::discovery
