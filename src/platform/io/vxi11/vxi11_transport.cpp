#include "platform/io/vxi11/vxi11_transport.h"

#include <unistd.h>

#include <algorithm>

#include "platform/io/io_status.h"
#include "platform/io/vxi11/portmapper.h"
#include "platform/io/vxi11/rpc_connection.h"
#include "platform/io/tcp_connect.h"
#include "platform/runtime/errors.h"
#include "vxi11.h"

namespace trv3::io {
namespace {

// Flags of write and read requests, reason bits of read replies, and the device's error codes.
constexpr long kFlagEnd = 0x08;
constexpr long kReasonTermChar = 0x02;
constexpr long kReasonEnd = 0x04;
constexpr long kErrorInvalidLink = 4;
constexpr long kErrorIoTimeout = 15;

// A call waits this much longer than the instrument is told to, so that the instrument's own
// time-out answer arrives rather than a dead connection being assumed.
constexpr std::chrono::milliseconds kRpcGrace{500};
// The most one device_read asks for: a whole block of the largest record at once. Its data never
// passes through memory of its own, so the size costs nothing until bytes arrive.
constexpr size_t kMaxReadRequest = VXI11_LARGEST_READ;
// The least one device_read asks for, so that a long text reply takes few calls.
constexpr size_t kLeastReadRequest = size_t{1} << 20;
// device_write rounds in a row in which the instrument takes nothing before it counts as not
// answering.
constexpr int kMaxRefusedWrites = 3;
// The shortest maxRecvSize that the protocol allows: taken for a link that reports none at all. A
// link that reports a smaller size is given pieces of that size, since larger ones it may refuse.
constexpr uint32_t kMinimumRecvSize = 1024;
// Closing does not wait long for an instrument that no longer answers, nor longer than the
// session's time-out.
constexpr std::chrono::milliseconds kCloseTimeout{1000};

std::string deviceErrorText(long code) {
  switch (code) {
    case 1: return "syntax error";
    case 3: return "device not accessible";
    case 4: return "invalid link identifier";
    case 5: return "parameter error";
    case 6: return "channel not established";
    case 8: return "operation not supported";
    case 9: return "out of resources";
    case 11: return "device locked by another link";
    case 12: return "no lock held by this link";
    case 17: return "I/O error";
    case 21: return "invalid address";
    case 23: return "abort";
    case 29: return "channel already established";
    default: return "error " + std::to_string(code);
  }
}

// Frees what the RPC layer allocated for a reply when the reply goes out of scope.
template <class Reply>
class DecodedReply {
 public:
  explicit DecodedReply(xdrproc_t decode) : decode_(decode) {}
  ~DecodedReply() { xdr_free(decode_, reinterpret_cast<char*>(&value)); }
  xdrproc_t decoder() const { return decode_; }
  DecodedReply(const DecodedReply&) = delete;
  DecodedReply& operator=(const DecodedReply&) = delete;
  Reply value{};

