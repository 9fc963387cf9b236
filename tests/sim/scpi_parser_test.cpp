// Reading SCPI headers and arguments the way instruments do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scpi_arguments.h"
#include "scpi_errors.h"
#include "scpi_parser.h"

namespace trv3::sim {
namespace {

using ::testing::ElementsAre;

TEST(Mnemonic, AcceptsShortAndLongFormsInAnyCaseButNothingInBetween) {
  const Mnemonic waveform("WAVeform");
  for (const char* written : {"WAV", "wav", "WAVEFORM", "waveform", "WaveForm"}) {
    EXPECT_TRUE(waveform.match(written).matched) << written;
  }
  for (const char* written : {"WAVE", "WA", "WAVEFORMS", ""}) {
    EXPECT_FALSE(waveform.match(written).matched) << written;
  }
  // A long form whose last letters are lower case in the table reads the same in upper case.
  EXPECT_TRUE(Mnemonic("COUNt").match("COUNT").matched);
  EXPECT_TRUE(Mnemonic("SINGle").match("SINGLE").matched);
}

TEST(Mnemonic, TakesANumericSuffixOnlyWhereTheTableAllowsOne) {
  const Mnemonic channel("CHANnel<n>");
  EXPECT_EQ(channel.match("CHAN3").suffix, 3);
  EXPECT_EQ(channel.match("Channel1").suffix, 1);
  EXPECT_TRUE(channel.match("CHAN").matched);
  EXPECT_FALSE(channel.match("CHAN").suffix.has_value());
  EXPECT_FALSE(channel.match("CHA1").matched);
  EXPECT_FALSE(channel.match("CHAN99999999999").matched);
  EXPECT_FALSE(Mnemonic("DISPlay").match("DISP1").matched);
}

TEST(ProgramUnits, SplitAtSemicolonsOutsideQuotedStrings) {
  EXPECT_THAT(splitProgramUnits(":A 1;B?;*CLS"), ElementsAre(":A 1", "B?", "*CLS"));
  EXPECT_THAT(splitProgramUnits(":TEXT \"a;b\";:X"), ElementsAre(":TEXT \"a;b\"", ":X"));
  EXPECT_THAT(splitProgramUnits("*IDN?;"), ElementsAre("*IDN?", ""));
}

TEST(ProgramUnits, SeparateHeaderQueryMarkAndTrimmedArguments) {
  const ProgramUnit source = parseProgramUnit("waveform:source  Channel1");
  EXPECT_FALSE(source.absolute);
  EXPECT_FALSE(source.query);
  EXPECT_THAT(source.nodes, ElementsAre("waveform", "source"));
  EXPECT_THAT(source.arguments, ElementsAre("Channel1"));

  const ProgramUnit legacy = parseProgramUnit("STAT? DIG15");
  EXPECT_TRUE(legacy.query);
  EXPECT_THAT(legacy.nodes, ElementsAre("STAT"));
  EXPECT_THAT(legacy.arguments, ElementsAre("DIG15"));

  const ProgramUnit common = parseProgramUnit("*idn?");
  EXPECT_TRUE(common.common);
  EXPECT_THAT(common.nodes, ElementsAre("*idn"));

  const ProgramUnit several = parseProgramUnit(":CHAN1:DISP ON , 2,x");
  EXPECT_TRUE(several.absolute);
  EXPECT_THAT(several.arguments, ElementsAre("ON", "2", "x"));

  EXPECT_TRUE(parseProgramUnit("waveform:source ").arguments.empty());
}

TEST(ProgramUnits, RejectMalformedHeadersAsSyntaxErrors) {
  for (const char* unit : {"::WAV", "WAV::POIN", ":", "?", "*", "WAV-POIN", "*1DN?"}) {
    try {
      parseProgramUnit(unit);
      ADD_FAILURE() << unit;
    } catch (const ScpiError& error) {
      EXPECT_EQ(error.code, kSyntaxError.code) << unit;
    }
  }
}

std::vector<std::vector<std::string>> resolveAll(std::initializer_list<const char*> units) {
  HeaderPath path;
  std::vector<std::vector<std::string>> resolved;
  for (const char* text : units) {
    const ProgramUnit unit = parseProgramUnit(text);
    resolved.push_back(path.resolve(unit));
    path.advance(unit, resolved.back());
  }
  return resolved;
}

TEST(HeaderPath, ResolvesUnitsWithoutLeadingColonAgainstThePreviousHeader) {
  const auto resolved = resolveAll({":WAV:POIN:MODE RAW", "POIN 500", "SOUR CHAN1", "*CLS",
                                    "FORM BYTE", ":ACQ:TYPE?", "COUN?"});
  EXPECT_THAT(resolved[0], ElementsAre("WAV", "POIN", "MODE"));
  EXPECT_THAT(resolved[1], ElementsAre("WAV", "POIN", "POIN"));
  EXPECT_THAT(resolved[2], ElementsAre("WAV", "POIN", "SOUR"));  // the path stays at WAV:POIN
  EXPECT_THAT(resolved[3], ElementsAre("*CLS"));
  EXPECT_THAT(resolved[4], ElementsAre("WAV", "POIN", "FORM"));  // common commands keep it
  EXPECT_THAT(resolved[6], ElementsAre("ACQ", "COUN"));
}

TEST(HeaderPath, StartsAtTheRootSoTheFirstUnitNeedsNoColon) {
  const auto resolved = resolveAll({"CHAN1:DISP?", "CHAN2:DISP?"});
  EXPECT_THAT(resolved[0], ElementsAre("CHAN1", "DISP"));
  EXPECT_THAT(resolved[1], ElementsAre("CHAN1", "CHAN2", "DISP"));
}

TEST(Arguments, ConvertNumbersBooleansAndKeywords) {
  EXPECT_EQ(parseInteger("1000"), 1000);
  EXPECT_EQ(parseInteger("+1E3"), 1000);
  EXPECT_EQ(parseInteger("999.6"), 1000);
  for (const char* bad : {"", "ten", "nan", "inf", "0x10", "12abc"}) {
    EXPECT_THROW(parseInteger(bad), ScpiError) << bad;
  }
  EXPECT_TRUE(parseBoolean("on"));
  EXPECT_FALSE(parseBoolean("OFF"));
  EXPECT_FALSE(parseBoolean("0"));
  EXPECT_TRUE(parseBoolean("1"));
  EXPECT_THROW(parseBoolean("maybe"), ScpiError);
  EXPECT_EQ(parseKeyword("hres", {"NORMal", "AVERage", "PEAK", "HRESolution"}), 3u);
  EXPECT_THROW(parseKeyword("AVE", {"NORMal", "AVERage"}), ScpiError);
  EXPECT_EQ(parseSuffixedKeyword("Channel2", Mnemonic("CHANnel<n>")), 2);
  EXPECT_EQ(parseSuffixedKeyword("POD1", Mnemonic("CHANnel<n>")), std::nullopt);
  EXPECT_THROW(requireArgumentCount({}, 1), ScpiError);
  EXPECT_THROW(requireArgumentCount({"a", "b"}, 1), ScpiError);
}

TEST(ErrorQueue, AnswersOldestFirstThenNoErrorAndStaysBounded) {
  ErrorQueue errors;
  EXPECT_EQ(errors.pop(), "+0,\"No error\"");
  errors.push(kUndefinedHeader);
  errors.push(kDataOutOfRange);
  EXPECT_EQ(errors.pop(), "-113,\"Undefined header\"");
  EXPECT_EQ(errors.pop(), "-222,\"Data out of range\"");
  for (int i = 0; i < 100; ++i) errors.push(kUndefinedHeader);
  EXPECT_EQ(errors.size(), ErrorQueue::kCapacity);
  for (std::size_t i = 1; i < ErrorQueue::kCapacity; ++i) errors.pop();
  EXPECT_EQ(errors.pop(), "-350,\"Queue overflow\"");
}

}  // namespace
}  // namespace trv3::sim
