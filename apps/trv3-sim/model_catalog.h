// The oscilloscope models the simulator can play: the TRV30/TRV31 series and the legacy LX2xx
// models, with their analog channels, digital pods and acquisition memory.
#pragma once

#include <string_view>

namespace trv3::sim {

struct ModelInfo {
  std::string_view name;
  int channels;
  bool hasPods;      // two 8-bit digital pods (POD1 = D0..D7, POD2 = D8..D15)
  int recordLength;  // points of the raw record when the acquisition is stopped
};

// An unknown model plays as a two-channel oscilloscope without pods, so that tests can offer
// instruments the add-in does not support.
ModelInfo lookUpModel(std::string_view name);

}  // namespace trv3::sim
