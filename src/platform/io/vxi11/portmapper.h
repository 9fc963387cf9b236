// Asks a host's portmapper (program 100000 version 2, over TCP) on which port the VXI-11 core
// channel listens.
#pragma once

#include <cstdint>
#include <string>

#include "platform/io/deadline.h"

namespace trv3::io {

// Raises ResourceNotFound when the host has no portmapper or no VXI-11 service.
uint16_t lookupVxi11CorePort(const std::string& host, uint16_t portmapperPort,
                             const Deadline& deadline, const std::string& address);

}  // namespace trv3::io
