// Whole fetches over the real I/O library against a faulty instrument: whatever the data reply
// does, the fetch ends within the time-out plus a margin with one message and result 2, and the
// next fetch from a sound instrument delivers.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>

#include "acquisition/FetchWaveform.h"
#include "block_fixtures.h"
#include "hostile_instrument.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/fake_languages.h"
#include "support/scoped_environment.h"

namespace trv3 {
namespace {

using io::testing::HostileInstrument;
using io::testing::HostileReply;

const char* const TransferFailed = "The waveform could not be read";
constexpr std::chrono::milliseconds kTimeout{1500};
constexpr std::chrono::milliseconds kMargin{1000};

HostileReply line(std::string text) { return HostileReply{std::move(text) + "\n", ' ', 0, {}}; }

// A two-channel model with channel 1 displayed, in normal acquisition, whose data query gets
// `data` and whose preamble reply is followed at once by `afterPreamble`.
HostileInstrument::Responder scopeAnswering(HostileReply data, std::string afterPreamble = {}) {
  return [data, afterPreamble](const std::string& message) {
    static const std::map<std::string, std::string> answers = {
        {"*IDN?", "VELMORA,TRV30K2A,MY0001,03.10"},
        {"*idn?", "VELMORA,TRV30K2A,MY0001,03.10"},
        {":acq:TYPE?", "NORMAL"},
        {"CHAN1:DISP?", "1"},
        {"CHAN2:DISP?", "0"},
        {"waveform:preamble?", "0,0,100,1,1E-06,0,0,0.04,0,127"}};
    if (message == "waveform:data?") return data;
    const auto answer = answers.find(message);
    if (answer == answers.end()) return HostileReply{};
    HostileReply reply = line(answer->second);
    if (message == "waveform:preamble?") reply.head += afterPreamble;
    return reply;
  };
}

class HostileFetch : public ::testing::Test {
 protected:
  HostileFetch() {
    languages.add(1, {{508, TransferFailed}, {509, "(no instrument)"}}, "DejaVu Sans", 8);
    int32_t code = 1;
    MLocaleGen::loadLanguage(code);
    state.setChannelNumber(0);
    state.setPointsIndex(com::Variant(int32_t{0}));
  }
  ~HostileFetch() override { MLocaleGen::releaseLanguage(); }

  // Fetches from the instrument; returns the message boxes shown.
  std::vector<std::string> fetchFrom(const HostileInstrument& instrument) {
    state.setInstrumentAddress(
        com::Variant("TCPIP::127.0.0.1::" + std::to_string(instrument.port()) + "::SOCKET"));
    std::ostringstream notices;
    ui::ScriptUserInterface userInterface("ok", notices);
    ui::ScopedUserInterface scopedUserInterface(userInterface);
    FetchWaveform(wform, wTime);
    std::vector<std::string> texts;
    for (const auto& message : userInterface.messages()) texts.push_back(message.text);
    return texts;
  }

  SessionState& state = MGlobal::state();
  trv3::testing::FakeLanguages languages;
  trv3::testing::ScopedEnvironment timeout{"TRV3_IO_TIMEOUT_MS", "1500"};
  RecordingClock clock;
  ScopedClock scopedClock{clock};
  com::Variant wform;
  double wTime = 0.0;
};

TEST_F(HostileFetch, EveryFaultyDataReplyGivesOneMessageAndTheNextFetchDelivers) {
  HostileReply trickle = line("#3100");
  trickle.fill = 'x';
  trickle.fillCount = 100;
  trickle.byteGap = std::chrono::milliseconds{400};
  HostileReply cutOff = HostileReply{"#3100", 'x', 50, {}};
  cutOff.closeAfter = 30;
  const std::vector<std::pair<const char*, HostileReply>> faults = {
      {"trickling", trickle},
      {"claiming 256 Mi points", HostileReply{"#9268435456", 'x', 100, {}}},
      {"claiming more than it sends", HostileReply{"#816000000", 'x', 100, {}}},
      {"malformed header", line("#5100abcdef")},
      {"closed mid-block", cutOff},
  };
  const HostileInstrument sound(HostileInstrument::Protocol::RawSocket,
                                scopeAnswering(HostileReply{"#3100", 'x', 100, {}}));
  // A process's first fetch loads fontconfig and reads its configuration, which takes a sanitized
  // build on a busy machine most of kMargin: that is no part of the time-out the cases measure.
  ASSERT_TRUE(fetchFrom(sound).empty());
  for (const auto& [name, data] : faults) {
    SCOPED_TRACE(name);
    const HostileInstrument faulty(HostileInstrument::Protocol::RawSocket, scopeAnswering(data));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetchFrom(faulty), std::vector<std::string>{TransferFailed});
    EXPECT_LE(std::chrono::steady_clock::now() - start, kTimeout + kMargin);
    EXPECT_EQ(state.WaveFormResult(), 2);

    EXPECT_TRUE(fetchFrom(sound).empty());
    EXPECT_EQ(state.WaveFormResult(), 1);
    EXPECT_EQ(wform.int32Elements().size(), 100u);
  }
}

// An extra line after the preamble reply, here a block as long as the real one, is never read as
// the data: the fetch delivers the waveform that a sound instrument gives.
TEST_F(HostileFetch, ExtraLineAfterThePreambleIsNeverReadAsTheData) {
  const HostileReply data = line(io::testing::definiteBlock(io::testing::everyCode(100)));
  const HostileInstrument sound(HostileInstrument::Protocol::RawSocket, scopeAnswering(data));
  ASSERT_TRUE(fetchFrom(sound).empty());
  const auto soundCodes = wform.int32Elements();
  const std::vector<int32_t> expected(soundCodes.begin(), soundCodes.end());

  const std::string otherBlock = io::testing::definiteBlock(std::string(100, 'y')) + "\n";
  const HostileInstrument lying(HostileInstrument::Protocol::RawSocket,
                                scopeAnswering(data, otherBlock));
  EXPECT_TRUE(fetchFrom(lying).empty());
  EXPECT_EQ(state.WaveFormResult(), 1);
  const auto delivered = wform.int32Elements();
  EXPECT_EQ(std::vector<int32_t>(delivered.begin(), delivered.end()), expected);
}

}  // namespace
}  // namespace trv3
