#include "platform/io/usbtmc_devices.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace trv3::io {
namespace {

constexpr std::string_view kNodePrefix = "usbtmc";

// The number of a "usbtmc<n>" node; nothing for any other name.
std::optional<unsigned> nodeNumber(std::string_view name) {
  if (!name.starts_with(kNodePrefix)) return std::nullopt;
  const std::string_view digits = name.substr(kNodePrefix.size());
  unsigned value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
    return std::nullopt;
  return value;
}

std::string firstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A sysfs number in hex without a prefix ("0957", "00"); nothing when absent or out of range.
std::optional<unsigned> sysfsHex(const std::filesystem::path& file, unsigned max) {
  const std::string text = firstLine(file);
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > max)
    return std::nullopt;
  return value;
}

std::optional<UsbInstrumentId> readIdentity(const std::filesystem::path& classEntry) {
  // The entry's "device" is the USB interface; its parent holds the device's identity.
  const std::filesystem::path usbInterface = classEntry / "device";
  const std::filesystem::path usbDevice = usbInterface / "..";
  const auto vendor = sysfsHex(usbDevice / "idVendor", 0xFFFF);
  const auto product = sysfsHex(usbDevice / "idProduct", 0xFFFF);
  std::string serial = firstLine(usbDevice / "serial");
  if (!vendor || !product || serial.empty()) return std::nullopt;
  UsbInstrumentId id;
  id.vendorId = static_cast<uint16_t>(*vendor);
  id.productId = static_cast<uint16_t>(*product);
  id.serialNumber = std::move(serial);
  if (const auto number = sysfsHex(usbInterface / "bInterfaceNumber", 0xFF))
    id.interfaceNumber = static_cast<uint8_t>(*number);
  return id;
}

bool matches(const UsbInstrumentId& wanted, const UsbInstrumentId& attached) {
  return wanted.vendorId == attached.vendorId && wanted.productId == attached.productId &&
         wanted.serialNumber == attached.serialNumber &&
         (!wanted.interfaceNumber || wanted.interfaceNumber == attached.interfaceNumber);
}

}  // namespace

std::vector<UsbtmcDevice> listUsbtmcDevices(const UsbtmcFolders& folders) {
  std::vector<std::pair<unsigned, std::string>> nodes;
  std::error_code error;
  // Bounded: a device folder holds a few hundred nodes at most, and errors end the walk.
  for (std::filesystem::directory_iterator entry(folders.devices, error), end;
       !error && entry != end; entry.increment(error)) {
    std::string name = entry->path().filename().string();
    if (const auto number = nodeNumber(name)) nodes.emplace_back(*number, std::move(name));
  }
  std::sort(nodes.begin(), nodes.end());

  std::vector<UsbtmcDevice> devices;
  for (const auto& [number, name] : nodes)
    if (auto id = readIdentity(folders.classEntries / name))
      devices.push_back({folders.devices / name, std::move(*id)});
  return devices;
}

std::optional<UsbtmcDevice> findUsbtmcDevice(const UsbtmcFolders& folders,
                                             const UsbInstrumentId& wanted) {
  for (UsbtmcDevice& device : listUsbtmcDevices(folders))
    if (matches(wanted, device.id)) return std::move(device);
  return std::nullopt;
}

std::string usbResourceAddress(const UsbInstrumentId& id) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "0x%04X::0x%04X", id.vendorId, id.productId);
  return "USB0::" + std::string(ids) + "::" + id.serialNumber + "::INSTR";
}

}  // namespace trv3::io
