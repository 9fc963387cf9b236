// The device nodes of the Linux usbtmc driver (/dev/usbtmc<n>) and the USB identity of each, read
// from sysfs: the one mapping between nodes and "USB...::INSTR" addresses, for discovery listing
// instruments and for the I/O library opening them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/io/resource_string.h"

namespace trv3::io {

// Where the nodes and their class entries live; tests point both at a prepared tree.
struct UsbtmcFolders {
  std::filesystem::path devices = "/dev";
  std::filesystem::path classEntries = "/sys/class/usbmisc";
};

struct UsbtmcDevice {
  std::filesystem::path node;
  UsbInstrumentId id;
};

// The usbtmc nodes of the device folder, by their number, each with the vendor, product, serial
// number and interface number of its class entry. A node whose vendor, product or serial number
// cannot be read is left out: no address could name it.
std::vector<UsbtmcDevice> listUsbtmcDevices(const UsbtmcFolders& folders);

// The attached device that the address names: vendor, product and serial number equal, and the
// interface too when the address gives one. The first in node order when several match.
std::optional<UsbtmcDevice> findUsbtmcDevice(const UsbtmcFolders& folders,
                                             const UsbInstrumentId& wanted);

// "USB0::0x0957::0x1796::MY12345678::INSTR"
std::string usbResourceAddress(const UsbInstrumentId& id);

}  // namespace trv3::io
