// The shared session state: once per apartment, that is once per host thread.
// Every access goes through its accessor pair; setters that take a Variant convert it, and a failed
// conversion raises the run-time error and leaves the stored value unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/com/variant.h"

namespace trv3 {

class SessionState {
 public:
  std::string InstrumentAddress() const;
  void setInstrumentAddress(const com::Variant& value);

  std::string SourceLabel() const;
  void setSourceLabel(const std::string& value);

  int32_t ChannelNumber() const;
  void setChannelNumber(int32_t value);

  // Raises a stored value below 100 to 100 in the store itself, then returns it.
  int32_t PointCount();
  void setPointCount(const com::Variant& value);

  int32_t PointsIndex() const;
  void setPointsIndex(const com::Variant& value);

  int16_t AcquireNew() const;  // True = -1, False = 0; any non-zero counts as True
  void setAcquireNew(int16_t value);

  int16_t WaveFormResult() const;  // 1 delivered, 2 no waveform
  void setWaveFormResult(const com::Variant& value);

  int32_t countryCode() const;
  // Stores the code, releases the language component and loads the one for the code.
  void setCountryCode(const com::Variant& value);

 private:
  std::string instrumentAddress_;
  std::string sourceLabel_;
  int32_t channelNumber_ = 0;
  int32_t pointCount_ = 0;
  int32_t pointsIndex_ = 0;
  int16_t acquireNew_ = 0;
  int16_t waveFormResult_ = 0;
  int32_t countryCode_ = 0;
  // Guards the three values a release saves: a host may release an instance on any thread while
  // the creator's thread goes on changing them.
  mutable std::mutex remembered_;
};

namespace MGlobal {
// This thread's copy.
SessionState& state();
// This thread's copy, shared: whoever holds it can still use it after the thread has let its own
// reference go (objects released while the thread or the process ends).
std::shared_ptr<SessionState> apartmentState();
// Whether this thread's apartment has ended: the thread's other state (its language, its model
// table, its error info) has gone with its thread_locals.
bool apartmentEnded();
}  // namespace MGlobal

}  // namespace trv3
