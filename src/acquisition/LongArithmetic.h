// 32-bit signed arithmetic as the run-time does it: a result outside the 32-bit range raises
// "Overflow" instead of wrapping.
#pragma once

#include <cstdint>

#include "platform/runtime/errors.h"

namespace trv3 {

inline int32_t longSubtract(int32_t a, int32_t b) {
  int32_t result;
  if (__builtin_sub_overflow(a, b, &result)) raise(rt::Overflow);
  return result;
}

inline int32_t longMultiply(int32_t a, int32_t b) {
  int32_t result;
  if (__builtin_mul_overflow(a, b, &result)) raise(rt::Overflow);
  return result;
}

}  // namespace trv3
