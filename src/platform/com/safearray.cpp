#include "platform/com/safearray.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/com/automation.h"
#include "platform/runtime/errors.h"

namespace {

constexpr uint16_t FeatureHaveVarType = 0x0080;

// Grows or shrinks the element block; zero elements hold no block at all.
bool resizeElements(SAFEARRAY* array, uint32_t count) {
  const uint32_t old = array->rgsabound[0].cElements;
  if (count == 0) {
    std::free(array->pvData);
    array->pvData = nullptr;
  } else {
    void* block = std::realloc(array->pvData, size_t{count} * sizeof(int32_t));
    if (block == nullptr) return false;
    array->pvData = block;
    if (count > old)
      std::memset(static_cast<int32_t*>(block) + old, 0, size_t{count - old} * sizeof(int32_t));
  }
  array->rgsabound[0].cElements = count;
  return true;
}

bool isInt32Vector(const SAFEARRAY* array) {
  return array != nullptr && array->cDims == 1 && array->cbElements == sizeof(int32_t);
}

}  // namespace

extern "C" {

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, int32_t lowerBound, uint32_t count) {
  if (type != VT_I4) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
  if (array == nullptr) return nullptr;
  array->cDims = 1;
  array->fFeatures = FeatureHaveVarType;
  array->cbElements = sizeof(int32_t);
  array->rgsabound[0].lLbound = lowerBound;
  if (!resizeElements(array, count)) {
    std::free(array);
    return nullptr;
  }
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (!isInt32Vector(array)) return E_INVALIDARG;
  std::free(array->pvData);
  std::free(array);
  return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  if (!isInt32Vector(source)) return E_INVALIDARG;
  const uint32_t count = source->rgsabound[0].cElements;
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, source->rgsabound[0].lLbound, count);
  if (array == nullptr) return E_OUTOFMEMORY;
  if (count > 0) std::memcpy(array->pvData, source->pvData, size_t{count} * sizeof(int32_t));
  *copy = array;
  return S_OK;
}

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension != 1 || !isInt32Vector(array)) return DISP_E_BADINDEX;
  *bound = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension != 1 || !isInt32Vector(array)) return DISP_E_BADINDEX;
  *bound = static_cast<int32_t>(int64_t{array->rgsabound[0].lLbound} +
                                array->rgsabound[0].cElements - 1);
  return S_OK;
}

}  // extern "C"

namespace trv3::com {

Int32SafeArray::Int32SafeArray(size_t count) : array_(SafeArrayCreateVector(VT_I4, 0, 0)) {
  if (array_ == nullptr) raise(7, "Out of memory");
  if (count > 0) resize(count);
}

Int32SafeArray::Int32SafeArray(Int32SafeArray&& other) noexcept
    : array_(std::exchange(other.array_, nullptr)) {}

Int32SafeArray& Int32SafeArray::operator=(Int32SafeArray&& other) noexcept {
  if (this != &other) {
    SafeArrayDestroy(array_);
    array_ = std::exchange(other.array_, nullptr);
  }
  return *this;
}

Int32SafeArray::~Int32SafeArray() { SafeArrayDestroy(array_); }

size_t Int32SafeArray::size() const { return array_ ? array_->rgsabound[0].cElements : 0; }

int32_t* Int32SafeArray::resize(size_t count) {
  if (count > std::numeric_limits<uint32_t>::max()) raise(rt::Overflow);
  if (array_ == nullptr) {
    array_ = SafeArrayCreateVector(VT_I4, 0, 0);
    if (array_ == nullptr) raise(7, "Out of memory");
  }
  if (!resizeElements(array_, static_cast<uint32_t>(count))) raise(7, "Out of memory");
  return data();
}

int32_t* Int32SafeArray::data() { return array_ ? static_cast<int32_t*>(array_->pvData) : nullptr; }

const int32_t* Int32SafeArray::data() const {
  return array_ ? static_cast<const int32_t*>(array_->pvData) : nullptr;
}

SAFEARRAY* Int32SafeArray::release() {
  if (array_ == nullptr) return SafeArrayCreateVector(VT_I4, 0, 0);
  return std::exchange(array_, nullptr);
}

}  // namespace trv3::com
