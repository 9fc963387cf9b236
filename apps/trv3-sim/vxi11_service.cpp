#include "vxi11_service.h"

#include <poll.h>
#include <rpc/rpc_com.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "portmapper.h"
#include "socket_util.h"
#include "vxi11.h"

// Dispatchers of the rpcgen server skeleton.
extern "C" void device_core_1(struct svc_req* request, SVCXPRT* transport);
extern "C" void device_async_1(struct svc_req* request, SVCXPRT* transport);

namespace trv3::sim {
namespace {

Vxi11Service* activeService = nullptr;

// Replies of the core channel leave in writes of this size: a block of several megabytes in tens
// of writes rather than hundreds of the default size, while the client already reads the first.
constexpr u_int kCoreSendSize = 256 << 10;

// The longest RPC request taken: a device_write of the longest message and its headers. Setting it
// also makes tirpc read connections without blocking, so that a client that sends half a request
// holds neither the other clients nor the simulator's end.
constexpr int kLongestRequest = vxi11::kLongestMessage + (64 << 10);

// A transport on a socket of `type` bound to the endpoint, sending in pieces of `sendSize` (0: the
// default); tirpc takes the socket over and closes it with the transport.
SVCXPRT* rpcTransport(const Endpoint& endpoint, int type, u_int sendSize = 0) {
  UniqueFd fd = bindSocket(endpoint, type);
  SVCXPRT* transport = type == SOCK_STREAM ? svc_vc_create(fd.get(), sendSize, 0)
                                           : svc_dg_create(fd.get(), 0, 0);
  if (!transport) throw std::runtime_error("cannot create an RPC transport");
  fd.release();
  return transport;
}

void destroyTransport(SVCXPRT*& transport) {
  if (transport) svc_destroy(transport);
  transport = nullptr;
}

}  // namespace

Vxi11Service::Vxi11Service(Instrument& instrument, const std::string& host, uint16_t portmapPort)
    : links_(instrument, stop_) {
  if (activeService) throw std::logic_error("one VXI-11 service per process");
  int longestRequest = kLongestRequest;
  if (!rpc_control(RPC_SVC_CONNMAXREC_SET, &longestRequest)) {
    throw std::runtime_error("cannot bound the RPC requests");
  }
  try {
    core_ = rpcTransport({host, 0}, SOCK_STREAM, kCoreSendSize);
    async_ = rpcTransport({host, 0}, SOCK_STREAM);
    portmapTcp_ = rpcTransport({host, portmapPort}, SOCK_STREAM);
    portmapUdp_ = rpcTransport({host, portmapPort}, SOCK_DGRAM);
    asyncPort_ = boundPort(async_->xp_fd);
    if (!svc_reg(core_, DEVICE_CORE, DEVICE_CORE_VERSION, device_core_1, nullptr) ||
        !svc_reg(async_, DEVICE_ASYNC, DEVICE_ASYNC_VERSION, device_async_1, nullptr)) {
      throw std::runtime_error("cannot register the VXI-11 programs");
    }
    servePortmapper(portmapTcp_, portmapUdp_,
                    {boundPort(portmapTcp_->xp_fd), boundPort(core_->xp_fd), asyncPort_});
  } catch (...) {
    destroyTransport(core_);
    destroyTransport(async_);
    destroyTransport(portmapTcp_);
    destroyTransport(portmapUdp_);
    throw;
  }
  activeService = this;
}

Vxi11Service::~Vxi11Service() {
  stop();
  destroyTransport(core_);
  destroyTransport(async_);
  destroyTransport(portmapTcp_);
  destroyTransport(portmapUdp_);
  activeService = nullptr;
}

Vxi11Service& Vxi11Service::active() { return *activeService; }

void Vxi11Service::start() { thread_ = std::thread([this] { serve(); }); }

void Vxi11Service::stop() {
  stop_.raise();
  if (thread_.joinable()) thread_.join();
}

// tirpc's own svc_run cannot be told to end; this loop polls the same descriptors plus the stop
// signal. svc_getreq_poll must only count ready descriptors of tirpc's table. tirpc closes a
// connection that its client ended within that call and takes it out of its table; the links of
// such connections go with it, before a later call could reuse its descriptor for a new one.
void Vxi11Service::serve() {
  std::vector<pollfd> fds;
  while (!stop_.raised()) {
    fds.assign(svc_pollfd, svc_pollfd + svc_max_pollfd);
    fds.push_back({stop_.pollFd(), POLLIN, 0});
    const int ready = ::poll(fds.data(), fds.size(), -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds.back().revents != 0) return;
    svc_getreq_poll(fds.data(), ready);
    std::vector<int> openConnections;
    for (int i = 0; i < svc_max_pollfd; ++i) openConnections.push_back(svc_pollfd[i].fd);
    links_.dropLinksOfClosedConnections(openConnections);
  }
}

}  // namespace trv3::sim
