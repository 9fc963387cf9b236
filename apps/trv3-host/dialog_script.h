// Turns the host's command-line choices into the user actions that the add-in's script backend
// plays on the set-up dialog (the text of TRV3_UI_SCRIPT).
#pragma once

#include <optional>
#include <string>

namespace trv3::host {

// What the user would do in the set-up dialog, in the order a person does it.
struct DialogChoices {
  std::optional<int> connect;          // instrument of the connect dialog's list to pick, 1-based
  std::optional<std::string> address;  // typed on the address tab
  std::optional<int> channel;          // channel entry, 1-based
  std::optional<int> points;           // the points entry whose value this is
  bool acquireNew = false;             // tick "Always acquire new waveform"
  bool cancel = false;                 // press Cancel instead of OK
};

// The ";"-separated action list: picking from the connect dialog presses Connect, picks the entry
// once the search has ended and presses "&Close" (cmdOK); typing an address selects tab 1, types
// it and selects tab 0 again (leaving the address tab after an edit is what reconnects); then the
// channel, the points, the check box, and finally OK or Cancel. No choices at all confirms the
// remembered ones.
std::string dialogScript(const DialogChoices& choices);

// Why an address cannot travel in the action list (it would split into further actions), or
// nothing when it can.
std::optional<std::string> addressProblem(const std::string& address);

}  // namespace trv3::host
