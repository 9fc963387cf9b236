#include "shared/profile_string.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace trv3 {
namespace {

namespace fs = std::filesystem;

// Writes the text to a file of its own and reads one key of it with a 500-character buffer.
std::string valueIn(const std::string& text, const std::string& section = "TRV3 series",
                    const std::string& key = "Model") {
  const fs::path file = fs::temp_directory_path() / ("trv3_profile_" + std::to_string(::getpid()) + ".ini");
  std::ofstream(file, std::ios::binary) << text;
  std::string value = readProfileString(file, section, key, 500);
  fs::remove(file);
  return value;
}

TEST(ProfileString, SectionAndKeyIgnoreLetterCase) {
  EXPECT_EQ(valueIn("[trv3 SERIES]\nMODEL=A\n"), "A");
  EXPECT_EQ(valueIn("[TRV3 series]\nmodel=B\n", "Trv3 Series", "MoDeL"), "B");
}

TEST(ProfileString, BlanksAroundKeysLinesAndValuesAreRemoved) {
  EXPECT_EQ(valueIn("  [TRV3 series]  \r\n \t Model \t = \t A B \t\r\n"), "A B");
}

TEST(ProfileString, OnePairOfMatchingQuotesIsRemoved) {
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=\"A,B\"\n"), "A,B");
  EXPECT_EQ(valueIn("[TRV3 series]\nModel= 'A,B' \n"), "A,B");
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=\"\"A\"\"\n"), "\"A\"");
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=\"A'\n"), "\"A'");
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=\"\n"), "\"");
}

TEST(ProfileString, NothingIsTakenForAComment) {
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=A,B ; the two we have\n"), "A,B ; the two we have");
  EXPECT_EQ(valueIn("[TRV3 series]\n;Model=X\nModel=A # B\n"), "A # B");
}

TEST(ProfileString, FirstMatchWins) {
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=A\nModel=B\n"), "A");
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=A\n[TRV3 series]\nModel=B\n"), "A");
  // A key that only a later section of the same name holds is not found.
  EXPECT_EQ(valueIn("[TRV3 series]\nChannels=2\n[Other]\n[TRV3 series]\nModel=B\n"), "");
}

TEST(ProfileString, KeysOutsideTheSectionDoNotCount) {
  EXPECT_EQ(valueIn("Model=A\n[Other]\nModel=B\n[TRV3 series]\nChannels=2\n"), "");
  EXPECT_EQ(valueIn("[Other]\nModel=B\n[TRV3 series]\nModel=C\n[Third]\nModel=D\n"), "C");
  EXPECT_EQ(valueIn("[TRV3 series\nModel=A\n"), "");
}

TEST(ProfileString, EmptyValueAndMissingFile) {
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=\nChannels=2\n"), "");
  EXPECT_EQ(readProfileString("/nonexistent/trv3.ini", "TRV3 series", "Model", 500), "");
}

TEST(ProfileString, ValueIsCutToTheBufferLessItsTerminator) {
  const std::string value(700, 'x');
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=" + value + "\n").size(), 499u);
  EXPECT_EQ(valueIn("[TRV3 series]\nModel=" + value.substr(0, 499) + "\n").size(), 499u);
}

TEST(ProfileString, ByteOrderMarkBeforeTheFirstSectionIsSkipped) {
  EXPECT_EQ(valueIn("\xEF\xBB\xBF[TRV3 series]\nModel=A\n"), "A");
}

// As a Windows editor saves a "Unicode" file: UTF-16 behind its byte order mark, either order.
TEST(ProfileString, Utf16FilesAreReadAsText) {
  const std::u16string text = u"[TRV3 series]\r\nModel=TRV30K2A,M\u00F6del\r\n";
  for (const bool little : {true, false}) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
      const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    EXPECT_EQ(valueIn(bytes), "TRV30K2A,M\xC3\xB6" "del") << (little ? "little-endian" : "big-endian");
  }
}

}  // namespace
}  // namespace trv3
