#include "platform/ui/qt/control_bindings.h"

#include <stdexcept>

namespace trv3::ui::qt {

std::unique_ptr<ControlBinding> bindControl(Control& control, QWidget& parent, UserActionGuard& guard) {
  switch (control.kind()) {
    case ControlKind::Label: return bindLabel(static_cast<Label&>(control), parent, guard);
    case ControlKind::Frame: return bindFrame(static_cast<Frame&>(control), parent, guard);
    case ControlKind::CommandButton: return bindCommandButton(static_cast<CommandButton&>(control), parent, guard);
    case ControlKind::CheckBox: return bindCheckBox(static_cast<CheckBox&>(control), parent, guard);
    case ControlKind::TextBox: return bindTextBox(static_cast<TextBox&>(control), parent, guard);
    case ControlKind::ComboBox: return bindComboBox(static_cast<ComboBox&>(control), parent, guard);
    case ControlKind::TabControl: return bindTabControl(static_cast<TabControl&>(control), parent, guard);
    case ControlKind::InstrumentList:
      return bindInstrumentList(static_cast<InstrumentListControl&>(control), parent, guard);
    case ControlKind::Form: break;
  }
  throw std::logic_error("a form cannot be placed on a form: " + control.name());
}

}  // namespace trv3::ui::qt
