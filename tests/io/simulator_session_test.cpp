// Both transports against the oscilloscope simulator, run inside a private network namespace so
// that the simulator's portmapper can take port 111 and "TCPIP::127.0.0.1::INSTR" works as a
// user writes it. pyvisa-py, an independent client, reads the same bytes from it as we do.
#include <gtest/gtest.h>

#include <algorithm>

#include "block_fixtures.h"
#include "platform/io/io_session.h"
#include "platform/io/io_status.h"
#include "pyvisa_client.h"
#include "support/runtime_error_matchers.h"
#include "support/simulator_process.h"

namespace trv3::io {
namespace {

using testing::hexOfCodes;
using testing::runPyvisaClient;
using testing::VectorTarget;
using trv3::test::SimulatorProcess;
using trv3::testing::errorNumberOf;

enum class Transport { Socket, Vxi11 };

std::string addressOf(const SimulatorProcess& simulator, Transport transport) {
  return transport == Transport::Socket ? simulator.socketResource() : simulator.instrResource();
}

class SimulatorSession : public ::testing::TestWithParam<Transport> {};

// The add-in's transfer: preamble into doubles, then the block of its length into 32-bit codes.
std::vector<int32_t> transfer(IoSession& session, int32_t points, std::vector<double>& preamble) {
  const std::vector<std::string> commands{":Stop", ":WAVeform:POINts:MODE RAW",
                                          "waveform:points " + std::to_string(points),
                                          "waveform:source  Channel1", "waveform:format byte",
                                          "waveform:preamble?"};
  for (const std::string& command : commands) session.WriteCommand(command);
  preamble.assign(11, 0.0);
  session.ReadFormatted(std::span<double>(preamble), "K");
  session.WriteCommand("waveform:data?");
  VectorTarget target;
  session.ReadFormatted(target, "I1");
  return target.values;
}

TEST_P(SimulatorSession, TransferSequenceDeliversTheBlockThatThePreambleAnnounces) {
  SimulatorProcess simulator({"--vxi11", "--record-length", "20000"});
  const IoSessionRef session = IoResourceManager().Open(addressOf(simulator, GetParam()));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");

  std::vector<double> preamble;
  const std::vector<int32_t> codes = transfer(*session, 20000, preamble);
  EXPECT_EQ(preamble[2], 20000.0);
  ASSERT_EQ(codes.size(), 20000u);
  for (const int32_t code : codes) ASSERT_TRUE(code >= 0 && code <= 255) << code;
  EXPECT_NE(*std::min_element(codes.begin(), codes.end()), *std::max_element(codes.begin(), codes.end()));
  EXPECT_EQ(session->QueryText(":SYSTem:ERRor?"), "+0,\"No error\"");

  const std::vector<std::string> expected{"*IDN?", ":Stop", ":WAVeform:POINts:MODE RAW",
                                          "waveform:points 20000", "waveform:source  Channel1",
                                          "waveform:format byte", "waveform:preamble?",
                                          "waveform:data?", ":SYSTem:ERRor?"};
  EXPECT_EQ(simulator.loggedMessages(), expected);
}

TEST_P(SimulatorSession, LongestRecordOfTheSimulator) {
  SimulatorProcess simulator({"--vxi11", "--record-length", "10000000"});
  const IoSessionRef session = IoResourceManager().Open(addressOf(simulator, GetParam()));
  std::vector<double> preamble;
  const std::vector<int32_t> codes = transfer(*session, 10000000, preamble);
  EXPECT_EQ(preamble[2], 10000000.0);
  EXPECT_EQ(codes.size(), 10000000u);
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST_P(SimulatorSession, SlowReplyTimesOutAndNeverAnswersTheNextQuery) {
  SimulatorProcess simulator({"--vxi11", "--fault", "*IDN?=delay:400@1"});
  const IoSessionRef session = IoResourceManager().Open(addressOf(simulator, GetParam()));
  session->SetTimeout(std::chrono::milliseconds(150));
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("*IDN?"); }), status::Timeout);
  session->SetTimeout(std::chrono::seconds(5));
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST_P(SimulatorSession, ConnectionDroppedInTheMiddleOfABlockIsReportedAndRecovered) {
  SimulatorProcess simulator({"--vxi11", "--fault", "WAV:DATA?=close_after:500@1"});
  const IoSessionRef session = IoResourceManager().Open(addressOf(simulator, GetParam()));
  session->WriteCommand("waveform:data?");
  VectorTarget target;
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(target, "I1"); }), status::ConnectionLost);
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST_P(SimulatorSession, LyingBlockHeaderNeverReadsIntoTheNextReply) {
  SimulatorProcess simulator({"--vxi11", "--fault", "WAV:DATA?=lying_block:5@1"});
  const IoSessionRef session = IoResourceManager().Open(addressOf(simulator, GetParam()));
  session->SetTimeout(std::chrono::milliseconds(300));
  session->WriteCommand("waveform:data?");
  VectorTarget target;
  EXPECT_NE(errorNumberOf([&] { session->ReadFormatted(target, "I1"); }), 0);
  session->SetTimeout(std::chrono::seconds(5));
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST_P(SimulatorSession, PyvisaPyReadsTheSameBytes) {
  SimulatorProcess simulator({"--vxi11", "--record-length", "20000"});
  const std::string address = addressOf(simulator, GetParam());
  const IoSessionRef session = IoResourceManager().Open(address);
  session->WriteCommand(":Stop");  // a stopped record repeats, so both clients read the same one
  std::vector<double> preamble;
  const std::vector<int32_t> ours = transfer(*session, 20000, preamble);
  const std::string reply = session->QueryText("*IDN?");

  const nlohmann::json theirs = runPyvisaClient(address);
  ASSERT_TRUE(theirs.is_object()) << "pyvisa-py did not run";
  EXPECT_EQ(theirs["reply"], reply);
  EXPECT_TRUE(theirs["block_hex"] == hexOfCodes(ours));
}

INSTANTIATE_TEST_SUITE_P(BothTransports, SimulatorSession,
                         ::testing::Values(Transport::Socket, Transport::Vxi11),
                         [](const auto& info) {
                           return info.param == Transport::Socket ? "RawSocket" : "Vxi11";
                         });

}  // namespace
}  // namespace trv3::io
