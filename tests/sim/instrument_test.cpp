// What the simulated oscilloscope answers: the add-in's commands letter for letter, state that
// follows the configuration and the commands, errors, and consistent waveform records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "simulated_scope.h"

namespace trv3::sim {
namespace {

using ::testing::Each;
using ::testing::StartsWith;

SimulatorConfig modelConfig(const std::string& model) {
  SimulatorConfig config;
  config.model = model;
  return config;
}

int64_t preamblePoints(const std::string& preamble) {
  const std::size_t start = preamble.find(',', preamble.find(',') + 1) + 1;
  return std::stoll(preamble.substr(start, preamble.find(',', start) - start));
}

TEST(SimulatedScope, AnswersTheAddInsQueriesAsWritten) {
  SimulatedScope scope;
  EXPECT_EQ(scope.ask("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  EXPECT_EQ(scope.ask("*idn?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  EXPECT_EQ(scope.ask(":acq:TYPE?"), "NORM");
  EXPECT_EQ(scope.ask(":ACQuire:COUNT?"), "8");
  EXPECT_EQ(scope.ask("CHAN1:DISP?"), "1");
  EXPECT_EQ(scope.ask("CHAN4:DISP?"), "0");
  for (const char* command : {":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 1000",
                              "waveform:source  Channel1", ":SINGLE", "waveform:format byte"}) {
    EXPECT_EQ(scope.ask(command), "") << command;
  }
  EXPECT_EQ(scope.ask("waveform:preamble?"),
            "+0,+0,+1000,+1,+1.00000000E-06,-5.00000000E-04,+0,+3.12500000E-03,+0.00000000E+00,"
            "+128");
  EXPECT_EQ(scope.data().size(), 1000u);
  EXPECT_EQ(scope.ask(":SYSTem:ERRor?"), "+0,\"No error\"");
}

TEST(SimulatedScope, AnswersThePodQueriesOfThePodModels) {
  SimulatorConfig config = modelConfig("LX270D");
  config.pods = {false, true};
  config.digital.set(5);
  SimulatedScope scope(config);
  EXPECT_EQ(scope.ask("Pod1:Display?"), "0");
  EXPECT_EQ(scope.ask("Pod2:Display?"), "1");
  for (int line = 0; line < 16; ++line) {
    EXPECT_EQ(scope.ask("STAT? DIG" + std::to_string(line)), line == 5 ? "1" : "0");
  }
  EXPECT_EQ(scope.ask(":SYST:ERR?"), "+0,\"No error\"");

  SimulatedScope withoutPods(modelConfig("LX270"));
  EXPECT_EQ(withoutPods.ask("STAT? DIG0"), "");
  EXPECT_EQ(withoutPods.ask("Pod1:Display?"), "");
  EXPECT_EQ(withoutPods.ask(":SYST:ERR?;:SYST:ERR?"),
            "-113,\"Undefined header\";-113,\"Undefined header\"");
}

TEST(SimulatedScope, AnswersDisplayStatesAsWordsWhenConfigured) {
  SimulatorConfig config;
  config.displayWords = true;
  config.display = {true, false, true};
  SimulatedScope scope(config);
  EXPECT_EQ(scope.ask("CHAN1:DISP?;:CHAN2:DISP?;:CHAN3:DISP?;:CHAN4:DISP?"), "ON;OFF;ON;OFF");
  scope.ask(":CHANnel2:DISPlay 1;:CHANnel4:DISPlay on;:CHAN1:DISP OFF");
  EXPECT_EQ(scope.ask("CHAN1:DISP?;:CHAN2:DISP?;:CHAN4:DISP?"), "OFF;ON;ON");
}

TEST(SimulatedScope, KeepsTheChannelCountOfTheModel) {
  SimulatedScope scope(modelConfig("TRV30K2A"));
  EXPECT_EQ(scope.ask("CHAN3:DISP?"), "");
  scope.ask("waveform:source  Channel3");
  scope.ask("waveform:source ");
  EXPECT_EQ(scope.ask(":SYST:ERR?;:SYST:ERR?;:SYST:ERR?"),
            "-114,\"Header suffix out of range\";-224,\"Illegal parameter value\";"
            "-109,\"Missing parameter\"");
  EXPECT_EQ(scope.ask(":WAV:SOUR?"), "CHAN1");
}

TEST(SimulatedScope, QueuesErrorsForWhatItDoesNotUnderstandAndCarriesOn) {
  SimulatedScope scope;
  for (const char* nonsense : {"FOO?", ":WAV:NOSUCH 1", "::", "\x01\x02\xff", ":ACQ:TYPE FAST",
                               ":ACQ:COUN 0", ":WAV:POIN ten", "*IDN? extra", "MATH "}) {
    scope.ask(nonsense);
  }
  for (const char* expected :
       {"-113,\"Undefined header\"", "-113,\"Undefined header\"", "-102,\"Syntax error\"",
        "-102,\"Syntax error\"", "-224,\"Illegal parameter value\"", "-222,\"Data out of range\"",
        "-104,\"Data type error\"", "-108,\"Parameter not allowed\"", "-113,\"Undefined header\"",
        "+0,\"No error\""}) {
    EXPECT_EQ(scope.ask(":SYST:ERR?"), expected);
  }
  EXPECT_EQ(scope.ask("*IDN?"), "VELMORA,TRV30K4A,MY12345678,03.10.2026");

  scope.ask("FOO?");
  scope.ask("*CLS");
  EXPECT_EQ(scope.ask(":SYST:ERR?"), "+0,\"No error\"");
}

TEST(SimulatedScope, ChangesAcquisitionSettingsAndRestoresTheStartupOnesOnReset) {
  SimulatorConfig config;
  config.acquireType = AcquireType::Average;
  config.acquireCount = 16;
  SimulatedScope scope(config);
  EXPECT_EQ(scope.ask(":ACQ:TYPE?;COUN?"), "AVER;16");
  scope.ask(":ACQuire:TYPE PEAK;:ACQuire:COUNt 64;:STOP;:WAV:POIN:MODE RAW;:WAV:POIN 5000");
  EXPECT_EQ(scope.ask(":ACQ:TYPE?;COUN?;:WAV:POIN:MODE?;:WAV:POIN?"), "PEAK;64;RAW;5000");
  scope.ask("*RST");
  EXPECT_EQ(scope.ask(":ACQ:TYPE?;COUN?;:WAV:POIN:MODE?;:WAV:POIN?"), "AVER;16;NORM;1000");
  EXPECT_EQ(scope.ask("*OPC?"), "1");
}

TEST(SimulatedScope, DeliversAsManyPointsAsThePreambleStates) {
  SimulatedScope scope(modelConfig("LX280A"));  // a record of 20000 points
  struct Case {
    const char* setup;
    int64_t points;
  };
  const Case cases[] = {
      {":RUN;:WAV:POIN:MODE RAW;:WAV:POIN 5000", 1000},  // running: the measurement record
      {":STOP;:WAV:POIN:MODE NORM;:WAV:POIN 5000", 1000},
      {":STOP;:WAV:POIN:MODE RAW;:WAV:POIN 5000", 5000},
      {":STOP;:WAV:POIN:MODE RAW;:WAV:POIN 50000", 20000},
      {":STOP;:WAV:POIN:MODE MAX;:WAV:POIN MAX", 20000},
      {":STOP;:WAV:POIN:MODE RAW;:WAV:POIN 100", 100},
  };
  for (const Case& c : cases) {
    scope.ask(c.setup);
    EXPECT_EQ(scope.ask(":WAV:POIN?"), std::to_string(c.points)) << c.setup;
    EXPECT_EQ(preamblePoints(scope.ask(":WAV:PRE?")), c.points) << c.setup;
    EXPECT_EQ(static_cast<int64_t>(scope.data().size()), c.points) << c.setup;
  }
}

TEST(SimulatedScope, PutsZeroVoltsAtTheYReferenceCode) {
  SimulatorConfig config;
  config.signals[1] = {SignalShape::Sine, 1000.0, 0.0, 0.1, 0.0, 0.0, 1};  // a flat 0.1 V
  config.signals[2] = {SignalShape::Sine, 1000.0, 0.0, -5.0, 0.0, 0.0, 1};  // far below range
  SimulatedScope scope(config);
  EXPECT_THAT(scope.data(), Each(static_cast<char>(128 + 32)));  // 0.1 V / 3.125 mV = 32 codes
  scope.ask("waveform:source  Channel2");
  EXPECT_THAT(scope.data(), Each('\0'));
}

TEST(SimulatedScope, RepeatsDataWhenStoppedAndTakesANewAcquisitionOnSingle) {
  SimulatedScope scope;
  scope.ask(":Stop");
  const std::string first = scope.data();
  EXPECT_EQ(scope.data(), first);
  scope.ask(":SINGLE");
  const std::string second = scope.data();
  EXPECT_NE(second, first);
  EXPECT_EQ(scope.data(), second);
  scope.ask(":RUN");
  EXPECT_NE(scope.data(), scope.data());

  SimulatedScope twin;  // the same configuration gives the same acquisitions
  twin.ask(":Stop");
  EXPECT_EQ(twin.data(), first);
  twin.ask(":SINGle");
  EXPECT_EQ(twin.data(), second);
}

TEST(SimulatedScope, GivesEachSourceItsOwnSignal) {
  SimulatedScope scope(modelConfig("LX290D"));
  scope.ask(":Stop;:WAV:SOUR CHAN1");
  std::vector<std::string> records{scope.data()};
  for (const char* source : {"CHAN2", "channel3", "CHANnel4", "POD1"}) {
    scope.ask(std::string(":WAV:SOUR ") + source);
    records.push_back(scope.data());
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    for (std::size_t j = i + 1; j < records.size(); ++j) EXPECT_NE(records[i], records[j]);
  }
  EXPECT_THAT(records.back(), Each('\0'));  // no digital line is on
  EXPECT_THAT(scope.ask(":WAV:PRE?"), ::testing::EndsWith(",+0"));
}

TEST(SimulatedScope, JoinsTheAnswersOfOneMessage) {
  SimulatedScope scope;
  EXPECT_EQ(scope.ask("*OPC?;:ACQ:TYPE?;*OPC?"), "1;NORM;1");
  EXPECT_EQ(scope.ask(";;"), "");
}

TEST(SimulatedScope, DropsTheAnswersOfAMessageAskingForMoreThanItHolds) {
  SimulatedScope scope;  // 1000 points per block
  std::string greedy = ":WAV:DATA?";
  for (int i = 0; i < 5000; ++i) greedy += ";DATA?";  // some 5 MB of blocks
  EXPECT_EQ(scope.ask(greedy + ";*OPC?"), "");
  EXPECT_EQ(scope.ask(":SYST:ERR?;:SYST:ERR?"), "-430,\"Query DEADLOCKED\";+0,\"No error\"");
  EXPECT_EQ(scope.ask(":WAV:DATA?;DATA?").size(), 2u * (10u + 1000u) + 1u);
}

Response respond(const std::string& fault, const std::string& message) {
  SimulatorConfig config;
  config.faults.push_back(parseFaultSpec(fault));
  SimulatedScope scope(config);
  return scope.send(message);
}

TEST(SimulatedScopeFaults, ShapeTheAnswerOfTheStruckCommandOnly) {
  EXPECT_EQ(respond("*IDN?=silent", "*IDN?;*OPC?").bytes, "1\n");
  EXPECT_EQ(respond("*IDN?=garbage:%%junk", "*IDN?").bytes, "%%junk\n");
  EXPECT_EQ(respond(":WAV:PRE?=huge_points:4294967296", "waveform:preamble?").bytes,
            "+0,+0,+4294967296,+1,+1.00000000E-06,-5.00000000E-04,+0,+3.12500000E-03,"
            "+0.00000000E+00,+128\n");
  EXPECT_EQ(respond("waveform:preamble?=nan_preamble", ":WAVeform:PREamble?").bytes,
            "+0,+0,+1000,+1,NAN,NAN,NAN,NAN,NAN,NAN\n");
  EXPECT_EQ(respond("waveform:preamble?=nan_preamble", "*IDN?").bytes,
            "VELMORA,TRV30K4A,MY12345678,03.10.2026\n");

  const Response lying = respond("WAV:DATA?=lying_block:-10", "waveform:data?");
  EXPECT_THAT(lying.bytes, StartsWith("#800000990"));
  EXPECT_EQ(lying.bytes.size(), 10u + 1000u + 1u);
}

TEST(SimulatedScopeFaults, AskTheTransportToWaitOrToDropTheConnection) {
  const Response delayed = respond("*IDN?=delay:2500", "*IDN?");
  EXPECT_EQ(delayed.delayMs, 2500);
  EXPECT_THAT(delayed.bytes, StartsWith("VELMORA,"));

  const Response cut = respond("*IDN?=close_after:7", "*IDN?");
  EXPECT_EQ(cut.bytes, "VELMORA");
  EXPECT_TRUE(cut.closeConnection);
}

TEST(SimulatedScopeFaults, StrikeOnlyTheWrittenSuffixAndOnlyAsOftenAsConfigured) {
  SimulatorConfig config;
  config.faults.push_back(parseFaultSpec("CHAN2:DISP?=garbage:x@2"));
  SimulatedScope scope(config);
  EXPECT_EQ(scope.ask("CHAN1:DISP?"), "1");
  EXPECT_EQ(scope.ask("CHAN2:DISP?"), "x");
  EXPECT_EQ(scope.ask("CHANNEL2:DISPLAY?"), "x");
  EXPECT_EQ(scope.ask("CHAN2:DISP?"), "0");
}

}  // namespace
}  // namespace trv3::sim
