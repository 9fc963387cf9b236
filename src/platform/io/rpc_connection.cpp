#include "platform/io/rpc_connection.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <ctime>

#include "platform/io/io_status.h"

namespace trv3::io {
namespace {

bool sigpipePending() {
  sigset_t pending;
  sigpending(&pending);
  return sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

RpcConnection::SigpipeBlocked::SigpipeBlocked() : wasPending_(sigpipePending()) {
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &previousMask_);
}

RpcConnection::SigpipeBlocked::~SigpipeBlocked() {
  // A SIGPIPE raised by our own write is taken off the thread before the old mask returns.
  if (!wasPending_ && sigpipePending()) {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    const timespec noWait{0, 0};
    sigtimedwait(&pipe, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

RpcConnection::RpcConnection(UniqueFd socket, uint32_t program, uint32_t version,
                             std::string address)
    : address_(std::move(address)) {
  // The RPC layer waits with poll itself and expects a blocking socket for its writes.
  const int flags = ::fcntl(socket.get(), F_GETFL);
  ::fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);

  sockaddr_storage peer{};
  socklen_t peerLength = sizeof peer;
  ::getpeername(socket.get(), reinterpret_cast<sockaddr*>(&peer), &peerLength);
  netbuf server{peerLength, peerLength, &peer};
  client_ = clnt_vc_create(socket.get(), &server, program, version, 0, 0);
  if (client_ == nullptr)
    raiseIoError(status::IoFailure,
                 std::string("cannot start the RPC client: ") + clnt_spcreateerror("clnt_vc_create"),
                 address_);
  clnt_control(client_, CLSET_FD_CLOSE, nullptr);
  socket.release();
}

RpcConnection::~RpcConnection() { clnt_destroy(client_); }

void RpcConnection::setTimeout(std::chrono::milliseconds timeout) {
  timeval limit{static_cast<time_t>(timeout.count() / 1000),
                static_cast<suseconds_t>((timeout.count() % 1000) * 1000)};
  clnt_control(client_, CLSET_TIMEOUT, reinterpret_cast<char*>(&limit));
}

void RpcConnection::raiseCallFailure(clnt_stat outcome, const std::string& procedure) const {
  switch (outcome) {
    case RPC_TIMEDOUT:
      raiseIoError(status::Timeout, "Timeout expired before operation completed", address_);
    case RPC_CANTSEND:
    case RPC_CANTRECV:
      raiseIoError(status::ConnectionLost,
                   "connection closed by the instrument during " + procedure, address_);
    default:
      raiseIoError(status::IoFailure, procedure + " failed: " + clnt_sperrno(outcome), address_);
  }
}

}  // namespace trv3::io
