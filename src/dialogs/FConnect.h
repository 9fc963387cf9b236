// The connect dialog: the user picks an oscilloscope that the discovery control found instead of
// typing its address. Its whole result is the change it makes to SessionState: "&Close" with an
// instrument selected stores its address (with source " 1" and points index 0); anything else
// leaves the state as it was. Created new for every Connect click, shown modally, unloaded by
// either button or the window's close command.
#pragma once

#include "dialogs/DiscoveryControlHost.h"
#include "platform/ui/form.h"

namespace trv3 {

class FConnect {
 public:
  // Initialisation: the language font (failures ignored), captions, the control's language, its
  // two Boolean properties and a new DiscoverySettings, which starts the search. Errors after the
  // font step reach the creator.
  FConnect();

  ui::Form form;
  DiscoveryControlHost& VlmDiscoveryCtl1;
  ui::CommandButton& cmdOK;
  ui::CommandButton& cmdCancel;

 private:
  void handleInitialize();
  void handleOkClick();
  void handleCancelClick();
};

}  // namespace trv3
