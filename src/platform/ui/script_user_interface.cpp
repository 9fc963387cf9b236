#include "platform/ui/script_user_interface.h"

#include <charconv>
#include <optional>
#include <cstdlib>
#include <ostream>
#include <string_view>

#include "platform/ui/fontconfig_fonts.h"
#include "platform/ui/form.h"
#include "platform/ui/instrument_list_control.h"

namespace trv3::ui {
namespace {

template <class T>
T* controlNamed(const Form& form, std::string_view name) {
  return dynamic_cast<T*>(form.find(name));
}

template <class T>
T* firstOfKind(const Form& form) {
  for (const auto& control : form.controls())
    if (auto* found = dynamic_cast<T*>(control.get())) return found;
  return nullptr;
}

std::optional<int32_t> wholeNumber(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string joinedOrNone(const std::vector<std::string>& items) {
  if (items.empty()) return "none";
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : ", ") + item;
  return joined;
}

// What the user sees offered in a list: nothing while it is locked.
std::string offeredEntries(const ComboBox& list) {
  std::vector<std::string> texts;
  if (!list.locked()) {
    for (int32_t i = 0; i < list.listCount(); ++i) {
      const std::string& text = list.list(i);
      const auto first = text.find_first_not_of(' ');
      texts.push_back(first == std::string::npos ? std::string() : text.substr(first));
    }
  }
  return joinedOrNone(texts);
}

std::string withVisibleLineBreaks(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string notApplicable(const Form& form, const ScriptAction& action) {
  return "trv3: action \"" + action.text + "\" does not apply to " + form.name();
}

}  // namespace

ScriptUserInterface::ScriptUserInterface(std::string script, std::ostream& notices)
    : ScriptUserInterface([script = std::move(script)] { return script; }, notices) {}

ScriptUserInterface::ScriptUserInterface(std::function<std::string()> scriptSource, std::ostream& notices)
    : scriptSource_(std::move(scriptSource)), notices_(notices) {}

std::unique_ptr<ScriptUserInterface> ScriptUserInterface::fromEnvironment(std::ostream& notices) {
  auto source = [] {
    if (const char* script = std::getenv("TRV3_UI_SCRIPT")) return std::string(script);
    const char* chosen = std::getenv("TRV3_UI");
    return std::string(chosen && std::string_view(chosen) == "script" ? "ok" : "cancel");
  };
  return std::unique_ptr<ScriptUserInterface>(new ScriptUserInterface(source, notices));
}

void ScriptUserInterface::runModal(Form& form) {
  if (depth_ == 0) pending_ = parseScript(scriptSource_());
  struct Nesting {
    int& depth;
    explicit Nesting(int& d) : depth(d) { ++depth; }
    ~Nesting() { --depth; }
  } nesting(depth_);

  form.activated();
  while (form.isVisible()) {
    if (pending_.empty()) {
      finish(form);
      break;
    }
    const ScriptAction action = pending_.front();
    pending_.pop_front();
    if (const std::string complaint = apply(form, action); !complaint.empty()) abandon(form, complaint);
  }
}

std::string ScriptUserInterface::apply(Form& form, const ScriptAction& action) {
  using Kind = ScriptAction::Kind;
  switch (action.kind) {
    case Kind::Tab: {
      auto* tabs = firstOfKind<TabControl>(form);
      const auto index = wholeNumber(action.argument);
      if (!tabs || !index || *index < 0 || *index >= tabs->tabCount()) return notApplicable(form, action);
      tabs->userSelectTab(static_cast<int16_t>(*index));
      return {};
    }
    case Kind::Type: {
      auto* box = controlNamed<TextBox>(form, "txtAddress");
      if (!box) return notApplicable(form, action);
      box->userType(action.argument);
      return {};
    }
    case Kind::Channel: return pickChannel(form, action);
    case Kind::Points: return pickPoints(form, action);
    case Kind::Check: {
      auto* box = controlNamed<CheckBox>(form, "chkDigitize");
      if (!box) return notApplicable(form, action);
      if (box->value() != Checked) box->userClick();
      return {};
    }
    case Kind::Ok: return press(form, controlNamed<CommandButton>(form, "cmdOK"), action);
    case Kind::Cancel: return press(form, form.cancelButton(), action);
    case Kind::Connect: return press(form, controlNamed<CommandButton>(form, "cmdConnect"), action);
    case Kind::Close: form.userClose(); return {};
    case Kind::Pick: return pickInstrument(form, action);
    case Kind::Unknown: break;
  }
  return "trv3: unknown action \"" + action.text + "\"";
}

std::string ScriptUserInterface::press(const Form& form, CommandButton* button, const ScriptAction& action) {
  if (!button) return notApplicable(form, action);
  button->userClick();
  return {};
}

std::string ScriptUserInterface::pickChannel(const Form& form, const ScriptAction& action) {
  auto* list = controlNamed<ComboBox>(form, "cboChannel");
  if (!list) return notApplicable(form, action);
  // Entries count from 1; checked before the step to an index, which would overflow at the lowest number.
  if (const auto entry = wholeNumber(action.argument); entry && *entry >= 1 && list->userSelect(*entry - 1)) return {};
  return "trv3: channel " + action.argument + " not offered; offered: " + offeredEntries(*list);
}

std::string ScriptUserInterface::pickPoints(const Form& form, const ScriptAction& action) {
  auto* list = controlNamed<ComboBox>(form, "cboPoints");
  if (!list) return notApplicable(form, action);
  if (const auto points = wholeNumber(action.argument)) {
    for (int32_t i = 0; i < list->listCount(); ++i)
      if (list->itemData(i) == *points && list->userSelect(i)) return {};
  }
  return "trv3: points " + action.argument + " not offered; offered: " + offeredEntries(*list);
}

std::string ScriptUserInterface::pickInstrument(const Form& form, const ScriptAction& action) {
  auto* list = firstOfKind<InstrumentListControl>(form);
  if (!list) return notApplicable(form, action);
  const auto entries = list->entriesAfterSearch();
  std::optional<size_t> index;
  if (const auto number = wholeNumber(action.argument)) {
    if (*number >= 1 && static_cast<size_t>(*number) <= entries.size()) index = static_cast<size_t>(*number - 1);
  } else {
    for (size_t i = 0; i < entries.size() && !index; ++i)
      if (entries[i].address == action.argument) index = i;
  }
  if (index && list->userPick(*index)) return {};
  std::vector<std::string> found;
  for (const auto& entry : entries) found.push_back(entry.address + (entry.selectable ? "" : " (unsupported)"));
  return "trv3: instrument " + action.argument + " cannot be picked; found: " + joinedOrNone(found);
}

void ScriptUserInterface::finish(Form& form) {
  if (CommandButton* cancel = form.cancelButton()) cancel->userClick();
  if (form.isVisible()) form.userClose();
}

void ScriptUserInterface::abandon(Form& form, const std::string& complaint) {
  notices_ << complaint << '\n';
  pending_.clear();
  finish(form);
}

void ScriptUserInterface::showMessage(const std::string& text, const std::string& title) {
  messages_.push_back({text, title});
  notices_ << "message: " << withVisibleLineBreaks(text) << '\n';
}

std::string ScriptUserInterface::resolveFontFamily(const std::string& name) {
  auto found = fontFamilies_.find(name);
  if (found == fontFamilies_.end()) found = fontFamilies_.emplace(name, fontconfigFamily(name)).first;
  return found->second;
}

void ScriptUserInterface::showMousePointer(const Form&, int16_t pointer) { mousePointers_.push_back(pointer); }

}  // namespace trv3::ui
