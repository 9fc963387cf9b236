#include "dialogs/language_font.h"

#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "shared/MLocaleGen.h"

namespace trv3 {

void applyLanguageFontToControls(const ui::Form& form) {
  for (const auto& control : form.controls()) {
    if (!control->hasFont()) continue;
    resumeNext([&] { control->setFontName(MLocaleGen::getLangFontName()); });
    resumeNext([&] { control->setFontSize(MLocaleGen::getLangFontSize()); });
  }
}

}  // namespace trv3
