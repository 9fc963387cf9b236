// The C++ face of the COM Variant: owns an ABI VARIANT (see abi.h) and converts as the run-time does.
// Internal code is UTF-8; BSTRs are UTF-16 with their length prefix.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/com/abi.h"
#include "platform/com/safearray.h"

namespace trv3::com {

class Variant {
 public:
  Variant();  // VT_EMPTY
  Variant(int16_t value);             // VT_I2
  Variant(int32_t value);             // VT_I4
  Variant(double value);              // VT_R8
  Variant(std::string_view utf8);     // VT_BSTR
  Variant(const char* utf8);          // VT_BSTR
  Variant(const std::string& utf8);   // VT_BSTR
  static Variant boolean(bool value); // VT_BOOL, -1 / 0
  static Variant object(IUnknown* unknown);    // VT_UNKNOWN, adds a reference
  static Variant object(IDispatch* dispatch);  // VT_DISPATCH, adds a reference
  // VT_ARRAY | VT_I4, taking over the array's storage without copying the elements.
  Variant(Int32SafeArray&& array);
  // Takes ownership of an ABI VARIANT (the source is left VT_EMPTY).
  static Variant adopt(VARIANT& raw);
  // A copy of the value that an ABI VARIANT stands for, BYREF followed; raises TypeMismatch for a
  // type that a Variant cannot hold.
  static Variant valueOf(const VARIANT& raw);

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  VARTYPE type() const { return raw_.vt; }
  bool isEmpty() const { return raw_.vt == VT_EMPTY; }
  const VARIANT& raw() const { return raw_; }
  VARIANT& raw() { return raw_; }
  // Hands the ABI VARIANT over to a caller that will own it (this is left VT_EMPTY).
  VARIANT detach();

  // Conversions of the run-time (CStr, CInt, CLng, CDbl, CBool); BYREF values are followed.
  // A value that cannot be converted raises TypeMismatch; one out of range raises Overflow.
  std::string toText() const;
  int16_t toInt16() const;
  int32_t toInt32() const;
  double toDouble() const;
  bool toBool() const;

  // The elements of a VT_ARRAY | VT_I4 value (BYREF followed); any other type raises TypeMismatch.
  std::span<const int32_t> int32Elements() const;
  // The array of a VT_ARRAY | VT_I4 value (BYREF followed), else nullptr.
  const SAFEARRAY* int32Array() const;

 private:
  VARIANT raw_;
};

}  // namespace trv3::com
