// The VXI-11 module's one export (see platform/io/vxi11_opener.h), a Vxi11Opener.
#pragma once

#include "platform/io/vxi11_opener.h"

extern "C" __attribute__((visibility("default"))) trv3::io::ByteTransport* trv3OpenVxi11Transport(
    const std::string& host, const std::string& deviceName, uint16_t portmapperPort,
    const trv3::io::Deadline& deadline, const std::string& address);
