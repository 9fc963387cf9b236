// Whether Qt can open its windows here. Qt ends the whole process when its platform cannot
// connect (a stale DISPLAY over ssh, no display at all, a compositor without its Qt plugin), which
// must never take the host down.
#pragma once

#include <optional>
#include <string>

namespace trv3::ui::qt {

// Why Qt cannot open its windows here, for the user; nothing when it can.
std::optional<std::string> whyNoDisplay();

}  // namespace trv3::ui::qt
