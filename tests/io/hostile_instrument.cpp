#include "hostile_instrument.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

#include "vxi11.h"  // before the portmapper's protocol, which needs rpc.h

#include <rpc/pmap_prot.h>

namespace trv3::io::testing {
namespace {

constexpr long kFlagEnd = 0x08;
constexpr long kReasonEnd = 0x04;
constexpr long kErrorIoTimeout = 15;
constexpr uint32_t kMaxRecvSize = 1 << 20;

uint32_t wordAt(const std::string& bytes, size_t offset) {
  uint32_t word = 0;
  std::memcpy(&word, bytes.data() + offset, 4);
  return ntohl(word);
}

std::string word(uint32_t value) {
  const uint32_t network = htonl(value);
  return std::string(reinterpret_cast<const char*>(&network), 4);
}

// Sends prefix, the reply and suffix as one stream of bytes, with the reply's pauses and cut-off.
bool play(ServerConnection& connection, const std::string& prefix, const HostileReply& reply,
          const std::string& suffix) {
  size_t sent = 0;
  auto emit = [&](std::string_view bytes) {
    while (!bytes.empty()) {
      if (sent >= reply.closeAfter) {
        connection.close();
        return false;
      }
      size_t piece = std::min(bytes.size(), reply.closeAfter - sent);
      if (reply.byteGap.count() > 0) {
        piece = 1;
        std::this_thread::sleep_for(reply.byteGap);
      }
      if (!connection.send(bytes.substr(0, piece))) return false;
      sent += piece;
      bytes.remove_prefix(piece);
    }
    return true;
  };
  if (!emit(prefix) || !emit(reply.head)) return false;
  const std::string fill(64 << 10, reply.fill);
  for (size_t left = reply.fillCount; left > 0;) {
    const size_t piece = std::min(left, fill.size());
    if (!emit(std::string_view(fill).substr(0, piece))) return false;
    left -= piece;
  }
  return emit(reply.tail) && emit(suffix);
}

// One RPC call as the server sees it: procedure and program, and the undecoded arguments.
struct Call {
  uint32_t xid = 0;
  uint32_t program = 0;
  uint32_t procedure = 0;
  std::string arguments;
};

std::optional<Call> readCall(ServerConnection& connection) {
  std::string record;
  for (bool last = false; !last;) {
    const auto mark = connection.readBytes(4);
    if (!mark) return std::nullopt;
    const uint32_t header = wordAt(*mark, 0);
    last = (header & 0x80000000u) != 0;
    const auto fragment = connection.readBytes(header & 0x7FFFFFFFu);
    if (!fragment) return std::nullopt;
    record += *fragment;
  }
  // xid, call, RPC version, program, version, procedure, then credentials and verifier.
  Call call{wordAt(record, 0), wordAt(record, 12), wordAt(record, 20), {}};
  size_t at = 24;
  for (int i = 0; i < 2; ++i) at += 8 + ((wordAt(record, at + 4) + 3) & ~3u);
  call.arguments = record.substr(at);
  return call;
}

template <class Value>
Value decode(const std::string& bytes, xdrproc_t routine) {
  Value value{};
  XDR xdr;
  xdrmem_create(&xdr, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                XDR_DECODE);
  routine(&xdr, &value);
  return value;
}

template <class Value>
std::string encode(Value value, xdrproc_t routine) {
  std::string bytes(256, '\0');
  XDR xdr;
  xdrmem_create(&xdr, bytes.data(), static_cast<u_int>(bytes.size()), XDR_ENCODE);
  routine(&xdr, &value);
  bytes.resize(xdr_getpos(&xdr));
  return bytes;
}

// Record mark and accepted-reply header for results of `resultSize` bytes.
std::string replyHeader(uint32_t xid, size_t resultSize) {
  return word(0x80000000u | static_cast<uint32_t>(24 + resultSize)) + word(xid) + word(1) +
         word(0) + word(0) + word(0) + word(0);
}

size_t padding(size_t size) { return (4 - size % 4) % 4; }

// The header of a device_read reply up to the length of its data.
std::string readReplyPrefix(uint32_t xid, size_t size, bool end = true) {
  return replyHeader(xid, 12 + size + padding(size)) + word(0) + word(end ? kReasonEnd : 0) +
         word(static_cast<uint32_t>(size));
}

uint32_t readSize(const std::string& arguments) {
  return decode<Device_ReadParms>(arguments, (xdrproc_t)xdr_Device_ReadParms).requestSize;
}

bool sendResult(ServerConnection& connection, uint32_t xid, const std::string& result) {
  return connection.send(replyHeader(xid, result.size()) + result);
}

}  // namespace

HostileInstrument::HostileInstrument(Protocol protocol, Responder responder, HostileFaults faults)
    : protocol_(protocol),
      responder_(std::move(responder)),
      faults_(faults),
      server_([this](ServerConnection& connection) {
        if (protocol_ == Protocol::RawSocket)
          serveRaw(connection);
        else
          serveVxi11(connection);
      }) {}

void HostileInstrument::serveRaw(ServerConnection& connection) {
  while (const auto command = connection.readCommand()) {
    ++writeCalls_;
    const HostileReply reply = responder_(*command);
    if (reply.size() > 0 && !play(connection, "", reply, "")) return;
  }
}

void HostileInstrument::serveVxi11(ServerConnection& connection) {
  std::string message;
  std::optional<HostileReply> pending;
  while (const auto call = readCall(connection)) {
    const auto xid = call->xid;
    bool answered = true;
    if (call->program == PMAPPROG) {
      answered = sendResult(connection, xid, word(port()));
    } else if (call->procedure == 10) {  // create_link
      Create_LinkResp link{0, 1, 0, kMaxRecvSize};
      answered = sendResult(connection, xid, encode(link, (xdrproc_t)xdr_Create_LinkResp));
    } else if (call->procedure == 11) {  // device_write
      ++writeCalls_;
      auto params = decode<Device_WriteParms>(call->arguments, (xdrproc_t)xdr_Device_WriteParms);
      const u_int taken = faults_.writesTakeNothing ? 0 : params.data.data_len;
      message.append(params.data.data_val, taken);
      if (taken == params.data.data_len && (params.flags & kFlagEnd) != 0) {
        if (!message.empty() && message.back() == '\n') message.pop_back();
        pending = responder_(message);
        message.clear();
      }
      xdr_free((xdrproc_t)xdr_Device_WriteParms, reinterpret_cast<char*>(&params));
      Device_WriteResp written{0, taken};
      answered = sendResult(connection, xid, encode(written, (xdrproc_t)xdr_Device_WriteResp));
    } else if (call->procedure == 12) {  // device_read
      ++readCalls_;
      if (faults_.readsGiveNothing) {
        answered = sendResult(connection, xid, word(0) + word(0) + word(0));
      } else if (!pending || pending->size() == 0) {
        answered = sendResult(connection, xid, word(kErrorIoTimeout) + word(0) + word(0));
      } else if (faults_.readsIgnoreRequestSize || pending->size() <= readSize(call->arguments)) {
        answered = play(connection, readReplyPrefix(xid, pending->size()), *pending,
                        std::string(padding(pending->size()), '\0'));
        pending.reset();
      } else {  // a long reply goes in pieces of the size asked for, END on the last
        std::string whole =
            pending->head + std::string(pending->fillCount, pending->fill) + pending->tail;
        const size_t piece = readSize(call->arguments);
        pending = HostileReply{whole.substr(piece), ' ', 0, {}};
        whole.resize(piece);
        answered = play(connection, readReplyPrefix(xid, piece, false),
                        HostileReply{whole, ' ', 0, {}}, std::string(padding(piece), '\0'));
      }
    } else if (call->procedure == 23 && faults_.tearDownUnanswered) {  // destroy_link
      continue;
    } else {  // device_clear, destroy_link and the rest: no error
      answered = sendResult(connection, xid, word(0));
    }
    if (!answered) return;
  }
}

}  // namespace trv3::io::testing
