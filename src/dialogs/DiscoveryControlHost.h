// The discovery control as a control of the connect dialog's form: a view renders the real
// control (object<discovery::DiscoveryControl>()), and the script backend picks from its finds.
#pragma once

#include <memory>

#include "platform/discovery/discovery_control.h"
#include "platform/ui/instrument_list_control.h"

namespace trv3 {

class DiscoveryControlHost : public ui::InstrumentListControl {
 public:
  static constexpr const char* ClassName = "VlmDiscovery.VlmDiscoveryCtl";

  DiscoveryControlHost(std::string name, ui::Twips geometry, std::shared_ptr<discovery::DiscoveryControl> control);

  discovery::DiscoveryControl& control() const { return *control_; }

  std::vector<Entry> entriesAfterSearch() override;
  bool userPick(size_t index) override { return control_->select(index); }

 private:
  std::shared_ptr<discovery::DiscoveryControl> control_;
};

}  // namespace trv3
