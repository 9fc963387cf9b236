#include <memory>

#include "platform/io/io_session.h"
#include "platform/io/io_status.h"
#include "platform/io/message_session.h"
#include "platform/io/resource_string.h"
#include "platform/io/socket_transport.h"
#include "platform/io/usbtmc_transport.h"
#include "platform/io/vxi11_opener.h"

namespace trv3::io {
namespace {

thread_local SessionOpener currentOpener;

std::unique_ptr<ByteTransport> openTransport(const ParsedResource& resource, const Deadline& deadline,
                                             const std::string& address) {
  switch (resource.kind) {
    case InterfaceKind::RawSocket:
      return std::make_unique<SocketTransport>(resource.host, resource.port, deadline, address);
    case InterfaceKind::Vxi11:
      return openVxi11Transport(resource.host, resource.deviceName, kPortmapperPort, deadline,
                                address);
    case InterfaceKind::Usb:
      return UsbtmcTransport::open(resource.usb, UsbtmcFolders{}, address);
    case InterfaceKind::Gpib:
      raiseIoError(status::InterfaceNotAvailable,
                   "GPIB instruments cannot be reached: this I/O library has no GPIB interface",
                   address);
  }
  raiseIoError(status::InvalidResourceName, "invalid resource string", address);
}

}  // namespace

IoSessionRef IoResourceManager::Open(std::string_view address) {
  return Open(address, defaultIoTimeout());
}

IoSessionRef IoResourceManager::Open(std::string_view address, std::chrono::milliseconds timeout) {
  if (currentOpener)
    if (IoSessionRef session = currentOpener(address)) return session;
  const std::string text(address);
  const ParsedResource resource = parseResourceString(text);
  auto transport = openTransport(resource, Deadline(timeout), text);
  auto session =
      std::make_shared<MessageSession>(text, std::move(transport), IoTrace::fromEnvironment());
  session->SetTimeout(timeout);
  return session;
}

ScopedSessionOpener::ScopedSessionOpener(SessionOpener opener)
    : previous_(std::exchange(currentOpener, std::move(opener))) {}

ScopedSessionOpener::~ScopedSessionOpener() { currentOpener = std::move(previous_); }

}  // namespace trv3::io
