// The set-up dialog's window and controls as designed: design-time texts, language text ids and
// the layout in twips (tab-page controls relative to the tab control, txtShowAddr relative to its
// frame). A view renders it from this alone; the behaviour is Fsetup's.
#pragma once

#include "platform/ui/form.h"

namespace trv3 {

struct FsetupForm {
  FsetupForm();

  ui::Form form;
  ui::TabControl& SSTab1;
  // Tab 0: the acquisition choices.
  ui::Frame& fraAddr;
  ui::TextBox& txtShowAddr;
  ui::Label& lblChannel;
  ui::ComboBox& cboChannel;
  ui::Label& lblPoints;
  ui::ComboBox& cboPoints;
  ui::CheckBox& chkDigitize;
  // Tab 1: the address entry.
  ui::Label& lblAddress;
  ui::TextBox& txtAddress;
  ui::CommandButton& cmdConnect;
  // Below the tab control, reachable from both tabs.
  ui::CommandButton& cmdOK;
  ui::CommandButton& cmdCancel;
};

}  // namespace trv3
