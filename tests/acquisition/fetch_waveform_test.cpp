#include "acquisition/FetchWaveform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "platform/io/io_session.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "reference_conversion.h"
#include "scripted_session.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/fake_languages.h"

namespace trv3 {
namespace {

using testing::ScriptedSession;

const char* const TransferFailed = "The waveform could not be read";

// A two-channel model of the series with channel 1 displayed, in normal acquisition; its points
// list starts at 100, the count the dialog's OK stores.
std::shared_ptr<ScriptedSession> connectedInstrument() {
  auto session = std::make_shared<ScriptedSession>();
  session->replies = {
      {"*IDN?", "VELMORA,TRV30K2A,MY0001,03.10"},
      {":acq:TYPE?", "NORMAL"},
      {"CHAN1:DISP?", "1"},
      {"CHAN2:DISP?", "0"},
      {"*idn?", "VELMORA,TRV30K2A,MY0001,03.10"},
      {"waveform:preamble?", "0,0,100,1,1E-06,0,0,0.04,0,127"},
  };
  for (int32_t i = 0; i < 100; ++i) session->block.push_back((i * 5) % 256);
  return session;
}

class FetchWaveformTest : public ::testing::Test {
 protected:
  FetchWaveformTest() {
    useLanguageFont("DejaVu Sans");
    state.setInstrumentAddress(com::Variant("TCPIP::127.0.0.1::INSTR"));
    state.setChannelNumber(0);
    state.setPointsIndex(com::Variant(int32_t{0}));
    state.setWaveFormResult(com::Variant(int16_t{1}));
  }
  ~FetchWaveformTest() override { MLocaleGen::releaseLanguage(); }

  void useLanguageFont(const std::string& font) {
    languages.components.clear();
    languages.add(1, {{508, TransferFailed}, {509, "(no instrument)"}}, font, 8);
    int32_t code = 1;
    MLocaleGen::loadLanguage(code);
  }

  // Runs a fetch whose dialog plays the given user actions; returns the message boxes shown.
  std::vector<std::string> fetch(const std::string& actions) {
    std::ostringstream notices;
    ui::ScriptUserInterface userInterface(actions, notices);
    ui::ScopedUserInterface scopedUserInterface(userInterface);
    FetchWaveform(wform, wTime);
    std::vector<std::string> texts;
    for (const auto& message : userInterface.messages()) {
      EXPECT_EQ(message.title, "vlmWFRM_TRV3");
      texts.push_back(message.text);
    }
    return texts;
  }

  // The commands and reads from the presence probe on, that is what the fetch itself sent.
  std::vector<std::string> sentByTheFetch() const {
    const auto probe = std::find(session->log.begin(), session->log.end(), "*idn?");
    return {probe, session->log.end()};
  }

  void expectNothingDelivered() const {
    EXPECT_EQ(state.WaveFormResult(), 2);
    EXPECT_EQ(wform.toText(), "untouched");
    EXPECT_EQ(wTime, -1.0);
  }

