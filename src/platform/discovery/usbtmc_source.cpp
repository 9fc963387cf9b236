#include "platform/discovery/usbtmc_source.h"

#include <algorithm>
#include <memory>

#include "platform/discovery/idn_probe.h"
#include "platform/io/message_session.h"
#include "platform/io/usbtmc_transport.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {
namespace {

// The node is asked directly: its address would lead the I/O library to the same node again.
std::optional<std::string> queryIdn(const io::UsbtmcDevice& device, const std::string& address,
                                    std::chrono::milliseconds timeout) {
  std::optional<std::string> reply;
  // A device that does not answer is simply not listed.
  leaveQuietly([&] {
    io::MessageSession session(address, std::make_unique<io::UsbtmcTransport>(device.node, address),
                               io::IoTrace::fromEnvironment());
    session.SetTimeout(timeout);
    session.SetLongestTextReply(LongestIdnReply);
    reply = session.QueryText("*IDN?");
  });
  return reply;
}

}  // namespace

UsbtmcSource::UsbtmcSource(io::UsbtmcFolders folders) : folders_(std::move(folders)) {}

void UsbtmcSource::discover(const SearchLimits& limits, const ReportFinding& report) {
  std::vector<io::UsbtmcDevice> devices = io::listUsbtmcDevices(folders_);
  if (devices.size() > MaxUsbDevices) devices.resize(MaxUsbDevices);

  probeSideBySide(devices.size(), limits, [&](size_t index) {
    const std::string address = io::usbResourceAddress(devices[index].id);
    const auto reply = queryIdn(devices[index], address, std::min(limits.remaining(), MaxProbeTime));
    if (reply && !limits.expired()) report({address, *reply, static_cast<int>(index)});
  });
}

}  // namespace trv3::discovery
