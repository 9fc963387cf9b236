// USB instruments behind the Linux usbtmc driver: each /dev/usbtmc<n> is asked "*IDN?" directly
// and reported under the VISA address built from its USB identity, which the I/O library opens.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery {

// Devices beyond this many are not probed.
constexpr size_t MaxUsbDevices = 16;

class UsbtmcSource : public DiscoverySource {
 public:
  // The folders are parameters so that the enumeration can be exercised on a prepared tree.
  explicit UsbtmcSource(std::filesystem::path deviceFolder = "/dev",
                        std::filesystem::path classFolder = "/sys/class/usbmisc");
  void discover(const SearchLimits& limits, const ReportFinding& report) override;

  // "USB0::0x0957::0x1796::MY12345678::INSTR" from the device's vendor, product and serial number
  // in the class folder; nothing when they cannot be read.
  std::optional<std::string> resourceAddress(const std::string& deviceName) const;

 private:
  std::filesystem::path deviceFolder_;
  std::filesystem::path classFolder_;
};

}  // namespace trv3::discovery
