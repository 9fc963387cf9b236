// One instance of the add-in's class CWaveForm, driven the way an automation host drives it:
// through IDispatch::Invoke with the dispatch ids of its interface _CWaveForm
// (addin/waveform_interface.h, the add-in's public header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "com_ref.h"
#include "platform/com/abi.h"

namespace trv3::host {

class WaveformClient {
 public:
  explicit WaveformClient(ComRef<IDispatch> instance);

  void setCountryCode(int32_t code);
  int32_t countryCode();
  std::string componentId();
  std::string cType();  // the Variant's value and type, for display
  int32_t waveFormResult();

  // Calls getWaveform(wform, wTime). Returns whether wform came back holding an array of 32-bit
  // integers; its elements are then copied into codes. wTime keeps its value when the add-in left
  // it alone.
  bool getWaveform(std::vector<int32_t>& codes, double& wTime);

  // Drops the host's reference: the instance terminates and saves the remembered settings.
  void release() { instance_.reset(); }

 private:
  // Invoke with the given arguments (already in reverse order); returns the result Variant, which
  // the caller must clear. A failure throws std::runtime_error naming `what` and carrying the
  // add-in's error description and source.
  VARIANT invoke(const char* what, DISPID member, uint16_t flags, DISPPARAMS& params);
  VARIANT get(const char* what, DISPID member);

  ComRef<IDispatch> instance_;
};

}  // namespace trv3::host