  SessionState& state = MGlobal::state();
  testing::FakeLanguages languages;
  std::shared_ptr<ScriptedSession> session = connectedInstrument();
  io::ScopedSessionOpener opener{[this](std::string_view) -> io::IoSessionRef { return session; }};
  RecordingClock clock;
  ScopedClock scopedClock{clock};
  com::Variant wform{"untouched"};
  double wTime = -1.0;
};

TEST_F(FetchWaveformTest, ConfirmedDialogProbesThenTransfersAndDelivers) {
  EXPECT_TRUE(fetch("ok").empty());
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_EQ(sentByTheFetch(),
            (std::vector<std::string>{"*idn?", "read K", ":Stop", ":WAVeform:POINts:MODE RAW",
                                      "waveform:points 100", "waveform:source  Channel1",
                                      "waveform:format byte", "waveform:preamble?", "read K",
                                      "waveform:data?", "read I1"}));
  std::vector<int32_t> expected = session->block;
  reference::scaleThenMirror(expected, 100, 127);
  const auto delivered = wform.int32Elements();
  EXPECT_EQ(std::vector<int32_t>(delivered.begin(), delivered.end()), expected);
  EXPECT_DOUBLE_EQ(wTime, 99 * 1E-06);
  // Neither the dialog nor the fetch keeps the session.
  EXPECT_EQ(session.use_count(), 1);
}

TEST_F(FetchWaveformTest, CancelSendsNothingAndShowsNothing) {
  EXPECT_TRUE(fetch("cancel").empty());
  EXPECT_FALSE(session->wasSent("*idn?"));
  expectNothingDelivered();
  EXPECT_EQ(session.use_count(), 1);
}

TEST_F(FetchWaveformTest, InstrumentSilentAtTheProbeShowsTheMessageOnceAndSendsNoStop) {
  session->replies.erase("*idn?");
  EXPECT_EQ(fetch("ok"), (std::vector<std::string>{TransferFailed}));
  EXPECT_TRUE(session->wasSent("*idn?"));
  EXPECT_FALSE(session->wasSent(":Stop"));
  expectNothingDelivered();
}

TEST_F(FetchWaveformTest, IdentificationWithoutCommaStopsBeforeTheTransfer) {
  session->replies["*idn?"] = "VELMORA TRV30K2A";
  EXPECT_EQ(fetch("ok"), (std::vector<std::string>{TransferFailed}));
  EXPECT_FALSE(session->wasSent(":Stop"));
  expectNothingDelivered();
}

TEST_F(FetchWaveformTest, FailedTransferShowsTheMessageOnceAndReleasesTheSession) {
  session->block.resize(99);
  EXPECT_EQ(fetch("ok"), (std::vector<std::string>{TransferFailed}));
  EXPECT_TRUE(session->wasSent("waveform:data?"));
  expectNothingDelivered();
  EXPECT_EQ(session.use_count(), 1);
}

TEST_F(FetchWaveformTest, WrongLanguageComponentGivesOnlyTheDialogsMessage) {
  useLanguageFont("No Such Font Family At All");
  EXPECT_EQ(fetch("ok"),
            (std::vector<std::string>{"ERROR: could not get correct language component    "}));
  EXPECT_FALSE(session->wasSent("*idn?"));
  expectNothingDelivered();
}

TEST_F(FetchWaveformTest, RefusedAcquisitionModeLeavesTheDialogsMessageAlone) {
  session->replies[":acq:TYPE?"] = "PEAK";
  const auto messages = fetch("ok");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0], TransferFailed);
  EXPECT_FALSE(session->wasSent("*idn?"));
  expectNothingDelivered();
}

TEST_F(FetchWaveformTest, ErrorDuringTheDialogsDisplayIsReportedOnce) {
  session->replies.erase("CHAN1:DISP?");  // the activation's channel query times out
  EXPECT_EQ(fetch("ok"), (std::vector<std::string>{TransferFailed}));
  EXPECT_FALSE(session->wasSent("*idn?"));
  expectNothingDelivered();
  EXPECT_EQ(session.use_count(), 1);
}

// The block read fails with a C++ exception that is not a run-time error.
template <class Failure>
class FailingBlockSession : public ScriptedSession {
 public:
  using ScriptedSession::ReadFormatted;
  void ReadFormatted(io::Int32ArrayTarget&, std::string_view) override { throw Failure(); }
};

TEST_F(FetchWaveformTest, OutOfMemoryOrAnyFailureInTheTransferIsAFailedFetch) {
  using Make = std::shared_ptr<ScriptedSession> (*)();
  const Make failing[] = {[]() -> std::shared_ptr<ScriptedSession> {
                            return std::make_shared<FailingBlockSession<std::bad_alloc>>();
                          },
                          []() -> std::shared_ptr<ScriptedSession> {
                            return std::make_shared<FailingBlockSession<std::bad_function_call>>();
                          }};
  const auto replies = session->replies;
  for (Make make : failing) {
    session = make();
    session->replies = replies;
    std::vector<std::string> messages;
    EXPECT_NO_THROW(messages = fetch("ok"));
    EXPECT_EQ(messages, (std::vector<std::string>{TransferFailed}));
    EXPECT_TRUE(session->wasSent("waveform:data?"));
    expectNothingDelivered();
    EXPECT_EQ(session.use_count(), 1);
  }
}

}  // namespace
}  // namespace trv3
