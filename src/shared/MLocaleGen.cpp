#include "shared/MLocaleGen.h"

#include "platform/language/language_catalog.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::MLocaleGen {
namespace {

constexpr std::string_view FamilyPattern = "LX2xx";
constexpr std::string_view SeriesName = "TRV3 series";

// The component loaded in this apartment, empty when none is.
thread_local language::LanguageComponentRef loadedComponent;

std::string withSeriesName(std::string text) {
  // Detection ignores letter case, the replacement itself does not.
  if (!containsNoCase(text, FamilyPattern)) return text;
  for (size_t at = text.find(FamilyPattern); at != std::string::npos;
       at = text.find(FamilyPattern, at + SeriesName.size()))
    text.replace(at, FamilyPattern.size(), SeriesName);
  return text;
}

}  // namespace

void loadLanguage(int32_t& code) {
  const language::LanguageCatalog catalog;
  loadedComponent.reset();
  language::LanguageComponentRef found;
  language::ComponentCollection components = catalog.FindComponents(LanguageCategory);
  while (const language::LanguageComponentRef component = components.Next()) {
    if (component->ComponentCountryCode() == code) {
      found = component;
      break;
    }
  }
  if (found) {
    loadedComponent = std::move(found);
    return;
  }
  if (code == 1) raise(rt::LanguageNotFound, "Did not find language", "openlang");
  int32_t fallback = 1;
  loadLanguage(fallback);
}

void releaseLanguage() { loadedComponent.reset(); }

std::string getLangText(int32_t id) {
  std::string text;
  resumeNext([&] {
    if (loadedComponent) text = loadedComponent->GetText(id);
  });
  return withSeriesName(std::move(text));
}

std::string getLangFontName() {
  std::string name;
  resumeNext([&] {
    if (loadedComponent) name = loadedComponent->FontName();
  });
  return name;
}

int32_t getLangFontSize() {
  int32_t size = 0;
  resumeNext([&] {
    if (loadedComponent) size = loadedComponent->FontSize();
  });
  return size;
}

}  // namespace trv3::MLocaleGen
