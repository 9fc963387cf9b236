// The user interface "qt" lives in a module of its own, vlmWFRM_TRV3_qt.so beside the add-in, so
// that only processes which show a Qt dialog load Qt. The module exports one function, which makes
// the backend, or gives nullptr and says why when Qt cannot work in this process (no reachable
// display).
#pragma once

#include <string>

namespace trv3::ui {

class UserInterface;

inline constexpr const char* QtModuleFileName = "vlmWFRM_TRV3_qt.so";
inline constexpr const char* QtModuleEntryName = "trv3CreateQtUserInterface";
using QtModuleEntry = UserInterface* (*)(std::string& whyNot);

}  // namespace trv3::ui
