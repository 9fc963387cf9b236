#include "dialogs/FsetupForm.h"

namespace trv3 {

namespace {

template <class T>
T& onTab(T& control, const ui::Control& tabs, int16_t page) {
  control.placeIn(tabs, page);
  return control;
}

}  // namespace

FsetupForm::FsetupForm()
    : form("Fsetup", "", 504, 4815, 4080),
      SSTab1(form.add<ui::TabControl>("SSTab1", ui::Twips{0, 120, 4815, 3255},
                                      std::vector<ui::TabControl::Tab>{{"WaveForm", 500}, {"Connect To Scope", 501}}, 0)),
      fraAddr(onTab(form.add<ui::Frame>("fraAddr", ui::Twips{165, 615, 4470, 750}, "Currently connected Oscilloscope", 502),
                    SSTab1, 0)),
      txtShowAddr(form.add<ui::TextBox>("txtShowAddr", ui::Twips{135, 270, 3960, 360})),
      lblChannel(onTab(form.add<ui::Label>("lblChannel", ui::Twips{285, 1575, 2790, 435}, "Channel", 503), SSTab1, 0)),
      cboChannel(onTab(form.add<ui::ComboBox>("cboChannel", ui::Twips{3360, 1560, 1305, {}}), SSTab1, 0)),
      lblPoints(onTab(form.add<ui::Label>("lblPoints", ui::Twips{270, 2250, 2790, 435}, "Number of Points", 505), SSTab1, 0)),
      cboPoints(onTab(form.add<ui::ComboBox>("cboPoints", ui::Twips{3360, 2190, 1305, {}}), SSTab1, 0)),
      // Not localised: the caption stays English in every language.
      chkDigitize(onTab(form.add<ui::CheckBox>("chkDigitize", ui::Twips{240, 2760, 4095, 255},
                                               "Always acquire new waveform", std::nullopt),
                        SSTab1, 0)),
      lblAddress(onTab(form.add<ui::Label>("lblAddress", ui::Twips{945, 705, 3210, 330}, "Oscilloscope Address:", 506),
                       SSTab1, 1)),
      txtAddress(onTab(form.add<ui::TextBox>("txtAddress", ui::Twips{945, 1065, 2730, 405}, "Text1"), SSTab1, 1)),
      cmdConnect(onTab(form.add<ui::CommandButton>("cmdConnect", ui::Twips{945, 1980, 2730, 405}, "Connect to Oscilloscope", 507),
                       SSTab1, 1)),
      cmdOK(form.add<ui::CommandButton>("cmdOK", ui::Twips{1080, 3480, 1695, 495}, "&Ok", 200)),
      cmdCancel(form.add<ui::CommandButton>("cmdCancel", ui::Twips{3000, 3480, 1695, 495}, "&Cancel", 201)) {
  txtShowAddr.placeIn(fraAddr);
  form.setCancelButton(cmdCancel);
}

}  // namespace trv3
