#include "acquisition/FetchWaveform.h"

#include <memory>

#include "acquisition/MWaveFormModule.h"
#include "dialogs/Fsetup.h"
#include "platform/io/io_session.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"

namespace trv3 {
namespace {

constexpr int16_t WaveformDelivered = 1;
constexpr int16_t NoWaveform = 2;
constexpr int32_t TransferFailedText = 508;

// Unloading drops the dialog's own session reference; then the instance goes.
void unloadDialog(std::unique_ptr<Fsetup>& dialog) {
  dialog->form.unload();
  dialog.reset();
}

// The fetch's one error handler; it never fails itself, since the fetch always returns normally.
void fetchFailed(std::unique_ptr<Fsetup>& dialog, bool userToldAlready) noexcept {
  try {
    // A dialog whose display failed is unloaded as well, so that no session outlives the fetch.
    if (dialog) resumeNext([&] { unloadDialog(dialog); });
    if (!userToldAlready) ui::showMessage(MLocaleGen::getLangText(TransferFailedText));
  } catch (...) {
  }
}

// Trivially destructible, so that it can be read while the thread's other state goes.
thread_local bool underWay = false;

class UnderWay {
 public:
  UnderWay() { underWay = true; }
  ~UnderWay() { underWay = false; }
  UnderWay(const UnderWay&) = delete;
  UnderWay& operator=(const UnderWay&) = delete;
};

// The dialog, the probe and the transfer; whether a waveform was delivered.
bool fetch(SessionState& state, com::Variant& wform, double& wTime) {
  std::unique_ptr<Fsetup> dialog;
  try {
    state.setWaveFormResult(NoWaveform);
    dialog = std::make_unique<Fsetup>();
    dialog->form.showModal();
    const io::IoSessionRef device = dialog->device();
    unloadDialog(dialog);

    if (device && state.WaveFormResult() != NoWaveform) {
      // Until the transfer is complete, the fetch has delivered nothing.
      state.setWaveFormResult(NoWaveform);
      // An instrument switched off since the dialog's OK stops the fetch here, before ":Stop".
      MWaveFormModule::ReadInstrumentModel(*device);
      MWaveFormModule::TransferWaveform(*device, wform, wTime);
      state.setWaveFormResult(WaveformDelivered);
      return true;
    }
  } catch (const RuntimeError& error) {
    // The dialog has already told the user about a wrong language component.
    fetchFailed(dialog, error.number() == rt::WrongLanguageComponent);
  } catch (...) {
    // Out of memory or any other failure is handled as a run-time error is: the host's call still
    // succeeds and WaveFormResult tells the outcome.
    fetchFailed(dialog, false);
  }
  return false;
}

}  // namespace

void FetchWaveform(com::Variant& wform, double& wTime) {
  if (underWay) return;
  const UnderWay marked;
  SessionState& state = MGlobal::state();
  if (fetch(state, wform, wTime)) return;
  // The fetch alone decides its outcome: an instance that the host created from its events while
  // the dialog was shown may have set 1 meanwhile.
  state.setWaveFormResult(NoWaveform);
}

bool fetchUnderWay() { return underWay; }

}  // namespace trv3
