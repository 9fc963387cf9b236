#include "platform/ui/qt/control_binding.h"

namespace trv3::ui::qt {

void applyModelFont(QWidget& widget, const Font& font) {
  if (font.name.empty() && font.size <= 0) return;
  QFont shown = widget.font();
  if (!font.name.empty()) shown.setFamily(QString::fromStdString(font.name));
  if (font.size > 0) shown.setPointSize(font.size);
  widget.setFont(shown);
}

ControlBinding::ControlBinding(Control& control, QWidget& widget, UserActionGuard& guard)
    : control_(control), widget_(widget), guard_(guard),
      listener_(control.changed.connect([this](Property property) { changed(property); })) {
  widget_.setObjectName(QString::fromStdString(control.name()));
}

ControlBinding::~ControlBinding() {
  control_.changed.disconnect(listener_);
  for (const auto& connection : connections_) QObject::disconnect(connection);
}

QWidget& ControlBinding::containerFor(int16_t) { return widget_; }

void ControlBinding::start(const TwipsScale& scale) {
  scale_ = &scale;
  applyModelFont(widget_, control_.font());
  for (Property property : {Property::Caption, Property::Text, Property::Items, Property::ItemData,
                            Property::Selection, Property::Locked, Property::Value, Property::TabCaption,
                            Property::SelectedTab})
    refresh(property);
  place();
}

void ControlBinding::changed(Property property) {
  switch (property) {
    case Property::Font:
      applyModelFont(widget_, control_.font());
      // A control without a designed height (a combo box) follows its font.
      if (!control_.geometry().height) place();
      return;
    case Property::Repaint:
      // At once: the handler that asks for it goes on to block the thread.
      widget_.repaint();
      return;
    default:
      refresh(property);
  }
}

void ControlBinding::place() {
  if (scale_) widget_.setGeometry(scale_->rect(control_.geometry(), widget_.sizeHint().height()));
}

}  // namespace trv3::ui::qt
