// The toolkit-neutral model of a dialog window: caption, font, its controls, the mouse pointer,
// and its life (shown modally, hidden, unloaded). A modal display runs through the current user
// interface (user_interface.h) and lasts until the form is hidden or unloaded; displays nest.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/controls.h"

namespace trv3::ui {

class Form : public CaptionedControl {
 public:
  Form(std::string name, std::string designCaption, std::optional<int32_t> textId, int32_t clientWidth,
       int32_t clientHeight);

  template <class T, class... Args>
  T& add(Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)...);
    T& added = *control;
    controls_.push_back(std::move(control));
    return added;
  }
  // The form's controls in the order they were added; the form itself is not among them.
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  Control* find(std::string_view name) const;

  // The button that the Escape key (and the script backend, when its actions are used up) presses.
  CommandButton* cancelButton() const { return cancelButton_; }
  void setCancelButton(CommandButton& button) { cancelButton_ = &button; }

  // 0 default, 11 hourglass; the current user interface shows it.
  int16_t mousePointer() const { return mousePointer_; }
  void setMousePointer(int16_t pointer);
  void repaint() const { notify(Property::Repaint); }
  void setFocus() const { notify(Property::Focus); }

  bool isLoaded() const { return loaded_; }
  bool isVisible() const { return visible_; }
  // Shows the form and returns when it has been hidden or unloaded.
  void showModal();
  // Ends the modal display and keeps the instance.
  void hide();
  // Runs onUnload, ends any modal display; the instance is not shown again.
  void unload();

  std::function<void()> onActivate;
  std::function<void()> onUnload;

  // User actions: the window became the active one; the window's close command.
  void activated();
  void userClose() { unload(); }

 private:
  void setVisible(bool visible);

  std::vector<std::unique_ptr<Control>> controls_;
  CommandButton* cancelButton_ = nullptr;
  int16_t mousePointer_ = DefaultPointer;
  bool loaded_ = true;
  bool visible_ = false;
};

}  // namespace trv3::ui
