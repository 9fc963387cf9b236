// Small POSIX socket helpers shared by the raw-socket and the VXI-11 servers.
#pragma once

#include <cstdint>
#include <string_view>

#include "config.h"
#include "platform/io/unique_fd.h"

namespace trv3::sim {

using io::UniqueFd;

// A socket of `type` (SOCK_STREAM listening, or SOCK_DGRAM) bound to an IPv4 endpoint; the host
// may be a name such as "localhost". Throws std::runtime_error naming the endpoint.
UniqueFd bindSocket(const Endpoint& endpoint, int type);

uint16_t boundPort(int fd);

// Sends everything, without SIGPIPE; false when the peer has gone.
bool sendAll(int fd, std::string_view bytes);

}  // namespace trv3::sim
