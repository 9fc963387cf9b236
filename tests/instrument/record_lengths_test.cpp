// The record lengths on offer and the restored choices (setupWidgets), on scripted sessions.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "support/runtime_error_matchers.h"

namespace trv3::testing {
namespace {

class RecordLengths : public DialogTest {
 protected:
  RecordLengths() { writeModelTable("TRV30K2A,TRV30K4A,LX250A,LX270,LX270D,LX230B,LX280A,LX290B", "2,4,2,2,2,2,2,2"); }

  // An open set-up dialog on `model` whose channels answer the display query with `display`.
  std::shared_ptr<ScriptedSession> openDisplaying(const std::string& model, const std::vector<std::string>& display,
                                                  const std::string& firmware = "1.20") {
    auto scope = openModel(model, firmware);
    for (size_t i = 0; i < display.size(); ++i) scope->reply("CHAN" + std::to_string(i + 1) + ":DISP?", display[i]);
    state.setInstrumentAddress("FAKE::1");
    return scope;
  }

  std::vector<int32_t> offered() const {
    std::vector<int32_t> values;
    for (int32_t i = 0; i < setup->cboPoints.listCount(); ++i) {
      EXPECT_EQ(setup->cboPoints.list(i), std::to_string(setup->cboPoints.itemData(i)));
      values.push_back(setup->cboPoints.itemData(i));
    }
    return values;
  }
};

const std::vector<int32_t> ListA{100, 250, 500, 1000};
const std::vector<int32_t> ListB{100, 250, 500};
const std::vector<int32_t> ListC{100, 250, 500, 1000, 2000};
const std::vector<int32_t> ListD{250, 1000};
const std::vector<int32_t> ListE{100, 250, 500, 1000, 2000, 5000, 10000, 20000};

TEST_F(RecordLengths, PodRuleGivesListBOnlyToAnLX270DWithAPodBitOn) {
  auto pod = openDisplaying("LX270D", {"ON", "OFF"});
  pod->reply("STAT? DIG0", "1");
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListB);

  auto plain = openDisplaying("LX270", {"ON", "OFF"});
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListC);
  for (const auto& command : plain->commands) EXPECT_NE(command.rfind("STAT?", 0), 0u) << command;

  auto quiet = openDisplaying("LX270D", {"ON", "ON"});
  for (int bit = 0; bit <= 15; ++bit) quiet->reply("STAT? DIG" + std::to_string(bit), "0");
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListC);
}

TEST_F(RecordLengths, ListDForLX250AndListAForTheOlderTwoChannelModels) {
  openDisplaying("LX250A", {"ON", "ON"});
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListD);
  openDisplaying("LX230B", {"ON", "ON"});
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListA);
}

TEST_F(RecordLengths, FirmwareRevisionDecidesForModelsNoRuleNames) {
  auto scope = openDisplaying("LX290B", {"ON", "ON"}, "A.03.10");
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListE);
  EXPECT_EQ(setup->cboPoints.list(7), "20000");
  EXPECT_EQ(scope->commands.at(2), "*IDN?");

  openDisplaying("LX290B", {"ON", "ON"}, "A.03.00");
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListE);

  openDisplaying("LX290B", {"ON", "ON"}, "A.02.90");
  setup->setupWidgets();
  EXPECT_EQ(offered(), ListA);

  openDisplaying("LX290B", {"ON", "ON"}, "1.2.3.4-beta");
  EXPECT_EQ(errorNumberOf([&] { setup->setupWidgets(); }), rt::TypeMismatch);
  EXPECT_EQ(setup->cboPoints.listCount(), 0);
}

