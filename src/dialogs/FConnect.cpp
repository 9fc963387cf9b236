#include "dialogs/FConnect.h"

#include "dialogs/connect_settings.h"
#include "dialogs/language_font.h"
#include "platform/runtime/errors.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"

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

  const auto settings = connectDialogSettings();

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
