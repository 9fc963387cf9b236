#include "platform/io/usbtmc_transport.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/io/fd_wait.h"
#include "platform/io/io_session.h"
#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

// The driver refuses shorter time-outs.
constexpr int64_t kDriverMinimumTimeoutMs = 100;

std::string describe(const UsbInstrumentId& id) {
  char ids[48];
  std::snprintf(ids, sizeof ids, "vendor 0x%04X, product 0x%04X", id.vendorId, id.productId);
  std::string text = std::string(ids) + ", serial number \"" + id.serialNumber + "\"";
  if (id.interfaceNumber) text += ", interface " + std::to_string(*id.interfaceNumber);
  return text;
}

}  // namespace

std::unique_ptr<UsbtmcTransport> UsbtmcTransport::open(const UsbInstrumentId& id,
                                                       const UsbtmcFolders& folders,
                                                       const std::string& address) {
  const std::optional<UsbtmcDevice> device = findUsbtmcDevice(folders, id);
  if (!device)
    raiseIoError(status::ResourceNotFound,
                 "resource not found: no USB instrument with " + describe(id) +
                     " is attached through the usbtmc driver",
                 address);
  return std::make_unique<UsbtmcTransport>(device->node, address);
}

UsbtmcTransport::UsbtmcTransport(const std::filesystem::path& node, std::string address)
    : address_(std::move(address)),
      node_(::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
  if (!node_.valid())
    raiseIoError(status::ResourceNotFound,
                 "resource not found: cannot open " + node.string() + ": " + std::strerror(errno),
                 address_);
}

void UsbtmcTransport::raiseTimeout() {
  raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
}

void UsbtmcTransport::raiseLost(int error) {
  raiseIoError(status::ConnectionLost,
               error == 0 ? std::string("connection to the instrument lost: the device node ended")
                          : std::string("connection to the instrument lost: ") + std::strerror(error),
               address_);
}

void UsbtmcTransport::limitDriverWait(const Deadline& deadline) {
  const int64_t left = deadline.remaining().count();
  if (left == 0) raiseTimeout();
  // A node that is no usbtmc device refuses the request; it does not block, so poll() bounds it.
  uint32_t milliseconds = static_cast<uint32_t>(
      std::clamp<int64_t>(left, kDriverMinimumTimeoutMs, std::numeric_limits<uint32_t>::max()));
  ::ioctl(node_.get(), USBTMC_IOCTL_SET_TIMEOUT, &milliseconds);
}

void UsbtmcTransport::waitFor(short events, const Deadline& deadline) {
  const int error = waitUntilReady(node_.get(), events, deadline);
  if (error == ETIMEDOUT) raiseTimeout();
  if (error != 0) raiseLost(error);
}

void UsbtmcTransport::send(std::string_view message, const Deadline& deadline) {
  while (!message.empty()) {
    limitDriverWait(deadline);
    const ssize_t written = ::write(node_.get(), message.data(), message.size());
    if (written > 0) {
      message.remove_prefix(static_cast<size_t>(written));
    } else if (written == 0) {
      raiseLost(0);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      waitFor(POLLOUT, deadline);
    } else if (errno == ETIMEDOUT) {
      raiseTimeout();
    } else if (errno != EINTR) {
      raiseLost(errno);
    }
  }
}

ReceivedPiece UsbtmcTransport::receive(std::span<char> buffer, size_t /*wanted*/,
                                       const Deadline& deadline) {
  for (;;) {
    limitDriverWait(deadline);
    const ssize_t got = ::read(node_.get(), buffer.data(), buffer.size());
    if (got > 0) return {static_cast<size_t>(got), false};
    if (got == 0) raiseLost(0);
    if (errno == EAGAIN || errno == EWOULDBLOCK)
      waitFor(POLLIN, deadline);
    else if (errno == ETIMEDOUT)
      raiseTimeout();
    else if (errno != EINTR)
      raiseLost(errno);
  }
}

void UsbtmcTransport::clearPendingInput(const Deadline& deadline) {
  if (::ioctl(node_.get(), USBTMC_IOCTL_CLEAR) == 0) return;
  if (errno != ENOTTY) raiseLost(errno);
  // A node without the driver's device clear: drop what already waits to be read, but no more
  // than the longest reply, so that a node that never runs dry cannot hold the caller for the
  // whole time-out.
  std::array<char, 4096> scrap;
  for (size_t dropped = 0; dropped < kMaxBlockPoints + scrap.size();) {
    limitDriverWait(deadline);
    const ssize_t got = ::read(node_.get(), scrap.data(), scrap.size());
    if (got <= 0) return;
    dropped += static_cast<size_t>(got);
  }
}

}  // namespace trv3::io
