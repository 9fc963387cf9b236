#include "platform/ui/fontconfig_fonts.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace trv3::ui {
namespace {

struct PatternRelease {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternRelease>;

const char* familyAt(FcPattern* pattern, int index) {
  FcChar8* family = nullptr;
  if (FcPatternGetString(pattern, FC_FAMILY, index, &family) != FcResultMatch) return nullptr;
  return reinterpret_cast<const char*>(family);
}

}  // namespace

std::string fontconfigFamily(const std::string& name) {
  // Built field by field: a parsed name would treat '-' and ':' in the family as syntax.
  Pattern request(FcPatternCreate());
  if (!request) return {};
  FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
  FcDefaultSubstitute(request.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, request.get(), &result));
  if (!match) return {};
  // A font may carry several family names (e.g. a localised one); the requested spelling counts.
  for (int i = 0; const char* family = familyAt(match.get(), i); ++i)
    if (name == family) return name;
  const char* first = familyAt(match.get(), 0);
  return first ? first : std::string();
}

}  // namespace trv3::ui
