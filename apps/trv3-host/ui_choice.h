// Which user interface the add-in shows its dialogs in: the Qt windows, or the script backend that
// plays a list of user actions without a window.
#pragma once

#include <optional>
#include <string>

namespace trv3::host {

enum class UiMode { Script, Qt };

std::string uiModeName(UiMode mode);
std::optional<UiMode> parseUiMode(const std::string& name);

// TRV3_UI when the user already set it; otherwise Qt when a screen is there to show the dialog on,
// else the script backend.
UiMode defaultUiMode();

// Whether the Qt dialog would appear on a screen (ui::screenAvailable): an offscreen or minimal
// platform would keep it invisible and the fetch waiting for ever, and xcb without DISPLAY would
// make Qt abort the process.
bool screenForDialog();

}  // namespace trv3::host