 private:
  xdrproc_t decode_;
};

}  // namespace

std::unique_ptr<Vxi11Transport> Vxi11Transport::open(const std::string& host,
                                                     const std::string& deviceName,
                                                     uint16_t portmapperPort,
                                                     const Deadline& deadline,
                                                     const std::string& address) {
  Endpoint endpoint{host, lookupVxi11CorePort(host, portmapperPort, deadline, address), deviceName};
  return std::unique_ptr<Vxi11Transport>(new Vxi11Transport(std::move(endpoint), address, deadline));
}

Vxi11Transport::Vxi11Transport(Endpoint endpoint, std::string address, const Deadline& deadline)
    : endpoint_(std::move(endpoint)),
      address_(std::move(address)),
      closeWait_(std::min(kCloseTimeout, deadline.remaining())) {
  createLink(deadline);
}

Vxi11Transport::~Vxi11Transport() {
  // Closing the connection, if any, is all that is left to do; it also ends a reply left half read.
  if (linkBroken_ || link_.connection->replyPending()) return;
  const Device_Link link = link_.id;
  DecodedReply<Device_Error> reply(reinterpret_cast<xdrproc_t>(xdr_Device_Error));
  try {
    call(destroy_link, "destroy_link", reinterpret_cast<xdrproc_t>(xdr_Device_Link), &link,
         reply.decoder(), &reply.value, kVxi11SmallReply, Deadline(closeWait_));
  } catch (const RuntimeError&) {
    // The instrument is gone or stalled; closing the connection ends the link on its side.
  }
}

void Vxi11Transport::createLink(const Deadline& deadline) {
  linkBroken_ = true;  // until the new link stands
  link_ = Link{};
  link_.connection = std::make_unique<RpcConnection>(
      connectTcp(endpoint_.host, endpoint_.corePort, deadline, address_), DEVICE_CORE,
      DEVICE_CORE_VERSION, address_);
  std::string device = endpoint_.deviceName;
  Create_LinkParms request{};
  request.clientId = static_cast<long>(::getpid());
  request.lockDevice = FALSE;
  request.lock_timeout = 0;
  request.device = device.data();
  DecodedReply<Create_LinkResp> reply(reinterpret_cast<xdrproc_t>(xdr_Create_LinkResp));
  call(create_link, "create_link", reinterpret_cast<xdrproc_t>(xdr_Create_LinkParms), &request,
       reply.decoder(), &reply.value, kVxi11SmallReply, deadline);
  if (reply.value.error != 0)
    raiseIoError(status::ResourceNotFound,
                 "the instrument refused a link to device \"" + endpoint_.deviceName +
                     "\": " + deviceErrorText(reply.value.error),
                 address_);
  link_.id = reply.value.lid;
  link_.maxRecvSize = reply.value.maxRecvSize != 0 ? static_cast<uint32_t>(reply.value.maxRecvSize)
                                                   : kMinimumRecvSize;
  linkBroken_ = false;
}

void Vxi11Transport::requireLink() const {
  if (linkBroken_)
    raiseIoError(status::ConnectionLost,
                 "the connection to the instrument was lost; the next command opens a new one",
                 address_);
}

template <class Step>
void Vxi11Transport::onLink(const Step& step) {
  try {
    step();
  } catch (const RuntimeError&) {
    linkBroken_ = true;
    throw;
  }
}

void Vxi11Transport::call(uint32_t procedure, const char* name, xdrproc_t encodeArguments,
                          const void* arguments, xdrproc_t decodeResult, void* result,
                          size_t maxReplySize, const Deadline& deadline) {
  onLink([&] {
    link_.connection->call(procedure, name, encodeArguments, arguments, decodeResult, result,
                           maxReplySize, deadline.withGrace(kRpcGrace));
  });
}

void Vxi11Transport::raiseDeviceError(long code, const std::string& procedure) {
  if (code == kErrorIoTimeout)
    raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
  if (code == kErrorInvalidLink) {
    // The instrument has dropped our link; recovery creates a new one.
    linkBroken_ = true;
    raiseIoError(status::ConnectionLost, "the instrument dropped the link during " + procedure, address_);
  }
  raiseIoError(status::IoFailure, "the instrument answered " + procedure + " with " + deviceErrorText(code),
               address_);
}

uint32_t Vxi11Transport::remainingMilliseconds(const Deadline& deadline) const {
  const auto left = deadline.remaining();
  if (left.count() == 0)
    raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
  return static_cast<uint32_t>(left.count());
}

void Vxi11Transport::send(std::string_view message, const Deadline& deadline) {
  requireLink();
  finishPendingRead(deadline);
  size_t offset = 0;
  for (int refused = 0; offset < message.size();) {
    const uint32_t ioTimeout = remainingMilliseconds(deadline);
    const size_t piece = std::min<size_t>(link_.maxRecvSize, message.size() - offset);
    Device_WriteParms request{};
    request.lid = link_.id;
    request.io_timeout = ioTimeout;
    request.lock_timeout = 0;
    request.flags = offset + piece == message.size() ? kFlagEnd : 0;
    request.data.data_len = static_cast<u_int>(piece);
    request.data.data_val = const_cast<char*>(message.data() + offset);
    DecodedReply<Device_WriteResp> reply(reinterpret_cast<xdrproc_t>(xdr_Device_WriteResp));
    call(device_write, "device_write", reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms),
         &request, reply.decoder(), &reply.value, kVxi11SmallReply, deadline);
    if (reply.value.error != 0) raiseDeviceError(reply.value.error, "device_write");
    // The instrument may take less than the piece; the rest goes again in the next round.
    const size_t taken = std::min<size_t>(reply.value.size, piece);
    refused = taken == 0 ? refused + 1 : 0;
    if (refused == kMaxRefusedWrites)
      raiseIoError(status::IoFailure,
                   "the instrument is not answering: it takes no data in device_write", address_);
    offset += taken;
  }
}

