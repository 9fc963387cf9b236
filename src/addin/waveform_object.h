// The COM object around CWaveForm: its _CWaveForm vtable (also reached as IUnknown and IDispatch)
// and the IThreadErrorInfo face through which vtable callers fetch the error info.
#pragma once

#include "addin/waveform_interface.h"

namespace trv3::addin {

bool isWaveFormInterface(const IID& iid);

// A new instance (its initialisation runs here) with one reference on the asked interface.
HRESULT createWaveFormObject(const IID& iid, void** object);

}  // namespace trv3::addin
