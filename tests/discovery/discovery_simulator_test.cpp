// The control's real sources against oscilloscope simulators on 127.0.0.1, configured through the
// user's settings in a temporary configuration folder.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fake_sources.h"
#include "platform/discovery/discovery_control.h"
#include "platform/settings/settings_store.h"
#include "support/simulator_process.h"
#include "support/temp_config_home.h"

namespace trv3::discovery {
namespace {

using namespace std::chrono_literals;
using test::SimulatorProcess;
using testing::addressesOf;
using testing::settingsFor;

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";
constexpr auto Generous = 30s;

// An address on 127.0.0.1 whose port refuses connections: bound for a moment, then let go.
std::string refusedAddress() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
  EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::close(fd);
  return "TCPIP::127.0.0.1::" + std::to_string(ntohs(address.sin_port)) + "::SOCKET";
}

class DiscoverySimulatorTest : public ::testing::Test {
 protected:
  trv3::testing::TempConfigHome configHome_;
};

TEST_F(DiscoverySimulatorTest, FindsASupportedAndAnUnsupportedSimulatorAndPicksOnlyTheFirst) {
  SimulatorProcess supported({"--model", "TRV30K2A", "--serial", "SN-A"});
  SimulatorProcess unsupported({"--idn", "VELMORA,XS-9000,SN-B,01.00"});
  settings::SaveSetting(AppName, "Discovery", "Addresses", supported.socketResource());
  // The address used last is looked at as well.
  settings::SaveSetting(AppName, "TRV3 series", "Addr", unsupported.socketResource());

  DiscoveryControl control;
  const auto settings = settingsFor({"TRV30K2A", "TRV30K4A"});
  control.setSettings(settings);
  ASSERT_TRUE(control.waitForSearch(Generous));

  const std::vector<FoundInstrument> found = control.instruments();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].resourceAddress, supported.socketResource());
  EXPECT_EQ(found[0].maker, "VELMORA");
  EXPECT_EQ(found[0].model, "TRV30K2A");
  EXPECT_EQ(found[0].serialNumber, "SN-A");
  EXPECT_TRUE(found[0].supported);
  EXPECT_EQ(found[1].resourceAddress, unsupported.socketResource());
  EXPECT_EQ(found[1].model, "XS-9000");
  EXPECT_FALSE(found[1].supported);

  EXPECT_FALSE(control.select(1));
  ASSERT_TRUE(control.select(0));
  const io::IoSessionRef picked = settings->SelectedInstrument();
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->ResourceAddress(), supported.socketResource());
  // Its first exchange opens a session of its own.
  EXPECT_EQ(picked->QueryText("*IDN?").rfind("VELMORA,TRV30K2A,SN-A,", 0), 0u);
}

TEST_F(DiscoverySimulatorTest, RefusedAddressEndsItsProbeAtOnce) {
  SimulatorProcess simulator({"--model", "TRV30K4A"});
  settings::SaveSetting(AppName, "Discovery", "Addresses",
                        refusedAddress() + ";" + simulator.socketResource());
  // The search's own bound lies far beyond the wait: only probes that end by themselves let the
  // search end within it.
  DiscoveryControl control(10 * Generous);
  control.setSettings(settingsFor({"TRV30K4A"}));
  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_EQ(addressesOf(control), std::vector<std::string>{simulator.socketResource()});
}

TEST_F(DiscoverySimulatorTest, SilentInstrumentDoesNotHoldTheSearchBeyondItsBound) {
  SimulatorProcess silent({"--fault", "*IDN?=silent"});
  SimulatorProcess answering({"--model", "TRV31R2B"});
  settings::SaveSetting(AppName, "Discovery", "Addresses",
                        silent.socketResource() + ";" + answering.socketResource());
  DiscoveryControl control(1s);
  control.setSettings(settingsFor({"TRV31R2B"}));
  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_FALSE(control.busy());
  EXPECT_EQ(addressesOf(control), std::vector<std::string>{answering.socketResource()});
}

}  // namespace
}  // namespace trv3::discovery
