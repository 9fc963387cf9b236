// By-reference VARIANTs as automation callers pass them: they point at the caller's storage and own
// nothing.
#pragma once

#include <cstdint>

#include "platform/com/abi.h"

namespace trv3::testing {

inline VARIANT referenceTo(VARIANT& target) {
  VARIANT reference{};
  reference.vt = VT_BYREF | VT_VARIANT;
  reference.pvarVal = &target;
  return reference;
}

inline VARIANT referenceTo(int32_t& target) {
  VARIANT reference{};
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &target;
  return reference;
}

inline VARIANT referenceTo(double& target) {
  VARIANT reference{};
  reference.vt = VT_BYREF | VT_R8;
  reference.pdblVal = &target;
  return reference;
}

}  // namespace trv3::testing
