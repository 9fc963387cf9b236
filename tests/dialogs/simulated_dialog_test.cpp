// The set-up and connect dialogs played by the script backend against simulators on 127.0.0.1,
// with the exact commands each received.
#include <gtest/gtest.h>

#include "platform/discovery/configured_address_source.h"
#include "simulated_scope.h"

namespace trv3::testing {
namespace {

using Strings = std::vector<std::string>;

using SimulatedDialog = SimulatedScopeTest;

TEST_F(SimulatedDialog, ConfirmedChoicesOnTheRememberedInstrument) {
  const std::string address = simulate({"--model", "TRV30K4A", "--display", "1,1,0,0"});
  auto setup = runSetup(address, "channel 2; points 300; check; ok");
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), address);
  EXPECT_EQ(state.SourceLabel(), " 2 - On");
  EXPECT_EQ(state.ChannelNumber(), 1);
  EXPECT_EQ(state.PointsIndex(), 2);
  EXPECT_EQ(state.PointCount(), 300);
  EXPECT_EQ(state.AcquireNew(), -1);
  EXPECT_EQ(received(), (Strings{"*IDN?", ":acq:TYPE?", "CHAN1:DISP?", "CHAN2:DISP?", "CHAN3:DISP?", "CHAN4:DISP?",
                                 "CHAN1:DISP?", "CHAN2:DISP?", "CHAN3:DISP?", "CHAN4:DISP?"}));
  EXPECT_TRUE(messages().empty());
}

TEST_F(SimulatedDialog, TypedAddressIsOpenedWhenTheUserLeavesTheAddressTab) {
  const std::string address = simulate({"--model", "TRV30K2A", "--display", "1,0"});
  auto setup = runSetup("", "tab 1; type " + address + "; tab 0; points 600; ok");
  EXPECT_EQ(instruments.opened[address], 1);
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), address);
  EXPECT_EQ(state.PointCount(), 600);
  // Activation ran before the address was known, so the mode was never asked.
  EXPECT_EQ(received(), (Strings{"*IDN?", "CHAN1:DISP?", "CHAN2:DISP?", "CHAN1:DISP?", "CHAN2:DISP?"}));
}

TEST_F(SimulatedDialog, PointsNotOfferedEndsWithCancel) {
  const std::string address = simulate({"--model", "TRV30K2A", "--display-words", "--display", "1,0"});
  auto setup = runSetup(address, "points 2000; ok");
  EXPECT_EQ(notices(), "trv3: points 2000 not offered; offered: 100, 250, 500, 1000\n");
  EXPECT_EQ(state.WaveFormResult(), 2);
}

// Many instruments serve one raw-socket client at a time: the set-up dialog lets its session go
// while the connect dialog searches, or the search would find the instrument busy.
TEST_F(SimulatedDialog, AnInstrumentServingOneClientIsFoundWhileItsDialogIsOpen) {
  const std::string address = simulate({"--model", "TRV30K2A", "--clients", "1"});
  const discovery::ScopedDiscoverySources sources([address] {
    discovery::DiscoverySources list;
    list.push_back(std::make_unique<discovery::ConfiguredAddressSource>(Strings{address}));
    return list;
  });
  auto setup = runSetup(address, "connect; pick " + address + "; ok; ok");
  EXPECT_EQ(notices(), "");
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(setup->device()->ResourceAddress(), address);
}

class SimulatedDiscovery : public SimulatedDialog {
 protected:
  // Two simulators on 127.0.0.1, one of a supported model and one not, found by probing their
  // configured addresses.
  SimulatedDiscovery()
      : supported(simulate({"--model", "TRV30K2A", "--display", "1,0"})),
        supportedScope(std::move(simulator)),
        unsupported(simulate({"--model", "LX250A"})),
        sources([addresses = Strings{supported, unsupported}] {
          discovery::DiscoverySources list;
          list.push_back(std::make_unique<discovery::ConfiguredAddressSource>(addresses));
          return list;
        }) {}

  std::string supported;
  std::unique_ptr<test::SimulatorProcess> supportedScope;
  std::string unsupported;
  discovery::ScopedDiscoverySources sources;
};

TEST_F(SimulatedDiscovery, PickedSupportedInstrumentBecomesTheAddress) {
  auto setup = runSetup("", "connect; pick " + supported + "; ok; ok");
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), supported);
  EXPECT_EQ(state.SourceLabel(), " 1 - On");
  EXPECT_EQ(setup->device()->ResourceAddress(), supported);
}

TEST_F(SimulatedDiscovery, UnsupportedInstrumentIsListedButCannotBePicked) {
  auto setup = runSetup("", "connect; pick " + unsupported + "; ok; ok");
  EXPECT_EQ(notices(), "trv3: instrument " + unsupported + " cannot be picked; found: " + supported + ", " +
                           unsupported + " (unsupported)\n");
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(state.WaveFormResult(), 2);
  // Discovery asked for identification only; the dialog never opened the foreign model.
  EXPECT_EQ(received(), Strings{"*IDN?"});
}

}  // namespace
}  // namespace trv3::testing
