#include "ui_choice.h"

#include <cstdlib>

namespace trv3::host {

namespace {

bool isSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

bool displayAvailable() {
  if (const char* platform = std::getenv("QT_QPA_PLATFORM")) {
    const std::string name(platform);
    if (name == "offscreen" || name == "minimal") return false;
  }
  return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

}  // namespace

bool qtPlatformAvailable() {
  return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

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
  return displayAvailable() ? UiMode::Qt : UiMode::Script;
}

}  // namespace trv3::host
