#include "shared/MGlobal.h"

#include "shared/MLocaleGen.h"

namespace trv3 {

// Each setter converts first, so a failed conversion raises before anything is stored.

std::string SessionState::InstrumentAddress() const { return instrumentAddress_; }
void SessionState::setInstrumentAddress(const com::Variant& value) {
  instrumentAddress_ = value.toText();
}

std::string SessionState::SourceLabel() const { return sourceLabel_; }
void SessionState::setSourceLabel(const std::string& value) { sourceLabel_ = value; }

int32_t SessionState::ChannelNumber() const { return channelNumber_; }
void SessionState::setChannelNumber(int32_t value) { channelNumber_ = value; }

int32_t SessionState::PointCount() {
  if (pointCount_ < 100) pointCount_ = 100;
  return pointCount_;
}
void SessionState::setPointCount(const com::Variant& value) { pointCount_ = value.toInt32(); }

int32_t SessionState::PointsIndex() const { return pointsIndex_; }
void SessionState::setPointsIndex(const com::Variant& value) { pointsIndex_ = value.toInt32(); }

int16_t SessionState::AcquireNew() const { return acquireNew_; }
void SessionState::setAcquireNew(int16_t value) { acquireNew_ = value; }

int16_t SessionState::WaveFormResult() const { return waveFormResult_; }
void SessionState::setWaveFormResult(const com::Variant& value) {
  waveFormResult_ = value.toInt16();
}

int32_t SessionState::countryCode() const { return countryCode_; }
void SessionState::setCountryCode(const com::Variant& value) {
  countryCode_ = value.toInt32();
  MLocaleGen::releaseLanguage();
  // The loader gets its own copy: its fallback to code 1 must not change the stored code.
  int32_t code = countryCode_;
  MLocaleGen::loadLanguage(code);
}

namespace MGlobal {
SessionState& state() {
  thread_local SessionState apartmentState;
  return apartmentState;
}
}  // namespace MGlobal

}  // namespace trv3
