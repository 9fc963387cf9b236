// The whole of a getWaveform call: the set-up dialog, the presence probe, the transfer and the
// result code. Always returns normally; every run-time error is handled inside.
#pragma once

#include "platform/com/variant.h"

namespace trv3 {

void FetchWaveform(com::Variant& wform, double& wTime);

}  // namespace trv3
