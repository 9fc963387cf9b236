// The connect dialog around the discovery control.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/FConnect.h"
#include "discovery_fixture.h"

namespace trv3::testing {
namespace {

class ConnectDialog : public DialogTest {
 protected:
  std::unique_ptr<FConnect> createConnect() {
    auto setup = createSetup("");  // its load reads the model table
    return std::make_unique<FConnect>();
  }
  DiscoveredInstruments discovered;
};

TEST_F(ConnectDialog, InitialisationHandsTheControlLanguageModelsAndProperties) {
  auto connect = createConnect();
  const discovery::DiscoveryControl& control = connect->VlmDiscoveryCtl1.control();
  EXPECT_EQ(control.languageCode(), 1);
  EXPECT_TRUE(control.connectButtonsVisible());
  EXPECT_TRUE(control.supportedInstrumentsLabelVisible());
  const auto settings = control.Settings();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->InstrumentType(), "Oscilloscope");
  const auto models = settings->SupportedModelList();
  ASSERT_EQ(models->Count(), 10);
  EXPECT_EQ(models->Item(1), "TRV30K2A");
  EXPECT_EQ(models->Item("TRV31R2B"), "TRV31R2B");
  EXPECT_EQ(connect->form.caption(), "Connect to Oscilloscope");
  EXPECT_EQ(connect->cmdOK.caption(), "&Close");
  EXPECT_EQ(connect->cmdCancel.caption(), "&Cancel");
  EXPECT_EQ(connect->form.font().name, "DejaVu Sans");
  EXPECT_EQ(connect->cmdOK.font().name, "DejaVu Sans");
  EXPECT_EQ(connect->form.geometry().width, 8310);
  EXPECT_EQ(connect->VlmDiscoveryCtl1.className(), "VlmDiscovery.VlmDiscoveryCtl");
  EXPECT_EQ(connect->VlmDiscoveryCtl1.object<discovery::DiscoveryControl>().get(), &control);
}

TEST_F(ConnectDialog, CountryCodeZeroGivesTheControlLanguageOne) {
  state.setCountryCode(int32_t{0});
  EXPECT_EQ(createConnect()->VlmDiscoveryCtl1.control().languageCode(), 1);
  state.setCountryCode(int32_t{49});
  EXPECT_EQ(createConnect()->VlmDiscoveryCtl1.control().languageCode(), 49);
}

TEST_F(ConnectDialog, ModelCollectionFollowsTheTable) {
  writeModelTable("", "");
  EXPECT_EQ(createConnect()->VlmDiscoveryCtl1.control().Settings()->SupportedModelList()->Count(), 0);
  // A model listed twice is supported once; the dialog still opens.
  writeModelTable("TRV30K2A,TRV30K4A,TRV30K2A", "2,4,2");
  const auto models = createConnect()->VlmDiscoveryCtl1.control().Settings()->SupportedModelList();
  EXPECT_EQ(models->items(), (std::vector<std::string>{"TRV30K2A", "TRV30K4A"}));
}

TEST_F(ConnectDialog, CloseWithASelectionStoresItsAddress) {
  discovered.add("GPIB::7", "VELMORA,TRV30K2A,SN1,1.20");
  auto connect = createConnect();
  state.setInstrumentAddress("FAKE::1");
  state.setSourceLabel(" 2 - On");
  state.setPointsIndex(int32_t{3});
  play("pick GPIB::7; ok");
  connect->form.showModal();
  EXPECT_EQ(state.InstrumentAddress(), "GPIB::7");
  EXPECT_EQ(state.SourceLabel(), " 1");
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_FALSE(connect->form.isLoaded());
}

TEST_F(ConnectDialog, CloseWithoutASelectionAndCancelChangeNothing) {
  discovered.add("GPIB::7", "VELMORA,TRV30K2A,SN1,1.20");
  for (const char* script : {"ok", "pick 1; cancel", "pick 1; close"}) {
    auto connect = createConnect();
    state.setInstrumentAddress("FAKE::1");
    state.setSourceLabel(" 2 - On");
    state.setPointsIndex(int32_t{3});
    play(script);
    connect->form.showModal();
    EXPECT_EQ(state.InstrumentAddress(), "FAKE::1") << script;
    EXPECT_EQ(state.SourceLabel(), " 2 - On") << script;
    EXPECT_EQ(state.PointsIndex(), 3) << script;
    EXPECT_FALSE(connect->form.isLoaded()) << script;
  }
}

TEST_F(ConnectDialog, UnsupportedInstrumentCannotBePicked) {
  discovered.add("TCPIP::a::INSTR", "ACME,X1,SN1,1.0");
  discovered.add("TCPIP::b::INSTR", "VELMORA,LX999,SN2,1.0");
  auto connect = createConnect();
  state.setInstrumentAddress("FAKE::1");
  play("pick 2; ok");
  connect->form.showModal();
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::1");
  EXPECT_EQ(notices(),
            "trv3: instrument 2 cannot be picked; found: TCPIP::a::INSTR (unsupported), TCPIP::b::INSTR (unsupported)\n");
}

}  // namespace
}  // namespace trv3::testing
