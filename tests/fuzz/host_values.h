// Automation values as hosts we do not control build them, decoded from fuzz input: any type code,
// by value or by reference, arrays of any element type with any dimensions, bounds, features, locks
// and element sizes. Every pointer points at memory the host owns and sized as the value says
// (a descriptor's element count and size match its data), or is null; the add-in is tried on
// unusual values, not on wild pointers.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz_target.h"
#include "host_memory.h"
#include "platform/com/abi.h"
#include "platform/com/value_types.h"

namespace trv3::fuzz {

class InputReader {
 public:
  explicit InputReader(Input input) : input_(input) {}
  bool exhausted() const { return at_ == input_.size(); }
  uint8_t byte() { return exhausted() ? 0 : input_[at_++]; }
  size_t choice(size_t count) { return byte() % count; }
  // Bytes beyond the input read as zero.
  void copy(void* to, size_t size) {
    if (size == 0) return;
    const size_t available = std::min(size, input_.size() - at_);
    std::memcpy(to, input_.data() + at_, available);
    std::memset(static_cast<char*>(to) + available, 0, size - available);
    at_ += available;
  }
  template <class T>
  T raw() {
    T value;
    copy(&value, sizeof value);
    return value;
  }

 private:
  Input input_;
  size_t at_ = 0;
};

// An object of the host's that counts the references the add-in takes and gives back; the host's
// own variables hold it without a reference of their own. It stands in Variants as VT_UNKNOWN and
// as VT_DISPATCH alike: the add-in reaches either only through IUnknown.
struct HostObject {
  HostObject();
  IUnknown face;
  int32_t references = 0;
};

inline HostObject* hostObjectOf(IUnknown* face) { return reinterpret_cast<HostObject*>(face); }

inline const IUnknownVtbl hostObjectVtbl = {
    [](IUnknown* self, const IID* iid, void** object) -> HRESULT {
      if (object == nullptr) return E_POINTER;
      *object = nullptr;
      if (iid == nullptr) return E_INVALIDARG;
      if (std::memcmp(iid, &IID_IUnknown, sizeof *iid) != 0) return E_NOINTERFACE;
      ++hostObjectOf(self)->references;
      *object = self;
      return S_OK;
    },
    [](IUnknown* self) -> uint32_t { return static_cast<uint32_t>(++hostObjectOf(self)->references); },
    [](IUnknown* self) -> uint32_t { return static_cast<uint32_t>(--hostObjectOf(self)->references); },
};

inline HostObject::HostObject() : face{&hostObjectVtbl} {}

class HostValues {
 public:
  HostValues(InputReader& input, HostMemory& memory, std::span<HostObject> objects)
      : in_(input), memory_(memory), objects_(objects) {}

  // A by-reference Variant among them may refer to any of them, itself included.
  void fillArguments(std::span<VARIANT> arguments) {
    arguments_ = arguments;
    for (VARIANT& argument : arguments) fill(argument, 0);
  }

  // Text of up to 15 UTF-16 units, embedded NULs and lone surrogates included; or null.
  BSTR text() {
    const uint8_t length = in_.byte();
    if (length == 0xFF) return nullptr;
    const uint32_t units = length % 16;
    auto* block = static_cast<char*>(memory_.allocate(sizeof(uint32_t) + (units + 1) * sizeof(OLECHAR)));
    const uint32_t bytes = units * sizeof(OLECHAR);
    std::memcpy(block, &bytes, sizeof bytes);
    in_.copy(block + sizeof bytes, bytes);
    return reinterpret_cast<BSTR>(block + sizeof bytes);
  }

 private:
  static constexpr int Deepest = 3;
  static constexpr VARTYPE VectorFlag = 0x1000, ReservedFlag = 0x8000, RecordType = 36;
  static constexpr VARTYPE baseTypes[] = {
      VT_EMPTY, VT_NULL, VT_I2,   VT_I4,   VT_R4,  VT_R8,  VT_CY,   VT_DATE,    VT_BSTR,
      VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2,
      VT_UI4,   VT_I8,   VT_UI8,  VT_INT,  VT_UINT, 15,    RecordType, VT_TYPEMASK};

  static bool isObject(VARTYPE type) { return type == VT_UNKNOWN || type == VT_DISPATCH; }

  VARTYPE baseType() {
    const size_t pick = in_.choice(std::size(baseTypes) + 1);
    return pick < std::size(baseTypes) ? baseTypes[pick] : in_.raw<uint16_t>() & VT_TYPEMASK;
  }

  IUnknown* object() {
    const size_t pick = in_.choice(objects_.size() + 1);
    return pick < objects_.size() ? &objects_[pick].face : nullptr;
  }

  void fill(VARIANT& v, int depth) {
    const uint8_t form = in_.byte();
    VARTYPE base = baseType();
    bool reference = form & 1, array = form & 2;
    if (depth >= Deepest) reference = array = false;  // what nests stops here
    if (array && reference)
      v.pparray = arrayCell(base, depth, form & 0x20);
    else if (array)
      v.parray = arrayOf(base, depth);
    else if (reference)
      v.pvarVal = static_cast<VARIANT*>(referent(base, depth, form));
    else
      fillValue(v, base);
    // Type bits no automation type has, on top of a value built as the rest of the code says.
    v.vt = static_cast<VARTYPE>(base | (reference ? VT_BYREF : 0) | (array ? VT_ARRAY : 0) |
                                ((form & 4) ? VectorFlag : 0) | ((form & 8) ? ReservedFlag : 0));
  }

