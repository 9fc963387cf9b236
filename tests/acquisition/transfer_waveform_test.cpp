#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "acquisition/MWaveFormModule.h"
#include "platform/runtime/clock.h"
#include "reference_conversion.h"
#include "scripted_session.h"
#include "shared/MGlobal.h"

namespace trv3 {
namespace {

using testing::ScriptedSession;
using testing::SessionLogClock;

const char* const ExamplePreamble = "0,0,1000,1,1E-06,-0.0005,0,0.04,0,127";

std::vector<int32_t> byteCodes(size_t count) {
  std::vector<int32_t> codes(count);
  for (size_t i = 0; i < count; ++i) codes[i] = static_cast<int32_t>((i * 37) % 256);
  return codes;
}

class TransferWaveform : public ::testing::Test {
 protected:
  void SetUp() override {
    state.setSourceLabel(" 1 - On");
    state.setPointCount(com::Variant(int32_t{1000}));
    state.setAcquireNew(0);
    session.replies["waveform:preamble?"] = ExamplePreamble;
    session.block = byteCodes(1000);
  }

  void setPreamble(const std::string& preamble) {
    session.replies["waveform:preamble?"] = preamble;
  }

  int32_t transfer() {
    try {
      MWaveFormModule::TransferWaveform(session, wform, wTime);
      return 0;
    } catch (const RuntimeError& e) {
      return e.number();
    }
  }

  std::vector<int32_t> delivered() const {
    const auto elements = wform.int32Elements();
    return {elements.begin(), elements.end()};
  }

  void expectUntouched() const {
    EXPECT_EQ(wform.toText(), "untouched");
    EXPECT_EQ(wTime, -1.0);
  }

