// The user interface "qt": the dialogs as real modal Qt windows, message boxes with an OK button
// only, the hourglass pointer, and fonts resolved to the family Qt really draws with. It works in a
// host that runs a Qt application of its own and in one that does not (see widget_application.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/user_interface.h"

namespace trv3::ui::qt {

class FormDialog;

class QtUserInterface : public UserInterface {
 public:
  void runModal(Form& form) override;
  void showMessage(const std::string& text, const std::string& title) override;
  std::string resolveFontFamily(const std::string& name) override;
  void showMousePointer(const Form& form, int16_t pointer) override;

 private:
  // The windows of the displays under way, innermost last.
  std::vector<FormDialog*> displays_;
};

// The backend, or nullptr, with why, when Qt cannot open windows in this process.
std::unique_ptr<UserInterface> createQtUserInterface(std::string& whyNot);

}  // namespace trv3::ui::qt
