// VXI-11 replies as the instrument encodes them, decoded by the core channel's XDR routines; the
// first byte picks the procedure whose reply the rest is taken for.
#include <rpc/rpc.h>

#include <array>
#include <vector>

#include "fuzz_target.h"
#include "vxi11.h"

namespace {

template <class Reply>
void decode(xdrproc_t routine, std::span<const uint8_t> bytes) {
  std::vector<char> copy(bytes.begin(), bytes.end());
  XDR stream;
  xdrmem_create(&stream, copy.data(), static_cast<u_int>(copy.size()), XDR_DECODE);
  Reply reply{};
  const bool decoded = routine(&stream, &reply);
  // A read reply never claims more data than the message carried.
  if constexpr (std::is_same_v<Reply, Device_ReadResp>) {
    if (decoded && reply.data.data_len > copy.size()) __builtin_trap();
  }
  xdr_free(routine, reinterpret_cast<char*>(&reply));
  xdr_destroy(&stream);
}

}  // namespace

TRV3_FUZZ_TARGET(vxi11_reply) {
  if (input.empty()) return;
  const auto body = input.subspan(1);
  switch (input[0] % 5) {
    case 0: return decode<Device_ReadResp>(reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp), body);
    case 1: return decode<Create_LinkResp>(reinterpret_cast<xdrproc_t>(xdr_Create_LinkResp), body);
    case 2: return decode<Device_WriteResp>(reinterpret_cast<xdrproc_t>(xdr_Device_WriteResp), body);
    case 3: return decode<Device_ReadStbResp>(reinterpret_cast<xdrproc_t>(xdr_Device_ReadStbResp), body);
    default: return decode<Device_Error>(reinterpret_cast<xdrproc_t>(xdr_Device_Error), body);
  }
}