  SessionState& state = MGlobal::state();
  ScriptedSession session;
  SessionLogClock clock{session};
  ScopedClock scopedClock{clock};
  com::Variant wform{"untouched"};
  double wTime = -1.0;
};

TEST_F(TransferWaveform, SendsTheSequenceLetterForLetter) {
  ASSERT_EQ(transfer(), 0);
  EXPECT_EQ(session.log, (std::vector<std::string>{
                             ":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 1000",
                             "waveform:source  Channel1", "waveform:format byte",
                             "waveform:preamble?", "read K", "waveform:data?", "read I1"}));
}

TEST_F(TransferWaveform, AcquireNewWaitsAroundOneSingleAcquisition) {
  state.setAcquireNew(1);  // any non-zero value counts as True
  ASSERT_EQ(transfer(), 0);
  const std::vector<std::string> head(session.log.begin(), session.log.begin() + 8);
  EXPECT_EQ(head, (std::vector<std::string>{":Stop", ":WAVeform:POINts:MODE RAW",
                                            "waveform:points 1000", "waveform:source  Channel1",
                                            "pause 300", ":SINGLE", "pause 1000",
                                            "waveform:format byte"}));
}

TEST_F(TransferWaveform, SourceAndPointCountFollowTheSessionState) {
  state.setPointCount(com::Variant(int32_t{0}));
  state.setSourceLabel("-1");
  setPreamble("0,0,100,1,1E-06,0,0,0.04,0,127");
  session.block = byteCodes(100);
  ASSERT_EQ(transfer(), 0);
  EXPECT_TRUE(session.wasSent("waveform:points 100"));
  EXPECT_TRUE(session.wasSent("waveform:source "));
  EXPECT_EQ(state.PointCount(), 100);

  session.log.clear();
  state.setSourceLabel("pod2 - Off");
  ASSERT_EQ(transfer(), 0);
  EXPECT_TRUE(session.wasSent("waveform:source  POD2"));
}

TEST_F(TransferWaveform, PreambleExampleGivesTheScaledMirroredCodesAndTheTime) {
  ASSERT_EQ(transfer(), 0);
  EXPECT_DOUBLE_EQ(wTime, 0.0009990005);
  EXPECT_EQ(wTime, (999 - -0.0005) * 1E-06 + 0);
  ASSERT_EQ(wform.type(), VT_ARRAY | VT_I4);
  EXPECT_EQ(wform.int32Array()->rgsabound[0].lLbound, 0);
  std::vector<int32_t> expected = byteCodes(1000);
  reference::scaleThenMirror(expected, 1000, 127);
  EXPECT_EQ(delivered(), expected);
  // Spot values by hand: the zero code, one code above it, the lowest code.
  EXPECT_EQ(delivered()[0], 254 + 32768);  // code 0: -127 * K clamps to -32768
  session.block = {127, 128};
  setPreamble("0,0,2,1,1E-06,0,0,0.04,0,127");
  ASSERT_EQ(transfer(), 0);
  EXPECT_EQ(delivered(), (std::vector<int32_t>{254, 254 - 330}));
}

TEST_F(TransferWaveform, PointCountIsRoundedHalfToEven) {
  setPreamble("0,0,1000.5,1,1E-06,-0.0005,0,0.04,0,127");
  ASSERT_EQ(transfer(), 0);
  EXPECT_EQ(delivered().size(), 1000u);

  setPreamble("0,0,1001.5,1,1E-06,-0.0005,0,0.04,0,127");
  session.block = byteCodes(1002);
  ASSERT_EQ(transfer(), 0);
  EXPECT_EQ(delivered().size(), 1002u);
  EXPECT_DOUBLE_EQ(wTime, (1001 + 0.0005) * 1E-06);
}

TEST_F(TransferWaveform, ShortBlockFailsWithTheSubscriptErrorAndDeliversNothing) {
  session.block = byteCodes(999);
  EXPECT_EQ(transfer(), rt::SubscriptOutOfRange);
  expectUntouched();
}

TEST_F(TransferWaveform, CodesBeyondThePointCountAreOnlyMirrored) {
  session.block = byteCodes(1003);
  ASSERT_EQ(transfer(), 0);
  const auto codes = byteCodes(1003);
  const auto result = delivered();
  ASSERT_EQ(result.size(), 1003u);
  for (size_t i = 1000; i < 1003; ++i) EXPECT_EQ(result[i], 254 - codes[i]) << i;
}

TEST_F(TransferWaveform, AbsurdPointCountsFailBeforeTheDataQuery) {
  setPreamble("0,0,5000,1,1E-06,0,0,0.04,0,127");  // a whole record sent for 1000 asked
  session.block = byteCodes(5000);
  EXPECT_EQ(transfer(), 0);
  EXPECT_EQ(delivered().size(), 5000u);

  for (const char* points : {"16777217", "500000000", "0", "-3"}) {
    session.log.clear();
    setPreamble(std::string("0,0,") + points + ",1,1E-06,0,0,0.04,0,127");
    EXPECT_EQ(transfer(), rt::SubscriptOutOfRange) << points;
    EXPECT_FALSE(session.wasSent("waveform:data?")) << points;
  }

  state.setPointCount(com::Variant(int32_t{100'000'000}));
  session.log.clear();
  setPreamble("0,0,20000000,1,1E-06,0,0,0.04,0,127");
  EXPECT_EQ(transfer(), rt::SubscriptOutOfRange);
  EXPECT_FALSE(session.wasSent("waveform:data?"));

  // Counts beyond the 32-bit range, and the lowest count, whose upper bound N - 1 is beyond it.
  for (const char* points : {"1E+12", "-2147483648"}) {
    session.log.clear();
    setPreamble(std::string("0,0,") + points + ",1,1E-06,0,0,0.04,0,127");
    EXPECT_EQ(transfer(), rt::Overflow) << points;
    EXPECT_FALSE(session.wasSent("waveform:data?")) << points;
  }
}

TEST_F(TransferWaveform, FieldsThatAreNotNumbersRaiseTheFloatingPointError) {
  setPreamble("0,0,abc,1,1E-06,-0.0005,0,0.04,0,127");
  EXPECT_EQ(transfer(), rt::FloatingPoint);
  EXPECT_FALSE(session.wasSent("waveform:data?"));

  setPreamble("0,0,1000,1,1E-06,-0.0005,0,0.04,0,abc");
  session.log.clear();
  EXPECT_EQ(transfer(), rt::FloatingPoint);
  EXPECT_TRUE(session.wasSent("waveform:data?"));

  setPreamble("0,0,1000,1,abc,-0.0005,0,0.04,0,127");
  EXPECT_EQ(transfer(), rt::FloatingPoint);
  expectUntouched();
}

TEST_F(TransferWaveform, TimeBeyondTheDoubleRangeOverflows) {
  setPreamble("0,0,1000,1,1E+308,-1E+308,0,0.04,0,127");
  EXPECT_EQ(transfer(), rt::Overflow);
  expectUntouched();
}

TEST_F(TransferWaveform, FailingMirrorLeavesTheTimeWrittenAndTheArrayUndelivered) {
  // 2 * Y leaves the 32-bit range once the scaling has passed.
  setPreamble("0,0,2,1,1E-06,0,0,0.04,0,1073741824");
  session.block = {1073741824, 1073741824};
  EXPECT_EQ(transfer(), rt::Overflow);
  EXPECT_DOUBLE_EQ(wTime, 1E-06);
  EXPECT_EQ(wform.toText(), "untouched");
}

TEST_F(TransferWaveform, IoFailureStopsTheSequenceAtOnce) {
  session.failingCommand = "waveform:source  Channel1";
  EXPECT_EQ(transfer(), ScriptedSession::TimeoutError);
  EXPECT_EQ(session.log, (std::vector<std::string>{":Stop", ":WAVeform:POINts:MODE RAW",
                                                   "waveform:points 1000"}));
  session.failingCommand.clear();
  session.replies.erase("waveform:preamble?");
  session.log.clear();
  EXPECT_EQ(transfer(), ScriptedSession::TimeoutError);
  EXPECT_FALSE(session.wasSent("waveform:data?"));
  expectUntouched();
}

TEST(ReadInstrumentModel, ReturnsTheSecondFieldOfTheIdentification) {
  ScriptedSession session;
  session.replies["*idn?"] = "VELMORA,TRV3024,MY1234,03.10";
  EXPECT_EQ(MWaveFormModule::ReadInstrumentModel(session), "TRV3024");
  EXPECT_EQ(session.log, (std::vector<std::string>{"*idn?", "read K"}));
}

TEST(ReadInstrumentModel, ReplyWithoutCommaOrWithoutAnswerRaises) {
  ScriptedSession session;
  session.replies["*idn?"] = "VELMORA TRV3024";
  try {
    MWaveFormModule::ReadInstrumentModel(session);
    FAIL() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), rt::SubscriptOutOfRange);
  }
  session.replies.clear();
  try {
    MWaveFormModule::ReadInstrumentModel(session);
    FAIL() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), ScriptedSession::TimeoutError);
  }
}

}  // namespace
}  // namespace trv3