ReceivedPiece Vxi11Transport::receive(std::span<char> buffer, size_t wanted,
                                      const Deadline& deadline) {
  requireLink();
  if (!link_.connection->replyPending())
    startRead(std::min(kMaxReadRequest, std::max({wanted, buffer.size(), kLeastReadRequest})),
              deadline);
  const size_t size = std::min(buffer.size(), readDataLeft_);
  onLink([&] {
    const Deadline rpcDeadline = deadline.withGrace(kRpcGrace);
    link_.connection->readResult(buffer.data(), size, rpcDeadline);
    readDataLeft_ -= size;
    if (readDataLeft_ == 0) link_.connection->finishReply(rpcDeadline);
  });
  // A full buffer is not the end of a message: only END or the termination character are.
  return {size, readDataLeft_ == 0 && readEndsMessage_};
}

void Vxi11Transport::startRead(size_t requestSize, const Deadline& deadline) {
  const uint32_t ioTimeout = remainingMilliseconds(deadline);
  Device_ReadParms request{};
  request.lid = link_.id;
  request.requestSize = static_cast<u_long>(requestSize);
  request.io_timeout = ioTimeout;
  request.lock_timeout = 0;
  request.flags = 0;
  request.termChar = 0;
  int32_t error = 0;
  size_t size = 0;
  onLink([&] {
    // The reply is error, reason and the data's length, then the data, which receive hands over.
    const Deadline rpcDeadline = deadline.withGrace(kRpcGrace);
    RpcConnection& connection = *link_.connection;
    connection.startCall(device_read, "device_read",
                         reinterpret_cast<xdrproc_t>(xdr_Device_ReadParms), &request,
                         requestSize + kVxi11ReadReplySlack, rpcDeadline);
    error = static_cast<int32_t>(connection.readResultWord(rpcDeadline));
    const uint32_t reason = connection.readResultWord(rpcDeadline);
    readEndsMessage_ = (reason & (kReasonEnd | kReasonTermChar)) != 0;
    size = connection.readResultWord(rpcDeadline);
    if (error != 0 || size > requestSize) connection.finishReply(rpcDeadline);
  });
  if (error != 0) raiseDeviceError(error, "device_read");
  if (size > requestSize)
    raiseIoError(status::IoFailure,
                 "the instrument sent " + std::to_string(size) + " bytes where " +
                     std::to_string(requestSize) + " were asked for",
                 address_);
  readDataLeft_ = size;
}

void Vxi11Transport::finishPendingRead(const Deadline& deadline) {
  if (link_.connection->replyPending())
    onLink([&] { link_.connection->finishReply(deadline.withGrace(kRpcGrace)); });
  readDataLeft_ = 0;
}

void Vxi11Transport::clearPendingInput(const Deadline& deadline) {
  // A device_read reply left half read is dropped with its connection.
  if (!linkBroken_ && link_.connection->replyPending()) linkBroken_ = true;
  if (linkBroken_) createLink(deadline);
  const uint32_t ioTimeout = remainingMilliseconds(deadline);
  Device_GenericParms request{};
  request.lid = link_.id;
  request.flags = 0;
  request.lock_timeout = 0;
  request.io_timeout = ioTimeout;
  DecodedReply<Device_Error> reply(reinterpret_cast<xdrproc_t>(xdr_Device_Error));
  call(device_clear, "device_clear", reinterpret_cast<xdrproc_t>(xdr_Device_GenericParms),
       &request, reply.decoder(), &reply.value, kVxi11SmallReply, deadline);
  if (reply.value.error != 0) raiseDeviceError(reply.value.error, "device_clear");
}

}  // namespace trv3::io
