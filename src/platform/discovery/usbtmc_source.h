// USB instruments behind the Linux usbtmc driver: each /dev/usbtmc<n> is asked "*IDN?" directly
// and reported under the VISA address built from its USB identity, which the I/O library opens.
#pragma once

#include "platform/discovery/discovery_source.h"
#include "platform/io/usbtmc_devices.h"

namespace trv3::discovery {

// Devices beyond this many are not probed.
constexpr size_t MaxUsbDevices = 16;

class UsbtmcSource : public DiscoverySource {
 public:
  // The folders are a parameter so that the enumeration can be exercised on a prepared tree.
  explicit UsbtmcSource(io::UsbtmcFolders folders = {});
  void discover(const SearchLimits& limits, const ReportFinding& report) override;

 private:
  io::UsbtmcFolders folders_;
};

}  // namespace trv3::discovery
