#include "addin/CWaveForm.h"

#include <array>
#include <vector>

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
constexpr int32_t NoWaveform = 2;

// Initialisation and termination never fail, whatever fails inside a step (out of memory
// included): the step is skipped and the next one runs.
template <class Step>
void skipOnAnyError(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

CWaveForm::CWaveForm() {
  skipOnAnyError([&] { state_ = MGlobal::apartmentState(); });
  if (!state_) return;  // the apartment has no state to load into
  SessionState& state = *state_;
  skipOnAnyError([&] { state.setWaveFormResult(com::Variant(int32_t{1})); });
  // The values remembered from the last session, with their defaults, in one reading of the store.
  std::array<settings::Setting, 3> remembered{{{"Addr", ""}, {"Chan", "1"}, {"Cbo_Idx", "0"}}};
  bool read = false;
  skipOnAnyError([&] {
    settings::GetSettings(AppName, Section, remembered);
    read = true;
  });
  if (read) {
    skipOnAnyError([&] { state.setInstrumentAddress(com::Variant(remembered[0].value)); });
    skipOnAnyError([&] { state.setChannelNumber(textToInt32(remembered[1].value)); });
    skipOnAnyError([&] { state.setPointsIndex(com::Variant(remembered[2].value)); });
  }
  skipOnAnyError([&] { state.setCountryCode(com::Variant(int32_t{1})); });
}

CWaveForm::~CWaveForm() {
  if (!state_) return;  // nothing was loaded, so nothing is saved over the remembered values
  const SessionState& state = *state_;
  std::vector<settings::Setting> remembered;
  skipOnAnyError([&] { remembered.push_back({"Addr", state.InstrumentAddress()}); });
  skipOnAnyError([&] { remembered.push_back({"Chan", std::to_string(state.ChannelNumber())}); });
  skipOnAnyError([&] { remembered.push_back({"Cbo_Idx", std::to_string(state.PointsIndex())}); });
  // One change of the store for the three. Should the store refuse one value (a key of that name
  // stands there, say), each is saved on its own so that it keeps no other from being saved; a store
  // that cannot be written at all is not tried three times more.
  bool oneRefused = false;
  skipOnAnyError([&] {
    try {
      settings::SaveSettings(AppName, Section, remembered);
    } catch (const RuntimeError& error) {
      oneRefused = error.number() == rt::InvalidProcedureCall;
    }
  });
  if (!oneRefused) return;
  for (const settings::Setting& setting : remembered)
    skipOnAnyError([&] { settings::SaveSetting(AppName, Section, setting.key, setting.value); });
}

void CWaveForm::getWaveform(com::Variant& wform, double& wTime) { FetchWaveform(wform, wTime); }

std::string CWaveForm::ComponentID() const { return MLocaleGen::getLangText(ComponentIdText); }

void CWaveForm::setCountryCode(int32_t code) { MGlobal::state().setCountryCode(com::Variant(code)); }

int32_t CWaveForm::countryCode() const { return MGlobal::state().countryCode(); }

int32_t CWaveForm::WaveFormResult() const {
  // Until a fetch of this thread has returned, there is no waveform; the stored value is the
  // dialog's answer to that fetch, which a host reading from its events must not take for its own.
  return fetchUnderWay() ? NoWaveform : MGlobal::state().WaveFormResult();
}

com::Variant CWaveForm::CType() const { return com::Variant(int16_t{6}); }

bool CWaveForm::Execute(int32_t&, VARIANT&) { return true; }

}  // namespace trv3
