#include "platform/ui/form.h"

#include <stdexcept>

#include "platform/ui/user_interface.h"

namespace trv3::ui {

Form::Form(std::string name, std::string designCaption, std::optional<int32_t> textId, int32_t clientWidth,
           int32_t clientHeight)
    : CaptionedControl(ControlKind::Form, std::move(name), Twips{0, 0, clientWidth, clientHeight},
                       std::move(designCaption), textId) {}

Control* Form::find(std::string_view name) const {
  for (const auto& control : controls_)
    if (control->name() == name) return control.get();
  return nullptr;
}

void Form::setMousePointer(int16_t pointer) {
  mousePointer_ = pointer;
  currentUserInterface().showMousePointer(*this, pointer);
}

void Form::setVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  notify(Property::Visibility);
}

void Form::showModal() {
  if (!loaded_) throw std::logic_error("form " + name() + " was unloaded and cannot be shown again");
  setVisible(true);
  currentUserInterface().runModal(*this);
}

void Form::hide() { setVisible(false); }

void Form::unload() {
  if (!loaded_) return;
  if (onUnload) onUnload();
  loaded_ = false;
  visible_ = false;
  // A view sees isLoaded() false and may drop its window.
  notify(Property::Visibility);
}

void Form::activated() {
  if (onActivate) onActivate();
}

}  // namespace trv3::ui
