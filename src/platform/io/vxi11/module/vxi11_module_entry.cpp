#include "vxi11_module_entry.h"

#include "platform/io/vxi11/vxi11_transport.h"

trv3::io::ByteTransport* trv3OpenVxi11Transport(const std::string& host, const std::string& deviceName,
                                                uint16_t portmapperPort,
                                                const trv3::io::Deadline& deadline,
                                                const std::string& address) {
  return trv3::io::Vxi11Transport::open(host, deviceName, portmapperPort, deadline, address).release();
}
