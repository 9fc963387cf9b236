// The instrument's side of one VXI-11 connection: the client sends a call, a server thread answers
// with the input's bytes (its reply record taking the call's transaction id) and then closes. The
// first byte picks a device_read of one size, read in pieces as the transport reads it, or a short
// call decoded whole; the second the piece size. Whatever the bytes, the client ends with the
// library's run-time error or with exactly the data the reply's record held, never more than asked
// for, and it never accepts a record longer than the call allows.
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "fuzz_target.h"
#include "platform/io/vxi11/rpc_connection.h"
#include "platform/io/vxi11/vxi11_transport.h"
#include "platform/runtime/errors.h"
#include "vxi11.h"

namespace {

using trv3::io::Deadline;
using trv3::io::RpcConnection;
using trv3::io::kVxi11ReadReplySlack;
using trv3::io::kVxi11SmallReply;

constexpr uint32_t kLastFragment = 0x80000000u;
constexpr std::chrono::milliseconds kBudget{50};
constexpr std::array<size_t, 4> kReadSizes{16, 1024, size_t{1} << 20, VXI11_LARGEST_READ};

uint32_t wordAt(const uint8_t* bytes) {
  uint32_t network = 0;
  std::memcpy(&network, bytes, sizeof network);
  return ntohl(network);
}

// The input's first record as the client sees it: where each of its bytes lies in the input
// (fragments cut short by the end of the input end there) and the length its marks claim.
struct Record {
  std::vector<size_t> positions;
  size_t claimed = 0;
};

Record firstRecord(trv3::fuzz::Input stream) {
  Record record;
  for (size_t at = 0; at + 4 <= stream.size();) {
    const uint32_t mark = wordAt(stream.data() + at);
    const size_t length = mark & ~kLastFragment;
    record.claimed += length;
    at += 4;
    for (size_t i = 0; i < length && at < stream.size(); ++i) record.positions.push_back(at++);
    if (mark & kLastFragment) break;
  }
  return record;
}

// Reads the call, answers with the stream under the call's transaction id, and closes.
void serve(int socket, std::vector<uint8_t> stream, const Record& record) {
  std::array<uint8_t, 256> call{};
  size_t got = 0;
  while (got < 8) {
    const ssize_t n = ::recv(socket, call.data() + got, call.size() - got, 0);
    if (n <= 0) return;
    got += static_cast<size_t>(n);
  }
  for (size_t i = 0; i < 4 && i < record.positions.size(); ++i)
    stream[record.positions[i]] = call[4 + i];
  for (size_t sent = 0; sent < stream.size();) {
    const ssize_t n = ::send(socket, stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  ::shutdown(socket, SHUT_WR);
}

// The reply's data as the record holds it: the RPC header with its verifier, then error, reason
// and length words before the data.
size_t readDataOffset(const std::vector<uint8_t>& payload) {
  if (payload.size() < 20) __builtin_trap();  // the client read a header that was not there
  const size_t verifier = (size_t{wordAt(payload.data() + 16)} + 3) & ~size_t{3};
  return 20 + verifier + 4 + 12;
}

void readInPieces(RpcConnection& connection, size_t requestSize, size_t piece,
                  const std::vector<uint8_t>& payload, const Deadline& deadline) {
  Device_ReadParms request{};
  request.requestSize = static_cast<u_long>(requestSize);
  connection.startCall(device_read, "device_read",
                       reinterpret_cast<xdrproc_t>(xdr_Device_ReadParms), &request,
                       requestSize + kVxi11ReadReplySlack, deadline);
  connection.readResultWord(deadline);  // error
  connection.readResultWord(deadline);  // reason
  const size_t size = connection.readResultWord(deadline);
  if (size <= requestSize) {
    const size_t dataOffset = readDataOffset(payload);
    std::vector<char> buffer(piece);
    for (size_t delivered = 0; delivered < size;) {
      const size_t take = std::min(piece, size - delivered);
      connection.readResult(buffer.data(), take, deadline);
      // Every byte handed over is the record's own, in order.
      if (dataOffset + delivered + take > payload.size() ||
          std::memcmp(buffer.data(), payload.data() + dataOffset + delivered, take) != 0)
        __builtin_trap();
      delivered += take;
    }
  }
  connection.finishReply(deadline);
}

void callWhole(RpcConnection& connection, const Deadline& deadline) {
  const Device_WriteParms request{};
  Device_WriteResp reply{};
  connection.call(device_write, "device_write", reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms),
                  &request, reinterpret_cast<xdrproc_t>(xdr_Device_WriteResp), &reply,
                  kVxi11SmallReply, deadline);
}

}  // namespace

TRV3_FUZZ_TARGET(vxi11_read_stream) {
  if (input.size() < 2) return;
  const size_t mode = input[0] % (kReadSizes.size() + 1);
  const size_t piece = (input[1] & 0x80) ? size_t{64} << (10 + (input[1] & 1)) : 1 + input[1];
  const auto stream = input.subspan(2);
  const Record record = firstRecord(stream);
  std::vector<uint8_t> payload;
  for (const size_t at : record.positions) payload.push_back(stream[at]);

  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) __builtin_trap();
  ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
  std::thread server(serve, ends[1], std::vector<uint8_t>(stream.begin(), stream.end()),
                     std::cref(record));
  bool completed = false;
  try {
    RpcConnection connection(trv3::io::UniqueFd(ends[0]), DEVICE_CORE, DEVICE_CORE_VERSION,
                             "fuzz");
    const Deadline deadline(kBudget);
    if (mode < kReadSizes.size()) {
      readInPieces(connection, kReadSizes[mode], piece, payload, deadline);
    } else {
      callWhole(connection, deadline);
    }
    completed = true;
  } catch (const trv3::RuntimeError&) {
    // A refused, cut-short or late reply.
  }
  server.join();
  ::close(ends[1]);
  // A reply taken whole was all there and no longer than the call allowed.
  const size_t allowed = mode < kReadSizes.size() ? kReadSizes[mode] + kVxi11ReadReplySlack : kVxi11SmallReply;
  if (completed && (record.claimed > allowed || record.positions.size() != record.claimed))
    __builtin_trap();
}
