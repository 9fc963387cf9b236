// The add-in's one public class. It holds no acquisition logic: each member forwards to the
// apartment's SessionState, the language strings or the fetch procedure. Creation loads the
// remembered address, channel entry and points entry; destruction saves them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/com/variant.h"
#include "shared/MGlobal.h"

namespace trv3 {

class CWaveForm {
 public:
  CWaveForm();   // initialisation: every step's error, of whatever kind, is skipped
  ~CWaveForm();  // termination: every step's error, of whatever kind, is skipped
  CWaveForm(const CWaveForm&) = delete;
  CWaveForm& operator=(const CWaveForm&) = delete;

  // Whatever the host assigns (value or object reference); nothing in the add-in reads it.
  const com::Variant& module() const { return module_; }
  void setModule(const com::Variant& value) { module_ = value; }

  // Never fails; the outcome is read from WaveFormResult.
  void getWaveform(com::Variant& wform, double& wTime);

  // Language text 514; like every lookup it never fails.
  std::string ComponentID() const;
  // Raises the language loader's run-time errors to the caller.
  void setCountryCode(int32_t code);
  int32_t countryCode() const;

  // 2 while a fetch is under way on this thread, whichever instance runs it.
  int32_t WaveFormResult() const;
  com::Variant CType() const;
  // Always True; neither argument is read or changed.
  bool Execute(int32_t& Action, VARIANT& data);

 private:
  // The creating apartment's state, kept alive by this instance: a host may release it while its
  // thread or process ends, after the thread's own reference is gone, and termination must still
  // save what the apartment held.
  std::shared_ptr<SessionState> state_;
  com::Variant module_;
};

}  // namespace trv3
