// A combo box: the model's entries with their item data and selection; the user picks from the
// list, and a locked list refuses.
#include <QComboBox>
#include <QSignalBlocker>

#include "platform/ui/qt/control_bindings.h"

namespace trv3::ui::qt {
namespace {

class ComboBoxBinding : public ControlBinding {
 public:
  ComboBoxBinding(ComboBox& box, QComboBox& widget, UserActionGuard& guard)
      : ControlBinding(box, widget, guard), box_(box), widget_(widget) {
    // activated comes from the user only.
    listen(QObject::connect(&widget_, &QComboBox::activated, [this](int index) {
      this->guard().run([this, index] { box_.userSelect(index); });
      // A refused pick (a locked list) shows the model's selection again.
      showSelection();
    }));
  }

 protected:
  void refresh(Property property) override {
    switch (property) {
      case Property::Items:
      case Property::ItemData: showEntries(); break;
      case Property::Selection: showSelection(); break;
      // The user cannot change a locked list; it is shown as such.
      case Property::Locked: widget_.setEnabled(!box_.locked()); break;
      default: break;
    }
  }

 private:
  void showEntries() {
    const QSignalBlocker quiet(widget_);
    widget_.clear();
    for (int32_t index = 0; index < box_.listCount(); ++index)
      widget_.addItem(QString::fromStdString(box_.list(index)), box_.itemData(index));
    widget_.setCurrentIndex(box_.listIndex());
  }

  void showSelection() {
    const QSignalBlocker quiet(widget_);
    widget_.setCurrentIndex(box_.listIndex());
  }

  ComboBox& box_;
  QComboBox& widget_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindComboBox(ComboBox& box, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<ComboBoxBinding>(box, *new QComboBox(&parent), guard);
}

}  // namespace trv3::ui::qt
