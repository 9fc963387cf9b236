// Opening and identifying the instrument: Fsetup::openScope and getModelField.
#include "dialogs/Fsetup.h"
#include "platform/discovery/idn_reply.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "shared/ModelTable.h"

namespace trv3 {

void Fsetup::openScope(const std::string& addr) {
  io::IoResourceManager manager;

  // From here a failing statement is skipped and the next one runs; no error leaves.
  SessionState& state = MGlobal::state();
  const bool opened = resumeNext([&] { device_ = manager.Open(addr); });
  if (!opened) device_ = nullptr;

  if (device_) {
    std::string reply;
    resumeNext([&] { reply = device_->QueryText("*IDN?"); });
    // A reply with fewer than two commas keeps the model of the last identification.
    resumeNext([&] { modelNumber_ = getModelField(reply); });
    // A plain substring test: a part of a listed model number passes, and so does an empty one;
    // but an empty table lists no model at all, so it supports none.
    const std::string& models = ModelTable::SupportedModels();
    const bool supportedModel = !models.empty() && contains(models, modelNumber_);
    if (!supportedModel || !discovery::namesOurMaker(reply)) {
      // Names the stored address, which is what the user last confirmed.
      ui::showMessage(MLocaleGen::getLangText(510) + " " + state.InstrumentAddress());
      device_ = nullptr;
    }
  }

  if (!device_) forgetInstrument();
}

void Fsetup::forgetInstrument() {
  SessionState& state = MGlobal::state();
  resumeNext([&] { state.setPointsIndex(int32_t{0}); });
  resumeNext([&] { state.setInstrumentAddress(noInstrumentText_); });
  resumeNext([&] { cboPoints.clear(); });
  resumeNext([&] { state.setSourceLabel("1"); });
}

std::string Fsetup::getModelField(const std::string& reply) {
  const size_t first = reply.find(',');
  const size_t second = first == std::string::npos ? std::string::npos : reply.find(',', first + 1);
  // Fewer than two commas gives a negative length: an invalid procedure argument.
  if (second == std::string::npos) raise(rt::InvalidProcedureCall);
  return reply.substr(first + 1, second - first - 1);
}

}  // namespace trv3
