#include "platform/ui/fontconfig_fonts.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <type_traits>

#include "platform/runtime/errors.h"
#include "platform/runtime/loaded_library.h"

namespace trv3::ui {
namespace {

// fontconfig brings FreeType, PNG and compression libraries, which cost a host more to load than
// most of the add-in; they are loaded at the first font lookup, not with the add-in.
struct Fontconfig {
  decltype(&FcPatternCreate) patternCreate;
  decltype(&FcPatternDestroy) patternDestroy;
  decltype(&FcPatternAddString) patternAddString;
  decltype(&FcPatternGetString) patternGetString;
  decltype(&FcConfigSubstitute) configSubstitute;
  decltype(&FcDefaultSubstitute) defaultSubstitute;
  decltype(&FcFontMatch) fontMatch;
  std::string failure;  // why fontconfig is not there; empty when it is
};

const Fontconfig& fontconfig() {
  static const Fontconfig loaded = [] {
    LoadedLibrary library("libfontconfig.so.1");
    Fontconfig functions{};
    const auto bind = [&](auto& slot, const char* name) {
      slot = library.function<std::remove_reference_t<decltype(slot)>>(name);
    };
    bind(functions.patternCreate, "FcPatternCreate");
    bind(functions.patternDestroy, "FcPatternDestroy");
    bind(functions.patternAddString, "FcPatternAddString");
    bind(functions.patternGetString, "FcPatternGetString");
    bind(functions.configSubstitute, "FcConfigSubstitute");
    bind(functions.defaultSubstitute, "FcDefaultSubstitute");
    bind(functions.fontMatch, "FcFontMatch");
    functions.failure = library.failure();
    return functions;
  }();
  if (!loaded.failure.empty()) raise(rt::FileNotFound, "Fonts cannot be looked up: " + loaded.failure, "fonts");
  return loaded;
}

struct PatternRelease {
  void operator()(FcPattern* pattern) const { fontconfig().patternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternRelease>;

const char* familyAt(FcPattern* pattern, int index) {
  FcChar8* family = nullptr;
  if (fontconfig().patternGetString(pattern, FC_FAMILY, index, &family) != FcResultMatch) return nullptr;
  return reinterpret_cast<const char*>(family);
}

}  // namespace

std::string fontconfigFamily(const std::string& name) {
  const Fontconfig& fc = fontconfig();
  // Built field by field: a parsed name would treat '-' and ':' in the family as syntax.
  Pattern request(fc.patternCreate());
  if (!request) return {};
  fc.patternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  fc.configSubstitute(nullptr, request.get(), FcMatchPattern);
  fc.defaultSubstitute(request.get());
  FcResult result = FcResultNoMatch;
  Pattern match(fc.fontMatch(nullptr, request.get(), &result));
  if (!match) return {};
  // A font may carry several family names (e.g. a localised one); the requested spelling counts.
  for (int i = 0; const char* family = familyAt(match.get(), i); ++i)
    if (name == family) return name;
  const char* first = familyAt(match.get(), 0);
  return first ? first : std::string();
}

}  // namespace trv3::ui
