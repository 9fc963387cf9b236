// The acquisition-mode checks (checkMode, isNormalMode, isLargeAverage), on scripted sessions.
#include <gtest/gtest.h>

#include "dialog_fixture.h"

namespace trv3::testing {
namespace {

const std::string refusal =
    "Unsupported acquisition mode.\r\nPlease set the Waveform - Acquire Mode to Normal or reduce the number of averages";

class AcquisitionMode : public DialogTest {
 protected:
  // An open set-up dialog on a scope that answers the type query with `type`.
  std::shared_ptr<ScriptedSession> openScopeAcquiring(const std::string& type) {
    auto scope = openModel("TRV30K2A");
    scope->reply(":acq:TYPE?", type);
    return scope;
  }
};

TEST_F(AcquisitionMode, NormalInAnyLetterCaseIsAcceptedWithoutACountQuery) {
  auto scope = openScopeAcquiring("NORMal");
  EXPECT_TRUE(setup->checkMode());
  EXPECT_EQ(scope->commands, std::vector<std::string>{":acq:TYPE?"});
  EXPECT_EQ(clock.pauses, std::vector<int32_t>{1000});
  EXPECT_EQ(setup->acquireType(), "NORMal");
}

TEST_F(AcquisitionMode, AveragingOverMoreThanSixteenIsRefusedAlsoInExponentForm) {
  for (const char* count : {"17", "1.7E+01", " 64 acquisitions"}) {
    auto scope = openScopeAcquiring("aver");
    scope->reply(":ACQuire:COUNT?", count);
    EXPECT_FALSE(setup->checkMode()) << count;
  }
  EXPECT_EQ(messages(), (std::vector<std::string>{refusal, refusal, refusal}));
}

TEST_F(AcquisitionMode, AveragingOverExactlySixteenIsAccepted) {
  auto scope = openScopeAcquiring("AVERage");
  scope->reply(":ACQuire:COUNT?", "16");
  EXPECT_TRUE(setup->checkMode());
  EXPECT_EQ(scope->commands, (std::vector<std::string>{":acq:TYPE?", ":ACQuire:COUNT?"}));
  EXPECT_TRUE(messages().empty());
}

TEST_F(AcquisitionMode, NeitherNormalNorAveragingIsRefusedWithoutACountQuery) {
  auto scope = openScopeAcquiring("PDETect");
  EXPECT_FALSE(setup->checkMode());
  EXPECT_EQ(scope->commands, std::vector<std::string>{":acq:TYPE?"});
  EXPECT_EQ(messages(), std::vector<std::string>{refusal});
}

TEST_F(AcquisitionMode, CountReplyWithoutANumberCountsAsZero) {
  auto scope = openScopeAcquiring("AVER");
  scope->reply(":ACQuire:COUNT?", "many");
  EXPECT_TRUE(setup->checkMode());
  EXPECT_FALSE(setup->isLargeAverage());
}

TEST_F(AcquisitionMode, SilentTypeQueryIsRefusedAfterThePause) {
  auto scope = openScopeAcquiring("NORM");
  scope->fail(":acq:TYPE?");
  EXPECT_FALSE(setup->checkMode());
  EXPECT_EQ(setup->acquireType(), "");
  EXPECT_EQ(clock.pauses, std::vector<int32_t>{1000});
  EXPECT_EQ(messages(), std::vector<std::string>{refusal});
}

TEST_F(AcquisitionMode, WithoutASessionTheCheckPassesAfterThePause) {
  auto setup = createSetup();
  clock.pauses.clear();
  EXPECT_TRUE(setup->checkMode());
  EXPECT_EQ(clock.pauses, std::vector<int32_t>{1000});
  EXPECT_TRUE(messages().empty());
  // The queries alone never raise, even without a session.
  EXPECT_FALSE(setup->isNormalMode());
  EXPECT_TRUE(setup->isLargeAverage());
}

}  // namespace
}  // namespace trv3::testing
