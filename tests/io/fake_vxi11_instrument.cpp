#include "fake_vxi11_instrument.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "vxi11.h"

#include <rpc/pmap_prot.h>

namespace trv3::io::testing {
namespace {

// The RPC library's dispatchers carry no context: one fake instrument serves at a time.
FakeVxi11Instrument* current = nullptr;

void coreDispatcher(svc_req* request, SVCXPRT* transport) { current->dispatchCore(request, transport); }
void portmapperDispatcher(svc_req* request, SVCXPRT* transport) {
  current->dispatchPortmapper(request, transport);
}

constexpr long kErrorDeviceNotAccessible = 3;
constexpr long kErrorIoTimeout = 15;
constexpr long kFlagEnd = 0x08;
constexpr long kReasonRequestCount = 0x01;
constexpr long kReasonEnd = 0x04;

// Decodes the arguments, lets `body` fill the result, and replies unless `body` says not to.
template <class Params, class Result, class Body>
void answer(SVCXPRT* transport, xdrproc_t decode, xdrproc_t encode, Body&& body) {
  Params params{};
  if (!svc_getargs(transport, decode, reinterpret_cast<char*>(&params))) {
    svcerr_decode(transport);
    return;
  }
  Result result{};
  if (body(params, result)) svc_sendreply(transport, encode, reinterpret_cast<char*>(&result));
  svc_freeargs(transport, decode, reinterpret_cast<char*>(&params));
}

SVCXPRT* listenOnLoopback(uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("fake instrument cannot listen");
  port = ntohs(address.sin_port);
  SVCXPRT* transport = svc_vc_create(fd, 0, 0);
  if (transport == nullptr) throw std::runtime_error("fake instrument has no RPC transport");
  return transport;
}

}  // namespace

FakeVxi11Instrument::FakeVxi11Instrument(Responder responder, Vxi11Behaviour behaviour)
    : responder_(std::move(responder)), behaviour_(std::move(behaviour)) {
  current = this;
  portmapperListener_ = listenOnLoopback(portmapperPort_);
  coreListener_ = listenOnLoopback(corePort_);
  // Protocol 0: served here only, never announced to the machine's own portmapper.
  svc_register(portmapperListener_, PMAPPROG, PMAPVERS, portmapperDispatcher, 0);
  svc_register(coreListener_, DEVICE_CORE, DEVICE_CORE_VERSION, coreDispatcher, 0);
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) throw std::runtime_error("fake instrument has no pipe");
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  thread_ = std::thread([this] { serve(); });
}

