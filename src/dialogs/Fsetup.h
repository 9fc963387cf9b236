// The modal set-up dialog: the user names the oscilloscope, picks the source, the number of points
// and whether a new acquisition is forced. It owns the add-in's one open instrument session.
//
// How a caller runs it (one fresh instance per waveform fetch):
//
//   auto dialog = std::make_unique<Fsetup>();  // creation; may raise 0x80040202 after its own message
//   dialog->form.showModal();                   // through the current user interface
//   io::IoSessionRef session = dialog->device();
//   dialog->form.unload();
//   dialog.reset();
//
// The outcome is in SessionState: WaveFormResult 1 after a confirmed OK with an open session, 2 on
// every other way out; OK also stores the address, source, channel, points and acquire-new choices.
//
// The instrument procedures (identification, mode checks, channel state, record lengths) are
// defined in src/instrument; creation, activation, tabs and the buttons in src/dialogs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "dialogs/FsetupForm.h"
#include "platform/io/io_session.h"
#include "platform/runtime/errors.h"

namespace trv3 {

class Fsetup : public FsetupForm {
 public:
  Fsetup();

  // Opens `addr`, identifies it with "*IDN?" and keeps the session only for a supported model of
  // the maker; on any failure device() is nothing and the address, points index, points list and
  // source are reset. Raises only when the I/O library itself is unavailable.
  void openScope(const std::string& addr);
  // Brings the address boxes, the points list and the channel list in line with the open
  // instrument and restores the remembered choices; errors pass to the caller.
  void setupWidgets();
  // Pauses 1000 ms, then refuses (false, with a message) an acquisition mode other than normal or
  // averaging over at most 16. An instrument that lets the type query time out is not refused for
  // its mode: the time-out passes to the caller.
  bool checkMode();
  // A new reference to the open session, or nothing.
  io::IoSessionRef device() const { return device_; }
  bool isNormalMode();
  // Reads the acquisition type of the last isNormalMode().
  bool isLargeAverage();
  // Displayed channels of the connected model; errors pass to the caller.
  int16_t numbChansOn();
  // Whether a digital bit of a pod model is on; errors pass to the caller.
  bool IsDigitalOn();

  // Read-only views of the form-level members.
  const std::string& modelNumber() const { return modelNumber_; }
  const std::string& acquireType() const { return acquireType_; }
  const std::string& noInstrumentText() const { return noInstrumentText_; }
  bool addressEdited() const { return addressEdited_; }

 private:
  void handleCancelClick();
  void handleConnectClick();
  void handleOkClick();
  void handleActivate();
  void handleCreate();
  void handleLoad();
  void handleTabChange(int16_t previousTab);
  void showCurrentAddress();
  static std::string getModelField(const std::string& reply);
  void handleAddressChange();
  // Unloading drops the form-level members, the session among them.
  void handleUnload();

  // The record lengths the connected model offers (lists A to F).
  std::span<const int16_t> choosePointsList(int16_t channelsOn);

  // Runs a step that brings the dialog in line with the open instrument. Should the instrument fail
  // it, the dialog stays usable instead: the session is dropped as after a failed opening, the
  // address tab is selected, the points list stays empty and one message names the address.
  // Returns whether the step completed.
  bool alignWithInstrument(const std::function<void()>& step);
  // The resets that follow an instrument which could not be kept.
  void forgetInstrument();

  io::IoSessionRef device_;
  std::string modelNumber_;
  std::string acquireType_;
  std::string noInstrumentText_;
  bool addressEdited_ = false;
  // The time-out of the last type query, so that a silent instrument is told apart from one in a
  // refused mode.
  std::optional<RuntimeError> typeQueryTimeout_;
};

}  // namespace trv3
