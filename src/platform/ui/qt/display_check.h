// Whether Qt can open its windows here. Qt ends the whole process when its platform cannot
// connect (a stale DISPLAY over ssh, no display at all, a compositor without its Qt plugin), which
// must never take the host down.
#pragma once

namespace trv3::ui::qt {

bool displayAvailable();

}  // namespace trv3::ui::qt
