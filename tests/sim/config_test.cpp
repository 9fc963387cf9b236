// The configuration from options, fault and signal texts, and JSON, and the instrument it makes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_options.h"
#include "config.h"
#include "fault_book.h"
#include "faults.h"
#include "scpi_parser.h"

namespace trv3::sim {
namespace {

TEST(FaultSpecText, ReadsCommandKindValueAndTimes) {
  const FaultSpec cut = parseFaultSpec("WAV:DATA?=close_after:100@1");
  EXPECT_EQ(cut.command, "WAV:DATA?");
  EXPECT_EQ(cut.kind, FaultKind::CloseAfter);
  EXPECT_EQ(cut.value, 100);
  EXPECT_EQ(cut.times, 1);

  EXPECT_EQ(parseFaultSpec("*IDN?=garbage:a:b").text, "a:b");
  EXPECT_EQ(parseFaultSpec("*IDN?=garbage").text, "?%GARBAGE&*!");
  EXPECT_EQ(parseFaultSpec(":WAV:PRE?=huge_points").value, 2147483647);
  EXPECT_EQ(parseFaultSpec(":WAV:DATA?=lying_block").value, 100);
  EXPECT_EQ(parseFaultSpec(":WAV:DATA?=lying_block:-3").value, -3);
  EXPECT_EQ(parseFaultSpec("*IDN?=silent").times, 0);
  EXPECT_EQ(parseFaultSpec("*IDN?=trickle").value, 50);
  EXPECT_EQ(parseFaultSpec("*IDN?=trickle:5").value, 5);
  EXPECT_EQ(parseFaultSpec(":WAV:DATA?=no_newline").kind, FaultKind::NoNewline);
  const FaultSpec third = parseFaultSpec("*IDN?+2=silent@1");
  EXPECT_EQ(third.command, "*IDN?");
  EXPECT_EQ(third.after, 2);
  EXPECT_EQ(third.times, 1);

  for (const char* bad : {"*IDN?", "*IDN?=loud", "*IDN?=delay", "*IDN?=delay:-1",
                          "*IDN?=close_after:x", "=silent", "*IDN?=silent@x", "*IDN?=trickle:0",
                          "*IDN?+x=silent", "*IDN?+-1=silent"}) {
    EXPECT_THROW(parseFaultSpec(bad), std::invalid_argument) << bad;
  }
}

TEST(FaultBook, LetsTheFirstOccurrencesPassCountingThoseAnotherFaultStrikes) {
  FaultBook book({parseFaultSpec("*IDN?=garbage@1"), parseFaultSpec("*IDN?+2=silent@1")});
  const ResolvedCommand idn = *findCommand(parseProgramUnit("*IDN?").nodes, true);
  std::vector<std::string> struck;
  for (int i = 0; i < 4; ++i) {
    const FaultSpec* fault = book.strike(idn);
    struck.push_back(fault ? fault->kind == FaultKind::Garbage ? "garbage" : "silent" : "-");
  }
  EXPECT_THAT(struck, ::testing::ElementsAre("garbage", "-", "silent", "-"));
}

TEST(FaultBook, RefusesFaultsOnCommandsThatDoNotExist) {
  EXPECT_THROW(FaultBook({parseFaultSpec(":NOSUCH?=silent")}), std::invalid_argument);
  EXPECT_THROW(FaultBook({parseFaultSpec(":WAV:DATA=silent")}), std::invalid_argument);
  EXPECT_NO_THROW(FaultBook({parseFaultSpec("waveform:data?=silent")}));
}

TEST(SignalOption, ReadsShapeAndOptionalNumbersInOrder) {
  const auto [channel, signal] = parseSignalOption("2=ramp:500:0.1:0.05:90:0.01:42");
  EXPECT_EQ(channel, 2);
  EXPECT_EQ(signal.shape, SignalShape::Ramp);
  EXPECT_DOUBLE_EQ(signal.frequency, 500.0);
  EXPECT_DOUBLE_EQ(signal.amplitude, 0.1);
  EXPECT_DOUBLE_EQ(signal.offset, 0.05);
  EXPECT_DOUBLE_EQ(signal.phase, 90.0);
  EXPECT_DOUBLE_EQ(signal.noise, 0.01);
  EXPECT_EQ(signal.seed, 42u);

  const auto [three, square] = parseSignalOption("3=square");
  EXPECT_EQ(three, 3);
  EXPECT_EQ(square.shape, SignalShape::Square);
  EXPECT_DOUBLE_EQ(square.frequency, defaultSignal(3).frequency);

  for (const char* bad : {"5=sine", "sine", "1=saw", "1=sine:fast", "1=sine:1:2:3:4:5:6:7",
                          "1=sine:1:2:3:4:5:-1", "1=sine:1:2:3:4:5:7.5", "1=sine:1:2:3:4:5:1e10"}) {
    EXPECT_THROW(parseSignalOption(bad), std::invalid_argument) << bad;
  }
}

TEST(Endpoint, ReadsHostAndPort) {
  const Endpoint endpoint = parseEndpoint("127.0.0.1:5025");
  EXPECT_EQ(endpoint.host, "127.0.0.1");
  EXPECT_EQ(endpoint.port, 5025);
  for (const char* bad : {"127.0.0.1", ":5025", "host:70000", "host:12x", "host:"}) {
    EXPECT_THROW(parseEndpoint(bad), std::invalid_argument) << bad;
  }
}

TEST(JsonConfig, SetsEveryKeyItNames) {
  SimulatorConfig config;
  applyJsonConfig(config, nlohmann::json::parse(R"({
    "listen": "127.0.0.1:6000", "vxi11": true, "portmap_port": 1111, "log": "x.log",
    "maker": "DORNICK", "model": "LX290D", "serial": "S1", "firmware": "04.00",
    "channels": 3, "record_length": 5000, "acquire_type": "average", "acquire_count": 32,
    "display": [false, true], "display_words": true, "pods": [true, false], "digital": [0, 15],
    "signals": {"2": {"shape": "square", "frequency": 250, "seed": 9}},
    "time_span": 0.002, "vertical_range": 1.6,
    "faults": [{"command": "*IDN?", "kind": "delay", "value": 10, "times": 2}]})"));
  EXPECT_EQ(config.listen.port, 6000);
  EXPECT_TRUE(config.vxi11);
  EXPECT_EQ(config.portmapPort, 1111);
  EXPECT_EQ(config.acquireType, AcquireType::Average);
  EXPECT_EQ(config.signals.at(2).shape, SignalShape::Square);
  EXPECT_EQ(config.signals.at(2).amplitude, defaultSignal(2).amplitude);
  ASSERT_EQ(config.faults.size(), 1u);
  EXPECT_EQ(config.faults[0].times, 2);

  const InstrumentState state = buildInstrumentState(config);
  EXPECT_EQ(state.profile.idnReply, "DORNICK,LX290D,S1,04.00");
  EXPECT_EQ(state.profile.channels, 3);
  EXPECT_TRUE(state.profile.hasPods);
  EXPECT_EQ(state.profile.recordLength, 5000);
  EXPECT_EQ(state.settings.channelDisplay, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(state.settings.digitalLines.to_ulong(), 0x8001u);
  EXPECT_EQ(state.profile.signals.size(), 3u);
  EXPECT_EQ(state.profile.signals[1].frequency, 250.0);
}

TEST(JsonConfig, RefusesUnknownKeysAndWrongTypes) {
  for (const char* text :
       {R"({"modle": "TRV30K2A"})", R"({"channels": "four"})", R"({"digital": [16]})",
        R"({"signals": {"5": {}}})", R"({"signals": {"1": {"shape": "saw"}}})",
        R"({"faults": [{"command": "*IDN?"}]})", R"([1, 2])",
        // whole numbers that do not fit their setting, which would otherwise wrap or be cut
        R"({"portmap_port": 70000})", R"({"acquire_count": 4294967304})",
        R"({"channels": 2.5})",
        R"({"signals": {"1": {"seed": -1}}})",
        R"({"faults": [{"command": "*IDN?", "kind": "silent", "times": 4294967297}]})"}) {
    SimulatorConfig config;
    EXPECT_THROW(applyJsonConfig(config, nlohmann::json::parse(text)), std::invalid_argument)
        << text;
  }
}

TEST(InstrumentSetup, FollowsTheModelUnlessOverridden) {
  SimulatorConfig config;
  config.model = "TRV30M2A";
  EXPECT_EQ(buildInstrumentState(config).profile.channels, 2);
  config.model = "LX280C";
  EXPECT_EQ(buildInstrumentState(config).profile.channels, 4);
  EXPECT_TRUE(buildInstrumentState(config).profile.hasPods);
  config.model = "UNKNOWN1";
  EXPECT_EQ(buildInstrumentState(config).profile.channels, 2);
  config.idn = "no commas at all";
  EXPECT_EQ(buildInstrumentState(config).profile.idnReply, "no commas at all");
}

TEST(InstrumentSetup, RefusesValuesOutOfRange) {
  const auto refused = [](auto change) {
    SimulatorConfig config;
    change(config);
    EXPECT_THROW(buildInstrumentState(config), std::invalid_argument);
  };
  refused([](SimulatorConfig& c) { c.channels = 5; });
  refused([](SimulatorConfig& c) { c.recordLength = 0; });
  refused([](SimulatorConfig& c) { c.acquireCount = 0; });
  refused([](SimulatorConfig& c) { c.timeSpan = 0.0; });
  refused([](SimulatorConfig& c) {
    c.model = "TRV30K2A";
    c.display = {true, true, true};
  });
  refused([](SimulatorConfig& c) {
    c.model = "TRV30K2A";
    c.signals[3] = defaultSignal(3);
  });
}

TEST(CommandLineOptions, ReadListsFaultsAndSignals) {
  const char* argv[] = {"trv3-sim", "--model", "LX250", "--display", "0,on", "--digital", "3",
                        "--fault", "*IDN?=silent", "--signal", "1=ramp:10"};
  const CommandLine line = parseCommandLine(std::size(argv), argv);
  ASSERT_TRUE(line.config);
  EXPECT_EQ(line.config->model, "LX250");
  EXPECT_EQ(line.config->display, (std::vector<bool>{false, true}));
  EXPECT_TRUE(line.config->digital.test(3));
  EXPECT_EQ(line.config->faults.size(), 1u);
  EXPECT_EQ(line.config->signals.at(1).shape, SignalShape::Ramp);

}

TEST(CommandLineOptions, RefuseEveryBadSettingWithExitStatusTwo) {
  const std::vector<std::vector<const char*>> refused{
      {"--display", "maybe"}, {"--bogus"}, {"--channels", "7"}, {"--clients", "0"},
      {"--fault", "NOSUCH?=silent"}, {"--config", "/nonexistent/sim.json"},
  };
  for (std::vector<const char*> argv : refused) {
    argv.insert(argv.begin(), "trv3-sim");
    const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_FALSE(line.config) << argv[1];
    EXPECT_EQ(line.exitCode, 2) << argv[1];
  }
}

}  // namespace
}  // namespace trv3::sim
