// Identification, mode checks, channel state and record lengths against the simulator, with the
// exact command texts it received.
#include <gtest/gtest.h>

#include "simulated_scope.h"

namespace trv3::testing {
namespace {

using Strings = std::vector<std::string>;

class SimulatedInstrument : public SimulatedScopeTest {
 protected:
  // Creates the dialog on the simulator (it opens and identifies at creation) and shows it with
  // no actions: activation checks the mode and fills the lists, then Cancel ends it.
  void showOn(const std::string& address) {
    setup = createSetup(address);
    setup->form.showModal();
  }

  Strings offered() const {
    Strings values;
    for (int32_t i = 0; i < setup->cboPoints.listCount(); ++i) values.push_back(setup->cboPoints.list(i));
    return values;
  }
  Strings channels() const {
    Strings entries;
    for (int32_t i = 0; i < setup->cboChannel.listCount(); ++i) entries.push_back(setup->cboChannel.list(i));
    return entries;
  }
};

TEST_F(SimulatedInstrument, TwoChannelSeriesModelAnsweringOneAndZero) {
  showOn(simulate({"--model", "TRV30K2A", "--display", "1,0"}));
  EXPECT_EQ(received(), (Strings{"*IDN?", ":acq:TYPE?", "CHAN1:DISP?", "CHAN2:DISP?", "CHAN1:DISP?", "CHAN2:DISP?"}));
  EXPECT_EQ(offered(), (Strings{"100", "150", "300", "600"}));
  EXPECT_EQ(channels(), (Strings{" 1 - On", " 2 - Off"}));
  EXPECT_EQ(clock.pauses, std::vector<int32_t>{1000});
  EXPECT_TRUE(messages().empty());
}

TEST_F(SimulatedInstrument, FourChannelModelMarksEveryChannel) {
  showOn(simulate({"--model", "TRV30K4A", "--display", "1,0,1,0"}));
  EXPECT_EQ(channels(), (Strings{" 1 - On", " 2 - Off", " 3 - On", " 4 - Off"}));
  EXPECT_EQ(received().size(), 2u + 4u + 4u);
}

TEST_F(SimulatedInstrument, DisplayAnsweredInWordsCountsButDoesNotMark) {
  showOn(simulate({"--model", "TRV30K2A", "--display-words", "--display", "1,0"}));
  // One channel on: list A. "ON" is no Boolean, so the marking stops at the first entry.
  EXPECT_EQ(offered(), (Strings{"100", "250", "500", "1000"}));
  EXPECT_EQ(channels(), (Strings{" 1", " 2"}));
  EXPECT_EQ(received(), (Strings{"*IDN?", ":acq:TYPE?", "CHAN1:DISP?", "CHAN2:DISP?", "CHAN1:DISP?"}));
}

TEST_F(SimulatedInstrument, AveragingCountDecidesTheModeCheck) {
  showOn(simulate({"--model", "TRV30K2A", "--acquire-type", "AVERage", "--acquire-count", "16"}));
  EXPECT_TRUE(setup->form.isLoaded());
  const Strings accepted = received();
  ASSERT_GE(accepted.size(), 3u);
  EXPECT_EQ(Strings(accepted.begin(), accepted.begin() + 3), (Strings{"*IDN?", ":acq:TYPE?", ":ACQuire:COUNT?"}));

  showOn(simulate({"--model", "TRV30K2A", "--acquire-type", "AVERage", "--acquire-count", "17"}));
  EXPECT_FALSE(setup->form.isLoaded());
  EXPECT_EQ(received(), (Strings{"*IDN?", ":acq:TYPE?", ":ACQuire:COUNT?"}));
  EXPECT_EQ(state.WaveFormResult(), 2);
  ASSERT_EQ(messages().size(), 1u);
}

TEST_F(SimulatedInstrument, PeakDetectionIsRefusedWithoutACountQuery) {
  showOn(simulate({"--model", "TRV30K2A", "--acquire-type", "PEAK"}));
  EXPECT_FALSE(setup->form.isLoaded());
  EXPECT_EQ(received(), (Strings{"*IDN?", ":acq:TYPE?"}));
}

TEST_F(SimulatedInstrument, ForeignMakerIsRefusedAtCreation) {
  const std::string address = simulate({"--model", "TRV30K2A", "--maker", "ACME"});
  setup = createSetup(address);
  EXPECT_EQ(messages(), Strings{"Not a supported oscilloscope: " + address});
  EXPECT_EQ(setup->SSTab1.tab(), 1);
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(received(), Strings{"*IDN?"});
}

TEST_F(SimulatedInstrument, PodModelStopsAtTheFirstDigitalBitThatIsOn) {
  writeModelTable("TRV30K2A,LX270D", "2,2");
  showOn(simulate({"--model", "LX270D", "--display-words", "--display", "1,0", "--digital", "5"}));
  EXPECT_EQ(offered(), (Strings{"100", "250", "500"}));
  const Strings log = received();
  EXPECT_EQ(Strings(log.begin() + 4, log.end() - 1),
            (Strings{"STAT? DIG0", "STAT? DIG1", "STAT? DIG2", "STAT? DIG3", "STAT? DIG4", "STAT? DIG5"}));
}

TEST_F(SimulatedInstrument, FirmwareRevisionChoosesForOtherModels) {
  writeModelTable("LX290D", "2");
  showOn(simulate({"--model", "LX290D", "--channels", "2", "--display-words", "--display", "1,1", "--firmware", "A.03.10"}));
  EXPECT_EQ(offered().size(), 8u);
  EXPECT_EQ(received().at(4), "*IDN?");

  showOn(simulate({"--model", "LX290D", "--channels", "2", "--display-words", "--display", "1,1", "--firmware", "A.02.90"}));
  EXPECT_EQ(offered(), (Strings{"100", "250", "500", "1000"}));
}

}  // namespace
}  // namespace trv3::testing
