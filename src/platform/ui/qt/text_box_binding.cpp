// A text box: every edit the user makes is one change of the model's text.
#include <QLineEdit>

#include "platform/ui/qt/control_bindings.h"

namespace trv3::ui::qt {
namespace {

class TextBoxBinding : public ControlBinding {
 public:
  TextBoxBinding(TextBox& box, QLineEdit& widget, UserActionGuard& guard)
      : ControlBinding(box, widget, guard), box_(box), widget_(widget) {
    // textEdited comes from the user only, never from setText.
    listen(QObject::connect(&widget_, &QLineEdit::textEdited, [this](const QString& text) {
      this->guard().run([this, typed = text.toStdString()] { box_.userType(typed); });
      showText();
    }));
  }

 protected:
  void refresh(Property property) override {
    if (property == Property::Text) showText();
  }

 private:
  void showText() {
    const QString text = QString::fromStdString(box_.text());
    // Leaves the cursor where the user is typing when the model took the text as typed.
    if (widget_.text() != text) widget_.setText(text);
  }

  TextBox& box_;
  QLineEdit& widget_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindTextBox(TextBox& box, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<TextBoxBinding>(box, *new QLineEdit(&parent), guard);
}

}  // namespace trv3::ui::qt
