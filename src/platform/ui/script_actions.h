// The user actions that the script backend plays, parsed from their text form (see
// script_user_interface.h for the list).
#pragma once

#include <deque>
#include <string>
#include <string_view>

namespace trv3::ui {

struct ScriptAction {
  enum class Kind { Tab, Type, Channel, Points, Check, Ok, Cancel, Connect, Close, Pick, Unknown };
  Kind kind = Kind::Unknown;
  std::string argument;  // the rest of the action after its word, blanks around it removed
  std::string text;      // the action as written, for notices
};

// Splits at ";" and line breaks; blank actions are dropped. The action word ignores letter case;
// `type` keeps its text exactly (inner blanks included).
std::deque<ScriptAction> parseScript(std::string_view script);

}  // namespace trv3::ui
