// The real set-up dialog on the add-in's fetch path against the oscilloscope simulator: the user
// picks with clicks and presses OK, and the waveform arrives.
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <gtest/gtest.h>

#include "acquisition/FetchWaveform.h"
#include "platform/com/variant.h"
#include "qt/dialog_environment.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

using testing::click;
using testing::duringDisplay;
using testing::pickEntryWithData;
using testing::pickInstrument;

constexpr int PickedPoints = 600;

class FetchSmokeTest : public ::testing::Test {
 protected:
  bool simulatorReceived(const std::string& message) const {
    const auto log = simulator.loggedMessages();
    return std::find(log.begin(), log.end(), message) != log.end();
  }

  test::SimulatorProcess simulator{{"--model", "TRV30K4A"}};
  testing::DialogEnvironment environment;
  com::Variant wform;
  double wTime = 0.0;
};

TEST_F(FetchSmokeTest, RememberedInstrumentPickedAndConfirmed) {
  environment.state.setInstrumentAddress(simulator.socketResource());
  duringDisplay([] {
    pickEntryWithData("cboPoints", PickedPoints);
    click("cmdOK");
  });
  FetchWaveform(wform, wTime);

  ASSERT_EQ(environment.state.WaveFormResult(), 1);
  EXPECT_EQ(environment.state.PointCount(), PickedPoints);
  EXPECT_EQ(wform.int32Elements().size(), static_cast<size_t>(PickedPoints));
  EXPECT_GT(wTime, 0.0);
  EXPECT_TRUE(simulatorReceived("waveform:points 600"));
}

TEST_F(FetchSmokeTest, InstrumentPickedInTheConnectDialog) {
  environment.discoverable = {simulator.socketResource()};
  // No remembered address: the dialog opens on the address tab.
  duringDisplay([this] {
    duringDisplay([this] {
      // The connect dialog, shown inside the Connect button's handler.
      EXPECT_TRUE(QTest::qWaitFor(
          [this] {
            return !testing::shownWidget<QTreeWidget>("instruments")
                        .findItems(QString::fromStdString(simulator.socketResource()), Qt::MatchExactly, 0)
                        .isEmpty();
          },
          10000));
      pickInstrument(simulator.socketResource());
      duringDisplay([] {
        // The set-up dialog, shown again for the picked instrument.
        pickEntryWithData("cboPoints", PickedPoints);
        click("cmdOK");
      });
      click("cmdOK");
    });
    click("cmdConnect");
  });
  FetchWaveform(wform, wTime);

  ASSERT_EQ(environment.state.WaveFormResult(), 1);
  EXPECT_EQ(environment.state.InstrumentAddress(), simulator.socketResource());
  EXPECT_EQ(wform.int32Elements().size(), static_cast<size_t>(PickedPoints));
}

}  // namespace
}  // namespace trv3
