// The set-up dialog's creation, activation, tab changes and address editing, on scripted sessions.
#include <gtest/gtest.h>

#include <functional>

#include "dialog_fixture.h"
#include "support/runtime_error_matchers.h"

namespace trv3::testing {
namespace {

const std::string TrvIdn = "VELMORA,TRV30K2A,SN1,1.20";

using SetupDialogLife = DialogTest;

TEST_F(SetupDialogLife, EmptyAddressOpensOnTheAddressTabWithoutTraffic) {
  auto setup = createSetup("");
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(setup->noInstrumentText(), "No Instrument Selected");
  EXPECT_EQ(setup->SSTab1.tab(), 1);
  EXPECT_TRUE(instruments.opened.empty());
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_TRUE(messages().empty());
}

TEST_F(SetupDialogLife, CreationTakesTheLanguagesFontAndCaptions) {
  auto setup = createSetup("");
  EXPECT_EQ(setup->form.caption(), "Oscilloscope Waveform Setup");
  EXPECT_EQ(setup->SSTab1.tabCaption(0), "WaveForm");
  EXPECT_EQ(setup->SSTab1.tabCaption(1), "Connect To Scope");
  EXPECT_EQ(setup->cmdConnect.caption(), "Connect to Oscilloscope");
  EXPECT_EQ(setup->cmdOK.caption(), "&Ok");
  for (const auto& control : setup->form.controls()) {
    EXPECT_EQ(control->font().name, "DejaVu Sans") << control->name();
    EXPECT_EQ(control->font().size, 8) << control->name();
  }
}

TEST_F(SetupDialogLife, OtherLanguagesCaptionsButTheCheckBoxStaysEnglish) {
  languages.add(49, {{500, "Signalform"}, {509, "Kein Gerät"}, {504, "Einstellungen"}}, "DejaVu Sans", 9);
  state.setCountryCode(int32_t{49});
  state.setAcquireNew(-1);
  auto setup = createSetup("");
  EXPECT_EQ(setup->SSTab1.tabCaption(0), "Signalform");
  // A text the component lacks comes back empty, and so does the caption.
  EXPECT_EQ(setup->lblChannel.caption(), "");
  EXPECT_EQ(setup->chkDigitize.caption(), "Always acquire new waveform");
  EXPECT_EQ(setup->chkDigitize.value(), ui::Unchecked);
  EXPECT_EQ(state.InstrumentAddress(), "Kein Gerät");
  EXPECT_EQ(setup->form.font().size, 9);
}

TEST_F(SetupDialogLife, ChannelListKeepsItsLoadEntriesWhileNoInstrumentIsOpen) {
  auto setup = createSetup("");
  ASSERT_EQ(setup->cboChannel.listCount(), 2);
  EXPECT_EQ(setup->cboChannel.list(0), " 1");
  EXPECT_EQ(setup->cboChannel.list(1), " 2");
  EXPECT_EQ(setup->cboChannel.listIndex(), 0);
}

TEST_F(SetupDialogLife, RememberedAddressThatAnswersOpensOnTheFirstTab) {
  addScope("FAKE::1", TrvIdn);
  auto setup = createSetup("FAKE::1");
  EXPECT_EQ(setup->SSTab1.tab(), 0);
  ASSERT_NE(setup->device(), nullptr);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::1");
}

TEST_F(SetupDialogLife, RememberedAddressThatDoesNotAnswerOpensOnTheAddressTab) {
  state.setPointsIndex(int32_t{3});
  state.setSourceLabel(" 2 - On");
  auto setup = createSetup("TCPIP::10.9.9.9::INSTR");
  EXPECT_EQ(setup->SSTab1.tab(), 1);
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_EQ(state.SourceLabel(), "1");
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_TRUE(messages().empty());
}

TEST_F(SetupDialogLife, InstrumentFailingAtActivationIsLetGoAndNamedWhileTheDialogStaysUsable) {
  writeModelTable("TRV30K2A,LX280A", "2,2");
  const struct {
    const char* what;
    std::function<void(ScriptedSession&)> make;
    const char* lastCommand;  // nothing is sent after it
    const char* message;
  } cases[] = {
      {"short firmware field under the revision rule",
       [](ScriptedSession& scope) {
         scope.reply("*IDN?", "VELMORA,LX280A,SN1,1.2").reply(":acq:TYPE?", "NORM");
         scope.reply("CHAN1:DISP?", "1").reply("CHAN2:DISP?", "1");
       },
       "*IDN?", "Unusable answers: FAKE::1"},
      {"failing display query",
       [](ScriptedSession& scope) { scope.reply("*IDN?", TrvIdn).reply(":acq:TYPE?", "NORM").fail("CHAN1:DISP?"); },
       "CHAN1:DISP?", "Unusable answers: FAKE::1"},
      {"silent display query",
       [](ScriptedSession& scope) { scope.reply("*IDN?", TrvIdn).reply(":acq:TYPE?", "NORM"); },
       "CHAN1:DISP?", "No answer: FAKE::1"},
      {"connection dropped at the display query",
       [](ScriptedSession& scope) {
         scope.reply("*IDN?", TrvIdn).reply(":acq:TYPE?", "NORM").fail("CHAN1:DISP?", io::status::ConnectionLost);
       },
       "CHAN1:DISP?", "No answer: FAKE::1"},
      {"silent acquisition-type query", [](ScriptedSession& scope) { scope.reply("*IDN?", TrvIdn); }, ":acq:TYPE?",
       "No answer: FAKE::1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scope = instruments.add("FAKE::1");
    c.make(*scope);
    state.setPointsIndex(int32_t{2});
    auto setup = runSetup("FAKE::1", "");  // after activation the actions are used up: Cancel
    EXPECT_EQ(messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(scope->commands.back(), c.lastCommand);
    EXPECT_EQ(setup->device(), nullptr);
    EXPECT_EQ(setup->SSTab1.tab(), 1);
    EXPECT_EQ(setup->cboPoints.listCount(), 0);
    EXPECT_EQ(setup->txtAddress.text(), "No Instrument Selected");
    EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
    EXPECT_EQ(state.PointsIndex(), 0);
  }
}

TEST_F(SetupDialogLife, AfterAFailedActivationATypedAddressIsOpenedAndConfirmed) {
  instruments.add("FAKE::1")->reply("*IDN?", TrvIdn);  // silent from the mode check on
  addScope("FAKE::2", TrvIdn);
  auto setup = runSetup("FAKE::1", "type FAKE::2; tab 0; ok");
  EXPECT_EQ(messages(), std::vector<std::string>{"No answer: FAKE::1"});
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::2");
  EXPECT_EQ(setup->device()->ResourceAddress(), "FAKE::2");
  EXPECT_EQ(state.PointCount(), 100);
}

TEST_F(SetupDialogLife, UnusableLanguageFontIsToldOnceAndEndsCreation) {
  for (const char* font : {"No Such Font Trv3", "dejavu sans"}) {
    languages.components.clear();
    languages.add(1, englishTexts(), font, 8);
    state.setCountryCode(int32_t{1});
    play("");
    state.setWaveFormResult(int32_t{1});
    EXPECT_EQ(errorNumberOf([&] { createSetup("FAKE::1"); }), rt::WrongLanguageComponent) << font;
    EXPECT_EQ(messages(), std::vector<std::string>{"ERROR: could not get correct language component    "});
    EXPECT_EQ(backend->messages().at(0).title, "vlmWFRM_TRV3");
    EXPECT_EQ(state.WaveFormResult(), 2);
    EXPECT_TRUE(instruments.opened.empty());
  }
}

TEST_F(SetupDialogLife, LeavingTheAddressTabAfterAnEditOpensTheTypedAddressOnce) {
  addScope("FAKE::1", TrvIdn);
  auto setup = createSetup("");
  setup->SSTab1.userSelectTab(0);  // from tab 1 without an edit
  EXPECT_TRUE(instruments.opened.empty());

  setup->SSTab1.userSelectTab(1);
  setup->txtAddress.userType("FAKE::1");
  EXPECT_TRUE(setup->addressEdited());
  play("");
  setup->SSTab1.userSelectTab(0);
  EXPECT_EQ(instruments.opened["FAKE::1"], 1);
  EXPECT_EQ(state.InstrumentAddress(), "FAKE::1");
  EXPECT_FALSE(setup->addressEdited());
  EXPECT_EQ(setup->txtShowAddr.text(), "FAKE::1");
  EXPECT_EQ(setup->cboPoints.listCount(), 4);
  EXPECT_EQ(backend->mousePointers(), (std::vector<int16_t>{ui::Hourglass, ui::DefaultPointer}));

  setup->SSTab1.userSelectTab(1);
  setup->SSTab1.userSelectTab(0);
  EXPECT_EQ(instruments.opened["FAKE::1"], 1);
}

TEST_F(SetupDialogLife, EnteringTheAddressTabNeverOpens) {
  auto setup = createSetup("");
  setup->SSTab1.userSelectTab(0);
  setup->txtAddress.userType("FAKE::1");
  setup->SSTab1.userSelectTab(1);
  EXPECT_TRUE(instruments.opened.empty());
  EXPECT_TRUE(setup->addressEdited());
}

TEST_F(SetupDialogLife, FailedReconnectStillClearsTheEditAndShowsTheResetAddress) {
  auto setup = createSetup("");
  setup->txtAddress.userType("TCPIP::10.9.9.9::INSTR");
  setup->SSTab1.userSelectTab(0);
  EXPECT_EQ(instruments.opened["TCPIP::10.9.9.9::INSTR"], 1);
  EXPECT_FALSE(setup->addressEdited());
  EXPECT_EQ(setup->txtAddress.text(), "No Instrument Selected");
  EXPECT_EQ(setup->cboPoints.listCount(), 0);
}

TEST_F(SetupDialogLife, FormModelCarriesTheDesignedLayout) {
  auto setup = createSetup("");
  EXPECT_EQ(setup->form.geometry().width, 4815);
  EXPECT_EQ(setup->form.geometry().height, 4080);
  EXPECT_EQ(setup->cboPoints.container(), &setup->SSTab1);
  EXPECT_EQ(setup->cboPoints.tabPage(), 0);
  EXPECT_EQ(setup->cboPoints.geometry().left, 3360);
  EXPECT_FALSE(setup->cboPoints.geometry().height.has_value());
  EXPECT_EQ(setup->txtShowAddr.container(), &setup->fraAddr);
  EXPECT_EQ(setup->txtAddress.tabPage(), 1);
  EXPECT_EQ(setup->cmdOK.container(), nullptr);
  EXPECT_EQ(setup->lblPoints.designText(), "Number of Points");
  EXPECT_EQ(setup->lblPoints.textId(), 505);
  EXPECT_FALSE(setup->chkDigitize.textId().has_value());
  EXPECT_EQ(setup->form.cancelButton(), &setup->cmdCancel);
}

}  // namespace
}  // namespace trv3::testing
