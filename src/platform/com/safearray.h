// SAFEARRAYs of any element type, copied deeply and destroyed with what their elements own; and the
// sample array handed to the host: a 1-D SAFEARRAY of VT_I4 with lower bound 0 that a block read
// fills in place and that moves into a Variant without copying its elements.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/abi.h"
#include "platform/io/io_session.h"

namespace trv3::com {

// The element type comes from the Variant that holds the array, which a host's array may not record.
HRESULT copyArray(const SAFEARRAY* source, VARTYPE elementType, SAFEARRAY** copy);
HRESULT destroyArray(SAFEARRAY* array, VARTYPE elementType);

class Int32SafeArray final : public io::Int32ArrayTarget {
 public:
  explicit Int32SafeArray(size_t count = 0);
  Int32SafeArray(Int32SafeArray&& other) noexcept;
  Int32SafeArray& operator=(Int32SafeArray&& other) noexcept;
  Int32SafeArray(const Int32SafeArray&) = delete;
  Int32SafeArray& operator=(const Int32SafeArray&) = delete;
  ~Int32SafeArray() override;

  size_t size() const override;
  // Keeps the leading elements; new ones are zero. Raises Overflow beyond 2^32 - 1 elements and
  // "Out of memory" when the heap refuses (the array is then unchanged).
  int32_t* resize(size_t count) override;
  int32_t* data();
  const int32_t* data() const;

  // Hands the SAFEARRAY over to the caller, who destroys it; this array is left empty.
  SAFEARRAY* release();

 private:
  SAFEARRAY* array_;
};

}  // namespace trv3::com
