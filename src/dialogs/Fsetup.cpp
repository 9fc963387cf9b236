// The set-up dialog's life without its buttons: creation, load, activation, tab changes and
// address editing.
#include "dialogs/Fsetup.h"

#include "dialogs/language_font.h"
#include "platform/io/io_status.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "shared/ModelTable.h"

namespace trv3 {

namespace {

// The messages that name an instrument the dialog had to let go: it did not answer in time, or
// its answers could not be used.
constexpr int32_t InstrumentSilentText = 515;
constexpr int32_t InstrumentFailedText = 516;

}  // namespace

Fsetup::Fsetup() {
  form.onActivate = [this] { handleActivate(); };
  form.onUnload = [this] { handleUnload(); };
  SSTab1.onClick = [this](int16_t previousTab) { handleTabChange(previousTab); };
  SSTab1.onDblClick = [this] { showCurrentAddress(); };
  txtAddress.onChange = [this] { handleAddressChange(); };
  cmdOK.onClick = [this] { handleOkClick(); };
  cmdCancel.onClick = [this] { handleCancelClick(); };
  cmdConnect.onClick = [this] { handleConnectClick(); };
  handleCreate();
}

void Fsetup::handleCreate() {
  SessionState& state = MGlobal::state();
  device_ = nullptr;
  handleLoad();

  // A font that cannot be set ends creation with that error.
  const std::string languageFont = MLocaleGen::getLangFontName();
  form.setFontName(languageFont);
  form.setFontSize(MLocaleGen::getLangFontSize());
  // The name reads back as the family really used: a font the system lacks, or one spelled in
  // other letter case, marks the language component as unusable.
  if (form.font().name != languageFont) {
    state.setWaveFormResult(int32_t{2});
    ui::showMessage("ERROR: could not get correct language component    ");
    raise(rt::WrongLanguageComponent);
  }

  // From here a failing step is skipped and the next one runs.
  applyLanguageFontToControls(form);
  using MLocaleGen::getLangText;
  resumeNext([&] { form.setCaption(getLangText(504)); });
  resumeNext([&] { SSTab1.setTabCaption(0, getLangText(500)); });
  resumeNext([&] { SSTab1.setTabCaption(1, getLangText(501)); });
  resumeNext([&] { fraAddr.setCaption(getLangText(502)); });
  resumeNext([&] { lblChannel.setCaption(getLangText(503)); });
  resumeNext([&] { lblPoints.setCaption(getLangText(505)); });
  resumeNext([&] { cmdOK.setCaption(getLangText(200)); });
  resumeNext([&] { cmdCancel.setCaption(getLangText(201)); });
  resumeNext([&] { lblAddress.setCaption(getLangText(506)); });
  resumeNext([&] { cmdConnect.setCaption(getLangText(507)); });
  resumeNext([&] { noInstrumentText_ = getLangText(509); });
  resumeNext([&] {
    if (state.InstrumentAddress().empty()) state.setInstrumentAddress(noInstrumentText_);
  });

  // From here errors end creation and reach the creator.
  if (state.InstrumentAddress() == noInstrumentText_) {
    SSTab1.setTab(1);
    return;
  }
  SSTab1.setTab(0);
  openScope(state.InstrumentAddress());
  if (!device_) {
    state.setInstrumentAddress(noInstrumentText_);
    state.setPointsIndex(int32_t{0});
    state.setSourceLabel("1");
    SSTab1.setTab(1);
  }
}

void Fsetup::handleLoad() {
  ModelTable::loadModelTable();
  cboChannel.addItem(" 1");
  cboChannel.addItem(" 2");
  cboChannel.setListIndex(0);
}

void Fsetup::handleActivate() {
  // Errors pass to the code that showed the dialog, except the instrument's own: a remembered
  // instrument that fails here would otherwise end every fetch before the user could name another.
  form.setFocus();
  bool modeAllowed = true;
  alignWithInstrument([&] {
    modeAllowed = checkMode();
    if (modeAllowed) setupWidgets();
  });
  if (modeAllowed) return;
  MGlobal::state().setWaveFormResult(int32_t{2});
  device_ = nullptr;
  form.unload();
}

void Fsetup::handleTabChange(int16_t previousTab) {
  showCurrentAddress();

  // From here a failing step is skipped and the next one runs.
  form.setMousePointer(ui::Hourglass);
  form.repaint();
  // Leaving the address tab after an edit reconnects; entering it never does.
  if (previousTab == 1 && addressEdited_) {
    resumeNext([&] { openScope(txtAddress.text()); });
    if (device_) {
      MGlobal::state().setInstrumentAddress(txtAddress.text());
      addressEdited_ = false;
    }
    resumeNext([&] { alignWithInstrument([&] { setupWidgets(); }); });
  }
  txtShowAddr.repaint();
  form.repaint();
  form.setMousePointer(ui::DefaultPointer);
}

bool Fsetup::alignWithInstrument(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const RuntimeError& failure) {
    const std::string address = MGlobal::state().InstrumentAddress();
    device_ = nullptr;
    forgetInstrument();
    // Without a session this only shows the reset address and leaves the points list empty.
    resumeNext([&] { setupWidgets(); });
    resumeNext([&] { SSTab1.setTab(1); });
    // An instrument that dropped the connection did not answer either.
    const bool silent = failure.number() == io::status::Timeout || failure.number() == io::status::ConnectionLost;
    const int32_t text = silent ? InstrumentSilentText : InstrumentFailedText;
    ui::showMessage(MLocaleGen::getLangText(text) + " " + address);
    return false;
  }
}

void Fsetup::showCurrentAddress() { txtShowAddr.setText(MGlobal::state().InstrumentAddress()); }

void Fsetup::handleAddressChange() { addressEdited_ = true; }

void Fsetup::handleUnload() { device_ = nullptr; }

}  // namespace trv3
