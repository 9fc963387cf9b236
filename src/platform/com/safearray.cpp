#include "platform/com/safearray.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/com/automation.h"
#include "platform/com/value_types.h"
#include "platform/runtime/errors.h"

namespace trv3::com {
namespace {

// A descriptor that records its element type is preceded by this much room; the type sits in the
// last 4 bytes of it, where readers of FADF_HAVEVARTYPE look.
constexpr size_t DescriptorPrefix = 16;
constexpr uint16_t PrefixedDescriptor = FADF_HAVEVARTYPE | FADF_HAVEIID | FADF_RECORD;
constexpr uint16_t NotOursToFree = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

size_t descriptorSize(uint32_t dimensions) {
  return sizeof(SAFEARRAY) + (dimensions - 1) * sizeof(SAFEARRAYBOUND);
}

char* descriptorBlock(SAFEARRAY* array) {
  char* at = reinterpret_cast<char*>(array);
  return (array->fFeatures & PrefixedDescriptor) ? at - DescriptorPrefix : at;
}

uint16_t kindFeature(VARTYPE type) {
  switch (type) {
    case VT_BSTR: return FADF_BSTR;
    case VT_UNKNOWN: return FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_DISPATCH;
    case VT_VARIANT: return FADF_VARIANT;
    default: return 0;
  }
}

// The number of elements, or nothing when it cannot be addressed.
bool elementCount(const SAFEARRAY* array, size_t& count) {
  count = 1;
  for (uint16_t d = 0; d < array->cDims; ++d) {
    const size_t n = array->rgsabound[d].cElements;
    if (n != 0 && count > std::numeric_limits<size_t>::max() / n) return false;
    count *= n;
  }
  return count == 0 || array->cbElements <= std::numeric_limits<size_t>::max() / count;
}

SAFEARRAY* allocateDescriptor(VARTYPE type, uint32_t dimensions) {
  char* block = static_cast<char*>(std::calloc(1, DescriptorPrefix + descriptorSize(dimensions)));
  if (block == nullptr) return nullptr;
  const uint32_t storedType = type;
  std::memcpy(block + DescriptorPrefix - sizeof storedType, &storedType, sizeof storedType);
  auto* array = reinterpret_cast<SAFEARRAY*>(block + DescriptorPrefix);
  array->cDims = static_cast<uint16_t>(dimensions);
  array->fFeatures = static_cast<uint16_t>(FADF_HAVEVARTYPE | kindFeature(type));
  array->cbElements = static_cast<uint32_t>(valueSize(type));
  return array;
}

void freeDescriptor(SAFEARRAY* array) {
  if ((array->fFeatures & NotOursToFree) == 0) std::free(descriptorBlock(array));
}

// Releases what the elements own; the element block itself stays.
void releaseElements(SAFEARRAY* array, VARTYPE type, size_t count) {
  if (array->pvData == nullptr || !ownsResources(type)) return;
  for (size_t i = 0; i < count; ++i) {
    void* element = static_cast<char*>(array->pvData) + i * array->cbElements;
    switch (type) {
      case VT_BSTR: SysFreeString(*static_cast<BSTR*>(element)); break;
      case VT_VARIANT: VariantClear(static_cast<VARIANT*>(element)); break;
      default:
        if (IUnknown* object = *static_cast<IUnknown**>(element)) object->lpVtbl->Release(object);
    }
  }
}

HRESULT copyElements(const SAFEARRAY* source, SAFEARRAY* copy, VARTYPE type, size_t count) {
  if (count == 0) return S_OK;  // neither array has an element block
  if (!ownsResources(type)) {
    std::memcpy(copy->pvData, source->pvData, count * source->cbElements);
    return S_OK;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t offset = i * source->cbElements;
    const void* from = static_cast<const char*>(source->pvData) + offset;
    void* to = static_cast<char*>(copy->pvData) + offset;
    switch (type) {
      case VT_BSTR: {
        const BSTR text = *static_cast<const BSTR*>(from);
        if (text == nullptr) break;
        *static_cast<BSTR*>(to) = SysAllocStringLen(text, SysStringLen(text));
        if (*static_cast<BSTR*>(to) == nullptr) return E_OUTOFMEMORY;
        break;
      }
      case VT_VARIANT: {
        const HRESULT hr = VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
        if (FAILED(hr)) return hr;
        break;
      }
      default: {
        IUnknown* object = *static_cast<IUnknown* const*>(from);
        if (object) object->lpVtbl->AddRef(object);
        *static_cast<IUnknown**>(to) = object;
      }
    }
  }
  return S_OK;
}

// The element type an array was made with: recorded before the descriptor, or told by its
// feature flags; plain data otherwise.
VARTYPE recordedType(const SAFEARRAY* array) {
  if (array->fFeatures & FADF_HAVEVARTYPE) {
    uint32_t type = 0;
    std::memcpy(&type, reinterpret_cast<const char*>(array) - sizeof type, sizeof type);
    return static_cast<VARTYPE>(type);
  }
  if (array->fFeatures & FADF_BSTR) return VT_BSTR;
  if (array->fFeatures & FADF_VARIANT) return VT_VARIANT;
  if (array->fFeatures & FADF_DISPATCH) return VT_DISPATCH;
  if (array->fFeatures & FADF_UNKNOWN) return VT_UNKNOWN;
  return VT_EMPTY;
}

// Grows or shrinks the element block of an int32 vector; zero elements hold no block at all.
bool resizeElements(SAFEARRAY* array, uint32_t count) {
  const uint32_t old = array->rgsabound[0].cElements;
  if (count == 0) {
    std::free(array->pvData);
    array->pvData = nullptr;
  } else if (array->pvData == nullptr) {
    // Fresh zeroed pages hold no memory until written: an array sized for a long record takes
    // memory only as its codes arrive.
    array->pvData = std::calloc(count, sizeof(int32_t));
    if (array->pvData == nullptr) return false;
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

}  // namespace

HRESULT destroyArray(SAFEARRAY* array, VARTYPE elementType) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  size_t count = 0;
  if (elementCount(array, count)) releaseElements(array, elementType, count);
  if ((array->fFeatures & NotOursToFree) == 0) std::free(array->pvData);
  freeDescriptor(array);
  return S_OK;
}

HRESULT copyArray(const SAFEARRAY* source, VARTYPE elementType, SAFEARRAY** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  // Arrays in Variants in arrays, deeper than any host means them: an array that holds itself
  // would otherwise be copied until the stack ran out.
  constexpr int kDeepestNesting = 64;
  thread_local int depth = 0;
  if (depth == kDeepestNesting) return E_INVALIDARG;
  struct Nested {
    Nested() { ++depth; }
    ~Nested() { --depth; }
  } nested;
  size_t count = 0;
  if (source->cDims == 0 || !elementCount(source, count) || (count > 0 && source->pvData == nullptr) ||
      (ownsResources(elementType) && source->cbElements != valueSize(elementType)))
    return E_INVALIDARG;
  SAFEARRAY* array = allocateDescriptor(elementType, source->cDims);
  if (array == nullptr) return E_OUTOFMEMORY;
  array->cbElements = source->cbElements;
  std::memcpy(array->rgsabound, source->rgsabound, source->cDims * sizeof(SAFEARRAYBOUND));
  if (count > 0) {
    array->pvData = std::calloc(count, source->cbElements);
    if (array->pvData == nullptr) {
      freeDescriptor(array);
      return E_OUTOFMEMORY;
    }
  }
  const HRESULT hr = copyElements(source, array, elementType, count);
  if (FAILED(hr)) {
    destroyArray(array, elementType);
    return hr;
  }
  *copy = array;
  return S_OK;
}

}  // namespace trv3::com

extern "C" {

SAFEARRAY* SafeArrayCreate(VARTYPE type, uint32_t dimensions, const SAFEARRAYBOUND* bounds) {
  if (dimensions == 0 || dimensions > 0xFFFF || bounds == nullptr || trv3::com::valueSize(type) == 0)
    return nullptr;
  SAFEARRAY* array = trv3::com::allocateDescriptor(type, dimensions);
  if (array == nullptr) return nullptr;
  std::memcpy(array->rgsabound, bounds, dimensions * sizeof(SAFEARRAYBOUND));
  size_t count = 0;
  if (!trv3::com::elementCount(array, count)) {
    trv3::com::freeDescriptor(array);
    return nullptr;
  }
  if (count > 0) {
    array->pvData = std::calloc(count, array->cbElements);
    if (array->pvData == nullptr) {
      trv3::com::freeDescriptor(array);
      return nullptr;
    }
  }
  return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, int32_t lowerBound, uint32_t count) {
  const SAFEARRAYBOUND bound{count, lowerBound};
  return SafeArrayCreate(type, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  return trv3::com::destroyArray(array, array ? trv3::com::recordedType(array) : VARTYPE{VT_EMPTY});
}

HRESULT SafeArrayCopy(const SAFEARRAY* source, SAFEARRAY** copy) {
  return trv3::com::copyArray(source, source ? trv3::com::recordedType(source) : VARTYPE{VT_EMPTY}, copy);
}

HRESULT SafeArrayGetVartype(const SAFEARRAY* array, VARTYPE* type) {
  if (array == nullptr || type == nullptr) return E_INVALIDARG;
  *type = trv3::com::recordedType(array);
  return *type == VT_EMPTY ? E_INVALIDARG : S_OK;
}

uint32_t SafeArrayGetDim(const SAFEARRAY* array) { return array ? array->cDims : 0; }

// Dimension 1 is the first, stored last in rgsabound.
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
  *bound = array->rgsabound[array->cDims - dimension].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dimension, int32_t* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension < 1 || dimension > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = array->rgsabound[array->cDims - dimension];
  *bound = static_cast<int32_t>(int64_t{b.lLbound} + b.cElements - 1);
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
