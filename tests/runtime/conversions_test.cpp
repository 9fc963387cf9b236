#include "platform/runtime/conversions.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "platform/runtime/errors.h"
#include "support/comma_decimal_locale.h"
#include "support/runtime_error_matchers.h"

namespace trv3 {
namespace {

using testing::errorNumberOf;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(toInt32(2.5), 2);
  EXPECT_EQ(toInt32(3.5), 4);
  EXPECT_EQ(toInt32(-2.5), -2);
  EXPECT_EQ(toInt32(1000.5), 1000);
  EXPECT_EQ(toInt32(1001.5), 1002);
  EXPECT_EQ(toInt32(33025.0079), 33025);
}

// A host may have set another rounding mode for its own arithmetic.
TEST(Rounding, HalvesGoToTheEvenNeighbourInEveryRoundingMode) {
  const double values[] = {2.5, 3.5, -2.5, 32.5, 33.4, -33.6, 0.49999999999999994};
  const double rounded[] = {2, 4, -2, 32, 33, -34, 0};
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    std::fesetround(mode);
    for (size_t i = 0; i < std::size(values); ++i)
      EXPECT_EQ(roundHalfEven(values[i]), rounded[i]) << "mode " << mode << ", " << values[i];
  }
  std::fesetround(FE_TONEAREST);
}

// A Qt application sets the user's locale, whose decimal separator may be ",": numbers from
// instruments and the texts of numbers must not follow it.
TEST(Numeric, TheLocaleOfTheProcessHasNoSay) {
  testing::CommaDecimalLocale comma;
  ASSERT_NE(std::setlocale(LC_ALL, testing::CommaDecimalLocale::Name), nullptr);
  EXPECT_EQ(std::localeconv()->decimal_point, std::string(","));
  EXPECT_EQ(parseNumeric("1.0E-05"), 1e-5);
  EXPECT_EQ(parseNumeric("1,5"), std::nullopt);
  EXPECT_EQ(leadingNumber("2.5 V"), 2.5);
  EXPECT_EQ(formatSignificant(0.000990005, 15), "0.000990005");
  EXPECT_EQ(formatSignificant(-1.5e-20, 7), "-1.5E-20");
}

TEST(Rounding, OutOfRangeIsOverflowAndNaNIsFloatingPoint) {
  EXPECT_EQ(toInt32(2147483647.4), 2147483647);
  EXPECT_EQ(errorNumberOf([] { toInt32(2147483647.5); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { toInt32(-2147483649.0); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { toInt16(32767.5); }), rt::Overflow);
  EXPECT_EQ(toInt16(-32768.4), -32768);
  EXPECT_EQ(errorNumberOf([] { toInt32(std::numeric_limits<double>::quiet_NaN()); }), rt::FloatingPoint);
}

TEST(Numeric, AcceptsBlanksSignsDecimalsAndExponents) {
  EXPECT_EQ(parseNumeric(" 1 "), 1.0);
  EXPECT_EQ(parseNumeric("2.5"), 2.5);
  EXPECT_EQ(parseNumeric("-1"), -1.0);
  EXPECT_EQ(parseNumeric("1.7E+01"), 17.0);
  EXPECT_EQ(parseNumeric("+1.00000000E-06"), 1e-6);
  EXPECT_EQ(parseNumeric(".5"), 0.5);
  for (const char* text : {"", " ", "-", "POD1", "1 - On", "1e", "math ", "1.2.3", "0x10"})
    EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
}

TEST(Numeric, LeadingNumberStopsAtTheFirstForeignCharacter) {
  EXPECT_EQ(leadingNumber("  16\n"), 16.0);
  EXPECT_EQ(leadingNumber("1.7E+01"), 17.0);
  EXPECT_EQ(leadingNumber("17abc"), 17.0);
  EXPECT_EQ(leadingNumber("12E"), 12.0);
  EXPECT_EQ(leadingNumber("AVER"), 0.0);
  EXPECT_EQ(leadingNumber(""), 0.0);
}

TEST(Numeric, TextToDoubleRefusesWhatIsNotANumber) {
  EXPECT_EQ(textToDouble("03.10"), 3.1);
  EXPECT_EQ(errorNumberOf([] { textToDouble("A.01.2"); }), rt::TypeMismatch);
  EXPECT_EQ(textToInt32(" 3 "), 3);
  EXPECT_EQ(errorNumberOf([] { textToInt32("abc"); }), rt::TypeMismatch);
}

TEST(Booleans, NumbersAndWordsConvert) {
  EXPECT_FALSE(textToBool("0"));
  EXPECT_TRUE(textToBool("1"));
  EXPECT_TRUE(textToBool("-3.5"));
  EXPECT_TRUE(textToBool("True"));
  EXPECT_FALSE(textToBool("false"));
  EXPECT_EQ(errorNumberOf([] { textToBool("ON"); }), rt::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { textToBool(""); }), rt::TypeMismatch);
}

TEST(Text, SubstringTestsRespectOrIgnoreCase) {
  EXPECT_TRUE(containsNoCase("Velmora Instruments", "VELMORA"));
  EXPECT_FALSE(contains("Velmora", "velmora"));
  EXPECT_TRUE(contains("TRV30K2A,TRV30K4A", "TRV30K2"));
  EXPECT_EQ(toUpperAscii("pod2 - Off"), "POD2 - OFF");
}

}  // namespace
}  // namespace trv3
