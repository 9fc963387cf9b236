#include "platform/ui/script_actions.h"

#include <array>
#include <utility>

#include "platform/runtime/conversions.h"

namespace trv3::ui {
namespace {

std::string_view trimmed(std::string_view text) { return trimBlanks(text, " \t\r"); }

ScriptAction::Kind kindOf(std::string_view word) {
  using Kind = ScriptAction::Kind;
  static constexpr std::array<std::pair<std::string_view, Kind>, 10> words{{
      {"tab", Kind::Tab},
      {"type", Kind::Type},
      {"channel", Kind::Channel},
      {"points", Kind::Points},
      {"check", Kind::Check},
      {"ok", Kind::Ok},
      {"cancel", Kind::Cancel},
      {"connect", Kind::Connect},
      {"close", Kind::Close},
      {"pick", Kind::Pick},
  }};
  const std::string lower = toLowerAscii(word);
  for (const auto& [name, kind] : words)
    if (lower == name) return kind;
  return Kind::Unknown;
}

ScriptAction parseAction(std::string_view text) {
  ScriptAction action;
  action.text = std::string(text);
  const auto space = text.find_first_of(" \t");
  const std::string_view word = text.substr(0, space);
  action.kind = kindOf(word);
  if (space != std::string_view::npos) {
    const std::string_view rest = text.substr(space + 1);
    // An address may legitimately hold blanks inside; only the separator blank is dropped.
    action.argument = std::string(action.kind == ScriptAction::Kind::Type ? rest : trimmed(rest));
  }
  return action;
}

}  // namespace

std::deque<ScriptAction> parseScript(std::string_view script) {
  std::deque<ScriptAction> actions;
  size_t start = 0;
  while (start <= script.size()) {
    const auto end = script.find_first_of(";\n", start);
    const std::string_view piece =
        trimmed(script.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (!piece.empty()) actions.push_back(parseAction(piece));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return actions;
}

}  // namespace trv3::ui
