// The window of one modal display of a form: built from the form model (controls, captions,
// fonts, the design geometry), shown with QDialog::exec, and ended when the model hides or unloads
// the form. A form shown again inside its own handler (the set-up dialog after the connect dialog)
// gets a window of its own for that display, as Qt runs one exec per dialog at a time.
#pragma once

#include <QDialog>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/form.h"
#include "platform/ui/qt/control_binding.h"
#include "platform/ui/qt/twips_scale.h"
#include "platform/ui/qt/user_action_guard.h"

namespace trv3::ui::qt {

class FormDialog : public QDialog, public UserActionGuard {
 public:
  FormDialog(Form& form, TwipsScale scale);
  ~FormDialog() override;

  const Form& form() const { return form_; }

  // Shows the window modally and returns when the form has been hidden or unloaded; raises again
  // the error of a handler that ended the display.
  void runDisplay();

  void showMousePointer(int16_t pointer);

  // Runs a handler of the model for a user action of this window.
  void run(const std::function<void()>& action) override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The window's close command.
  void closeEvent(QCloseEvent* event) override;
  // Enter presses the button that has the focus.
  void keyPressEvent(QKeyEvent* event) override;
  // The Escape key presses the form's Cancel button.
  void reject() override;

 private:
  // Binds the control, after the control that holds it.
  ControlBinding& bind(Control& control);
  Control& controlOnForm(const Control& control) const;
  void changed(Property property);
  // Ends the display: the window goes, and no later user action of it reaches the model.
  void end();
  // The form is told once per display that its window became active: at the first activation, or
  // right after the show where the platform activates no window. Always from the event loop, so
  // that a handler ending the display finds the display running.
  void activateLater();
  void activate();

  Form& form_;
  TwipsScale scale_;
  std::vector<std::unique_ptr<ControlBinding>> bindings_;
  std::map<const Control*, ControlBinding*> bound_;
  int listener_;
  bool activationPending_ = true;
  bool ended_ = false;
  std::exception_ptr error_;
};

}  // namespace trv3::ui::qt
