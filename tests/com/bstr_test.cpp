#include "platform/com/bstr.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/automation.h"
#include "platform/com/utf.h"

namespace trv3::com {
namespace {

TEST(Bstr, CarriesItsByteLengthBeforeTheTextAndATerminatorAfter) {
  BSTR text = allocBstr("Ok 𝄞");
  ASSERT_NE(text, nullptr);
  // "Ok " is 3 units, the clef a surrogate pair: 5 units, 10 bytes.
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(SysStringByteLen(text), 10u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const char*>(text) - 4, 4);
  EXPECT_EQ(prefix, 10u);
  EXPECT_EQ(text[5], 0);
  EXPECT_EQ(bstrToUtf8(text), "Ok 𝄞");
  SysFreeString(text);
}

TEST(Bstr, EmbeddedNulAndNullPointer) {
  const OLECHAR units[] = {'a', 0, 'b'};
  BSTR text = SysAllocStringLen(units, 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(bstrToUtf8(text), std::string("a\0b", 3));
  SysFreeString(text);
  EXPECT_EQ(bstrToUtf8(nullptr), "");
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");      // cut short
  EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");    // lone surrogate
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("µs € 𝄞")), "µs € 𝄞");
}

}  // namespace
}  // namespace trv3::com
