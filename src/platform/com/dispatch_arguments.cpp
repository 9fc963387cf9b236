#include "platform/com/dispatch_arguments.h"

#include <utility>

#include "platform/com/automation.h"
#include "platform/runtime/errors.h"

namespace trv3::com {
namespace {

template <class Convert>
auto converted(uint32_t index, Convert&& convert) -> decltype(convert()) {
  try {
    return convert();
  } catch (const RuntimeError& e) {
    throw DispatchFailure{e.number() == rt::Overflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH,
                          index};
  }
}

DispatchFailure mismatch(uint32_t index) { return DispatchFailure{DISP_E_TYPEMISMATCH, index}; }

}  // namespace

DispatchArguments::DispatchArguments(const DISPPARAMS* params, uint32_t expected, bool propertyPut)
    : arguments_(params ? params->rgvarg : nullptr), count_(params ? params->cArgs : 0) {
  const uint32_t named = params ? params->cNamedArgs : 0;
  if (named > 0 && !(propertyPut && named == 1 &&
                     params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
    throw DispatchFailure{DISP_E_NONAMEDARGS};
  if (count_ != expected) throw DispatchFailure{DISP_E_BADPARAMCOUNT};
  if (count_ > 0 && arguments_ == nullptr) throw DispatchFailure{E_INVALIDARG};
}

VARIANT& DispatchArguments::at(uint32_t position) const { return arguments_[indexOf(position)]; }

Variant DispatchArguments::value(uint32_t position) const {
  return converted(indexOf(position), [&] { return Variant::valueOf(at(position)); });
}

int32_t DispatchArguments::int32Value(uint32_t position) const {
  const Variant v = value(position);
  return converted(indexOf(position), [&] { return v.toInt32(); });
}

double DispatchArguments::doubleValue(uint32_t position) const {
  const Variant v = value(position);
  return converted(indexOf(position), [&] { return v.toDouble(); });
}

DoubleReference::DoubleReference(const DispatchArguments& arguments, uint32_t position) {
  VARIANT& argument = arguments.at(position);
  const bool reference = argument.vt & VT_BYREF;
  if (reference && argument.pdblVal == nullptr) throw mismatch(arguments.indexOf(position));
  if (argument.vt == (VT_BYREF | VT_R8)) {
    target_ = argument.pdblVal;
    return;
  }
  if (argument.vt == (VT_BYREF | VT_VARIANT))
    variant_ = argument.pvarVal;
  else if (reference)
    throw mismatch(arguments.indexOf(position));
  local_ = arguments.doubleValue(position);
}

void DoubleReference::writeBack() {
  if (variant_ == nullptr) return;
  VariantClear(variant_);
  variant_->vt = VT_R8;
  variant_->dblVal = local_;
}

VariantReference::VariantReference(const DispatchArguments& arguments, uint32_t position,
                                   VARTYPE arrayElements) {
  VARIANT& argument = arguments.at(position);
  if ((argument.vt & VT_BYREF) == 0) {
    local_ = arguments.value(position);
  } else if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
    target_ = argument.pvarVal;
  } else if (argument.vt == (VT_BYREF | VT_ARRAY | arrayElements) && argument.pparray != nullptr) {
    array_ = argument.pparray;
    arrayType_ = VT_ARRAY | arrayElements;
    local_.raw().vt = arrayType_;
    local_.raw().parray = std::exchange(*array_, nullptr);
  } else {
    throw mismatch(arguments.indexOf(position));
  }
}

// The caller's array variable gets what the call left, or its own array back. A value of another
// type cannot live in that variable and is dropped.
VariantReference::~VariantReference() {
  if (array_ == nullptr) return;
  if (local_.type() == arrayType_) *array_ = local_.detach().parray;
}

void setResult(VARIANT* result, Variant value) {
  if (result == nullptr) return;
  *result = value.detach();
}

}  // namespace trv3::com
