// Which user interface the add-in shows its dialogs in: the Qt windows, or the script backend that
// plays a list of user actions without a window.
#pragma once

#include <optional>
#include <string>

namespace trv3::host {

enum class UiMode { Script, Qt };

std::string uiModeName(UiMode mode);
std::optional<UiMode> parseUiMode(const std::string& name);

// TRV3_UI when the user already set it; otherwise Qt when a display is there to show the dialog
// on (an offscreen Qt platform shows nothing, so it counts as none), else the script backend.
UiMode defaultUiMode();

// Whether Qt has a platform to start on: a display, or a platform named in QT_QPA_PLATFORM. Without
// one Qt aborts the whole process as the dialog opens.
bool qtPlatformAvailable();

}  // namespace trv3::host
