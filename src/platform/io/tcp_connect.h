// Opens a TCP connection within a time limit: name lookup, then a non-blocking connect to each
// address of the host in turn.
#pragma once

#include <cstdint>
#include <string>

#include "platform/io/deadline.h"
#include "platform/io/unique_fd.h"

namespace trv3::io {

// Returns a connected, non-blocking socket with TCP_NODELAY set. Failures name the host and the
// address of the resource: host not found, connection refused, time-out.
UniqueFd connectTcp(const std::string& host, uint16_t port, const Deadline& deadline,
                    const std::string& address);

}  // namespace trv3::io
