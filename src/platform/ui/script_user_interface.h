// The user interface without a window, for tests and the command-line host: it drives each modal
// form from a list of user actions.
//
// The host passes the actions in the environment variable TRV3_UI_SCRIPT; they are read afresh at
// each outermost modal display. When it is unset the single action is `ok` if the script backend
// was asked for by name (TRV3_UI=script), else `cancel`: reached for want of a screen, nobody is
// there to confirm, and no waveform may be taken unconfirmed. Actions are separated
// by ";" or line breaks and apply one at a time, after the form's activation, to the form that is
// shown modally at that moment:
//
//   tab N          select tab N of the form's tab control
//   type TEXT      set the text of txtAddress to TEXT (one change)
//   channel N      pick entry N (1-based) of cboChannel
//   points N       pick the cboPoints entry whose value is N
//   check          tick chkDigitize
//   ok             press cmdOK
//   cancel         press the form's Cancel button
//   connect        press cmdConnect
//   close          the window's close command
//   pick N         (connect dialog) wait for the search to end, then pick found instrument N (1-based)
//   pick ADDRESS   (connect dialog) the same, picking the found instrument with that address
//
// An action that cannot be carried out is told on stderr (for `points N`:
// "trv3: points N not offered; offered: 100, 250, 500, 1000"), the remaining actions are dropped
// and the form's Cancel is pressed. When the actions are used up while a form is still shown, its
// Cancel is pressed too (and, should that not end the display, its close command), so a display
// never hangs. Every message box is printed on stderr as "message: " + its text, line breaks
// written as the two characters \n, and kept in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/script_actions.h"
#include "platform/ui/user_interface.h"

namespace trv3::ui {

class CommandButton;

class ScriptUserInterface : public UserInterface {
 public:
  struct Message {
    std::string text;
    std::string title;
  };

  // Plays `script` at each outermost modal display.
  explicit ScriptUserInterface(std::string script, std::ostream& notices);
  // Plays TRV3_UI_SCRIPT, or when it is unset `ok` after TRV3_UI=script and `cancel` otherwise.
  static std::unique_ptr<ScriptUserInterface> fromEnvironment(std::ostream& notices);

  void runModal(Form& form) override;
  void showMessage(const std::string& text, const std::string& title) override;
  std::string resolveFontFamily(const std::string& name) override;
  void showMousePointer(const Form& form, int16_t pointer) override;

  const std::vector<Message>& messages() const { return messages_; }
  const std::vector<int16_t>& mousePointers() const { return mousePointers_; }

 private:
  ScriptUserInterface(std::function<std::string()> scriptSource, std::ostream& notices);

  // Carries out one action; returns the complaint when it could not be, else empty text.
  std::string apply(Form& form, const ScriptAction& action);
  std::string press(const Form& form, CommandButton* button, const ScriptAction& action);
  std::string pickChannel(const Form& form, const ScriptAction& action);
  std::string pickPoints(const Form& form, const ScriptAction& action);
  std::string pickInstrument(const Form& form, const ScriptAction& action);
  // Presses Cancel and, if the form is still shown, closes it.
  void finish(Form& form);
  void abandon(Form& form, const std::string& complaint);

  std::function<std::string()> scriptSource_;
  std::ostream& notices_;
  std::deque<ScriptAction> pending_;
  int depth_ = 0;
  std::vector<Message> messages_;
  std::vector<int16_t> mousePointers_;
  // Each name is matched once: a dialog asks for the same font for every one of its controls, and a
  // fontconfig match costs more than the rest of a fetch's work.
  std::map<std::string, std::string> fontFamilies_;
};

}  // namespace trv3::ui
