#include "dialogs/connect_settings.h"

#include "instrument/modUtility.h"
#include "shared/ModelTable.h"

namespace trv3 {

std::shared_ptr<discovery::DiscoverySettings> connectDialogSettings() {
  auto settings = std::make_shared<discovery::DiscoverySettings>();
  const auto models = modUtility::splitList(ModelTable::SupportedModels());
  settings->setInstrumentType("Oscilloscope");
  settings->setSupportedModelList(std::make_shared<discovery::ModelCollection>());
  for (const std::string& model : models) {
    // A model listed twice in the table is supported all the same; its second entry adds nothing.
    if (!settings->SupportedModelList()->containsKey(model)) settings->SupportedModelList()->Add(model, model);
  }
  return settings;
}

}  // namespace trv3
