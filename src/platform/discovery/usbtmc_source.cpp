#include "platform/discovery/usbtmc_source.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "platform/discovery/idn_probe.h"

namespace trv3::discovery {
namespace {

constexpr std::string_view DevicePrefix = "usbtmc";
constexpr size_t MaxReplyLength = 256;

bool isUsbtmcName(const std::string& name) {
  if (name.size() <= DevicePrefix.size() || !name.starts_with(DevicePrefix)) return false;
  return std::all_of(name.begin() + DevicePrefix.size(), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::string firstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The device node's own file descriptor, closed on every path.
class DeviceFile {
 public:
  explicit DeviceFile(const std::filesystem::path& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY)) {}
  ~DeviceFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::optional<std::string> queryIdn(const std::filesystem::path& device,
                                    std::chrono::milliseconds timeout) {
  DeviceFile file(device);
  if (file.fd() < 0) return std::nullopt;
  // The driver bounds each transfer by this time-out; a node that is no usbtmc device refuses
  // the request, which does no harm.
  uint32_t milliseconds = static_cast<uint32_t>(std::max<int64_t>(timeout.count(), 100));
  ::ioctl(file.fd(), USBTMC_IOCTL_SET_TIMEOUT, &milliseconds);
  constexpr std::string_view query = "*IDN?\n";
  if (::write(file.fd(), query.data(), query.size()) != static_cast<ssize_t>(query.size())) {
    return std::nullopt;
  }
  char buffer[MaxReplyLength];
  const ssize_t length = ::read(file.fd(), buffer, sizeof buffer);
  if (length <= 0) return std::nullopt;
  std::string reply(buffer, static_cast<size_t>(length));
  while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
  return reply;
}

}  // namespace

UsbtmcSource::UsbtmcSource(std::filesystem::path deviceFolder, std::filesystem::path classFolder)
    : deviceFolder_(std::move(deviceFolder)), classFolder_(std::move(classFolder)) {}

std::optional<std::string> UsbtmcSource::resourceAddress(const std::string& deviceName) const {
  // The class entry's "device" is the USB interface; its parent holds the device's identity.
  const std::filesystem::path usbDevice = classFolder_ / deviceName / "device" / "..";
  const std::string vendor = firstLine(usbDevice / "idVendor");
  const std::string product = firstLine(usbDevice / "idProduct");
  if (vendor.empty() || product.empty()) return std::nullopt;
  std::string address = "USB0::0x" + vendor + "::0x" + product;
  const std::string serial = firstLine(usbDevice / "serial");
  if (!serial.empty()) address += "::" + serial;
  return address + "::INSTR";
}

void UsbtmcSource::discover(const SearchLimits& limits, const ReportFinding& report) {
  std::vector<std::string> names;
  std::error_code error;
  // Bounded: a device folder holds a few hundred nodes at most, and errors end the walk.
  for (std::filesystem::directory_iterator entry(deviceFolder_, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (isUsbtmcName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > MaxUsbDevices) names.resize(MaxUsbDevices);

  for (size_t index = 0; index < names.size() && !limits.expired(); ++index) {
    const std::optional<std::string> address = resourceAddress(names[index]);
    if (!address) continue;
    const auto timeout = std::min(limits.remaining(), MaxProbeTime);
    const std::optional<std::string> reply = queryIdn(deviceFolder_ / names[index], timeout);
    if (reply) report({*address, *reply, static_cast<int>(index)});
  }
}

}  // namespace trv3::discovery
