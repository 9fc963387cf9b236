// The automation value types our Variants and SAFEARRAYs can hold, and the size of one value of
// each: what a SAFEARRAY element of the type takes, and what a by-reference pointer of the type
// points at.
#pragma once

#include <cstddef>

#include "platform/com/abi.h"

namespace trv3::com {

// 0 for a type that is not a storable value (VT_EMPTY, VT_NULL, records, unknown numbers).
size_t valueSize(VARTYPE type);

// Values that own something: a text, an object reference or a nested Variant.
inline bool ownsResources(VARTYPE type) {
  return type == VT_BSTR || type == VT_UNKNOWN || type == VT_DISPATCH || type == VT_VARIANT;
}

}  // namespace trv3::com
