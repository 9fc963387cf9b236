// The headers a host compiles against, compiled strictly as C++20 (the C example host compiles them
// as C11), and the automation layout they promise, even to a host that has set its own packing.
#include <cstddef>

#pragma pack(push, 1)
#include "addin/waveform_interface.h"
#include "platform/com/abi.h"
#pragma pack(pop)

static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, lVal) == 8);
static_assert(offsetof(VARIANT, dblVal) == 8);
static_assert(offsetof(DECIMAL, scale) == 2 && offsetof(DECIMAL, sign) == 3);
static_assert(offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo64) == 8);
static_assert(sizeof(CY) == 8 && sizeof(DATE) == 8);
static_assert(offsetof(SAFEARRAY, pvData) == (sizeof(void*) == 8 ? 16 : 12));
static_assert(sizeof(SAFEARRAY) == 16 + 2 * sizeof(void*));
static_assert(sizeof(SAFEARRAYBOUND) == 8);
static_assert(offsetof(EXCEPINFO, bstrSource) == sizeof(void*));
static_assert(offsetof(EXCEPINFO, pvReserved) == 5 * sizeof(void*));
static_assert(offsetof(EXCEPINFO, scode) == 7 * sizeof(void*));
static_assert(offsetof(DISPPARAMS, cArgs) == 2 * sizeof(void*));
static_assert(sizeof(DISPPARAMS) == 2 * sizeof(void*) + 8);
