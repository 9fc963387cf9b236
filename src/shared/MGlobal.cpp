#include "shared/MGlobal.h"

#include <memory>
#include <utility>

#include "shared/MLocaleGen.h"

namespace trv3 {

// Each setter converts first, so a failed conversion raises before anything is stored.

std::string SessionState::InstrumentAddress() const {
  std::lock_guard lock(remembered_);
  return instrumentAddress_;
}
void SessionState::setInstrumentAddress(const com::Variant& value) {
  std::string text = value.toText();
  std::lock_guard lock(remembered_);
  instrumentAddress_ = std::move(text);
}

std::string SessionState::SourceLabel() const { return sourceLabel_; }
void SessionState::setSourceLabel(const std::string& value) { sourceLabel_ = value; }

int32_t SessionState::ChannelNumber() const {
  std::lock_guard lock(remembered_);
  return channelNumber_;
}
void SessionState::setChannelNumber(int32_t value) {
  std::lock_guard lock(remembered_);
  channelNumber_ = value;
}

int32_t SessionState::PointCount() {
  if (pointCount_ < 100) pointCount_ = 100;
  return pointCount_;
}
void SessionState::setPointCount(const com::Variant& value) { pointCount_ = value.toInt32(); }

int32_t SessionState::PointsIndex() const {
  std::lock_guard lock(remembered_);
  return pointsIndex_;
}
void SessionState::setPointsIndex(const com::Variant& value) {
  const int32_t index = value.toInt32();
  std::lock_guard lock(remembered_);
  pointsIndex_ = index;
}

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

namespace {

// Trivially destructible, so it can still be read while the thread's other thread_locals go.
thread_local bool endedApartment = false;

struct Apartment {
  std::shared_ptr<SessionState> state = std::make_shared<SessionState>();
  ~Apartment() { endedApartment = true; }
};

// Code that runs after the apartment ended (a host's static or thread_local destructors) shares
// one state that is never freed: nothing runs late enough to free it.
std::shared_ptr<SessionState> lateState() {
  thread_local SessionState* late = nullptr;
  if (late == nullptr) late = new SessionState;
  return std::shared_ptr<SessionState>(std::shared_ptr<SessionState>(), late);
}

}  // namespace

namespace MGlobal {
std::shared_ptr<SessionState> apartmentState() {
  if (endedApartment) return lateState();
  thread_local Apartment apartment;
  return apartment.state;
}

SessionState& state() { return *apartmentState(); }

bool apartmentEnded() { return endedApartment; }
}  // namespace MGlobal

}  // namespace trv3
