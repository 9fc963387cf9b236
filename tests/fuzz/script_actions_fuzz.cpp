// The script backend's actions (TRV3_UI_SCRIPT) as people and programs write them: parsed, then
// played against a set-up dialog whose connect button shows a connect dialog the way the add-in's
// does, with an instrument list that needs no network.
#include <any>
#include <deque>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_target.h"
#include "platform/ui/form.h"
#include "platform/ui/instrument_list_control.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "support/setup_like_dialog.h"

namespace {

using trv3::ui::ScriptAction;

bool sameActions(const std::deque<ScriptAction>& a, const std::deque<ScriptAction>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].kind != b[i].kind || a[i].argument != b[i].argument || a[i].text != b[i].text) return false;
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void checkParsed(std::string_view script, const std::deque<ScriptAction>& actions) {
  std::string rejoined;
  size_t from = 0;
  for (const ScriptAction& action : actions) {
    const std::string& text = action.text;
    // One action as written: never blank, never holding a separator, its blanks around removed.
    if (text.empty() || text.find_first_of(";\n") != std::string::npos) __builtin_trap();
    if (isBlank(text.front()) || isBlank(text.back())) __builtin_trap();
    // Taken from the script in order.
    const size_t at = script.find(text, from);
    if (at == std::string_view::npos) __builtin_trap();
    from = at + text.size();
    // The argument is what follows the word; only `type` keeps blanks around it.
    const std::string& argument = action.argument;
    if (argument.size() >= text.size() || text.compare(text.size() - argument.size(), argument.size(), argument) != 0)
      __builtin_trap();
    if (text.find_first_of(" \t") == std::string::npos && !argument.empty()) __builtin_trap();
    const bool keepsBlanks = action.kind == ScriptAction::Kind::Type;
    if (!keepsBlanks && !argument.empty() && (isBlank(argument.front()) || isBlank(argument.back()))) __builtin_trap();
    rejoined += text + ';';
  }
  // Actions written back one per piece read as the same actions.
  if (!sameActions(trv3::ui::parseScript(rejoined), actions)) __builtin_trap();
}

class FoundInstruments : public trv3::ui::InstrumentListControl {
 public:
  explicit FoundInstruments(trv3::ui::TextBox* address)
      : InstrumentListControl("VlmDiscoveryCtl1", "Fuzz.List", trv3::ui::Twips{}, std::any()), address_(address) {}
  std::vector<Entry> entriesAfterSearch() override {
    return {{"TCPIP::127.0.0.1::inst0::INSTR", true}, {"GPIB0::7::INSTR", false}};
  }
  bool userPick(size_t index) override {
    if (index != 0) return false;
    if (address_) address_->userType(entriesAfterSearch()[index].address);
    return true;
  }

 private:
  trv3::ui::TextBox* address_;
};

struct ConnectDialog {
  trv3::ui::Form form{"FConnect", "Connect", 507, 8310, 4590};
  FoundInstruments& list = form.add<FoundInstruments>(nullptr);
  trv3::ui::CommandButton& ok = form.add<trv3::ui::CommandButton>("cmdOK", trv3::ui::Twips{}, "&Close", 202);
  trv3::ui::CommandButton& cancel = form.add<trv3::ui::CommandButton>("cmdCancel", trv3::ui::Twips{}, "C&ancel", 201);

  ConnectDialog() {
    form.setCancelButton(cancel);
    ok.onClick = [this] { form.unload(); };
    cancel.onClick = [this] { form.unload(); };
  }
};

// The set-up dialog's connect button as the add-in's: hide, show the connect dialog, show again.
void connectLikeTheAddIn(trv3::ui::SetupLikeDialog& dialog) {
  dialog.form.add<FoundInstruments>(&dialog.address);
  dialog.connect.onClick = [&dialog] {
    dialog.form.hide();
    ConnectDialog().form.showModal();
    dialog.form.showModal();
  };
}

void checkPlayed(const std::deque<ScriptAction>& actions, const std::string& script) {
  std::ostringstream notices;
  trv3::ui::ScriptUserInterface backend(script, notices);
  trv3::ui::ScopedUserInterface use(backend);
  trv3::ui::SetupLikeDialog dialog;
  connectLikeTheAddIn(dialog);
  dialog.form.showModal();
  // The display always ends.
  if (dialog.form.isVisible()) __builtin_trap();
  // An action that cannot be carried out ends the display with one notice line; no other notices.
  const std::string told = notices.str();
  if (!told.empty() && (told.rfind("trv3: ", 0) != 0 || told.find('\n') != told.size() - 1)) __builtin_trap();
  if (!actions.empty() && actions.front().kind == ScriptAction::Kind::Unknown &&
      told != "trv3: unknown action \"" + actions.front().text + "\"\n")
    __builtin_trap();
}

}  // namespace

TRV3_FUZZ_TARGET(script_actions) {
  const std::string_view script = trv3::fuzz::asText(input);
  const auto actions = trv3::ui::parseScript(script);
  checkParsed(script, actions);
  checkPlayed(actions, std::string(script));
}
