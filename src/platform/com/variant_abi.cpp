// VariantInit / VariantClear / VariantCopy / VariantCopyInd for every value type of value_types.h,
// arrays of any of them included.
#include <cstddef>
#include <cstring>

#include "platform/com/automation.h"
#include "platform/com/safearray.h"
#include "platform/com/value_types.h"

namespace {

constexpr size_t ValueOffset = offsetof(VARIANT, lVal);

bool isStorable(VARTYPE type) {
  const VARTYPE base = type & VT_TYPEMASK;
  if (type & VT_ARRAY) return (type & ~(VT_ARRAY | VT_BYREF | VT_TYPEMASK)) == 0 && trv3::com::valueSize(base) > 0;
  if ((type & ~(VT_BYREF | VT_TYPEMASK)) != 0) return false;
  return base == VT_EMPTY || base == VT_NULL || trv3::com::valueSize(base) > 0;
}

}  // namespace

extern "C" {

void VariantInit(VARIANT* variant) {
  *variant = VARIANT{};
  variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
  if (variant == nullptr) return E_INVALIDARG;
  const VARTYPE type = variant->vt;
  // What an unknown type owns cannot be known, so it is left as it is.
  if (!isStorable(type)) return DISP_E_BADVARTYPE;
  if ((type & VT_BYREF) == 0) {
    if (type & VT_ARRAY) {
      const HRESULT hr = trv3::com::destroyArray(variant->parray, type & VT_TYPEMASK);
      if (FAILED(hr)) return hr;
    } else if (type == VT_BSTR) {
      SysFreeString(variant->bstrVal);
    } else if ((type == VT_UNKNOWN || type == VT_DISPATCH) && variant->punkVal) {
      variant->punkVal->lpVtbl->Release(variant->punkVal);
    }
  }
  VariantInit(variant);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  if (!isStorable(source->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *source;
  if ((source->vt & VT_BYREF) == 0) {
    if (source->vt & VT_ARRAY) {
      const HRESULT hr =
          trv3::com::copyArray(source->parray, source->vt & VT_TYPEMASK, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
      source->punkVal->lpVtbl->AddRef(source->punkVal);
    }
  }
  const HRESULT cleared = VariantClear(target);
  if (FAILED(cleared)) {
    VariantClear(&copy);
    return cleared;
  }
  *target = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if ((source->vt & VT_BYREF) == 0) return VariantCopy(target, source);
  if (!isStorable(source->vt)) return DISP_E_BADVARTYPE;
  if (source->pvarVal == nullptr) return E_INVALIDARG;
  const VARTYPE type = source->vt & ~VT_BYREF;
  if (type == VT_VARIANT) {
    // A reference to a Variant never refers to another reference.
    if (source->pvarVal->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
    return VariantCopyInd(target, source->pvarVal);
  }
  VARIANT value;  // borrows the referenced value; VariantCopy makes the owned copy
  VariantInit(&value);
  if (type & VT_ARRAY) {
    value.parray = *source->pparray;
  } else if (type == VT_DECIMAL) {
    std::memcpy(&value, source->pdecVal, sizeof(DECIMAL));  // a DECIMAL fills the whole VARIANT
  } else {
    std::memcpy(reinterpret_cast<char*>(&value) + ValueOffset, source->pvarVal,
                trv3::com::valueSize(type));
  }
  value.vt = type;
  return VariantCopy(target, &value);
}

}  // extern "C"
