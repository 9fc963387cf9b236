#include "addin/CWaveForm.h"

#include "acquisition/FetchWaveform.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/settings/settings_store.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"

namespace trv3 {
namespace {

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";
constexpr int32_t ComponentIdText = 514;

}  // namespace

CWaveForm::CWaveForm() {
  SessionState& state = MGlobal::state();
  resumeNext([&] { state.setWaveFormResult(com::Variant(int32_t{1})); });
  resumeNext([&] {
    state.setInstrumentAddress(com::Variant(settings::GetSetting(AppName, Section, "Addr", "")));
  });
  resumeNext([&] {
    state.setChannelNumber(textToInt32(settings::GetSetting(AppName, Section, "Chan", "1")));
  });
  resumeNext([&] {
    state.setPointsIndex(com::Variant(settings::GetSetting(AppName, Section, "Cbo_Idx", "0")));
  });
  resumeNext([&] { state.setCountryCode(com::Variant(int32_t{1})); });
}

CWaveForm::~CWaveForm() {
  SessionState& state = MGlobal::state();
  resumeNext([&] { settings::SaveSetting(AppName, Section, "Addr", state.InstrumentAddress()); });
  resumeNext([&] {
    settings::SaveSetting(AppName, Section, "Chan", std::to_string(state.ChannelNumber()));
  });
  resumeNext([&] {
    settings::SaveSetting(AppName, Section, "Cbo_Idx", std::to_string(state.PointsIndex()));
  });
}

void CWaveForm::getWaveform(com::Variant& wform, double& wTime) { FetchWaveform(wform, wTime); }

std::string CWaveForm::ComponentID() const { return MLocaleGen::getLangText(ComponentIdText); }

void CWaveForm::setCountryCode(int32_t code) { MGlobal::state().setCountryCode(com::Variant(code)); }

int32_t CWaveForm::countryCode() const { return MGlobal::state().countryCode(); }

int32_t CWaveForm::WaveFormResult() const { return MGlobal::state().WaveFormResult(); }

com::Variant CWaveForm::CType() const { return com::Variant(int16_t{6}); }

bool CWaveForm::Execute(int32_t&, com::Variant&) { return true; }

}  // namespace trv3
