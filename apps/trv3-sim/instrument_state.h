// Everything that shapes the simulator's answers: what the instrument is (fixed for the run) and
// what commands change.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "waveform_generator.h"

namespace trv3::sim {

enum class AcquireType { Normal, Average, Peak, HighResolution };
enum class PointsMode { Normal, Maximum, Raw };

struct WaveformSource {
  bool pod = false;  // a digital pod instead of an analog channel
  int number = 1;    // channel 1..4 or pod 1..2
};

struct InstrumentProfile {
  std::string idnReply;  // the whole "*IDN?" answer
  int channels = 2;
  bool hasPods = false;
  int64_t recordLength = 100000;
  bool displayWords = false;       // display queries answer "ON"/"OFF" instead of "1"/"0"
  std::vector<SignalSpec> signals;  // one per channel, channel 1 first
  double timeSpan = 1.0e-3;         // seconds across the record
  double verticalRange = 0.8;       // volts across the 256 codes
};

// "*RST" brings back the settings the simulator started with.
struct InstrumentSettings {
  AcquireType acquireType = AcquireType::Normal;
  int acquireCount = 8;
  std::vector<bool> channelDisplay;  // one per channel
  std::array<bool, 2> podDisplay{};
  std::bitset<16> digitalLines;  // D0..D15, the state "STAT? DIG<n>" reports
  PointsMode pointsMode = PointsMode::Normal;
  int64_t requestedPoints = 1000;
  WaveformSource source;
  bool running = true;
};

struct InstrumentState {
  InstrumentProfile profile;
  InstrumentSettings startup;
  InstrumentSettings settings;
  uint64_t acquisition = 0;  // number of the acquisition the waveform queries deliver
};

}  // namespace trv3::sim
