#include "platform/com/variant.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/utf.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::com {
namespace {

constexpr int32_t InvalidUseOfNull = 94;

// The run-time's text of a double: up to 15 significant digits, exponent form outside that range.
std::string doubleToText(double value) {
  if (value == 0.0) return "0";
  return formatSignificant(value, 15);
}

// A single's text: up to 7 significant digits.
std::string floatToText(float value) {
  if (value == 0.0f) return "0";
  return formatSignificant(static_cast<double>(value), 7);
}

}  // namespace

Variant::Variant() : raw_{} { raw_.vt = VT_EMPTY; }

Variant::Variant(int16_t value) : Variant() {
  raw_.vt = VT_I2;
  raw_.iVal = value;
}

Variant::Variant(int32_t value) : Variant() {
  raw_.vt = VT_I4;
  raw_.lVal = value;
}

Variant::Variant(double value) : Variant() {
  raw_.vt = VT_R8;
  raw_.dblVal = value;
}

Variant::Variant(std::string_view utf8) : Variant() {
  raw_.bstrVal = allocBstr(utf8);
  raw_.vt = VT_BSTR;
}

Variant::Variant(const char* utf8) : Variant(std::string_view(utf8 ? utf8 : "")) {}

Variant::Variant(const std::string& utf8) : Variant(std::string_view(utf8)) {}

Variant::Variant(Int32SafeArray&& array) : Variant() {
  raw_.parray = array.release();
  if (raw_.parray == nullptr) raise(7, "Out of memory");
  raw_.vt = VT_ARRAY | VT_I4;
}

Variant Variant::boolean(bool value) {
  Variant v;
  v.raw_.vt = VT_BOOL;
  v.raw_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::object(IUnknown* unknown) {
  Variant v;
  v.raw_.vt = VT_UNKNOWN;
  v.raw_.punkVal = unknown;
  if (unknown) unknown->lpVtbl->AddRef(unknown);
  return v;
}

Variant Variant::object(IDispatch* dispatch) {
  Variant v;
  v.raw_.vt = VT_DISPATCH;
  v.raw_.pdispVal = dispatch;
  if (dispatch) dispatch->lpVtbl->AddRef(dispatch);
  return v;
}

Variant Variant::adopt(VARIANT& raw) {
  Variant v;
  v.raw_ = raw;
  VariantInit(&raw);
  return v;
}

Variant Variant::valueOf(const VARIANT& raw) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = VariantCopyInd(&value, &raw);
  if (hr == E_OUTOFMEMORY) raise(7, "Out of memory");
  if (FAILED(hr)) raise(rt::TypeMismatch);
  return adopt(value);
}

Variant::Variant(const Variant& other) : Variant() {
  const HRESULT hr = VariantCopy(&raw_, &other.raw_);
  if (hr == E_OUTOFMEMORY) raise(7, "Out of memory");
  if (FAILED(hr)) raise(rt::TypeMismatch);
}

Variant::Variant(Variant&& other) noexcept : raw_(other.raw_) { VariantInit(&other.raw_); }

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    std::swap(raw_, copy.raw_);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&raw_);
    raw_ = other.raw_;
    VariantInit(&other.raw_);
  }
  return *this;
}

Variant::~Variant() { VariantClear(&raw_); }

VARIANT Variant::detach() {
  VARIANT out = raw_;
  VariantInit(&raw_);
  return out;
}

