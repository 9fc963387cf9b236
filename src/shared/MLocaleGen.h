// Language strings: the loaded language component of this apartment and the lookups on it.
#pragma once

#include <cstdint>
#include <string>

namespace trv3::MLocaleGen {

constexpr const char* LanguageCategory = "{5C3A91E2-47B0-11d4-9F2A-0A0017C4B6D3}";

// Finds and loads the component for the code, falling back to code 1; raises 0x80040200
// ("openlang", "Did not find language") when neither exists.
void loadLanguage(int32_t& code);
void releaseLanguage();

// Lookups never fail: empty text (font size 0) on any failure. Texts get "LX2xx" -> "TRV3 series".
std::string getLangText(int32_t id);
std::string getLangFontName();
int32_t getLangFontSize();

}  // namespace trv3::MLocaleGen
