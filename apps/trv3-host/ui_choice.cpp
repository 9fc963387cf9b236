#include "ui_choice.h"

#include <cstdlib>

#include "platform/ui/user_interface.h"

namespace trv3::host {

bool screenForDialog() { return ui::screenAvailable(std::getenv); }

std::string uiModeName(UiMode mode) { return mode == UiMode::Qt ? "qt" : "script"; }

std::optional<UiMode> parseUiMode(const std::string& name) {
  if (name == "script") return UiMode::Script;
  if (name == "qt") return UiMode::Qt;
  return std::nullopt;
}

UiMode defaultUiMode() {
  if (const char* chosen = std::getenv("TRV3_UI")) {
    if (auto mode = parseUiMode(chosen)) return *mode;
  }
  return screenForDialog() ? UiMode::Qt : UiMode::Script;
}

}  // namespace trv3::host
