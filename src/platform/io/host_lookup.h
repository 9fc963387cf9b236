// Name lookup within a deadline. A numeric address needs no lookup; a name is looked up in the
// background and abandoned when the deadline passes, so that a resolver that hangs never holds
// up the caller.
#pragma once

#include <netdb.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/io/deadline.h"

namespace trv3::io {

struct AddrInfoFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// The stream-socket addresses of the host; raises ResourceNotFound when there is none, Timeout
// when the lookup does not finish in time.
AddrInfoList lookUpHost(const std::string& host, uint16_t port, const Deadline& deadline,
                        const std::string& address);

}  // namespace trv3::io
