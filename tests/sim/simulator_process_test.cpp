// The simulator as a process: its resource line, the add-in's transfer sequence over a raw
// socket with the exact command log, several clients, faults that act on the connection, and
// its exit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "support/scpi_socket_client.h"
#include "support/simulator_process.h"

namespace trv3::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

std::vector<std::string> splitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    fields.push_back(text.substr(start, comma - start));
  }
  fields.push_back(text.substr(start));
  return fields;
}

TEST(SimulatorProcess, PrintsItsSocketResourceAndEndsCleanlyOnSigterm) {
  SimulatorProcess simulator;
  EXPECT_TRUE(std::regex_match(simulator.socketResource(),
                               std::regex(R"(TCPIP::127\.0\.0\.1::[1-9][0-9]*::SOCKET)")));
  EXPECT_EQ(simulator.instrResource(), "");
  ScpiSocketClient client(simulator.host(), simulator.port());
  EXPECT_EQ(client.query("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  EXPECT_EQ(simulator.terminate(), 0);
}

TEST(SimulatorProcess, RefusesBadOptionsWithoutPrintingAResource) {
  EXPECT_THROW(SimulatorProcess({"--acquire-type", "SLOW"}), std::runtime_error);
  EXPECT_THROW(SimulatorProcess({"--fault", "NOSUCH:CMD?=silent"}), std::runtime_error);
}

TEST(SimulatorProcess, AnswersTheAddInTransferSequenceConsistentlyAndLogsItVerbatim) {
  SimulatorProcess simulator({"--model", "TRV30K2A"});
  ScpiSocketClient client(simulator.host(), simulator.port());
  EXPECT_THAT(client.query("*idn?"), StartsWith("VELMORA,TRV30K2A,"));
  for (const char* command : {":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 2000",
                              "waveform:source  Channel2", ":SINGLE", "waveform:format byte"}) {
    client.send(command);
  }
  const std::vector<std::string> preamble = splitFields(client.query("waveform:preamble?"));
  ASSERT_EQ(preamble.size(), 10u);
  client.send("waveform:data?");
  const std::string block = client.readBlock();
  EXPECT_EQ(preamble[2], "+2000");
  EXPECT_EQ(block.size(), 2000u);
  EXPECT_EQ(client.query(":SYSTem:ERRor?"), "+0,\"No error\"");

  EXPECT_THAT(simulator.loggedMessages(),
              ElementsAre("*idn?", ":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 2000",
                          "waveform:source  Channel2", ":SINGLE", "waveform:format byte",
                          "waveform:preamble?", "waveform:data?", ":SYSTem:ERRor?"));
}

TEST(SimulatorProcess, ServesTwoClientsAtOnceEachWithItsOwnErrorQueue) {
  SimulatorProcess simulator;
  ScpiSocketClient first(simulator.host(), simulator.port());
  ScpiSocketClient second(simulator.host(), simulator.port());
  first.send(":NOSUCH");
  EXPECT_EQ(second.query(":ACQuire:TYPE AVERage;*OPC?"), "1");
  EXPECT_EQ(first.query(":ACQ:TYPE?"), "AVER");  // the instrument is shared
  EXPECT_EQ(second.query(":SYST:ERR?"), "+0,\"No error\"");
  EXPECT_EQ(first.query(":SYST:ERR?"), "-113,\"Undefined header\"");

  std::string blocks[2];
  std::thread other([&] {
    second.send(":WAV:DATA?");
    blocks[1] = second.readBlock();
  });
  first.send(":WAV:DATA?");
  blocks[0] = first.readBlock();
  other.join();
  EXPECT_EQ(blocks[0].size(), 1000u);
  EXPECT_EQ(blocks[1].size(), 1000u);
}

TEST(SimulatorProcess, DropsTheConnectionAfterTheConfiguredBytesOfAnAnswer) {
  SimulatorProcess simulator({"--fault", "WAV:DATA?=close_after:100@1"});
  {
    ScpiSocketClient client(simulator.host(), simulator.port());
    client.send("waveform:data?");
    const std::string received = client.readUntilClosed();
    EXPECT_EQ(received.size(), 100u);
    EXPECT_THAT(received, StartsWith("#800001000"));
  }
  ScpiSocketClient again(simulator.host(), simulator.port());
  again.send("waveform:data?");
  EXPECT_EQ(again.readBlock().size(), 1000u);  // the fault struck once
}

TEST(SimulatorProcess, TrickledAnswersComeAByteAtATimeAndUnterminatedOnesWithoutNewline) {
  SimulatorProcess simulator({"--fault", "*IDN?=trickle:20@1", "--fault", "*IDN?+1=no_newline@1",
                              "--fault", ":ACQ:TYPE?+1=silent@1"});
  ScpiSocketClient client(simulator.host(), simulator.port());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.query("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  // 38 bytes and the newline, 20 ms apart.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(38 * 20));
  client.send("*IDN?");
  EXPECT_EQ(client.readBytes(38), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  EXPECT_EQ(client.query(":ACQ:TYPE?"), "NORM");  // no newline was left over to end it early
  client.send(":ACQ:TYPE?");                      // the second one is silent
  EXPECT_EQ(client.query("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
}

TEST(SimulatorProcess, SilentAndDelayedAnswersKeepTheirOrder) {
  SimulatorProcess simulator({"--fault", "*IDN?=silent", "--fault", ":ACQ:TYPE?=delay:50"});
  ScpiSocketClient client(simulator.host(), simulator.port());
  client.send("*IDN?");
  EXPECT_EQ(client.query("*OPC?"), "1");  // nothing came for the identification
  EXPECT_EQ(client.query(":ACQuire:TYPE?"), "NORM");
}

TEST(SimulatorProcess, TakesItsSettingsFromAJsonFileWithOptionsWinning) {
  SimulatorProcess probe;  // only for its private folder
  const auto config = probe.logPath().parent_path() / "sim.json";
  std::ofstream(config) << R"({"model": "LX280A", "display": [true, false, true],
                               "display_words": true, "digital": [5],
                               "acquire_type": "AVER", "acquire_count": 17})";
  SimulatorProcess simulator({"--config", config.string(), "--acquire-count", "16"});
  ScpiSocketClient client(simulator.host(), simulator.port());
  EXPECT_EQ(client.query("CHAN3:DISP?"), "ON");
  EXPECT_EQ(client.query("CHAN4:DISP?"), "OFF");
  EXPECT_EQ(client.query("STAT? DIG5"), "1");
  EXPECT_EQ(client.query(":ACQuire:COUNT?"), "16");
}

}  // namespace
}  // namespace trv3::test
