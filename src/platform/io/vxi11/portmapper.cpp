#include "platform/io/vxi11/portmapper.h"

#include <netinet/in.h>

#include "platform/io/io_status.h"
#include "platform/io/vxi11/rpc_connection.h"  // before the portmapper's protocol, which needs rpc.h
#include "platform/io/tcp_connect.h"
#include "vxi11.h"

#include <rpc/pmap_prot.h>

namespace trv3::io {

uint16_t lookupVxi11CorePort(const std::string& host, uint16_t portmapperPort,
                             const Deadline& deadline, const std::string& address) {
  RpcConnection portmapper(connectTcp(host, portmapperPort, deadline, address), PMAPPROG, PMAPVERS,
                           address);
  pmap query{DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP, 0};
  u_long port = 0;
  constexpr size_t kReplyLimit = 1024;
  portmapper.call(PMAPPROC_GETPORT, "the portmapper query", reinterpret_cast<xdrproc_t>(xdr_pmap),
                  &query, reinterpret_cast<xdrproc_t>(xdr_u_long), &port, kReplyLimit, deadline);
  if (port == 0 || port > 65535)
    raiseIoError(status::ResourceNotFound,
                 "the instrument at " + host + " offers no VXI-11 service (its portmapper knows none)",
                 address);
  return static_cast<uint16_t>(port);
}

}  // namespace trv3::io