  void fillValue(VARIANT& v, VARTYPE base) {
    if (base == VT_BSTR)
      v.bstrVal = text();
    else if (isObject(base))
      v.punkVal = object();
    else if (base == VT_DECIMAL)
      in_.copy(&v, sizeof(DECIMAL));  // its first two bytes become the type below
    else if (base != VT_VARIANT)
      in_.copy(&v.llVal, sizeof v.llVal);
  }

  // What a reference of that type points at: a Variant (perhaps one of the arguments), a text, an
  // object, or a value of exactly its type's size; or nothing.
  void* referent(VARTYPE base, int depth, uint8_t form) {
    if (form & 0x20) return nullptr;
    if (base == VT_VARIANT) {
      if ((form & 0x10) && !arguments_.empty()) return &arguments_[in_.choice(arguments_.size())];
      auto* target = memory_.allocate<VARIANT>();
      fill(*target, depth + 1);
      return target;
    }
    if (base == VT_BSTR) {
      auto* cell = memory_.allocate<BSTR>();
      *cell = text();
      return cell;
    }
    if (isObject(base)) {
      auto* cell = memory_.allocate<IUnknown*>();
      *cell = object();
      return cell;
    }
    const size_t size = com::valueSize(base) ? com::valueSize(base) : sizeof(DECIMAL);
    void* value = memory_.allocate(size);
    in_.copy(value, size);
    return value;
  }

  SAFEARRAY** arrayCell(VARTYPE element, int depth, bool none) {
    if (none) return nullptr;
    auto* cell = memory_.allocate<SAFEARRAY*>();
    *cell = arrayOf(element, depth);
    return cell;
  }

  static int32_t lowerBound(uint8_t code) {
    constexpr int32_t extremes[] = {INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1,
                                    -1,        1 << 30,   -(1 << 30),    INT32_MAX - 15};
    return code < 0xF8 ? static_cast<int8_t>(code) : extremes[code & 7];
  }

  // A descriptor laid out as the published header says (with the 16 bytes before it when its
  // features say so), its element block holding exactly count times cbElements bytes.
  SAFEARRAY* arrayOf(VARTYPE element, int depth) {
    const uint8_t shape = in_.byte();
    if (shape == 0xFF) return nullptr;
    const uint16_t dimensions = shape & 3;
    const uint16_t features = in_.raw<uint16_t>();
    const size_t typeSize = com::valueSize(element);
    const uint32_t elementSize =
        (shape & 4) || typeSize == 0 ? in_.byte() % 33 : static_cast<uint32_t>(typeSize);
    const size_t bounds = std::max<uint16_t>(dimensions, 1);
    const bool prefixed = features & (FADF_HAVEVARTYPE | FADF_HAVEIID | FADF_RECORD);
    const size_t prefix = prefixed ? 16 : 0;
    auto* block = static_cast<char*>(
        memory_.allocate(prefix + sizeof(SAFEARRAY) + (bounds - 1) * sizeof(SAFEARRAYBOUND)));
    if (prefixed) {
      const uint32_t recorded = element;
      std::memcpy(block + prefix - sizeof recorded, &recorded, sizeof recorded);
    }
    auto* array = reinterpret_cast<SAFEARRAY*>(block + prefix);
    array->cDims = dimensions;
    array->fFeatures = features;
    array->cbElements = elementSize;
    array->cLocks = (shape >> 3) & 3;
    size_t count = dimensions == 0 ? 0 : 1;
    for (size_t d = 0; d < bounds; ++d) {
      array->rgsabound[d].cElements = in_.byte() % 4;
      array->rgsabound[d].lLbound = lowerBound(in_.byte());
      if (d < dimensions) count *= array->rgsabound[d].cElements;
    }
    array->pvData = memory_.allocate(count * elementSize);
    fillElements(static_cast<char*>(array->pvData), element, elementSize, count, depth);
    return array;
  }

  // Elements that own something are built as their type says when the element size is the type's;
  // otherwise they stay zero (null texts, objects, empty Variants), never stray pointers.
  void fillElements(char* data, VARTYPE element, uint32_t elementSize, size_t count, int depth) {
    if (!com::ownsResources(element)) {
      in_.copy(data, count * elementSize);
      return;
    }
    if (elementSize != com::valueSize(element)) return;
    for (size_t i = 0; i < count; ++i) {
      char* at = data + i * elementSize;
      if (element == VT_VARIANT)
        fill(*reinterpret_cast<VARIANT*>(at), depth + 1);
      else if (element == VT_BSTR)
        *reinterpret_cast<BSTR*>(at) = text();
      else
        *reinterpret_cast<IUnknown**>(at) = object();
    }
  }

  InputReader& in_;
  HostMemory& memory_;
  std::span<HostObject> objects_;
  std::span<VARIANT> arguments_;
};

}  // namespace trv3::fuzz
