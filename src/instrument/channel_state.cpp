// How many channels the instrument displays, and whether a digital pod bit is on.
#include <algorithm>
#include <array>
#include <string_view>

#include "dialogs/Fsetup.h"
#include "instrument/instrument_session.h"
#include "instrument/modUtility.h"
#include "platform/runtime/conversions.h"

namespace trv3 {

int16_t Fsetup::numbChansOn() {
  // Errors pass to the caller.
  const int32_t channels = modUtility::modelChannelCount(modelNumber_);
  int32_t displayed = 0;
  for (int32_t channel = 1; channel <= channels; ++channel) {
    // "1" does not count as on here; only a reply naming "on" does.
    const std::string reply = sessionOf(device_).QueryText("CHAN" + std::to_string(channel) + ":DISP?");
    if (containsNoCase(reply, "on")) ++displayed;
  }
  return toInt16(displayed);
}

bool Fsetup::IsDigitalOn() {
  // Errors pass to the caller.
  static constexpr std::array<std::string_view, 4> podModels{"LX270D", "LX280A", "LX280C", "LX290D"};
  if (std::find(podModels.begin(), podModels.end(), modelNumber_) == podModels.end()) return false;
  io::IoSession& instrument = sessionOf(device_);
  for (int bit = 0; bit <= 15; ++bit) {
    instrument.WriteCommand("STAT? DIG" + std::to_string(bit));
    std::string answer;
    instrument.ReadFormatted(answer, "K");
    if (contains(answer, "1") || contains(answer, "ON")) return true;
  }
  return false;
}

}  // namespace trv3
