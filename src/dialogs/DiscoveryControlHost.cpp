#include "dialogs/DiscoveryControlHost.h"

#include <chrono>

namespace trv3 {

DiscoveryControlHost::DiscoveryControlHost(std::string name, ui::Twips geometry,
                                           std::shared_ptr<discovery::DiscoveryControl> control)
    : InstrumentListControl(std::move(name), ClassName, geometry, std::any(control)), control_(std::move(control)) {}

std::vector<ui::InstrumentListControl::Entry> DiscoveryControlHost::entriesAfterSearch() {
  // The search's own deadline bounds the wait; this limit only guards against a search that
  // never ends.
  control_->waitForSearch(std::chrono::minutes(1));
  std::vector<Entry> entries;
  for (const auto& found : control_->instruments()) entries.push_back({found.resourceAddress, found.supported});
  return entries;
}

}  // namespace trv3
