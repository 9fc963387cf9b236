// Font resolution through fontconfig, for the backends that draw no window themselves.
#pragma once

#include <string>

namespace trv3::ui {

// The family fontconfig's best match for `name` carries: `name` itself when the match is a font of
// that family (same spelling), otherwise the substitute's first family name.
std::string fontconfigFamily(const std::string& name);

}  // namespace trv3::ui
