// The set-up dialog's OK, Cancel and Connect buttons and its close command, played by the script
// backend on scripted sessions.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "discovery_fixture.h"

namespace trv3::testing {
namespace {

const std::string TrvIdn = "VELMORA,TRV30K2A,SN1,1.20";

using SetupDialogButtons = DialogTest;

TEST_F(SetupDialogButtons, OnlyACheckedBoxAsksForANewAcquisition) {
  addScope("FAKE::1", TrvIdn);
  auto setup = createSetup("FAKE::1");
  setup->form.showModal();  // activation fills the lists; no actions: Cancel
  state.setAcquireNew(-1);
  setup->chkDigitize.setValue(ui::Grayed);
  setup->cmdOK.userClick();
  EXPECT_EQ(state.AcquireNew(), 0);
  EXPECT_EQ(state.WaveFormResult(), 1);
}

TEST_F(SetupDialogButtons, OkAfterTypingAnAnsweringAddressCommitsTheRefilledListsInOnePress) {
  addScope("FAKE::1", TrvIdn);
  auto second = addScope("FAKE::2", "VELMORA,TRV30K4A,SN2,1.20", 4, "0");
  second->reply("CHAN3:DISP?", "ON");
  state.setPointsIndex(int32_t{1});
  auto setup = runSetup("FAKE::1", "points 600; tab 1; type FAKE::2; ok");
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::2");
  EXPECT_EQ(setup->device()->ResourceAddress(), "FAKE::2");
  // The refilled list A selected at the stored index 1, not the 600 the user saw before.
  EXPECT_EQ(state.PointCount(), 250);
  EXPECT_EQ(state.PointsIndex(), 1);
  EXPECT_EQ(state.SourceLabel(), " 1 - Off");
  EXPECT_EQ(setup->cboChannel.listCount(), 4);
}

TEST_F(SetupDialogButtons, ChannelRememberedFromABiggerInstrumentDoesNotLockTheUserOut) {
  addScope("FAKE::1", TrvIdn);
  state.setChannelNumber(3);
  runSetup("FAKE::1", "ok");
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.ChannelNumber(), 0);
  EXPECT_EQ(state.SourceLabel(), " 1 - On");
}

TEST_F(SetupDialogButtons, OkWithoutAnAnsweringInstrumentKeepsTheDialogOpen) {
  addScope("FAKE::1", TrvIdn);
  auto setup = runSetup("FAKE::1", "tab 1; type TCPIP::10.9.9.9::INSTR; ok");
  EXPECT_EQ(messages(), std::vector<std::string>{"Unable to communicate with instrument"});
  EXPECT_EQ(setup->txtAddress.text(), "No Instrument Selected");
  EXPECT_EQ(setup->SSTab1.tab(), 1);
  // The actions were used up with the dialog still open, so Cancel ended it.
  EXPECT_EQ(state.WaveFormResult(), 2);
  EXPECT_EQ(notices(), "message: Unable to communicate with instrument\n");
}

TEST_F(SetupDialogButtons, OkAfterTypingAnInstrumentThatFailsItsSetUpNeverCommitsIt) {
  addScope("FAKE::1", TrvIdn);
  addScope("FAKE::2", TrvIdn)->fail("CHAN1:DISP?");
  auto setup = runSetup("FAKE::1", "tab 1; type FAKE::2; ok");
  EXPECT_EQ(messages(), std::vector<std::string>{"Unusable answers: FAKE::2"});
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(state.WaveFormResult(), 2);
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(setup->SSTab1.tab(), 1);
}

TEST_F(SetupDialogButtons, OkWithNothingSelectedStillCommits) {
  addScope("FAKE::1", TrvIdn);
  auto setup = createSetup("FAKE::1");
  setup->form.showModal();
  state.setPointCount(int32_t{250});
  setup->cboChannel.setListIndex(-1);
  setup->cboPoints.setListIndex(-1);
  setup->cmdOK.userClick();
  EXPECT_EQ(state.ChannelNumber(), -1);
  EXPECT_EQ(state.PointsIndex(), -1);
  EXPECT_EQ(state.PointCount(), 250);
  EXPECT_EQ(state.SourceLabel(), "");
  EXPECT_EQ(state.WaveFormResult(), 1);
}

TEST_F(SetupDialogButtons, CancelAbandonsAndKeepsTheSession) {
  addScope("FAKE::1", TrvIdn);
  state.setSourceLabel("before");
  auto setup = runSetup("FAKE::1", "channel 2; cancel");
  EXPECT_EQ(state.WaveFormResult(), 2);
  EXPECT_EQ(state.SourceLabel(), "before");
  EXPECT_NE(setup->device(), nullptr);
  EXPECT_FALSE(setup->form.isVisible());
}

TEST_F(SetupDialogButtons, CloseCommandUnloadsWithTheResultUnchanged) {
  addScope("FAKE::1", TrvIdn);
  auto setup = runSetup("FAKE::1", "close");
  EXPECT_FALSE(setup->form.isLoaded());
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(state.WaveFormResult(), 2);
}

class SetupDialogConnect : public SetupDialogButtons {
 protected:
  DiscoveredInstruments discovered;
};

TEST_F(SetupDialogConnect, PickedInstrumentIsOpenedAndTheSetupDialogShownAgain) {
  addScope("FAKE::1", TrvIdn);
  addScope("FAKE::2", "VELMORA,TRV30K4A,SN2,1.20", 4, "1");
  discovered.add("FAKE::2", "VELMORA,TRV30K4A,SN2,1.20");
  state.setPointsIndex(int32_t{3});
  auto setup = runSetup("FAKE::1", "connect; pick FAKE::2; ok; channel 3; ok");
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::2");
  EXPECT_EQ(state.SourceLabel(), " 3 - On");
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_EQ(setup->device()->ResourceAddress(), "FAKE::2");
  // Both displays of the set-up dialog checked the mode.
  EXPECT_EQ(clock.pauses, (std::vector<int32_t>{1000, 1000}));
}

TEST_F(SetupDialogConnect, CancelledConnectDialogReopensTheCurrentAddress) {
  addScope("FAKE::1", TrvIdn);
  auto setup = runSetup("FAKE::1", "connect; cancel; ok");
  EXPECT_EQ(instruments.opened["FAKE::1"], 2);
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::1");
}

TEST_F(SetupDialogConnect, CancelledConnectWithoutAnAddressLeavesTheDialogAsItWas) {
  auto setup = runSetup("", "connect; close; cancel");
  EXPECT_EQ(instruments.opened["No Instrument Selected"], 1);
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(state.WaveFormResult(), 2);
}

TEST_F(SetupDialogConnect, CancelAfterASuccessfulConnectGivesNoWaveform) {
  addScope("FAKE::2", TrvIdn);
  discovered.add("FAKE::2", TrvIdn);
  auto setup = runSetup("", "connect; pick 1; ok; cancel");
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::2");
  EXPECT_EQ(state.WaveFormResult(), 2);
  EXPECT_FALSE(setup->form.isVisible());
}

TEST_F(SetupDialogConnect, UsedUpActionsInsideTheNestedDisplaysEndEveryOne) {
  addScope("FAKE::1", TrvIdn);
  auto setup = runSetup("FAKE::1", "connect");
  EXPECT_FALSE(setup->form.isVisible());
  EXPECT_EQ(state.WaveFormResult(), 2);
}

}  // namespace
}  // namespace trv3::testing
