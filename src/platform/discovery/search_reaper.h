// Searches whose time is up while a probe still waits for a silent instrument are finished here,
// on a thread of their own, so that neither the end of a search nor the end of the control ever
// waits for such a probe. Each probe ends by its own time-out.
#pragma once

#include <memory>

#include "platform/discovery/search_run.h"

namespace trv3::discovery {

// Takes a stopped run and lets it finish in the background.
void finishInBackground(std::unique_ptr<SearchRun> run);

}  // namespace trv3::discovery
