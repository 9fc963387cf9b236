// The widget for each kind of control on a dialog, bound to its model.
#pragma once

#include <memory>

#include "platform/ui/controls.h"
#include "platform/ui/instrument_list_control.h"
#include "platform/ui/qt/control_binding.h"

namespace trv3::ui::qt {

// A widget of the control's kind, created inside `parent`.
std::unique_ptr<ControlBinding> bindControl(Control& control, QWidget& parent, UserActionGuard& guard);

std::unique_ptr<ControlBinding> bindLabel(Label& label, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindFrame(Frame& frame, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindCommandButton(CommandButton& button, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindCheckBox(CheckBox& box, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindTextBox(TextBox& box, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindComboBox(ComboBox& box, QWidget& parent, UserActionGuard& guard);
std::unique_ptr<ControlBinding> bindTabControl(TabControl& tabs, QWidget& parent, UserActionGuard& guard);
// The discovery control's view; another instrument list has no view here.
std::unique_ptr<ControlBinding> bindInstrumentList(InstrumentListControl& list, QWidget& parent, UserActionGuard& guard);

}  // namespace trv3::ui::qt
