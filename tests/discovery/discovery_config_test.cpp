#include "platform/discovery/discovery_config.h"

#include <gtest/gtest.h>

#include "platform/settings/settings_store.h"
#include "support/temp_config_home.h"

namespace trv3::discovery {
namespace {

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";

TEST(AddressesToProbe, SplitsTrimsAndDropsEmptyAndRepeatedEntries) {
  EXPECT_EQ(addressesToProbe(" TCPIP::a::INSTR ;;tcpip::A::instr; GPIB::7 ;", ""),
            (std::vector<std::string>{"TCPIP::a::INSTR", "GPIB::7"}));
  EXPECT_TRUE(addressesToProbe("", "").empty());
  EXPECT_TRUE(addressesToProbe(" ; ;", " ").empty());
}

TEST(AddressesToProbe, RememberedAddressComesLastUnlessListed) {
  EXPECT_EQ(addressesToProbe("GPIB::7", "TCPIP::b::INSTR"),
            (std::vector<std::string>{"GPIB::7", "TCPIP::b::INSTR"}));
  EXPECT_EQ(addressesToProbe("GPIB::7;TCPIP::b::INSTR", "gpib::7"),
            (std::vector<std::string>{"GPIB::7", "TCPIP::b::INSTR"}));
  EXPECT_EQ(addressesToProbe("", "GPIB::7"), std::vector<std::string>{"GPIB::7"});
}

TEST(AddressesToProbe, CountIsBounded) {
  std::string many;
  for (int i = 0; i < 40; ++i) many += "GPIB::" + std::to_string(i) + ";";
  const auto addresses = addressesToProbe(many, "GPIB::99");
  ASSERT_EQ(addresses.size(), MaxConfiguredAddresses + 1);
  EXPECT_EQ(addresses.front(), "GPIB::0");
  EXPECT_EQ(addresses.back(), "GPIB::99") << "the remembered address is probed all the same";
}

TEST(AddressesToProbe, UsbAddressesAreLeftToTheUsbSourceInEverySpelling) {
  EXPECT_EQ(withoutUsbAddresses({"USB::0x0957::0x1796::SN1::INSTR", "TCPIP::h::INSTR",
                                 "usb0::2391::6038::SN1::0::INSTR", "USB1::0x0957::0x1796::SN1::INSTR",
                                 "not an address"}),
            (std::vector<std::string>{"TCPIP::h::INSTR", "not an address"}));
}

// The user's settings in a configuration folder of the test's own.
class DiscoveryConfigTest : public ::testing::Test {
 protected:
  trv3::testing::TempConfigHome configHome_;
};

TEST_F(DiscoveryConfigTest, NothingConfiguredProbesNothingAndKeepsTheNetworkQuiet) {
  const DiscoveryConfig config = loadDiscoveryConfig();
  EXPECT_TRUE(config.addresses.empty());
  EXPECT_FALSE(config.networkSearch);
}

TEST_F(DiscoveryConfigTest, ReadsTheListTheRememberedAddressAndTheNetworkSwitch) {
  settings::SaveSetting(AppName, "Discovery", "Addresses", "TCPIP::127.0.0.1::5025::SOCKET;GPIB::7");
  settings::SaveSetting(AppName, "TRV3 series", "Addr", "TCPIP::127.0.0.1::INSTR");
  settings::SaveSetting(AppName, "Discovery", "NetworkSearch", "1");
  const DiscoveryConfig config = loadDiscoveryConfig();
  EXPECT_EQ(config.addresses, (std::vector<std::string>{"TCPIP::127.0.0.1::5025::SOCKET", "GPIB::7",
                                                        "TCPIP::127.0.0.1::INSTR"}));
  EXPECT_TRUE(config.networkSearch);
}

TEST_F(DiscoveryConfigTest, NetworkSwitchIsOffForAnythingButATrueValue) {
  for (const char* value : {"0", "no", "", "False"}) {
    settings::SaveSetting(AppName, "Discovery", "NetworkSearch", value);
    EXPECT_FALSE(loadDiscoveryConfig().networkSearch) << value;
  }
  settings::SaveSetting(AppName, "Discovery", "NetworkSearch", "True");
  EXPECT_TRUE(loadDiscoveryConfig().networkSearch);
}

}  // namespace
}  // namespace trv3::discovery
