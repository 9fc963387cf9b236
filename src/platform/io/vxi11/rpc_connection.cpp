#include "platform/io/vxi11/rpc_connection.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/io/fd_wait.h"
#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

constexpr uint32_t kLastFragment = 0x80000000u;
constexpr uint32_t kCall = 0;
constexpr uint32_t kReply = 1;
constexpr uint32_t kRpcVersion = 2;
constexpr uint32_t kAccepted = 0;
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kAuthNone = 0;
// The accepted-reply header up to its verifier's body: xid, type, status, flavour, length.
constexpr size_t kReplyHeaderWords = 5;

void appendWord(std::string& out, uint32_t value) {
  const uint32_t network = htonl(value);
  out.append(reinterpret_cast<const char*>(&network), sizeof network);
}

uint32_t wordAt(const char* bytes) {
  uint32_t network = 0;
  std::memcpy(&network, bytes, sizeof network);
  return ntohl(network);
}

}  // namespace

RpcConnection::RpcConnection(UniqueFd socket, uint32_t program, uint32_t version,
                             std::string address)
    : socket_(std::move(socket)),
      program_(program),
      version_(version),
      nextXid_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())),
      address_(std::move(address)) {}

void RpcConnection::raiseFailure(const std::string& what, const char* name) const {
  raiseIoError(status::IoFailure, std::string(name) + " failed: " + what, address_);
}

void RpcConnection::waitFor(short events, const Deadline& deadline, const char* name) {
  const int error = waitUntilReady(socket_.get(), events, deadline);
  if (error == ETIMEDOUT)
    raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
  if (error != 0)
    raiseIoError(status::ConnectionLost,
                 std::string("connection to the instrument lost during ") + name + ": " +
                     std::strerror(error),
                 address_);
}

void RpcConnection::sendAll(const std::string& bytes, const Deadline& deadline, const char* name) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t done =
        ::send(socket_.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (done > 0) {
      sent += static_cast<size_t>(done);
    } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      waitFor(POLLOUT, deadline, name);
    } else if (done < 0 && errno != EINTR) {
      raiseIoError(status::ConnectionLost,
                   std::string("connection closed by the instrument during ") + name, address_);
    }
  }
}

void RpcConnection::receiveExactly(char* into, size_t size, const Deadline& deadline,
                                   const char* name) {
  while (size > 0) {
    const ssize_t got = ::recv(socket_.get(), into, size, 0);
    if (got > 0) {
      into += got;
      size -= static_cast<size_t>(got);
    } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      waitFor(POLLIN, deadline, name);
    } else if (got == 0 || errno != EINTR) {
      raiseIoError(status::ConnectionLost,
                   std::string("connection closed by the instrument during ") + name, address_);
    }
  }
}

std::string RpcConnection::receiveRecord(size_t maxReplySize, const Deadline& deadline,
                                         const char* name) {
  std::string record;
  for (bool last = false; !last;) {
    char mark[4];
    receiveExactly(mark, sizeof mark, deadline, name);
    const uint32_t header = wordAt(mark);
    last = (header & kLastFragment) != 0;
    const size_t size = header & ~kLastFragment;
    if (size > maxReplySize - record.size())
      raiseFailure("the reply holds more than " + std::to_string(maxReplySize) + " bytes", name);
    const size_t at = record.size();
    record.resize(at + size);
    receiveExactly(record.data() + at, size, deadline, name);
  }
  return record;
}

void RpcConnection::call(uint32_t procedure, const char* name, xdrproc_t encodeArguments,
                         const void* arguments, xdrproc_t decodeResult, void* result,
                         size_t maxReplySize, const Deadline& deadline) {
  const uint32_t xid = nextXid_++;
  auto* argumentData = const_cast<void*>(arguments);
  const size_t argumentSize = xdr_sizeof(encodeArguments, argumentData);
  std::string message;
  for (const uint32_t word :
       {0u, xid, kCall, kRpcVersion, program_, version_, procedure, kAuthNone, 0u, kAuthNone, 0u})
    appendWord(message, word);
  const size_t headerSize = message.size();
  message.resize(headerSize + argumentSize);
  XDR encoder;
  xdrmem_create(&encoder, message.data() + headerSize, static_cast<u_int>(argumentSize),
                XDR_ENCODE);
  if (!encodeArguments(&encoder, argumentData))
    raiseFailure("the arguments cannot be encoded", name);
  const uint32_t mark = htonl(kLastFragment | static_cast<uint32_t>(message.size() - 4));
  std::memcpy(message.data(), &mark, sizeof mark);
  sendAll(message, deadline, name);

  const std::string reply = receiveRecord(maxReplySize, deadline, name);
  if (reply.size() < kReplyHeaderWords * 4 || wordAt(reply.data()) != xid ||
      wordAt(reply.data() + 4) != kReply)
    raiseFailure("the instrument's reply is not the answer to the call", name);
  if (wordAt(reply.data() + 8) != kAccepted) raiseFailure("the instrument refused the call", name);
  const size_t verifierEnd =
      kReplyHeaderWords * 4 + ((size_t{wordAt(reply.data() + 16)} + 3) & ~size_t{3});
  if (reply.size() < verifierEnd + 4) raiseFailure("the instrument's reply is cut short", name);
  if (wordAt(reply.data() + verifierEnd) != kSuccess)
    raiseFailure("the instrument does not serve this call (RPC status " +
                     std::to_string(wordAt(reply.data() + verifierEnd)) + ")",
                 name);
  XDR decoder;
  const size_t resultAt = verifierEnd + 4;
  xdrmem_create(&decoder, const_cast<char*>(reply.data() + resultAt),
                static_cast<u_int>(reply.size() - resultAt), XDR_DECODE);
  if (!decodeResult(&decoder, result))
    raiseFailure("the instrument's reply cannot be decoded", name);
}

}  // namespace trv3::io
