#include "acquisition/FetchWaveform.h"

#include "shared/MGlobal.h"

namespace trv3 {

// Until the dialog and the transfer are in place a fetch delivers nothing, and says so.
void FetchWaveform(com::Variant&, double&) { MGlobal::state().setWaveFormResult(int32_t{2}); }

}  // namespace trv3
