#include <gtest/gtest.h>

#include <string>

#include "acquisition/MWaveFormModule.h"
#include "platform/runtime/errors.h"

namespace trv3 {
namespace {

TEST(MapSourceName, EntriesBecomeTheInstrumentsSourceTexts) {
  const struct {
    const char* label;
    const char* source;
  } cases[] = {
      // Channel entries: the number before the first "-", rounded half to even, 1 to 4 or else 1.
      {"", " Channel1"}, {" 1", " Channel1"}, {" 1 - On", " Channel1"}, {" 3 - Off", " Channel3"},
      {" 4 ", " Channel4"}, {"2.5", " Channel2"}, {"3.5", " Channel4"}, {"4.5", " Channel4"},
      {"5 - On", " Channel1"}, {"0", " Channel1"}, {"0.5", " Channel1"},
      // Pods anywhere in the text, in any letter case.
      {"pod2 - Off", " POD2"}, {"POD1 - On", " POD1"}, {"xPod1y", " POD1"},
      // Anything else is upper-cased with its blanks; nothing before the "-" leaves nothing.
      {"math - On", "MATH "}, {"-1", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.label;
    MWaveFormModule::MapSourceName(text);
    EXPECT_EQ(text, c.source) << "from \"" << c.label << '"';
  }
}

TEST(MapSourceName, ANumberBeyondThe32BitRangeOverflows) {
  std::string label = "1E+10";
  try {
    MWaveFormModule::MapSourceName(label);
    FAIL() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), rt::Overflow);
  }
}

}  // namespace
}  // namespace trv3
