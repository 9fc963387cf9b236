// Channel counts, displayed channels, pod bits and the marked channel list, on scripted sessions.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "instrument/modUtility.h"
#include "support/runtime_error_matchers.h"

namespace trv3::testing {
namespace {

using ChannelState = DialogTest;

TEST(SplitList, FollowsTheRunTimesSplit) {
  using modUtility::splitList;
  EXPECT_TRUE(splitList("").empty());
  EXPECT_EQ(splitList("A"), std::vector<std::string>{"A"});
  EXPECT_EQ(splitList("A, B,,"), (std::vector<std::string>{"A", " B", "", ""}));
}

TEST_F(ChannelState, ChannelCountComesFromTheTableByExactModel) {
  writeModelTable("TRV30K2A,TRV30K4A,LX280A", "2,4,bad");
  auto setup = createSetup();
  EXPECT_EQ(modUtility::modelChannelCount("TRV30K4A"), 4);
  EXPECT_EQ(modUtility::modelChannelCount("trv30k4a"), 2);
  EXPECT_EQ(modUtility::modelChannelCount("LX999"), 2);
  EXPECT_EQ(errorNumberOf([] { modUtility::modelChannelCount("LX280A"); }), rt::TypeMismatch);
  writeModelTable("TRV30K2A,TRV30K4A", "2");
  setup = createSetup();
  EXPECT_EQ(errorNumberOf([] { modUtility::modelChannelCount("TRV30K4A"); }), rt::SubscriptOutOfRange);
}

TEST_F(ChannelState, ModelOutsideTheTableHasTwoChannels) {
  // Part of a four-channel model's number: accepted as a substring of the table, but no entry.
  auto scope = openModel("TRV30K4");
  scope->reply("CHAN1:DISP?", "ON").reply("CHAN2:DISP?", "1");
  EXPECT_EQ(setup->numbChansOn(), 1);
  EXPECT_EQ(scope->commands, (std::vector<std::string>{"CHAN1:DISP?", "CHAN2:DISP?"}));
}

TEST_F(ChannelState, OnlyARepliedOnCountsAsDisplayed) {
  auto scope = openModel("TRV30K4A");
  scope->reply("CHAN1:DISP?", "on").reply("CHAN2:DISP?", "1").reply("CHAN3:DISP?", "ON").reply("CHAN4:DISP?", "OFF");
  EXPECT_EQ(setup->numbChansOn(), 2);
  EXPECT_EQ(scope->commands, (std::vector<std::string>{"CHAN1:DISP?", "CHAN2:DISP?", "CHAN3:DISP?", "CHAN4:DISP?"}));
}

TEST_F(ChannelState, FailingDisplayQueryPassesToTheCaller) {
  auto scope = openModel("TRV30K2A");
  scope->reply("CHAN1:DISP?", "ON").fail("CHAN2:DISP?");
  EXPECT_THROW(setup->numbChansOn(), RuntimeError);
}

TEST_F(ChannelState, PodBitsAreAskedOnlyOfPodModelsAndTheFirstHitEndsTheLoop) {
  writeModelTable("LX270,LX270D", "2,2");
  auto plain = openModel("LX270");
  EXPECT_FALSE(setup->IsDigitalOn());
  EXPECT_TRUE(plain->commands.empty());

  auto pod = openModel("LX270D");
  for (int bit = 0; bit <= 15; ++bit) pod->reply("STAT? DIG" + std::to_string(bit), bit == 5 ? "1" : "0");
  EXPECT_TRUE(setup->IsDigitalOn());
  std::vector<std::string> expected;
  for (int bit = 0; bit <= 5; ++bit) expected.push_back("STAT? DIG" + std::to_string(bit));
  EXPECT_EQ(pod->commands, expected);
}

TEST_F(ChannelState, PodBitAnswersAreTestedWithLetterCase) {
  writeModelTable("LX290D", "2");
  auto pod = openModel("LX290D");
  for (int bit = 0; bit <= 15; ++bit) pod->reply("STAT? DIG" + std::to_string(bit), bit == 9 ? "on" : "0");
  EXPECT_FALSE(setup->IsDigitalOn());
  EXPECT_EQ(pod->commands.size(), 16u);
  pod->reply("STAT? DIG3", "ON");
  EXPECT_TRUE(setup->IsDigitalOn());
}

TEST_F(ChannelState, AnAnswerThatDoesNotConvertLeavesTheRestBare) {
  auto scope = openModel("TRV30K4A");
  scope->reply("CHAN1:DISP?", "True").reply("CHAN2:DISP?", "0").reply("CHAN3:DISP?", "ON");
  modUtility::fillChannelList(setup->device(), setup->cboChannel, "TRV30K4A");
  ASSERT_EQ(setup->cboChannel.listCount(), 4);
  EXPECT_EQ(setup->cboChannel.list(0), " 1 - On");
  EXPECT_EQ(setup->cboChannel.list(1), " 2 - Off");
  EXPECT_EQ(setup->cboChannel.list(2), " 3");
  EXPECT_EQ(setup->cboChannel.list(3), " 4");
  EXPECT_EQ(scope->commands.size(), 3u);
}

TEST_F(ChannelState, WithoutASessionTheEntriesStayBare) {
  auto setup = createSetup();
  modUtility::fillChannelList(nullptr, setup->cboChannel, "TRV30K4A");
  ASSERT_EQ(setup->cboChannel.listCount(), 4);
  EXPECT_EQ(setup->cboChannel.list(3), " 4");
}

TEST_F(ChannelState, EntriesNameAChannelOrAPod) {
  auto scope = openModel("TRV30K2A");
  scope->reply("CHAN1:DISP?", "0").reply("CHAN2:DISP?", "1").reply("Pod1:Display?", "1").reply("Pod2:Display?", "0");
  std::vector<std::string> entries{"", "7", "2.5", "digital pod1", "Pod2", "3.5x"};
  modUtility::DetermineChannelState(setup->device(), entries);
  EXPECT_EQ(entries, (std::vector<std::string>{" - Off", "7 - Off", "2.5 - On", "digital pod1 - On", "Pod2 - Off", "3.5x"}));
  EXPECT_EQ(scope->commands,
            (std::vector<std::string>{"CHAN1:DISP?", "CHAN1:DISP?", "CHAN2:DISP?", "Pod1:Display?", "Pod2:Display?"}));
}

}  // namespace
}  // namespace trv3::testing
