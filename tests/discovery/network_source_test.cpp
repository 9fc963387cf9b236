#include "platform/discovery/network_source.h"

#include <gtest/gtest.h>

namespace trv3::discovery {
namespace {

// Only the mapping is tested: the network search itself sends traffic beyond the machine and
// never runs in tests.
TEST(NetworkSource, ServicesMapToAddressesTheIoLibraryOpens) {
  EXPECT_EQ(addressForService("192.168.1.5", "vxi-11", 111), "TCPIP::192.168.1.5::INSTR");
  EXPECT_EQ(addressForService("192.168.1.5", "lxi", 80), "TCPIP::192.168.1.5::INSTR");
  EXPECT_EQ(addressForService("192.168.1.5", "scpi-raw", 5025), "TCPIP::192.168.1.5::5025::SOCKET");
  EXPECT_EQ(addressForService("192.168.1.5", "hislip", 4880), std::nullopt);
  EXPECT_EQ(addressForService("192.168.1.5", "scpi-telnet", 5024), std::nullopt);
}

}  // namespace
}  // namespace trv3::discovery
