#include "platform/com/dispatch_arguments.h"

#include <algorithm>
#include <cstring>
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
    // As the automation run-time coerces: a number out of range, or no number at all (NaN), does
    // not fit; anything else is of the wrong type.
    const bool outOfRange = e.number() == rt::Overflow || e.number() == rt::FloatingPoint;
    throw DispatchFailure{outOfRange ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH, index};
  }
}

DispatchFailure mismatch(uint32_t index) { return DispatchFailure{DISP_E_TYPEMISMATCH, index}; }

// A referenced Variant that itself holds a reference stands for the variable referred to last:
// that is the caller's variable to write.
VARIANT& referredVariable(VARIANT& argument) {
  const bool referencesReference = argument.vt == (VT_BYREF | VT_VARIANT) &&
                                   argument.pvarVal != nullptr && (argument.pvarVal->vt & VT_BYREF);
  return referencesReference ? *argument.pvarVal : argument;
}

// The call will overwrite the caller's variable, and a locked array in it can be freed no more
// than it can be kept, so the call is refused before it starts.
void refuseLockedArray(const VARIANT& variable, uint32_t index) {
  const SAFEARRAY* held = nullptr;
  if (variable.vt & VT_ARRAY)
    held = (variable.vt & VT_BYREF) ? (variable.pparray ? *variable.pparray : nullptr) : variable.parray;
  if (held != nullptr && held->cLocks > 0) throw DispatchFailure{DISP_E_ARRAYISLOCKED, index};
}

// The argument whose name is no parameter of the member, or names one given before; for a put,
// its value when that is not named DISPID_PROPERTYPUT. NoArgument when no name can be blamed.
uint32_t misnamedArgument(const DISPID* names, uint32_t named, uint32_t count, bool propertyPut) {
  if (named > 0 && names == nullptr) return DispatchFailure::NoArgument;
  if (propertyPut && named == 0) return count > 0 ? 0 : DispatchFailure::NoArgument;
  const uint32_t positional = count - std::min(named, count);
  for (uint32_t k = 0; k < named; ++k) {
    const bool parameter = propertyPut ? k == 0 && names[k] == DISPID_PROPERTYPUT
                                       : names[k] >= static_cast<DISPID>(positional) &&
                                             names[k] < static_cast<DISPID>(count);
    if (!parameter || std::find(names, names + k, names[k]) != names + k)
      return k < count ? k : DispatchFailure::NoArgument;
  }
  return DispatchFailure::NoArgument;
}

}  // namespace

DispatchArguments::DispatchArguments(const DISPPARAMS* params, uint32_t expected, bool propertyPut)
    : arguments_(params ? params->rgvarg : nullptr) {
  const uint32_t count = params ? params->cArgs : 0;
  const uint32_t named = params ? params->cNamedArgs : 0;
  const DISPID* names = named > 0 ? params->rgdispidNamedArgs : nullptr;
  // A put's new value must be named DISPID_PROPERTYPUT, as the automation run-time requires.
  if (propertyPut && (named != 1 || names == nullptr || names[0] != DISPID_PROPERTYPUT))
    throw DispatchFailure{DISP_E_PARAMNOTFOUND, misnamedArgument(names, named, count, propertyPut)};
  if (count != expected) throw DispatchFailure{DISP_E_BADPARAMCOUNT};
  if ((count > 0 && arguments_ == nullptr) || named > count || (named > 0 && names == nullptr))
    throw DispatchFailure{E_INVALIDARG};
  // rgvarg holds the named arguments first, in the order of their names, then the positional
  // ones last to first; a parameter's name is its position.
  const uint32_t positional = count - named;
  index_.resize(count);
  for (uint32_t position = 0; position < count; ++position) {
    if (position < positional) {
      index_[position] = count - 1 - position;
      continue;
    }
    const DISPID wanted = propertyPut ? DISPID_PROPERTYPUT : static_cast<DISPID>(position);
    const DISPID* found = std::find(names, names + named, wanted);
    if (found == names + named)
      throw DispatchFailure{DISP_E_PARAMNOTFOUND, misnamedArgument(names, named, count, propertyPut)};
    index_[position] = static_cast<uint32_t>(found - names);
  }
}

VARIANT& DispatchArguments::at(uint32_t position) const { return arguments_[indexOf(position)]; }

Variant DispatchArguments::value(uint32_t position) const {
  return converted(indexOf(position), [&] { return Variant::valueOf(referredVariable(at(position))); });
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
  VARIANT& argument = referredVariable(arguments.at(position));
  const bool reference = argument.vt & VT_BYREF;
  if (reference && argument.pdblVal == nullptr) throw mismatch(arguments.indexOf(position));
  if (argument.vt == (VT_BYREF | VT_R8)) {
    target_ = argument.pdblVal;
    return;
  }
  if (argument.vt == (VT_BYREF | VT_VARIANT)) {
    variant_ = argument.pvarVal;
    refuseLockedArray(*variant_, arguments.indexOf(position));
  } else if (reference) {
    throw mismatch(arguments.indexOf(position));
  }
  local_ = converted(arguments.indexOf(position), [&] { return Variant::valueOf(argument).toDouble(); });
  given_ = local_;
}

bool DoubleReference::changed() const { return std::memcmp(&local_, &given_, sizeof local_) != 0; }

void DoubleReference::writeBack() {
  if (variant_ == nullptr) return;
  VariantClear(variant_);
  variant_->vt = VT_R8;
  variant_->dblVal = local_;
}

VariantReference::VariantReference(const DispatchArguments& arguments, uint32_t position,
                                   VARTYPE arrayElements) {
  VARIANT& argument = referredVariable(arguments.at(position));
  if ((argument.vt & VT_BYREF) == 0) {
    local_ = arguments.value(position);
  } else if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
    refuseLockedArray(*argument.pvarVal, arguments.indexOf(position));
    target_ = argument.pvarVal;
  } else if (argument.vt == (VT_BYREF | VT_ARRAY | arrayElements) && argument.pparray != nullptr) {
    refuseLockedArray(argument, arguments.indexOf(position));
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
