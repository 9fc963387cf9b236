#include "shared/MLocaleGen.h"

#include <gtest/gtest.h>

#include "shared/MGlobal.h"
#include "support/fake_languages.h"

namespace trv3 {
namespace {

using testing::FakeLanguages;

class LanguageStrings : public ::testing::Test {
 protected:
  ~LanguageStrings() override { MLocaleGen::releaseLanguage(); }
  FakeLanguages languages;
};

TEST_F(LanguageStrings, TheRequestedCodeIsLoaded) {
  languages.add(1, {{500, "WaveForm"}}, "DejaVu Sans", 8);
  languages.add(49, {{500, "Wellenform"}}, "DejaVu Serif", 9);
  int32_t code = 49;
  MLocaleGen::loadLanguage(code);
  EXPECT_EQ(MLocaleGen::getLangText(500), "Wellenform");
  EXPECT_EQ(MLocaleGen::getLangFontName(), "DejaVu Serif");
  EXPECT_EQ(MLocaleGen::getLangFontSize(), 9);
  EXPECT_EQ(languages.enumerations, 1);
  EXPECT_EQ(languages.lastCategory, "{5C3A91E2-47B0-11d4-9F2A-0A0017C4B6D3}");
}

TEST_F(LanguageStrings, ACodeWithoutComponentFallsBackToCodeOneAndKeepsTheStoredCode) {
  languages.add(1, {{500, "WaveForm"}});
  languages.add(49, {{500, "Wellenform"}});
  MGlobal::state().setCountryCode(com::Variant(int32_t{33}));
  EXPECT_EQ(MLocaleGen::getLangText(500), "WaveForm");
  EXPECT_EQ(MGlobal::state().countryCode(), 33);
  EXPECT_EQ(languages.enumerations, 2);
}

TEST_F(LanguageStrings, NoComponentForTheCodeNorForOneRaisesOpenlangOnceAfterTwoEnumerations) {
  languages.add(49, {{500, "Wellenform"}});
  int32_t code = 49;
  MLocaleGen::loadLanguage(code);
  int raised = 0;
  try {
    MGlobal::state().setCountryCode(com::Variant(int32_t{33}));
  } catch (const RuntimeError& e) {
    ++raised;
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040200u));
    EXPECT_EQ(e.source(), "openlang");
    EXPECT_EQ(e.description(), "Did not find language");
  }
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(languages.enumerations, 3);  // one for the earlier load, two for this one
  EXPECT_EQ(MGlobal::state().countryCode(), 33);
  // Nothing is loaded any more: every lookup is empty.
  EXPECT_EQ(MLocaleGen::getLangText(500), "");
  EXPECT_EQ(MLocaleGen::getLangFontName(), "");
  EXPECT_EQ(MLocaleGen::getLangFontSize(), 0);
}

TEST_F(LanguageStrings, AFailingCountryCodeRaisesToTheCallerAndLoadsNothing) {
  languages.add(1, {{500, "WaveForm"}})->failCountryCode = true;
  int32_t code = 1;
  EXPECT_THROW(MLocaleGen::loadLanguage(code), RuntimeError);
  EXPECT_EQ(MLocaleGen::getLangText(500), "");
}

TEST(LanguageLoader, ACatalogThatFailsRaisesToTheCaller) {
  language::ScopedComponentSource failing([](std::string_view) -> std::vector<language::LanguageComponentRef> {
    raise(rt::ObjectErrorBase + 9, "catalog unavailable", "catalog");
  });
  int32_t code = 1;
  try {
    MLocaleGen::loadLanguage(code);
    ADD_FAILURE() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.description(), "catalog unavailable");
  }
  EXPECT_EQ(MLocaleGen::getLangFontName(), "");
}

TEST_F(LanguageStrings, TheFirstOfTwoComponentsForOneCodeWins) {
  languages.add(1, {{500, "first"}});
  languages.add(1, {{500, "second"}});
  int32_t code = 1;
  MLocaleGen::loadLanguage(code);
  EXPECT_EQ(MLocaleGen::getLangText(500), "first");
}

TEST_F(LanguageStrings, TheFamilyPatternBecomesTheSeriesNameInEveryExactOccurrence) {
  languages.add(1, {{514, "Velmora LX2xx Scope (LX2xx)"},
                    {510, "Only lx2XX here"},
                    {512, "LX2XX upper and LX2xx exact"},
                    {504, "LX2xxLX2xx"}});
  int32_t code = 1;
  MLocaleGen::loadLanguage(code);
  EXPECT_EQ(MLocaleGen::getLangText(514), "Velmora TRV3 series Scope (TRV3 series)");
  EXPECT_EQ(MLocaleGen::getLangText(510), "Only lx2XX here");
  EXPECT_EQ(MLocaleGen::getLangText(512), "LX2XX upper and TRV3 series exact");
  EXPECT_EQ(MLocaleGen::getLangText(504), "TRV3 seriesTRV3 series");
}

TEST_F(LanguageStrings, LookupsAreEmptyWithoutAComponentOrForUnknownIds) {
  EXPECT_EQ(MLocaleGen::getLangText(500), "");
  EXPECT_EQ(MLocaleGen::getLangFontSize(), 0);
  languages.add(1, {{500, "WaveForm"}});
  int32_t code = 1;
  MLocaleGen::loadLanguage(code);
  EXPECT_EQ(MLocaleGen::getLangText(9999), "");
  MLocaleGen::releaseLanguage();
  EXPECT_EQ(MLocaleGen::getLangText(500), "");
}

TEST_F(LanguageStrings, SettingTheSameCodeAgainStillReloads) {
  languages.add(1, {{500, "WaveForm"}});
  MGlobal::state().setCountryCode(com::Variant(int32_t{1}));
  MGlobal::state().setCountryCode(com::Variant(int32_t{1}));
  EXPECT_EQ(languages.enumerations, 2);
}

}  // namespace
}  // namespace trv3
