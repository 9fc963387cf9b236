// A dialog shaped like the add-in's set-up dialog, for driving the script backend without the
// add-in: its handlers only log what reached them, and OK and Cancel hide it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/form.h"

namespace trv3::ui {

struct SetupLikeDialog {
  Form form{"Fsetup", "Set-up", 504, 4815, 4080};
  TabControl& tabs = form.add<TabControl>("SSTab1", Twips{}, std::vector<TabControl::Tab>{{"A", {}}, {"B", {}}}, 0);
  TextBox& address = form.add<TextBox>("txtAddress", Twips{}, "Text1");
  ComboBox& channels = form.add<ComboBox>("cboChannel", Twips{});
  ComboBox& points = form.add<ComboBox>("cboPoints", Twips{});
  CheckBox& digitize = form.add<CheckBox>("chkDigitize", Twips{}, "Always acquire new waveform", std::nullopt);
  CommandButton& ok = form.add<CommandButton>("cmdOK", Twips{}, "&Ok", 200);
  CommandButton& cancel = form.add<CommandButton>("cmdCancel", Twips{}, "&Cancel", 201);
  CommandButton& connect = form.add<CommandButton>("cmdConnect", Twips{}, "Connect", 507);
  std::vector<std::string> log;

  SetupLikeDialog() {
    form.setCancelButton(cancel);
    form.onActivate = [this] { log.push_back("activate"); };
    tabs.onClick = [this](int16_t previous) { log.push_back("tab from " + std::to_string(previous)); };
    address.onChange = [this] { log.push_back("address " + address.text()); };
    ok.onClick = [this] {
      log.push_back("ok");
      form.hide();
    };
    cancel.onClick = [this] {
      log.push_back("cancel");
      form.hide();
    };
    channels.addItem(" 1 - On");
    channels.addItem(" 2 - Off");
    for (int32_t value : {100, 250}) {
      points.addItem(std::to_string(value));
      points.setItemData(points.listCount() - 1, value);
    }
    channels.setLocked(false);
    points.setLocked(false);
  }
};

}  // namespace trv3::ui
