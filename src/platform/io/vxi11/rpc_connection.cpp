#include "platform/io/vxi11/rpc_connection.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
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
// Input read ahead of the record: enough for every short reply.
constexpr size_t kStagingSize = size_t{64} << 10;

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
      address_(std::move(address)),
      staged_(new char[kStagingSize]) {}

void RpcConnection::raiseFailure(const std::string& what) const {
  raiseIoError(status::IoFailure, std::string(name_) + " failed: " + what, address_);
}

void RpcConnection::waitFor(short events, const Deadline& deadline) {
  const int error = waitUntilReady(socket_.get(), events, deadline);
  if (error == ETIMEDOUT)
    raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
  if (error != 0)
    raiseIoError(status::ConnectionLost,
                 std::string("connection to the instrument lost during ") + name_ + ": " +
                     std::strerror(error),
                 address_);
}

void RpcConnection::sendAll(const std::string& bytes, const Deadline& deadline) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t done =
        ::send(socket_.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (done > 0) {
      sent += static_cast<size_t>(done);
    } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      waitFor(POLLOUT, deadline);
    } else if (done < 0 && errno != EINTR) {
      raiseIoError(status::ConnectionLost,
                   std::string("connection closed by the instrument during ") + name_, address_);
    }
  }
}

size_t RpcConnection::receiveSome(char* into, size_t size, const Deadline& deadline) {
  for (;;) {
    const ssize_t got = ::recv(socket_.get(), into, size, 0);
    if (got > 0) return static_cast<size_t>(got);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      waitFor(POLLIN, deadline);
    else if (got == 0 || errno != EINTR)
      raiseIoError(status::ConnectionLost,
                   std::string("connection closed by the instrument during ") + name_, address_);
  }
}

void RpcConnection::readStream(char* into, size_t size, const Deadline& deadline) {
  while (size > 0) {
    size_t taken = 0;
    if (stagedBegin_ < stagedEnd_) {
      taken = std::min(size, stagedEnd_ - stagedBegin_);
      if (into) std::memcpy(into, staged_.get() + stagedBegin_, taken);
      stagedBegin_ += taken;
    } else if (into && size >= kStagingSize) {
      taken = receiveSome(into, size, deadline);  // large pieces skip the staging
    } else {
      stagedEnd_ = receiveSome(staged_.get(), kStagingSize, deadline);
      stagedBegin_ = 0;
      continue;
    }
    if (into) into += taken;
    size -= taken;
  }
}

void RpcConnection::nextFragment(const Deadline& deadline) {
  if (lastFragment_) raiseFailure("the instrument's reply is cut short");
  char mark[4];
  readStream(mark, sizeof mark, deadline);
  const uint32_t header = wordAt(mark);
  lastFragment_ = (header & kLastFragment) != 0;
  fragmentLeft_ = header & ~kLastFragment;
  if (fragmentLeft_ > recordAllowance_)
    raiseFailure("the reply holds more than " + std::to_string(maxReplySize_) + " bytes");
  recordAllowance_ -= fragmentLeft_;
}

void RpcConnection::readResult(char* into, size_t size, const Deadline& deadline) {
  while (size > 0) {
    if (fragmentLeft_ == 0) {
      nextFragment(deadline);
      continue;
    }
    const size_t take = std::min(size, fragmentLeft_);
    readStream(into, take, deadline);
    if (into) into += take;
    size -= take;
    fragmentLeft_ -= take;
  }
}

uint32_t RpcConnection::readResultWord(const Deadline& deadline) {
  char word[4];
  readResult(word, sizeof word, deadline);
  return wordAt(word);
}

void RpcConnection::finishReply(const Deadline& deadline) {
  while (!recordEnded()) {
    if (fragmentLeft_ == 0) nextFragment(deadline);
    readResult(nullptr, fragmentLeft_, deadline);
  }
  replyPending_ = false;
}

void RpcConnection::startCall(uint32_t procedure, const char* name, xdrproc_t encodeArguments,
                              const void* arguments, size_t maxReplySize,
                              const Deadline& deadline) {
  name_ = name;
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
  if (!encodeArguments(&encoder, argumentData)) raiseFailure("the arguments cannot be encoded");
  const uint32_t mark = htonl(kLastFragment | static_cast<uint32_t>(message.size() - 4));
  std::memcpy(message.data(), &mark, sizeof mark);
  replyPending_ = true;
  sendAll(message, deadline);

  maxReplySize_ = recordAllowance_ = maxReplySize;
  fragmentLeft_ = 0;
  lastFragment_ = false;
  if (readResultWord(deadline) != xid || readResultWord(deadline) != kReply)
    raiseFailure("the instrument's reply is not the answer to the call");
  if (readResultWord(deadline) != kAccepted) raiseFailure("the instrument refused the call");
  readResultWord(deadline);  // the verifier's flavour; its body is skipped
  readResult(nullptr, (size_t{readResultWord(deadline)} + 3) & ~size_t{3}, deadline);
  if (const uint32_t status = readResultWord(deadline); status != kSuccess)
    raiseFailure("the instrument does not serve this call (RPC status " + std::to_string(status) +
                 ")");
}

void RpcConnection::call(uint32_t procedure, const char* name, xdrproc_t encodeArguments,
                         const void* arguments, xdrproc_t decodeResult, void* result,
                         size_t maxReplySize, const Deadline& deadline) {
  startCall(procedure, name, encodeArguments, arguments, maxReplySize, deadline);
  std::string rest;
  while (!recordEnded()) {
    if (fragmentLeft_ == 0) nextFragment(deadline);
    const size_t at = rest.size();
    rest.resize(at + fragmentLeft_);
    readResult(rest.data() + at, fragmentLeft_, deadline);
  }
  replyPending_ = false;
  XDR decoder;
  xdrmem_create(&decoder, rest.data(), static_cast<u_int>(rest.size()), XDR_DECODE);
  if (!decodeResult(&decoder, result)) raiseFailure("the instrument's reply cannot be decoded");
}

}  // namespace trv3::io
