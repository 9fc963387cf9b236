// The set-up dialog's three buttons: OK commits the user's choices, Cancel abandons, Connect lets
// the user pick a discovered instrument and then shows the set-up dialog again.
#include <memory>

#include "dialogs/FConnect.h"
#include "dialogs/Fsetup.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"

namespace trv3 {

void Fsetup::handleOkClick() {
  SessionState& state = MGlobal::state();
  state.setWaveFormResult(int32_t{2});

  // From here every failing step is skipped, so the handler never ends with an error.
  bool aligned = true;
  if (addressEdited_) {
    resumeNext([&] { openScope(txtAddress.text()); });
    if (device_) state.setInstrumentAddress(txtAddress.text());
    // Refills the lists for the instrument now open; their refilled selection is what is stored.
    // An instrument that fails this is let go with its own message, never committed.
    resumeNext([&] { aligned = alignWithInstrument([&] { setupWidgets(); }); });
  }
  if (!device_) {
    if (aligned) ui::showMessage("Unable to communicate with instrument");
    return;
  }
  state.setInstrumentAddress(txtAddress.text());
  state.setSourceLabel(cboChannel.text());
  state.setChannelNumber(cboChannel.listIndex());
  state.setPointsIndex(cboPoints.listIndex());
  // With no points entry selected there is no item data: the stored count stays as it was.
  resumeNext([&] { state.setPointCount(cboPoints.itemData(cboPoints.listIndex())); });
  state.setWaveFormResult(int32_t{1});
  state.setAcquireNew(toVariantBool(chkDigitize.value() == ui::Checked));
  form.hide();
}

void Fsetup::handleCancelClick() {
  MGlobal::state().setWaveFormResult(int32_t{2});
  form.hide();
}

void Fsetup::handleConnectClick() {
  // No handling of its own: an error here reaches the code that showed the dialog, which reports
  // it; the result is still 2, as nothing was confirmed.
  form.hide();
  // Let go while the connect dialog searches: an instrument that serves one client at a time would
  // not answer the search while this session holds it. It is opened again below in any case.
  device_.reset();
  auto connect = std::make_unique<FConnect>();
  connect->form.showModal();
  // Also after a cancelled connect dialog: the current address is opened again.
  openScope(MGlobal::state().InstrumentAddress());
  if (device_) alignWithInstrument([&] { setupWidgets(); });
  form.showModal();
  connect.reset();
}

}  // namespace trv3
