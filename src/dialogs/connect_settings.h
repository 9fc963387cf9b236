// What the connect dialog asks its discovery control for: oscilloscopes, with the models of the
// supported-model table as the ones that may be picked. trv3-host's `discover` asks the same.
#pragma once

#include <memory>

#include "platform/discovery/discovery_settings.h"

namespace trv3 {

// A new DiscoverySettings from the table as last loaded (ModelTable::loadModelTable).
std::shared_ptr<discovery::DiscoverySettings> connectDialogSettings();

}  // namespace trv3
