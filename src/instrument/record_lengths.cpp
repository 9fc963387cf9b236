// The record lengths on offer for the connected model, and setupWidgets, which brings the
// dialog's lists in line with the open instrument.
#include <array>

#include "dialogs/Fsetup.h"
#include "instrument/instrument_session.h"
#include "instrument/modUtility.h"
#include "platform/runtime/conversions.h"
#include "shared/MGlobal.h"

namespace trv3 {

namespace {

constexpr std::array<int16_t, 4> ListA{100, 250, 500, 1000};
constexpr std::array<int16_t, 3> ListB{100, 250, 500};
constexpr std::array<int16_t, 5> ListC{100, 250, 500, 1000, 2000};
constexpr std::array<int16_t, 2> ListD{250, 1000};
constexpr std::array<int16_t, 8> ListE{100, 250, 500, 1000, 2000, 5000, 10000, 20000};
constexpr std::array<int16_t, 4> ListF{100, 150, 300, 600};

}  // namespace

std::span<const int16_t> Fsetup::choosePointsList(int16_t channelsOn) {
  const std::string prefix = modelNumber_.substr(0, 5);
  if (prefix == "LX250" || prefix == "LX260") return ListD;
  if (prefix == "LX270") {
    // The pod query runs for every LX270 model, though only the LX270D takes list B from it.
    const bool digitalOn = IsDigitalOn();
    if (modelNumber_ == "LX270D" && digitalOn) return ListB;
    return ListC;
  }
  if (channelsOn == 1) return ListA;
  if (prefix == "LX230" || prefix == "LX220" || prefix == "LX240" || prefix == "LX210") return ListA;
  if (prefix == "TRV30" || prefix == "TRV31") return ListF;
  // Models no rule names: the firmware revision, the last field of the identification, decides.
  const std::string reply = sessionOf(device_).QueryText("*IDN?");
  const std::string revision = reply.size() > 5 ? reply.substr(reply.size() - 5) : reply;
  if (textToDouble(revision) >= 3.0) return ListE;
  return ListA;
}

void Fsetup::setupWidgets() {
  // Errors pass to the caller.
  SessionState& state = MGlobal::state();
  txtAddress.setText(state.InstrumentAddress());
  addressEdited_ = false;
  txtShowAddr.setText(state.InstrumentAddress());
  cboPoints.clear();
  if (!device_) return;

  const int16_t channelsOn = numbChansOn();
  const std::span<const int16_t> points = choosePointsList(channelsOn);
  for (const int16_t value : points) {
    cboPoints.addItem(std::to_string(value));
    cboPoints.setItemData(cboPoints.listCount() - 1, value);
  }

  // A remembered index beyond the 16-bit range is clamped like any other: raising here would fail
  // every activation while that instrument answers, and the value would be saved again unchanged.
  const int32_t lastIndex = static_cast<int32_t>(points.size()) - 1;
  const int32_t remembered = state.PointsIndex();
  if (remembered < 0) state.setPointsIndex(int32_t{0});
  if (remembered > lastIndex) state.setPointsIndex(lastIndex);

  modUtility::fillChannelList(device_, cboChannel, modelNumber_);
  // A remembered channel the refilled list lacks (say the fourth, now on a two-channel instrument)
  // selects the first entry: raising would fail every activation, and the user could never reach
  // the dialog to pick another channel. -1 (no selection) stays as it is.
  const int32_t channel = state.ChannelNumber();
  cboChannel.setListIndex(channel >= -1 && channel < cboChannel.listCount() ? channel : 0);
  state.setPointCount(int32_t{points[static_cast<size_t>(state.PointsIndex())]});
  cboPoints.setListIndex(state.PointsIndex());
  cboPoints.setLocked(false);
  cboChannel.setLocked(false);
}

}  // namespace trv3
