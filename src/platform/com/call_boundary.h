// Where a call crosses the binary interface: no C++ exception may pass, so a run-time error becomes
// its status plus this thread's error info, and anything else a plain failure status.
#pragma once

#include <new>

#include "platform/com/abi.h"
#include "platform/com/error_info.h"
#include "platform/runtime/errors.h"

namespace trv3::com {

template <class Body>
HRESULT callBoundary(Body&& body) noexcept {
  clearErrorInfo();
  try {
    body();
    return S_OK;
  } catch (const RuntimeError& error) {
    return reportError(error);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace trv3::com
