// Channel knowledge shared by the set-up dialog: channel counts of the supported models, and the
// channel list marked with each channel's display state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io/io_session.h"

namespace trv3::ui {
class ComboBox;
}

namespace trv3::modUtility {

// The run-time's Split on ",": no trimming, empty entries kept, and an empty text gives no entry.
std::vector<std::string> splitList(std::string_view text);

// Channel count of the first supported model that equals `model` exactly; 2 for a model that is not
// in the table. A count that is not a number, or a missing count, raises the run-time error.
int32_t modelChannelCount(const std::string& model);

// Fills the channel list with " 1", " 2" (and " 3", " 4" for a four-channel model), marked with
// their display state when a session is open, and selects the first entry. Never fails as a whole.
void fillChannelList(const io::IoSessionRef& session, ui::ComboBox& list, const std::string& model);

// Appends " - On" or " - Off" to each entry from the instrument's answer; the first error leaves
// quietly, with the entries handled so far marked and the others as they were.
void DetermineChannelState(const io::IoSessionRef& session, std::vector<std::string>& entries);

}  // namespace trv3::modUtility
