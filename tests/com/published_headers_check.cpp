// The headers a host compiles against, compiled strictly as C++20 (the C example host compiles them
// as C11), and the automation layout they promise.
#include <cstddef>

#include "addin/waveform_interface.h"
#include "platform/com/abi.h"

static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, lVal) == 8);
static_assert(offsetof(VARIANT, dblVal) == 8);
static_assert(offsetof(DECIMAL, scale) == 2 && offsetof(DECIMAL, sign) == 3);
static_assert(offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo64) == 8);
static_assert(sizeof(CY) == 8 && sizeof(DATE) == 8);
static_assert(offsetof(SAFEARRAY, pvData) == (sizeof(void*) == 8 ? 16 : 12));
static_assert(sizeof(SAFEARRAYBOUND) == 8);
static_assert(offsetof(EXCEPINFO, scode) == sizeof(EXCEPINFO) - sizeof(void*) ||
              offsetof(EXCEPINFO, scode) == sizeof(EXCEPINFO) - sizeof(HRESULT));