FakeVxi11Instrument::~FakeVxi11Instrument() {
  const char stop = 1;
  (void)::write(wakeWrite_, &stop, 1);
  thread_.join();
  svc_unregister(PMAPPROG, PMAPVERS);
  svc_unregister(DEVICE_CORE, DEVICE_CORE_VERSION);
  svc_destroy(portmapperListener_);
  svc_destroy(coreListener_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
  current = nullptr;
}

void FakeVxi11Instrument::serve() {
  for (;;) {
    std::vector<pollfd> watched(svc_pollfd, svc_pollfd + svc_max_pollfd);
    watched.push_back({wakeRead_, POLLIN, 0});
    const int ready = ::poll(watched.data(), watched.size(), -1);
    if (ready < 0) continue;
    if (watched.back().revents != 0) return;
    watched.pop_back();
    svc_getreq_poll(watched.data(), ready);
  }
}

void FakeVxi11Instrument::timeOutReads(int count) {
  std::lock_guard lock(mutex_);
  timeOutReads_ = count;
}

void FakeVxi11Instrument::setSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

std::vector<WrittenPiece> FakeVxi11Instrument::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

std::vector<std::string> FakeVxi11Instrument::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<uint32_t> FakeVxi11Instrument::readRequestSizes() const {
  std::lock_guard lock(mutex_);
  return readRequestSizes_;
}

int FakeVxi11Instrument::links() const {
  std::lock_guard lock(mutex_);
  return links_;
}

int FakeVxi11Instrument::clears() const {
  std::lock_guard lock(mutex_);
  return clears_;
}

int FakeVxi11Instrument::destroyedLinks() const {
  std::lock_guard lock(mutex_);
  return destroyedLinks_;
}

void FakeVxi11Instrument::dispatchPortmapper(svc_req* request, SVCXPRT* transport) {
  if (request->rq_proc != PMAPPROC_GETPORT) {
    svcerr_noproc(transport);
    return;
  }
  answer<pmap, u_long>(transport, reinterpret_cast<xdrproc_t>(xdr_pmap),
                       reinterpret_cast<xdrproc_t>(xdr_u_long), [&](pmap& query, u_long& port) {
                         const bool core = query.pm_prog == DEVICE_CORE &&
                                           query.pm_vers == DEVICE_CORE_VERSION &&
                                           query.pm_prot == IPPROTO_TCP;
                         port = core && behaviour_.offersCoreChannel ? corePort_ : 0;
                         return true;
                       });
}

void FakeVxi11Instrument::dispatchCore(svc_req* request, SVCXPRT* transport) {
  std::lock_guard lock(mutex_);
  switch (request->rq_proc) {
    case create_link:
      answer<Create_LinkParms, Create_LinkResp>(
          transport, reinterpret_cast<xdrproc_t>(xdr_Create_LinkParms),
          reinterpret_cast<xdrproc_t>(xdr_Create_LinkResp), [&](Create_LinkParms& params, Create_LinkResp& link) {
            ++links_;
            link.error = params.device == behaviour_.deviceName ? 0 : kErrorDeviceNotAccessible;
            link.lid = 7;
            link.maxRecvSize = behaviour_.maxRecvSize;
            return true;
          });
      return;
    case device_write:
      answer<Device_WriteParms, Device_WriteResp>(
          transport, reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms),
          reinterpret_cast<xdrproc_t>(xdr_Device_WriteResp), [&](Device_WriteParms& params, Device_WriteResp& written) {
            const size_t taken = std::min<size_t>(params.data.data_len, behaviour_.acceptPerWrite);
            const bool end = (params.flags & kFlagEnd) != 0 && taken == params.data.data_len;
            writes_.push_back({std::string(params.data.data_val, params.data.data_len),
                               (params.flags & kFlagEnd) != 0});
            input_.append(params.data.data_val, taken);
            if (end) {
              messages_.push_back(input_);
              output_ += responder_(input_);
              input_.clear();
            }
            written.size = taken;
            return true;
          });
      return;
    case device_read: {
      std::string piece;
      answer<Device_ReadParms, Device_ReadResp>(
          transport, reinterpret_cast<xdrproc_t>(xdr_Device_ReadParms),
          reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp), [&](Device_ReadParms& params, Device_ReadResp& read) {
            readRequestSizes_.push_back(static_cast<uint32_t>(params.requestSize));
            if (silent_) return false;
            if (timeOutReads_ > 0 || output_.empty()) {
              timeOutReads_ = std::max(0, timeOutReads_ - 1);
              read.error = kErrorIoTimeout;
              return true;
            }
            const size_t size = std::min({output_.size(), static_cast<size_t>(params.requestSize),
                                          behaviour_.givePerRead});
            piece = output_.substr(0, size);
            output_.erase(0, size);
            read.reason = output_.empty() ? kReasonEnd
                          : size == params.requestSize ? kReasonRequestCount : 0;
            read.data.data_len = static_cast<u_int>(piece.size());
            read.data.data_val = piece.data();
            return true;
          });
      return;
    }
    case device_clear:
      answer<Device_GenericParms, Device_Error>(
          transport, reinterpret_cast<xdrproc_t>(xdr_Device_GenericParms),
          reinterpret_cast<xdrproc_t>(xdr_Device_Error), [&](Device_GenericParms&, Device_Error&) {
            ++clears_;
            input_.clear();
            output_.clear();
            return true;
          });
      return;
    case destroy_link:
      answer<Device_Link, Device_Error>(transport, reinterpret_cast<xdrproc_t>(xdr_Device_Link),
                                        reinterpret_cast<xdrproc_t>(xdr_Device_Error),
                                        [&](Device_Link&, Device_Error&) {
                                          ++destroyedLinks_;
                                          return !silent_;
                                        });
      return;
    default:
      svcerr_noproc(transport);
  }
}

}  // namespace trv3::io::testing