TEST_F(RecordLengths, RememberedPointsIndexIsClampedToTheList) {
  openDisplaying("TRV30K2A", {"ON", "0"});
  state.setPointsIndex(int32_t{7});
  setup->setupWidgets();
  EXPECT_EQ(state.PointsIndex(), 3);
  EXPECT_EQ(state.PointCount(), 1000);
  EXPECT_EQ(setup->cboPoints.listIndex(), 3);

  state.setPointsIndex(int32_t{-1});
  setup->setupWidgets();
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_EQ(state.PointCount(), 100);
  EXPECT_EQ(setup->cboPoints.text(), "100");

  // Beyond the 16-bit range (a hand-edited setting) it is clamped the same way, not refused.
  state.setPointsIndex(int32_t{40000});
  setup->setupWidgets();
  EXPECT_EQ(state.PointsIndex(), 3);
  EXPECT_EQ(setup->cboPoints.listIndex(), 3);
  state.setPointsIndex(int32_t{-70000});
  setup->setupWidgets();
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_FALSE(setup->cboPoints.locked());
}

TEST_F(RecordLengths, RestoredChoicesAndUnlockedLists) {
  openDisplaying("TRV30K4A", {"1", "0", "1", "0"});
  state.setPointsIndex(int32_t{2});
  state.setChannelNumber(2);
  setup->setupWidgets();
  EXPECT_EQ(setup->cboChannel.text(), " 3 - On");
  EXPECT_EQ(setup->cboPoints.text(), "300");
  EXPECT_EQ(state.PointCount(), 300);
  EXPECT_FALSE(setup->cboPoints.locked());
  EXPECT_FALSE(setup->cboChannel.locked());
  EXPECT_EQ(setup->txtAddress.text(), "FAKE::1");
  EXPECT_EQ(setup->txtShowAddr.text(), "FAKE::1");
  EXPECT_FALSE(setup->addressEdited());
}

TEST_F(RecordLengths, RememberedChannelTheListLacksSelectsTheFirstEntry) {
  // The fourth channel of a four-channel instrument, remembered while a two-channel one answers.
  openDisplaying("TRV30K2A", {"0", "1"});
  for (const int32_t remembered : {3, 2, -2, 40000}) {
    state.setChannelNumber(remembered);
    setup->setupWidgets();
    EXPECT_EQ(setup->cboChannel.listIndex(), 0) << remembered;
    EXPECT_EQ(setup->cboChannel.text(), " 1 - Off") << remembered;
    EXPECT_EQ(state.ChannelNumber(), remembered);
    EXPECT_FALSE(setup->cboPoints.locked()) << remembered;
    EXPECT_FALSE(setup->cboChannel.locked()) << remembered;
  }
  // No selection stays no selection; the last valid index is kept.
  state.setChannelNumber(-1);
  setup->setupWidgets();
  EXPECT_EQ(setup->cboChannel.listIndex(), -1);
  state.setChannelNumber(1);
  setup->setupWidgets();
  EXPECT_EQ(setup->cboChannel.text(), " 2 - On");
}

TEST_F(RecordLengths, WithoutAnInstrumentOnlyTheAddressBoxesChange) {
  setup = createSetup();
  state.setInstrumentAddress("GPIB::7");
  state.setPointCount(int32_t{500});
  state.setPointsIndex(int32_t{9});
  setup->cboPoints.addItem("100");
  setup->setupWidgets();
  EXPECT_EQ(setup->txtAddress.text(), "GPIB::7");
  EXPECT_EQ(setup->txtShowAddr.text(), "GPIB::7");
  EXPECT_EQ(setup->cboPoints.listCount(), 0);
  EXPECT_EQ(setup->cboChannel.listCount(), 2);
  EXPECT_TRUE(setup->cboChannel.locked());
  EXPECT_EQ(state.PointsIndex(), 9);
  EXPECT_EQ(state.PointCount(), 500);
}

TEST_F(RecordLengths, FailingDisplayQueryLeavesThePointsListEmpty) {
  auto scope = openDisplaying("TRV30K2A", {"ON"});
  scope->fail("CHAN2:DISP?");
  EXPECT_THROW(setup->setupWidgets(), RuntimeError);
  EXPECT_EQ(setup->cboPoints.listCount(), 0);
}

}  // namespace
}  // namespace trv3::testing
