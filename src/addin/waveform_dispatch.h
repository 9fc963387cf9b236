// IDispatch for _CWaveForm: names to dispatch ids, and Invoke by dispatch id onto the vtable
// members, with by-reference arguments written in place and failures reported in EXCEPINFO.
#pragma once

#include "addin/waveform_interface.h"

namespace trv3::addin {

HRESULT waveFormGetIDsOfNames(_CWaveForm* self, const IID* iid, OLECHAR** names, uint32_t count,
                              LCID lcid, DISPID* ids);
HRESULT waveFormInvoke(_CWaveForm* self, DISPID member, const IID* iid, LCID lcid, uint16_t flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       uint32_t* argumentError);

}  // namespace trv3::addin