namespace {

// Text read as a number or Boolean: the run-time parses it as a NUL-terminated string, so an
// embedded NUL ends it.
std::string parsedText(BSTR text) {
  uint32_t length = 0;
  while (length < SysStringLen(text) && text[length] != 0) ++length;
  return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// A DECIMAL: its 96-bit integer scaled down by its power of ten. A scale beyond 28 makes no number.
DECIMAL decimalOf(const VARIANT& v) {
  DECIMAL d;
  std::memcpy(&d, &v, sizeof d);
  if (d.scale > 28) raise(rt::TypeMismatch);
  return d;
}

double decimalValue(const VARIANT& v) {
  const DECIMAL d = decimalOf(v);
  const long double magnitude =
      (static_cast<long double>(d.Hi32) * 18446744073709551616.0L + d.Lo64) /
      std::pow(10.0L, d.scale);
  return static_cast<double>((d.sign & DECIMAL_NEG) ? -magnitude : magnitude);
}

// Rounded exactly, halves to even: the 96 bits hold more digits than a double.
int32_t decimalToInt32(const VARIANT& v) {
  const DECIMAL d = decimalOf(v);
  unsigned __int128 power = 1;
  for (int i = 0; i < d.scale; ++i) power *= 10;
  const unsigned __int128 digits = static_cast<unsigned __int128>(d.Hi32) << 64 | d.Lo64;
  unsigned __int128 whole = digits / power;
  const unsigned __int128 rest = digits % power;
  if (rest * 2 > power || (rest * 2 == power && (whole & 1) != 0)) ++whole;
  const bool negative = (d.sign & DECIMAL_NEG) != 0;
  if (whole > (negative ? 2147483648u : 2147483647u)) raise(rt::Overflow);
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole));
}

// The one table of how each scalar type reads as a number, as the run-time converts it: Booleans
// are -1 and 0, currency is scaled by 10000, a date is its day count, text must hold a number.
double numberOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return 0.0;
    case VT_NULL: raise(InvalidUseOfNull, "Invalid use of Null");
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    case VT_I8: return static_cast<double>(v.llVal);
    case VT_UI8: return static_cast<double>(v.ullVal);
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_CY: return static_cast<double>(v.cyVal.int64) / 10000.0;
    case VT_DECIMAL: return decimalValue(v);
    case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
    case VT_BSTR: return textToDouble(parsedText(v.bstrVal));
    default: raise(rt::TypeMismatch);
  }
}

}  // namespace

std::string Variant::toText() const {
  const Variant held = valueOf(raw_);
  const VARIANT& v = held.raw();
  switch (v.vt) {
    case VT_EMPTY: return {};
    case VT_I8: return std::to_string(v.llVal);
    case VT_UI8: return std::to_string(v.ullVal);
    case VT_R4: return floatToText(v.fltVal);
    case VT_BOOL: return v.boolVal ? "True" : "False";
    case VT_BSTR: return bstrToUtf8(v.bstrVal);
    // A date reads as a calendar text, which no caller of ours needs.
    case VT_DATE: raise(rt::TypeMismatch);
    default: return doubleToText(numberOf(v));
  }
}

double Variant::toDouble() const { return numberOf(valueOf(raw_).raw()); }

// Integers go through the double value: every 32-bit integer is exact there, and fractions take the
// run-time's half-to-even rounding. A DECIMAL, whose digits a double cannot hold, is rounded as it
// stands.
int16_t Variant::toInt16() const {
  const Variant held = valueOf(raw_);
  if (held.raw().vt == VT_DECIMAL) return trv3::toInt16(decimalToInt32(held.raw()));
  return trv3::toInt16(numberOf(held.raw()));
}

int32_t Variant::toInt32() const {
  const Variant held = valueOf(raw_);
  if (held.raw().vt == VT_DECIMAL) return decimalToInt32(held.raw());
  return trv3::toInt32(numberOf(held.raw()));
}

bool Variant::toBool() const {
  const Variant held = valueOf(raw_);
  const VARIANT& v = held.raw();
  switch (v.vt) {
    case VT_BOOL: return v.boolVal != 0;
    case VT_BSTR: return textToBool(parsedText(v.bstrVal));
    default: return numberOf(v) != 0.0;
  }
}

// Read in place: the elements are handed out without a copy.
const SAFEARRAY* Variant::int32Array() const {
  const VARIANT& v = raw_.vt == (VT_BYREF | VT_VARIANT) && raw_.pvarVal ? *raw_.pvarVal : raw_;
  if (v.vt == (VT_ARRAY | VT_I4)) return v.parray;
  if (v.vt == (VT_BYREF | VT_ARRAY | VT_I4)) return v.pparray ? *v.pparray : nullptr;
  return nullptr;
}

std::span<const int32_t> Variant::int32Elements() const {
  const SAFEARRAY* array = int32Array();
  if (array == nullptr) raise(rt::TypeMismatch);
  return {static_cast<const int32_t*>(array->pvData), array->rgsabound[0].cElements};
}

}  // namespace trv3::com
