// A whole fetch against the oscilloscope simulator, over the real I/O library: the script backend
// confirms the dialog, and every delivered code is checked against the simulator's known signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/FetchWaveform.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/fake_languages.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

// Channel 1 of the simulated instrument: a sine of 2 kHz, 0.35 V peak on 0.01 V, so that some
// codes reach the 16-bit clamp after scaling and most do not.
constexpr double Frequency = 2000.0;
constexpr double Amplitude = 0.35;
constexpr double Offset = 0.01;
constexpr double TimeSpan = 1.0e-3;     // the simulator's default record span
constexpr double VerticalRange = 0.8;   // volts across the 256 codes
constexpr int32_t ZeroCode = 128;
constexpr size_t Points = 600;

// The byte code the instrument sends for sample i of acquisition phase `phaseDegrees`.
int32_t instrumentCode(size_t i, double phaseDegrees) {
  const double xIncrement = TimeSpan / double(Points);
  const double t = -TimeSpan / 2.0 + double(i) * xIncrement;
  const double phase = phaseDegrees * std::numbers::pi / 180.0;
  const double volts =
      Offset + Amplitude * std::sin(2.0 * std::numbers::pi * Frequency * t + phase);
  const double code = std::round(volts / (VerticalRange / 256.0)) + ZeroCode;
  return static_cast<int32_t>(std::clamp(code, 0.0, 255.0));
}

// What the host must receive for that code: scaled about the zero code, clamped, mirrored.
int32_t hostCode(int32_t code) {
  const double k = (256.0 / 200.0) * (32767.0 / 127.0);
  double scaled = std::nearbyint((code - ZeroCode) * k);
  if (scaled < -32768) scaled = -32768;
  if (scaled > 32767) scaled = 32767;
  return 2 * ZeroCode - static_cast<int32_t>(scaled);
}

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
    // The preamble states the x increment with nine significant digits.
    EXPECT_DOUBLE_EQ(wTime, (599 - -5.0e-4) * 1.66666667e-06 + 0);
  }

  test::SimulatorProcess simulator{{"--model", "TRV30K2A", "--display", "1,0", "--signal",
                                    "1=sine:2000:0.35:0.01:0"}};
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
