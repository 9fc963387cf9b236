#include "platform/com/dispatch_arguments.h"

#include <type_traits>

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

template <class T>
constexpr VARTYPE typeOf();
template <>
constexpr VARTYPE typeOf<int32_t>() { return VT_I4; }
template <>
constexpr VARTYPE typeOf<double>() { return VT_R8; }

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

template <class T>
ScalarReference<T>::ScalarReference(const DispatchArguments& arguments, uint32_t position) {
  VARIANT& argument = arguments.at(position);
  if (argument.vt == (VT_BYREF | typeOf<T>()) && argument.plVal != nullptr) {
    target_ = reinterpret_cast<T*>(argument.plVal);
    return;
  }
  if (argument.vt == (VT_BYREF | VT_VARIANT)) variant_ = argument.pvarVal;
  if constexpr (std::is_same_v<T, int32_t>)
    local_ = arguments.int32Value(position);
  else
    local_ = arguments.doubleValue(position);
}

template <class T>
void ScalarReference<T>::writeBack() {
  if (variant_ == nullptr) return;
  VariantClear(variant_);
  variant_->vt = typeOf<T>();
  if constexpr (std::is_same_v<T, int32_t>)
    variant_->lVal = local_;
  else
    variant_->dblVal = local_;
}

template class ScalarReference<int32_t>;
template class ScalarReference<double>;

VariantReference::VariantReference(const DispatchArguments& arguments, uint32_t position) {
  VARIANT& argument = arguments.at(position);
  if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr)
    target_ = argument.pvarVal;
  else
    local_ = arguments.value(position);
}

void setResult(VARIANT* result, Variant value) {
  if (result == nullptr) return;
  *result = value.detach();
}

}  // namespace trv3::com
