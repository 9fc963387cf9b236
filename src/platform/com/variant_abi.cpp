// VariantInit / VariantClear / VariantCopy / VariantCopyInd for the types our Variants hold.
#include "platform/com/automation.h"

extern "C" {

void VariantInit(VARIANT* variant) {
  *variant = VARIANT{};
  variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
  if (variant == nullptr) return E_INVALIDARG;
  if ((variant->vt & VT_BYREF) == 0) {
    if (variant->vt & VT_ARRAY) {
      const HRESULT hr = SafeArrayDestroy(variant->parray);
      if (FAILED(hr)) return hr;
    } else if (variant->vt == VT_BSTR) {
      SysFreeString(variant->bstrVal);
    } else if ((variant->vt == VT_UNKNOWN || variant->vt == VT_DISPATCH) && variant->punkVal) {
      variant->punkVal->lpVtbl->Release(variant->punkVal);
    }
  }
  VariantInit(variant);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  const HRESULT cleared = VariantClear(target);
  if (FAILED(cleared)) return cleared;
  VARIANT copy = *source;
  if ((source->vt & VT_BYREF) == 0) {
    if (source->vt & VT_ARRAY) {
      if (source->vt != (VT_ARRAY | VT_I4)) return DISP_E_BADVARTYPE;
      const HRESULT hr = SafeArrayCopy(source->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
      source->punkVal->lpVtbl->AddRef(source->punkVal);
    }
  }
  *target = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if ((source->vt & VT_BYREF) == 0) return VariantCopy(target, source);
  if (source->plVal == nullptr) return E_INVALIDARG;
  const VARTYPE type = source->vt & ~VT_BYREF;
  if (type == VT_VARIANT) {
    // A reference to a Variant never refers to another reference.
    if (source->pvarVal->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
    return VariantCopyInd(target, source->pvarVal);
  }
  VARIANT value;  // borrows the referenced value; VariantCopy makes the owned copy
  VariantInit(&value);
  value.vt = type;
  if (type & VT_ARRAY) {
    value.parray = *source->pparray;
  } else {
    switch (type) {
      case VT_I2: value.iVal = *source->piVal; break;
      case VT_I4: value.lVal = *source->plVal; break;
      case VT_ERROR: value.scode = *source->plVal; break;
      case VT_R8: value.dblVal = *source->pdblVal; break;
      case VT_BOOL: value.boolVal = *source->pboolVal; break;
      case VT_BSTR: value.bstrVal = *source->pbstrVal; break;
      case VT_UNKNOWN: value.punkVal = *source->ppunkVal; break;
      case VT_DISPATCH: value.pdispVal = *source->ppdispVal; break;
      default: return DISP_E_BADVARTYPE;
    }
  }
  return VariantCopy(target, &value);
}

}  // extern "C"
