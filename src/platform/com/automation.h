/* The automation helpers on our ABI types: BSTRs (a 32-bit byte-length prefix, UTF-16 text, a NUL
   terminator), SAFEARRAYs and VARIANTs. Everything is
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

/* Zero-filled arrays of any value type; the element type is recorded with FADF_HAVEVARTYPE. */
SAFEARRAY* SafeArrayCreate(VARTYPE type, uint32_t dimensions, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE type, int32_t lowerBound, uint32_t count);
/* Frees the elements' texts, Variants and object references with the array. */
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy); /* deep */
HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type);
uint32_t SafeArrayGetDim(const SAFEARRAY* array);
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
