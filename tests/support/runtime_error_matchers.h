// Runs a statement and reports the number of the RuntimeError it raised (0 when none).
#pragma once

#include <cstdint>

#include "platform/runtime/errors.h"

namespace trv3::testing {

template <class Statement>
int32_t errorNumberOf(Statement&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace trv3::testing
