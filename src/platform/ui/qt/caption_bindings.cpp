// Labels, frames, command buttons and check boxes: controls that show a caption.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/ui/qt/control_bindings.h"

namespace trv3::ui::qt {
namespace {

// Shows the model's caption with the widget's own setter (a frame's is its title).
template <class Model, class Widget>
class CaptionBinding : public ControlBinding {
 public:
  using ShowCaption = void (Widget::*)(const QString&);

  CaptionBinding(Model& model, Widget& widget, UserActionGuard& guard, ShowCaption showCaption)
      : ControlBinding(model, widget, guard), model_(model), widget_(widget), showCaption_(showCaption) {}

 protected:
  void refresh(Property property) override {
    if (property == Property::Caption) (widget_.*showCaption_)(QString::fromStdString(model_.caption()));
  }

  Model& model_;
  Widget& widget_;

 private:
  ShowCaption showCaption_;
};

class CommandButtonBinding : public CaptionBinding<CommandButton, QPushButton> {
 public:
  CommandButtonBinding(CommandButton& button, QPushButton& widget, UserActionGuard& guard)
      : CaptionBinding(button, widget, guard, &QPushButton::setText) {
    // The forms have no default button: Enter presses only the button that has the focus (the
    // window sees to that), never one Qt would pick.
    widget_.setAutoDefault(false);
    listen(QObject::connect(&widget_, &QPushButton::clicked, [this] { this->guard().run([this] { model_.userClick(); }); }));
  }
};

// The model decides what a click does to the box (a grey box becomes checked); the widget only
// shows the model's state.
class ModelCheckBox : public QCheckBox {
 public:
  ModelCheckBox(CheckBox& model, UserActionGuard& guard, QWidget& parent)
      : QCheckBox(&parent), model_(model), guard_(guard) {}

  void showValue() {
    switch (model_.value()) {
      case Checked: setCheckState(Qt::Checked); break;
      case Grayed: setCheckState(Qt::PartiallyChecked); break;
      default: setCheckState(Qt::Unchecked); break;
    }
  }

 protected:
  void nextCheckState() override {
    guard_.run([this] { model_.userClick(); });
    showValue();
  }

 private:
  CheckBox& model_;
  UserActionGuard& guard_;
};

class CheckBoxBinding : public CaptionBinding<CheckBox, ModelCheckBox> {
 public:
  CheckBoxBinding(CheckBox& box, ModelCheckBox& widget, UserActionGuard& guard)
      : CaptionBinding(box, widget, guard, &ModelCheckBox::setText) {}

 protected:
  void refresh(Property property) override {
    CaptionBinding::refresh(property);
    if (property == Property::Value) widget_.showValue();
  }
};

}  // namespace

std::unique_ptr<ControlBinding> bindLabel(Label& label, QWidget& parent, UserActionGuard& guard) {
  auto* widget = new QLabel(&parent);
  // A caption is text as written: tags in a language file are shown, never obeyed as markup.
  widget->setTextFormat(Qt::PlainText);
  // A label wraps its caption over the lines its height allows.
  widget->setWordWrap(true);
  widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return std::make_unique<CaptionBinding<Label, QLabel>>(label, *widget, guard, &QLabel::setText);
}

std::unique_ptr<ControlBinding> bindFrame(Frame& frame, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<CaptionBinding<Frame, QGroupBox>>(frame, *new QGroupBox(&parent), guard, &QGroupBox::setTitle);
}

std::unique_ptr<ControlBinding> bindCommandButton(CommandButton& button, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<CommandButtonBinding>(button, *new QPushButton(&parent), guard);
}

std::unique_ptr<ControlBinding> bindCheckBox(CheckBox& box, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<CheckBoxBinding>(box, *new ModelCheckBox(box, guard, parent), guard);
}

}  // namespace trv3::ui::qt
