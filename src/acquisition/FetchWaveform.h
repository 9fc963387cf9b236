// The whole of a getWaveform call: the set-up dialog, the presence probe, the transfer and the
// result code. Always returns normally; every run-time error is handled inside.
#pragma once

#include "platform/com/variant.h"

namespace trv3 {

// A host may call again from its own events while this thread's fetch shows its dialog: such a
// call returns at once, fetches nothing and leaves wform and wTime as they were, so that no second
// dialog opens over the first and the first fetch goes on undisturbed.
void FetchWaveform(com::Variant& wform, double& wTime);

// Whether a fetch is under way on this thread (its dialog or its messages shown, its transfer
// running).
bool fetchUnderWay();

}  // namespace trv3
