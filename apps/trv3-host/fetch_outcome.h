// What one getWaveform call handed back to the host.
#pragma once

#include <cstdint>
#include <vector>

namespace trv3::host {

// WaveFormResult codes of the add-in.
constexpr int32_t WaveformDelivered = 1;
constexpr int32_t NoWaveform = 2;

struct FetchOutcome {
  int32_t result = NoWaveform;  // WaveFormResult read after the call
  double wTime = 0.0;           // time of the last sample, meaningful only when delivered
  std::vector<int32_t> codes;   // the sample codes of wform, index 0 first

  bool delivered() const { return result == WaveformDelivered; }
};

}  // namespace trv3::host
