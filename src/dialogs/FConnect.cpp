#include "dialogs/FConnect.h"

#include "dialogs/language_font.h"
#include "instrument/modUtility.h"
#include "platform/runtime/errors.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "shared/ModelTable.h"

namespace trv3 {

FConnect::FConnect()
    : form("FConnect", "Connect to Oscilloscope", 507, 8310, 4590),
      VlmDiscoveryCtl1(form.add<DiscoveryControlHost>("VlmDiscoveryCtl1", ui::Twips{45, 15, 8280, 3795},
                                                      std::make_shared<discovery::DiscoveryControl>())),
      cmdOK(form.add<ui::CommandButton>("cmdOK", ui::Twips{4440, 3960, 1695, 495}, "&Close", 202)),
      cmdCancel(form.add<ui::CommandButton>("cmdCancel", ui::Twips{6360, 3960, 1695, 495}, "C&ancel", 201)) {
  form.setCancelButton(cmdCancel);
  cmdOK.onClick = [this] { handleOkClick(); };
  cmdCancel.onClick = [this] { handleCancelClick(); };
  handleInitialize();
}

void FConnect::handleInitialize() {
  // Every run-time error of the font step is ignored.
  resumeNext([&] { form.setFontName(MLocaleGen::getLangFontName()); });
  resumeNext([&] { form.setFontSize(MLocaleGen::getLangFontSize()); });
  applyLanguageFontToControls(form);

  // From here errors reach the code that creates the dialog.
  cmdOK.setCaption(MLocaleGen::getLangText(202));
  cmdCancel.setCaption(MLocaleGen::getLangText(201));
  form.setCaption(MLocaleGen::getLangText(507));

  discovery::DiscoveryControl& control = VlmDiscoveryCtl1.control();
  const int32_t countryCode = MGlobal::state().countryCode();
  control.SetLanguage(countryCode == 0 ? 1 : countryCode);

  auto settings = std::make_shared<discovery::DiscoverySettings>();
  const auto models = modUtility::splitList(ModelTable::SupportedModels());
  settings->setInstrumentType("Oscilloscope");
  settings->setSupportedModelList(std::make_shared<discovery::ModelCollection>());
  for (const std::string& model : models) {
    // A model listed twice in the table is supported all the same; its second entry adds nothing.
    if (!settings->SupportedModelList()->containsKey(model)) settings->SupportedModelList()->Add(model, model);
  }

  control.setConnectButtonsVisible(true);             // dispatch id 0x68030004
  control.setSupportedInstrumentsLabelVisible(true);  // dispatch id 0x68030003
  control.setSettings(settings);
}

void FConnect::handleOkClick() {
  // Errors pass to the code that showed the dialog.
  const io::IoSessionRef selected = VlmDiscoveryCtl1.control().Settings()->SelectedInstrument();
  if (selected) {
    SessionState& state = MGlobal::state();
    state.setInstrumentAddress(selected->ResourceAddress());
    state.setSourceLabel(" 1");
    state.setPointsIndex(int32_t{0});
  }
  form.unload();
}

void FConnect::handleCancelClick() { form.unload(); }

}  // namespace trv3
