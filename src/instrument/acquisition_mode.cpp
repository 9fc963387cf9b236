// The acquisition-mode checks: normal mode, or averaging over at most 16 acquisitions.
#include "dialogs/Fsetup.h"
#include "instrument/instrument_session.h"
#include "platform/io/io_status.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"
#include "shared/MLocaleGen.h"

namespace trv3 {

bool Fsetup::isNormalMode() {
  // A failing statement is skipped: a type query that fails leaves the reply empty. A time-out is
  // kept for checkMode.
  std::string reply;
  typeQueryTimeout_.reset();
  try {
    reply = sessionOf(device_).QueryText(":acq:TYPE?");
  } catch (const RuntimeError& failure) {
    if (failure.number() == io::status::Timeout) typeQueryTimeout_ = failure;
  }
  acquireType_ = reply;
  return containsNoCase(reply, "norm");
}

bool Fsetup::isLargeAverage() {
  // Any type other than averaging counts as refused.
  if (!containsNoCase(acquireType_, "AVER")) return true;
  // A failing statement is skipped: a count query that fails leaves the reply empty, which is 0.
  std::string reply;
  resumeNext([&] { reply = sessionOf(device_).QueryText(":ACQuire:COUNT?"); });
  return leadingNumber(reply) > 16;
}

bool Fsetup::checkMode() {
  // Errors pass to the caller (the queries themselves never raise; a time-out of the type query is
  // raised here).
  Sleep(1000);
  if (!device_) return true;
  if (isNormalMode()) return true;
  // A silent instrument is in no mode at all; telling the user to change it would mislead.
  if (typeQueryTimeout_) throw *typeQueryTimeout_;
  if (!isLargeAverage()) return true;
  ui::showMessage(MLocaleGen::getLangText(512) + "\r\n" +
                  "Please set the Waveform - Acquire Mode to Normal or reduce the number of averages");
  return false;
}

}  // namespace trv3
