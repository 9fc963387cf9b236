// One test per cell of the fault matrix: a getWaveform against a simulator with one fault, then
// four checks: exactly the messages the user must see, the result code, the time it took with no
// descriptor left open, and a healthy getWaveform right after.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "acquisition/FetchWaveform.h"
#include "fault_matrix.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/fake_languages.h"
#include "support/full_backlog_listener.h"
#include "support/simulator_process.h"

namespace trv3::reliability {

// Cells print as their names in test reports.
void PrintTo(const Cell& cell, std::ostream* out) { *out << cell.name(); }

namespace {

size_t openDescriptors() {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                           std::filesystem::directory_iterator{}));
}

std::vector<std::string> simulatorArguments(const Cell& cell) {
  std::vector<std::string> arguments = {"--idn", "VELMORA,TRV3,MY12345678,03.10.2026"};
  if (cell.transport == Transport::Vxi11) arguments.push_back("--vxi11");
  if (const auto fault = cell.faultArgument()) {
    arguments.push_back("--fault");
    arguments.push_back(*fault);
  }
  return arguments;
}

class FaultMatrix : public ::testing::TestWithParam<Cell> {
 protected:
  FaultMatrix() {
    ::setenv("TRV3_IO_TIMEOUT_MS", std::to_string(kTimeoutMs).c_str(), 1);
    languages.add(1, {{508, kText508}, {509, kText509}, {510, kText510}, {512, kText512},
                      {515, kText515}, {516, kText516}},
                  "DejaVu Sans", 8);
    int32_t code = 1;
    MLocaleGen::loadLanguage(code);
  }
  ~FaultMatrix() override { MLocaleGen::releaseLanguage(); }

  const std::string& resource() const {
    return GetParam().transport == Transport::Socket ? simulator->socketResource()
                                                     : simulator->instrResource();
  }

  struct Fetched {
    std::vector<std::string> messages;
    std::chrono::milliseconds took;
  };
  Fetched fetch(const std::string& address, const std::string& actions) {
    state.setInstrumentAddress(com::Variant(address));
    state.setChannelNumber(0);
    state.setPointsIndex(com::Variant(int32_t{0}));
    std::ostringstream notices;
    ui::ScriptUserInterface userInterface(actions, notices);
    ui::ScopedUserInterface scopedUserInterface(userInterface);
    wform = com::Variant();
    const auto start = std::chrono::steady_clock::now();
    FetchWaveform(wform, wTime);
    Fetched fetched{{}, std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)};
    for (const auto& message : userInterface.messages()) fetched.messages.push_back(message.text);
    return fetched;
  }

  std::unique_ptr<test::SimulatorProcess> simulator =
      std::make_unique<test::SimulatorProcess>(simulatorArguments(GetParam()));
  SessionState& state = MGlobal::state();
  testing::FakeLanguages languages;
  RecordingClock clock;  // the fixed pauses of the dialogue pass at once
  ScopedClock scopedClock{clock};
  com::Variant wform;
  double wTime = 0.0;
};

TEST_P(FaultMatrix, TellsTheUserOnceEndsInTimeLeaksNothingAndRecovers) {
  const Cell& cell = GetParam();
  const std::string actions = cell.phase.needsAcquireNew ? "check; ok" : "ok";
  // The open phase meets an address whose connection requests are dropped unanswered.
  std::unique_ptr<trv3::testing::FullBacklogListener> silentPort;
  std::string address = resource();
  const bool silentPortmapper = cell.phase.kind == PhaseKind::Open && cell.transport == Transport::Vxi11;
  if (silentPortmapper) simulator.reset();  // it holds the portmapper's port until then
  if (cell.phase.kind == PhaseKind::Open) {
    silentPort = std::make_unique<trv3::testing::FullBacklogListener>(silentPortmapper ? 111 : 0);
    address = silentPortmapper ? "TCPIP::127.0.0.1::INSTR" : silentPort->socketAddress();
  }
  const size_t descriptorsBefore = openDescriptors();
  const std::vector<Ending> endings = expectedEndings(cell);
  std::string names;
  for (const Ending ending : endings)
    names += (names.empty() ? "" : " or ") + std::string(endingName(ending));
  RecordProperty("ending", names);

  const Fetched faulty = fetch(address, actions);
  // Where the instrument's timing decides, the messages tell which ending it took.
  Outcome expected = outcomeOf(endings.front(), address);
  for (const Ending ending : endings) {
    const Outcome possible = outcomeOf(ending, address);
    if (possible.messages == faulty.messages) expected = possible;
  }
  EXPECT_EQ(faulty.messages, expected.messages);
  EXPECT_EQ(state.WaveFormResult(), expected.waveFormResult);
  if (expected.ending == Ending::Delivered) {
    EXPECT_FALSE(wform.int32Elements().empty());
  }
  // Each failing exchange waits out one time-out at most; two may fail in one fetch.
  EXPECT_LE(faulty.took.count(), 2 * kTimeoutMs + 3000);
  EXPECT_EQ(openDescriptors(), descriptorsBefore);

  if (silentPortmapper) {
    silentPort.reset();
    simulator = std::make_unique<test::SimulatorProcess>(simulatorArguments(cell));
  }
  const Fetched healthy = fetch(resource(), "ok");
  EXPECT_TRUE(healthy.messages.empty()) << healthy.messages.front();
  EXPECT_EQ(state.WaveFormResult(), 1);
  EXPECT_FALSE(wform.int32Elements().empty());
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, ::testing::ValuesIn(cells()),
                         [](const ::testing::TestParamInfo<Cell>& info) { return info.param.name(); });

}  // namespace
}  // namespace trv3::reliability
