// The arguments of an IDispatch::Invoke call, read the way automation servers read them:
// positions count from the first parameter (DISPPARAMS holds them in reverse order), a parameter
// passed by reference is used in place, and one passed by value is converted into a local copy by
// the run-time's rules (Variant's conversions).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/abi.h"
#include "platform/com/variant.h"

namespace trv3::com {

// Ends an Invoke with a status; for a bad argument, its position in DISPPARAMS::rgvarg.
struct DispatchFailure {
  static constexpr uint32_t NoArgument = UINT32_MAX;
  HRESULT status;
  uint32_t argumentIndex = NoArgument;
};

class DispatchArguments {
 public:
  // Raises DispatchFailure unless exactly `expected` arguments came (DISP_E_BADPARAMCOUNT), each
  // parameter given once, by position or by its position as name (else DISP_E_PARAMNOTFOUND); a
  // property put's one argument must be named DISPID_PROPERTYPUT.
  DispatchArguments(const DISPPARAMS* params, uint32_t expected, bool propertyPut = false);

  VARIANT& at(uint32_t position) const;
  uint32_t indexOf(uint32_t position) const { return index_[position]; }

  // The argument's value (BYREF followed), converted by the run-time's rules; a failed conversion
  // raises DispatchFailure with DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW.
  Variant value(uint32_t position) const;
  int32_t int32Value(uint32_t position) const;
  double doubleValue(uint32_t position) const;

 private:
  VARIANTARG* arguments_;
  std::vector<uint32_t> index_;  // where each parameter sits in rgvarg
};

// A double parameter passed by reference: a reference to a double is used in place; a reference to
// a Variant, or a value, is converted into a local copy, and writeBack() stores the copy into the
// referenced Variant. A reference to any other type is refused (DISP_E_TYPEMISMATCH), so that no
// call succeeds while the caller's variable stays untouched, and so is a referenced Variant holding
// a locked array (DISP_E_ARRAYISLOCKED), which could be neither freed nor kept.
class DoubleReference {
 public:
  DoubleReference(const DispatchArguments& arguments, uint32_t position);
  double* get() { return target_ ? target_ : &local_; }
  // Whether the call gave the local copy another value than the caller's.
  bool changed() const;
  void writeBack();

 private:
  VARIANT* variant_ = nullptr;  // a referenced Variant to write back into
  double* target_ = nullptr;    // a typed reference used in place
  double local_ = 0.0;
  double given_ = 0.0;          // the caller's value, converted
};

// A Variant parameter: a reference to a Variant is used in place; a reference to an array of
// `arrayElements` travels in a local Variant and goes back to the caller's variable when this
// ends; a value is copied, and the call may change the copy freely. A reference to any other type
// is refused (DISP_E_TYPEMISMATCH), a referenced locked array too (DISP_E_ARRAYISLOCKED).
class VariantReference {
 public:
  VariantReference(const DispatchArguments& arguments, uint32_t position, VARTYPE arrayElements);
  ~VariantReference();
  VariantReference(const VariantReference&) = delete;
  VariantReference& operator=(const VariantReference&) = delete;
  VARIANT* get() { return target_ ? target_ : &local_.raw(); }

 private:
  VARIANT* target_ = nullptr;
  SAFEARRAY** array_ = nullptr;  // the caller's typed array variable
  VARTYPE arrayType_ = VT_EMPTY;
  Variant local_;
};

// Stores a value as an Invoke result when the caller asked for one.
void setResult(VARIANT* result, Variant value);

}  // namespace trv3::com
