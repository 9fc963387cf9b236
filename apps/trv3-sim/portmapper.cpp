#include "portmapper.h"

#include <netinet/in.h>
#include <rpc/pmap_prot.h>

#include <stdexcept>

#include "vxi11.h"

namespace trv3::sim {
namespace {

// XDR routines have differing signatures behind the one xdrproc_t type.
template <typename Routine>
xdrproc_t xdrRoutine(Routine routine) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(routine));
}

// The dispatch function has no context argument; one portmapper serves the process.
PortAssignments servedPorts{};

void dispatch(svc_req* request, SVCXPRT* transport) {
  switch (request->rq_proc) {
    case PMAPPROC_NULL:
      svc_sendreply(transport, xdrRoutine(xdr_void), nullptr);
      return;
    case PMAPPROC_GETPORT: {
      pmap query{};
      if (!svc_getargs(transport, xdrRoutine(xdr_pmap),
                       reinterpret_cast<caddr_t>(&query))) {
        svcerr_decode(transport);
        return;
      }
      u_long port = lookUpPort(servedPorts, query.pm_prog, query.pm_vers, query.pm_prot);
      svc_sendreply(transport, xdrRoutine(xdr_u_long),
                    reinterpret_cast<caddr_t>(&port));
      svc_freeargs(transport, xdrRoutine(xdr_pmap),
                   reinterpret_cast<caddr_t>(&query));
      return;
    }
    default:
      svcerr_noproc(transport);
  }
}

}  // namespace

uint16_t lookUpPort(const PortAssignments& ports, unsigned long program, unsigned long version,
                    unsigned long protocol) {
  if (program == PMAPPROG && version == PMAPVERS &&
      (protocol == IPPROTO_TCP || protocol == IPPROTO_UDP)) {
    return ports.portmapper;
  }
  if (protocol != IPPROTO_TCP) return 0;
  if (program == DEVICE_CORE && version == DEVICE_CORE_VERSION) return ports.core;
  if (program == DEVICE_ASYNC && version == DEVICE_ASYNC_VERSION) return ports.async;
  return 0;
}

void servePortmapper(SVCXPRT* tcp, SVCXPRT* udp, const PortAssignments& ports) {
  servedPorts = ports;
  if (!svc_reg(tcp, PMAPPROG, PMAPVERS, dispatch, nullptr) ||
      !svc_reg(udp, PMAPPROG, PMAPVERS, dispatch, nullptr)) {
    throw std::runtime_error("cannot register the portmapper");
  }
}

}  // namespace trv3::sim
