/* The automation helpers that hosts written in C use on our ABI types: BSTRs (a 32-bit byte-length
   prefix, UTF-16 text, a NUL terminator), 1-D SAFEARRAYs of VT_I4 and VARIANTs. Everything is
   allocated with the C heap, so memory handed across a module boundary can be freed on either
   side. */
#ifndef TRV3_COM_AUTOMATION_H
#define TRV3_COM_AUTOMATION_H

#include "platform/com/abi.h"

#ifdef __cplusplus
extern "C" {
#endif

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length); /* text may be NULL: zero-filled */
void SysFreeString(BSTR text);                                /* NULL is fine */
uint32_t SysStringLen(BSTR text);                             /* in UTF-16 units; 0 for NULL */
uint32_t SysStringByteLen(BSTR text);

/* Only VT_I4 elements are supported; any other type gives NULL. */
SAFEARRAY* SafeArrayCreateVector(VARTYPE type, int32_t lowerBound, uint32_t count);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy);
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound);

void VariantInit(VARIANT* variant);
HRESULT VariantClear(VARIANT* variant); /* frees what the VARIANT owns; BYREF targets stay */
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);
/* As VariantCopy, but a BYREF source is copied as the value it refers to. */
HRESULT VariantCopyInd(VARIANT* target, const VARIANT* source);

#ifdef __cplusplus
}
#endif

#endif
