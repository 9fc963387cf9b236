// A whole fetch against the oscilloscope simulator, over the real I/O library: the script backend
// confirms the dialog, and every delivered code is checked against the simulator's known signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/FetchWaveform.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "simulated_signal.h"
#include "support/fake_languages.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

using testing::hostCode;
using testing::instrumentCode;
using testing::Points;

class FetchEndToEnd : public ::testing::Test {
 protected:
  FetchEndToEnd() {
    languages.add(1, {{508, "The waveform could not be read"}, {509, "(no instrument)"}},
                  "DejaVu Sans", 8);
    int32_t code = 1;
    MLocaleGen::loadLanguage(code);
    state.setInstrumentAddress(com::Variant(simulator.socketResource()));
    state.setChannelNumber(0);
    state.setPointsIndex(com::Variant(int32_t{0}));
  }
  ~FetchEndToEnd() override { MLocaleGen::releaseLanguage(); }

  std::vector<ui::ScriptUserInterface::Message> fetch(const std::string& actions) {
    std::ostringstream notices;
    ui::ScriptUserInterface userInterface(actions, notices);
    ui::ScopedUserInterface scopedUserInterface(userInterface);
    FetchWaveform(wform, wTime);
    return userInterface.messages();
  }

  // The messages the instrument received from the presence probe on.
  std::vector<std::string> receivedFromTheProbe() const {
    const auto log = simulator.loggedMessages();
    return {std::find(log.begin(), log.end(), "*idn?"), log.end()};
  }

  void expectSignalAtPhase(double phaseDegrees) const {
    const auto delivered = wform.int32Elements();
    ASSERT_EQ(delivered.size(), Points);
    for (size_t i = 0; i < Points; ++i) {
      ASSERT_EQ(delivered[i], hostCode(instrumentCode(i, phaseDegrees))) << "sample " << i;
    }
    EXPECT_DOUBLE_EQ(wTime, testing::LastSampleTime);
  }

  test::SimulatorProcess simulator{testing::SimulatedInstrument};
  SessionState& state = MGlobal::state();
  testing::FakeLanguages languages;
  RecordingClock clock;
  ScopedClock scopedClock{clock};
  com::Variant wform;
  double wTime = 0.0;
};

TEST_F(FetchEndToEnd, ConfirmedDialogDeliversTheSignalOfTheStoppedInstrument) {
  EXPECT_TRUE(fetch("points 600; ok").empty());
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(receivedFromTheProbe(),
            (std::vector<std::string>{"*idn?", ":Stop", ":WAVeform:POINts:MODE RAW",
                                      "waveform:points 600", "waveform:source  Channel1",
                                      "waveform:format byte", "waveform:preamble?",
                                      "waveform:data?"}));
  expectSignalAtPhase(0.0);
}

TEST_F(FetchEndToEnd, AcquireNewTakesOneSingleAcquisitionBetweenItsPauses) {
  EXPECT_TRUE(fetch("check; points 600; ok").empty());
  EXPECT_EQ(state.WaveFormResult(), 1);
  const auto received = receivedFromTheProbe();
  ASSERT_GE(received.size(), 6u);
  EXPECT_EQ(received[4], "waveform:source  Channel1");
  EXPECT_EQ(received[5], ":SINGLE");
  ASSERT_GE(clock.pauses.size(), 2u);
  EXPECT_EQ(std::vector<int32_t>(clock.pauses.end() - 2, clock.pauses.end()),
            (std::vector<int32_t>{300, 1000}));
  // The single acquisition moved the simulated signal on by one phase step.
  expectSignalAtPhase(36.0);
}

}  // namespace
}  // namespace trv3
